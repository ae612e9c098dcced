// SPDX-License-Identifier: MIT
// The page follows the printer's paper (offscreen, against a private
// scheduler whose queues default to Letter and to A5): the preview shows the
// default queue's paper and printable area, the window-less outputs use the
// same page, and the print dialog prints on the paper of the queue it ends
// on. Skipped without root, cupsd or the Generic PDF PPD.
#include "gui_test_support.h"

#include "linux/shell/main_frame.h"
#include "linux/print/page_setup.h"
#include "linux/shell/print_preview.h"
#include "linux/shell/vexlan_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

namespace vexlan::test {
namespace {

const char* const kPdfPpd = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

// Runs the private scheduler's script: start DIR, queue DIR NAME PAPER, stop DIR.
int Cupsd(std::vector<std::string> args)
{
    args.insert(args.begin(), {"bash", VEXLAN_TEST_DATA "/../support/private_cupsd.sh"});
    return vexlan::test::Run(args).status;
}

class PaperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Cupsd({"require", "paper_test"}) != 0)
            GTEST_SKIP() << "needs root, cupsd and the Generic PDF PPD";
        std::filesystem::permissions(m_dir.path(), std::filesystem::perms(0755));
        m_cups = m_dir.file("cups");
        ASSERT_EQ(Cupsd({"start", m_cups}), 0);
        ASSERT_EQ(Cupsd({"queue", m_cups, "LETTERQ", "Letter"}), 0);
        ASSERT_EQ(Cupsd({"queue", m_cups, "A5Q", "A5"}), 0);
        // libcups keeps the server it first read: make it read again.
        setenv("CUPS_SERVER", (m_cups + "/cups.sock").c_str(), 1);
        cupsSetServer(nullptr);
        setenv("PRINTER", "LETTERQ", 1);
    }
    void TearDown() override
    {
        if (!m_cups.empty())
            Cupsd({"stop", m_cups});
    }

    TempDir m_dir;
    std::string m_cups;
};

TEST_F(PaperTest, PreviewShowsTheDefaultQueuesPaperAsTheOutputsDo)
{
    for (const auto& [queue, paper] : {std::pair{"LETTERQ", QPageSize::Letter}, {"A5Q", QPageSize::A5}}) {
        setenv("PRINTER", queue, 1);
        CVexlanView view;
        view.OnInitialUpdate();
        ASSERT_NE(view.GetPreview(), nullptr) << queue;
        const QPageLayout shown = view.GetPreview()->GetPrinter()->pageLayout();
        EXPECT_EQ(shown.pageSize().id(), paper) << queue;
        EXPECT_EQ(shown.orientation(), QPageLayout::Portrait) << queue;
        // The PPD's printable area: 18 pt left and right, 36 pt top and bottom.
        EXPECT_EQ(shown.marginsPoints(), QMargins(18, 36, 18, 36)) << queue;
        EXPECT_TRUE(DefaultPrinterPageLayout().isEquivalentTo(shown)) << queue;
    }
}

