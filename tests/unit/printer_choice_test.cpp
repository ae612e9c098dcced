// SPDX-License-Identifier: MIT
// Which printer a pass uses: named queue, default queue, the PDF stand-in,
// or none (with the messages the user sees), also when the scheduler cannot
// be reached.
#include "linux/print/printer_choice.h"

#include <gtest/gtest.h>

namespace vexlan {
namespace {

using State = SchedulerContact::State;

struct ChoiceCase {
    const char* name;
    const char* requested;
    const char* origin;
    State state;
    std::vector<std::string> queues;
    const char* defaultName;
    bool allowPdf;
    PrinterChoice::Kind kind;
    const char* queue;    // for Queue
    const char* message;  // part of the error (None) or of the warning (Pdf; "": none)
    const char* text;     // for None: part of the user's text
};

class PrinterChoiceTable : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(PrinterChoiceTable, Chooses)
{
    const ChoiceCase& c = GetParam();
    SchedulerQueues scheduler;
    scheduler.contact.state = c.state;
    if (c.state != SchedulerContact::Reached) {
        scheduler.contact.reason = "Connection refused";
        scheduler.contact.problem = "cannot reach the print scheduler at 127.0.0.1:1 (Connection refused)";
    }
    scheduler.queues = c.queues;
    scheduler.defaultQueue = c.defaultName;
    const PrinterChoice choice = ChoosePrinter({QString::fromUtf8(c.requested), QString::fromUtf8(c.origin)},
                                               scheduler, c.allowPdf);
    EXPECT_EQ(choice.kind, c.kind);
    EXPECT_EQ(choice.name.toStdString(), c.queue);
    const QString& message = c.kind == PrinterChoice::None ? choice.error : choice.warning;
    EXPECT_TRUE(*c.message == '\0' ? message.isEmpty() : message.contains(QString::fromUtf8(c.message)))
        << message.toStdString();
    EXPECT_TRUE(choice.text.contains(QString::fromUtf8(c.text))) << choice.text.toStdString();
    EXPECT_EQ(choice.text.isEmpty(), c.kind != PrinterChoice::None);
}

const std::vector<std::string> kTwo = {"A", "B"};
constexpr State kUp = SchedulerContact::Reached;
constexpr State kDown = SchedulerContact::Unreachable;
constexpr State kAbsent = SchedulerContact::Absent;
constexpr auto kQueue = PrinterChoice::Queue;
constexpr auto kPdf = PrinterChoice::Pdf;
constexpr auto kNone = PrinterChoice::None;

INSTANTIATE_TEST_SUITE_P(
    Cases, PrinterChoiceTable,
    ::testing::Values(
        ChoiceCase{"NamedInstalled", "B", "", kUp, kTwo, "A", false, kQueue, "B", "", ""},
        ChoiceCase{"NamedMissingIsErrorEvenWithPdf", "C", "", kUp, kTwo, "A", true, kNone, "", "\"C\" not found",
                   "找不到打印机“C”"},
        ChoiceCase{"DefaultQueue", "", "", kUp, kTwo, "B", false, kQueue, "B", "", ""},
        // lp refuses when there is no default destination; no first queue.
        ChoiceCase{"NoDefaultDirectPrint", "", "", kUp, kTwo, "", false, kNone, "", "no default printer",
                   "没有默认打印机"},
        ChoiceCase{"StaleDefault", "", "", kUp, kTwo, "Gone", false, kNone, "", "no default printer", ""},
        ChoiceCase{"NoDefaultPdfAllowed", "", "", kUp, kTwo, "", true, kPdf, "", "no default printer; the page is", ""},
        ChoiceCase{"NoQueuePdfAllowed", "", "", kUp, {}, "", true, kPdf, "", "", ""},
        ChoiceCase{"NoQueueDirectPrint", "", "", kUp, {}, "", false, kNone, "", "no printer installed", "没有安装打印机"},
        ChoiceCase{"NoSchedulerIsNoPrinter", "", "", kAbsent, {}, "", true, kPdf, "", "", ""},
        ChoiceCase{"NoSchedulerDirectPrint", "", "", kAbsent, {}, "", false, kNone, "", "no printer installed", ""},
        // A scheduler that cannot be asked: said as such, never "not found".
        ChoiceCase{"UnreachableNamed", "B", "PRINTER", kDown, kTwo, "B", true, kNone, "",
                   "cannot reach the print scheduler at 127.0.0.1:1 (Connection refused)",
                   "无法连接打印服务 "},
        ChoiceCase{"UnreachablePdfAllowed", "", "", kDown, {}, "", true, kPdf, "",
                   "cannot reach the print scheduler at 127.0.0.1:1 (Connection refused); the page is a whole A4", ""}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(RequestedPrinter, CommandLineThenLpdestThenPrinterAsLpTakesThem)
{
    struct Row {
        const char *commandLine, *lpdest, *printer, *name, *origin;
    } rows[] = {
        {"Cmd", "L", "P", "Cmd", ""},
        {"", "L", "P", "L", "LPDEST"},
        {"", "", "NoSuchQueue", "NoSuchQueue", "PRINTER"},
        {"", "", "lp", "", ""},  // lp's own name for "the default"
        {"", "", "", "", ""},
    };
    for (const Row& r : rows) {
        const PrinterRequest req = RequestedPrinter(r.commandLine, r.lpdest, r.printer);
        EXPECT_EQ(req.name.toStdString(), r.name) << r.printer;
        EXPECT_EQ(req.origin.toStdString(), r.origin) << r.printer;
    }
}

} // namespace
} // namespace vexlan
