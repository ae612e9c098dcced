// Which printer a pass uses: named queue, default queue, first queue, the
// PDF stand-in, or none (with the message the user sees).
#include "view/printer_choice.h"

#include <gtest/gtest.h>

namespace vexlan {
namespace {

struct ChoiceCase {
    const char* name;
    const char* requested;
    QStringList available;
    const char* defaultName;
    bool allowPdf;
    PrinterChoice::Kind kind;
    const char* queue;      // for Queue
    const char* errorPart;  // for None: part of the message
};

class PrinterChoiceTable : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(PrinterChoiceTable, Chooses)
{
    const ChoiceCase& c = GetParam();
    const PrinterChoice choice = ChoosePrinter(QString::fromUtf8(c.requested), c.available,
                                               QString::fromUtf8(c.defaultName), c.allowPdf);
    EXPECT_EQ(choice.kind, c.kind);
    if (c.kind == PrinterChoice::Queue) {
        EXPECT_EQ(choice.name.toStdString(), c.queue);
    }
    if (c.kind == PrinterChoice::None) {
        EXPECT_TRUE(choice.error.contains(QString::fromUtf8(c.errorPart))) << choice.error.toStdString();
    } else {
        EXPECT_TRUE(choice.error.isEmpty());
    }
}

const QStringList kTwo = {QStringLiteral("A"), QStringLiteral("B")};

INSTANTIATE_TEST_SUITE_P(
    Cases, PrinterChoiceTable,
    ::testing::Values(
        ChoiceCase{"NamedInstalled", "B", kTwo, "A", false, PrinterChoice::Queue, "B", ""},
        ChoiceCase{"NamedMissingIsErrorEvenWithPdf", "C", kTwo, "A", true, PrinterChoice::None, "", "\"C\" not found"},
        ChoiceCase{"NamedWithNoQueues", "C", {}, "", true, PrinterChoice::None, "", "\"C\" not found"},
        ChoiceCase{"DefaultQueue", "", kTwo, "B", false, PrinterChoice::Queue, "B", ""},
        ChoiceCase{"NoDefaultTakesFirst", "", kTwo, "", false, PrinterChoice::Queue, "A", ""},
        ChoiceCase{"StaleDefaultTakesFirst", "", kTwo, "Gone", false, PrinterChoice::Queue, "A", ""},
        ChoiceCase{"NoQueuePdfAllowed", "", {}, "", true, PrinterChoice::Pdf, "", ""},
        ChoiceCase{"NoQueueDirectPrint", "", {}, "", false, PrinterChoice::None, "", "no printer"}),
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
