// A page written as a PDF file is complete or absent: replaced in one step,
// and after any failure the old file (or no file) and no temporary file.
#include "view/pdf_page.h"

#include "test_support.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace vexlan {
namespace {

namespace fs = std::filesystem;

size_t EntryCount(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// A page with an image of noise, which no compression makes small.
bool WriteNoisePage(const std::string& path, QString& error)
{
    PdfPageSetup setup;
    setup.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    return WritePdfPage(QString::fromStdString(path), setup, [](QPainter& painter) {
        QImage noise(256, 256, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), noise.width());
        painter.drawImage(QRect(0, 0, 4000, 4000), noise);
    }, error);
}

TEST(PdfPage, ReplacesTheTargetWholeAndLeavesNothingElse)
{
    test::TempDir dir;
    const std::string out = dir.file("page.pdf");
    test::WriteFile(out, "old");
    QString error;
    ASSERT_TRUE(WriteNoisePage(out, error)) << error.toStdString();
    EXPECT_EQ(test::ReadFile(out).rfind("%PDF-", 0), 0u);
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(PdfPage, FailuresKeepTheTargetAsItWasAndLeaveNoTemporaryFile)
{
    test::TempDir dir;
    const std::string old = dir.file("old.pdf");
    test::WriteFile(old, "old");
    fs::create_directory(dir.file("a-directory"));
    QString error;
    // Not replaceable; not creatable.
    EXPECT_FALSE(WriteNoisePage(dir.file("a-directory"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("a-directory"))) << error.toStdString();
    EXPECT_FALSE(WriteNoisePage(dir.file("missing/out.pdf"), error));
    // A write that fails half-way: the file size limit stands in for a
    // full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 8192;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteNoisePage(old, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(test::ReadFile(old), "old");
    EXPECT_EQ(EntryCount(dir.path()), 2u);
}

} // namespace
} // namespace vexlan
