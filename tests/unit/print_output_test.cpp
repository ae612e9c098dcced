// SPDX-License-Identifier: MIT
// What a print pass hands on: the dialog's choices as CUPS job options, and
// a PDF page file that is complete or absent (the file size limit stands in
// for a full disk).
#include "test_support.h"
#include "linux/print/cups_job_options.h"
#include "linux/pdf/pdf_page.h"

#include <QPainter>
#include <QRandomGenerator>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace vexlan {
namespace {

TEST(PrintOutput, DialogChoicesBecomeCupsOptions)
{
    struct Case {
        int copies; bool collate; QPageSize::PageSizeId paper;
        QStringList dialogOptions;  // the Properties page's name/value list
        CupsOptionList expected;
    };
    const std::string mdh = "multiple-document-handling";
    const Case cases[] = {
        {1, true, QPageSize::A4, {}, {{"media", "A4"}, {"sides", "one-sided"}}},
        {3, true, QPageSize::Letter, {}, {{"media", "Letter"}, {"sides", "one-sided"}, {"copies", "3"},
                                          {mdh, "separate-documents-collated-copies"}}},
        // The dialog's options come last and win; a lone name is dropped.
        {2, false, QPageSize::A4, {"ColorModel", "Gray", "sides", "two-sided-long-edge", "x"},
         {{"media", "A4"}, {"sides", "two-sided-long-edge"}, {"copies", "2"},
          {mdh, "separate-documents-uncollated-copies"}, {"ColorModel", "Gray"}}},
    };
    for (const Case& c : cases) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(c.paper));
        printer.setPageOrientation(QPageLayout::Landscape); // the PDF page has it: no option
        printer.setCopyCount(c.copies);
        printer.setCollateCopies(c.collate);
        CupsJobOptions options = CupsJobOptionsOf(printer);
        options.printerOptions = CupsOptionsFromPairs(c.dialogOptions);
        EXPECT_EQ(CupsOptionPairs(options), c.expected) << "case " << &c - cases;
    }
    // Automatic two-sided printing turns the sheet along the page's long edge.
    EXPECT_EQ(CupsSides(QPrinter::DuplexAuto, QPageLayout::Portrait), "two-sided-long-edge");
    EXPECT_EQ(CupsSides(QPrinter::DuplexAuto, QPageLayout::Landscape), "two-sided-short-edge");
}

TEST(PrintOutput, PdfPageReplacesWholeOrKeepsTheOldFile)
{
    test::TempDir dir;
    const std::string out = dir.file("page.pdf");
    QImage noise(256, 256, QImage::Format_RGB32); // no compression makes it small
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.bits()), 256 * 256);
    const auto write = [&](rlim_t sizeLimit) {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{std::min(sizeLimit, saved.rlim_max), saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool written = WritePdfPage(QString::fromStdString(out), {QPageLayout(QPageSize(QPageSize::A4),
            QPageLayout::Portrait, QMarginsF()), 1200, {}, {}}, [&](QPainter& p) { p.drawImage(QRect(0, 0, 4000, 4000), noise); }, error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        return written;
    };
    test::WriteFile(out, "old");
    EXPECT_FALSE(write(8192));
    EXPECT_EQ(test::ReadFile(out), "old");
    EXPECT_TRUE(write(RLIM_INFINITY));
    EXPECT_EQ(test::ReadFile(out).rfind("%PDF-", 0), 0u);
    EXPECT_EQ(test::Run({"qpdf", "--check", out}).status, 0); // no error, no warning
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no temporary file
}

} // namespace
} // namespace vexlan
