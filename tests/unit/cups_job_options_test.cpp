// The print dialog's choices as CUPS job options, and a submission that
// cannot reach a scheduler.
#include "view/cups_job_options.h"

#include "test_support.h"

#include <QPrinter>
#include <cups/cups.h>

#include <gtest/gtest.h>

namespace vexlan {
namespace {

using Pairs = CupsOptionList;

struct OptionCase {
    const char* name;
    int copies;
    bool collate;
    QPageLayout::Orientation orientation;
    QPageSize::PageSizeId paper;
    QStringList dialogOptions;  // the Properties page's name/value list
    Pairs expected;
};

class CupsOptionTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(CupsOptionTable, Maps)
{
    const OptionCase& c = GetParam();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(c.paper));
    printer.setPageOrientation(c.orientation);
    printer.setCopyCount(c.copies);
    printer.setCollateCopies(c.collate);
    CupsJobOptions options = CupsJobOptionsOf(printer);
    options.printerOptions = CupsOptionsFromPairs(c.dialogOptions);
    EXPECT_EQ(CupsOptionPairs(options), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CupsOptionTable,
    ::testing::Values(
        OptionCase{"OneCopy", 1, true, QPageLayout::Portrait, QPageSize::A4, {}, {{"media", "A4"}, {"sides", "one-sided"}}},
        OptionCase{"CollatedCopies", 3, true, QPageLayout::Portrait, QPageSize::A4, {},
                   {{"media", "A4"}, {"sides", "one-sided"}, {"copies", "3"},
                    {"multiple-document-handling", "separate-documents-collated-copies"}}},
        OptionCase{"UncollatedCopies", 2, false, QPageLayout::Portrait, QPageSize::Letter, {},
                   {{"media", "Letter"}, {"sides", "one-sided"}, {"copies", "2"},
                    {"multiple-document-handling", "separate-documents-uncollated-copies"}}},
        // No orientation option: the PDF page is already turned.
        OptionCase{"Landscape", 1, false, QPageLayout::Landscape, QPageSize::A4, {}, {{"media", "A4"}, {"sides", "one-sided"}}},
        // The dialog's own options come last and win; a name without a
        // value is dropped.
        OptionCase{"DialogOptions", 1, false, QPageLayout::Portrait, QPageSize::A4,
                   {"ColorModel", "Gray", "sides", "two-sided-long-edge", "job-hold-until"},
                   {{"media", "A4"}, {"sides", "two-sided-long-edge"}, {"ColorModel", "Gray"}}}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

TEST(CupsSides, DuplexModes)
{
    EXPECT_EQ(CupsSides(QPrinter::DuplexNone, QPageLayout::Landscape), "one-sided");
    EXPECT_EQ(CupsSides(QPrinter::DuplexAuto, QPageLayout::Portrait), "two-sided-long-edge");
    EXPECT_EQ(CupsSides(QPrinter::DuplexAuto, QPageLayout::Landscape), "two-sided-short-edge");
    EXPECT_EQ(CupsSides(QPrinter::DuplexLongSide, QPageLayout::Landscape), "two-sided-long-edge");
    EXPECT_EQ(CupsSides(QPrinter::DuplexShortSide, QPageLayout::Portrait), "two-sided-short-edge");
}

TEST(SubmitPdfToQueue, UnreachableSchedulerOrMissingSpoolIsAnError)
{
    test::TempDir dir;
    const std::string pdf = dir.file("page.pdf");
    test::WriteFile(pdf, "%PDF-1.4\n");
    cupsSetServer((dir.path() / "no-scheduler.sock").c_str());
    for (const std::string& path : {pdf, dir.file("missing.pdf")}) {
        std::string error;
        EXPECT_FALSE(SubmitPdfToQueue("Q", path, CupsJobOptions{}, error));
        EXPECT_EQ(error.rfind("printing on \"Q\" failed: ", 0), 0u) << error;
    }
    cupsSetServer(nullptr);
}

} // namespace
} // namespace vexlan