// Prints through the dialog, choosing `queue` there (the default LETTERQ:
// nothing changed), and returns the PDF that arrived on its device.
// `beforePrint` runs once the preview is shown.
std::string PrintThroughDialog(const std::string& dir, const std::string& queue,
                               const std::function<void()>& beforePrint = {})
{
    TempDir jobDir;
    CommandLine cl;
    cl.jobPath = jobDir.file("job.set");
    WriteFile(cl.jobPath, OneLineJob());
    CVexlanApp app(cl);
    EXPECT_TRUE(app.InitInstance());
    ModalWatcher watcher([&queue](QWidget* dialog) {
        auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
        if (printers != nullptr)
            printers->setCurrentIndex(printers->findText(QString::fromStdString(queue)));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    QTimer::singleShot(0, [&app, &beforePrint] {
        if (beforePrint)
            beforePrint();
        app.GetMainWnd()->findChild<QAbstractButton*>(QStringLiteral("previewPrint"))->click();
    });
    EXPECT_EQ(RunBounded(app), 0);
    // The scheduler's file backend writes the page shortly after.
    const std::string out = dir + "/out/" + queue + ".pdf";
    for (int i = 0; i < 300; ++i, QTest::qWait(100)) {
        const std::string pdf = std::filesystem::exists(out) ? ReadFile(out) : std::string();
        if (pdf.find("%%EOF") != std::string::npos)
            return pdf;
    }
    return std::string();
}

TEST_F(PaperTest, DialogPrintsOnThePaperOfTheQueueItEndsOn)
{
    EXPECT_NE(PrintThroughDialog(m_cups, "LETTERQ").find("/MediaBox [ 0 0 612 792 ]"), std::string::npos);
    EXPECT_NE(PrintThroughDialog(m_cups, "A5Q").find("/MediaBox [ 0 0 420 595 ]"), std::string::npos);
}

// Started on the Letter queue (printable area from 18 pt, 36 pt), the
// dialog ends on a queue whose paper has no margins: the items' origin is
// that queue's printable area, the sheet's corner, where a pre-printed form
// expects them.
TEST_F(PaperTest, DialogLaysThePageOutOnTheQueueItEndsOn)
{
    // The Generic PDF printer without papers (as a driverless or raw queue
    // may be): the dialog keeps the paper, and the whole sheet is printable.
    const std::string ppd = m_dir.file("borderless.ppd");
    const RunResult edited = vexlan::test::Run(
        {"awk", "/^\\*JCLOpenUI \\*Page(Size|Region)/,/^\\*JCLCloseUI: \\*Page(Size|Region)/ {next} "
                "/ImageableArea|PaperDimension/ {next} {print}",
         kPdfPpd});
    ASSERT_EQ(edited.status, 0);
    WriteFile(ppd, edited.out);
    ASSERT_EQ(vexlan::test::Run({"lpadmin", "-h", m_cups + "/cups.sock", "-p", "BORDERLESSQ", "-E", "-v",
                                 "file://" + m_cups + "/out/BORDERLESSQ.pdf", "-P", ppd})
                  .status,
              0);
    ASSERT_FALSE(PrintThroughDialog(m_cups, "BORDERLESSQ").empty());
    const RunResult text = vexlan::test::Run({"pdftotext", "-bbox", m_cups + "/out/BORDERLESSQ.pdf", "-"});
    static const QRegularExpression word(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Vexlan<"));
    const QRegularExpressionMatch box = word.match(QString::fromStdString(text.out));
    ASSERT_TRUE(box.hasMatch()) << text.out;
    // The line's box is at 20 mm, 20 mm (56.7 pt); its glyphs start at most
    // 1.5 mm inside it.
    for (int i : {1, 2}) {
        const double at = box.captured(i).toDouble();
        EXPECT_TRUE(at > 56 && at < 61) << (i == 1 ? "x " : "y ") << at << " pt";
    }
}

// The queue is deleted while the preview shows it: Print says so in the
// failure's message box, and the program ends with status 1.
TEST_F(PaperTest, QueueDeletedBeforePrintIsShownAsAFailure)
{
    TempDir jobDir;
    CommandLine cl;
    cl.jobPath = jobDir.file("job.set");
    WriteFile(cl.jobPath, OneLineJob());
    CVexlanApp app(cl);
    ASSERT_TRUE(app.InitInstance());
    QString shown;
    ModalWatcher watcher([&shown](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            shown = box->text();
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    QTimer::singleShot(0, [this, &app] {
        ASSERT_EQ(vexlan::test::Run({"lpadmin", "-h", m_cups + "/cups.sock", "-x", "LETTERQ"}).status, 0);
        app.GetMainWnd()->findChild<QAbstractButton*>(QStringLiteral("previewPrint"))->click();
    });
    EXPECT_EQ(RunBounded(app), 1);
    EXPECT_EQ(shown, QStringLiteral("打印失败：找不到打印机“LETTERQ”"));
}

} // namespace
} // namespace vexlan::test
