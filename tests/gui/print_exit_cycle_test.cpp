// SPDX-License-Identifier: MIT
// The print-and-exit cycle on the real shell (offscreen): the program opens
// in Print Preview and ends by itself after closing the preview or the
// window, after a cancelled print dialog, and after a confirmed one that
// printed the page once; it does not end between the preview and the dialog.
#include "gui_test_support.h"

#include "core/app/command_ids.h"
#include "linux/shell/main_frame.h"
#include "linux/shell/print_preview.h"
#include "linux/shell/vexlan_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vexlan::test {
namespace {

// No test may reach a real print queue: with no scheduler to ask, the only
// printer is the PDF file printer. tests/e2e/print_cups.sh alone runs one
// test on its private scheduler, naming a queue that rejects jobs.
const char* const kRefusingQueue = std::getenv("VEXLAN_REFUSING_QUEUE");
const bool kNoCups = [] {
    setenv("CUPS_SERVER", "/nonexistent/vexlan-test-cups.sock", kRefusingQueue == nullptr);
    return true;
}();

class PrintExitCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kNoCups);
        m_job = m_dir.file("job.set");
        WriteFile(m_job, OneLineJob());
        m_cl.jobPath = m_job;
    }

    // Starts the application; the frame is shown with the preview.
    void Start()
    {
        m_app = std::make_unique<CVexlanApp>(m_cl);
        ASSERT_TRUE(m_app->InitInstance());
        m_frame = m_app->GetMainWnd();
        ASSERT_NE(m_frame, nullptr);
        m_view = m_frame->GetActiveView();
        ASSERT_NE(m_view, nullptr);
        QObject::connect(m_view, &CVexlanView::pagePrinted, [this] { ++m_printed; });
        QObject::connect(m_frame, &CMainFrame::frameClosed, [this] { ++m_closed; });
    }

    // Clicks a preview toolbar button once the loop runs.
    void ClickLater(const char* objectName)
    {
        const QString name = QString::fromLatin1(objectName);
        QTimer::singleShot(0, m_view, [this, name] {
            auto* button = m_view->findChild<QAbstractButton*>(name);
            ASSERT_NE(button, nullptr) << name.toStdString();
            button->click();
        });
    }

    TempDir m_dir;
    std::string m_job;
    CommandLine m_cl;
    std::unique_ptr<CVexlanApp> m_app;
    CMainFrame* m_frame = nullptr;
    CVexlanView* m_view = nullptr;
    int m_printed = 0;
    int m_closed = 0;
};

TEST_F(PrintExitCycle, OpensMaximizedInPreviewAndTakesTheJob)
{
    Start();
    EXPECT_TRUE(m_view->IsInPreview());
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_TRUE(m_frame->isMaximized());
    EXPECT_EQ(m_view->GetExitTimerId(), 0u);
    EXPECT_EQ(ItemList.GetSize(), 1u);
    EXPECT_FALSE(std::filesystem::exists(m_job));
}

TEST_F(PrintExitCycle, ClosingThePreviewEndsTheProgram)
{
    Start();
    ClickLater("previewClose");
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_EQ(m_closed, 1);
    EXPECT_EQ(m_printed, 0);
    EXPECT_EQ(m_app->GetMainWnd(), nullptr); // the frame and view are gone
}

// Escape in the preview does what its 关闭 button does.
TEST_F(PrintExitCycle, EscapeClosesThePreviewAndEndsTheProgram)
{
    Start();
    m_frame->activateWindow(); // as the window manager does for a new window
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame));
    QTimer::singleShot(0, m_frame, [this] {
        QTest::keyClick(m_frame, Qt::Key_Escape);
        EXPECT_FALSE(m_view->IsInPreview());
        EXPECT_EQ(m_view->GetExitTimerId(), 111u);
    });
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_EQ(m_closed, 1);
    EXPECT_EQ(m_printed, 0);
}

TEST_F(PrintExitCycle, ClosingTheWindowInPreviewEndsTheProgram)
{
    Start();
    QTimer::singleShot(0, m_frame, [this] {
        // The close box first ends the preview; the frame stays until Exit.
        EXPECT_FALSE(m_frame->close());
        EXPECT_FALSE(m_view->IsInPreview());
        EXPECT_EQ(m_view->GetExitTimerId(), 111u);
    });
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_EQ(m_closed, 1);
}

TEST_F(PrintExitCycle, MenuExitEndsTheProgram)
{
    Start();
    auto* exit = m_frame->findChild<QAction*>(QStringLiteral("menuExit"));
    ASSERT_NE(exit, nullptr);
    QTimer::singleShot(0, exit, &QAction::trigger);
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_EQ(m_closed, 1);
}

// Print, then the dialog is cancelled: nothing is printed, the program ends,
// and between the end of the preview and the decision it did not end.
TEST_F(PrintExitCycle, PrintThenCancelEndsWithoutPrinting)
{
    Start();
    bool previewEndedAtDialog = false;
    UINT timerAtDialog = 1;
    int closedDuringDialog = -1;
    QString dialogTitle;
    ModalWatcher watcher([&](QWidget* modal) {
        ASSERT_NE(qobject_cast<QPrintDialog*>(modal), nullptr);
        dialogTitle = modal->windowTitle();
        previewEndedAtDialog = !m_view->IsInPreview();
        timerAtDialog = m_view->GetExitTimerId();
        // Give an exit timer that was wrongly left armed the time to fire.
        QTest::qWait(30);
        closedDuringDialog = m_closed;
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    ClickLater("previewPrint");
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_EQ(watcher.Seen(), 1);
    EXPECT_TRUE(previewEndedAtDialog);
    EXPECT_EQ(timerAtDialog, 0u);
    EXPECT_EQ(closedDuringDialog, 0);
    EXPECT_EQ(dialogTitle, QStringLiteral("打印")); // Qt's dialog speaks Chinese
    EXPECT_EQ(m_printed, 0);
    EXPECT_EQ(m_closed, 1);
}

// Chooses the dialog's print-to-file entry and names the output file.
void PrintToFile(QWidget* dialog, const QString& path)
{
    auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    ASSERT_NE(printers, nullptr);
    // With no queue the file printer is the last (only) entry.
    printers->setCurrentIndex(printers->count() - 1);
    auto* filename = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
    ASSERT_NE(filename, nullptr);
    filename->setText(path);
}

int PdfPageCount(const std::string& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return static_cast<int>(QString::fromLatin1(pdf.data(), static_cast<qsizetype>(pdf.size()))
                                .count(page));
}

TEST_F(PrintExitCycle, PrintThenConfirmPrintsOnceAndEnds)
{
    Start();
    const std::string out = m_dir.file("printed.pdf");
    ModalWatcher watcher([&](QWidget* modal) {
        ASSERT_NE(qobject_cast<QPrintDialog*>(modal), nullptr);
        PrintToFile(modal, QString::fromStdString(out));
        QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
    });
    ClickLater("previewPrint");
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_EQ(watcher.Seen(), 1);
    EXPECT_EQ(m_printed, 1);
    EXPECT_EQ(m_closed, 1);
    ASSERT_TRUE(std::filesystem::exists(out));
    EXPECT_EQ(PdfPageCount(ReadFile(out)), 1);
    EXPECT_EQ(::vexlan::test::Run({"qpdf", "--check", out}).status, 0); // no error, no warning
}

// Ctrl+P from the accelerator table does what the preview's Print does.
TEST_F(PrintExitCycle, CtrlPInPreviewPrints)
{
    Start();
    QAction* print = nullptr;
    for (QAction* a : m_frame->actions())
        if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_P))
            print = a;
    ASSERT_NE(print, nullptr);
    const std::string out = m_dir.file("ctrlp.pdf");
    bool previewEnded = false;
    ModalWatcher watcher([&](QWidget* modal) {
        previewEnded = !m_view->IsInPreview();
        PrintToFile(modal, QString::fromStdString(out));
        QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
    });
    QTimer::singleShot(0, print, &QAction::trigger);
    EXPECT_EQ(RunBounded(*m_app), 0);
    EXPECT_TRUE(previewEnded);
    EXPECT_EQ(m_printed, 1);
    EXPECT_TRUE(std::filesystem::exists(out));
}

// A print job that cannot start (a file in a directory that does not exist,
// or the queue that rejects jobs) ends the program too, with a failing
// status rather than a silent success, once the user has seen why; the exit
// timer waits for that.
TEST_F(PrintExitCycle, PrintThatCannotStartEndsWithFailure)
{
    m_cl.printer = kRefusingQueue != nullptr ? kRefusingQueue : "";
    Start();
    const std::string out = kRefusingQueue != nullptr ? kRefusingQueue : m_dir.file("missing-dir/out.pdf");
    QString shown;
    int closedDuringMessage = -1;
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            QTest::qWait(30);
            closedDuringMessage = m_closed + static_cast<int>(m_view->GetExitTimerId());
            QMetaObject::invokeMethod(box, "accept", Qt::QueuedConnection);
            return;
        }
        if (kRefusingQueue == nullptr) {
            PrintToFile(modal, QString::fromStdString(out));
            // Bypass the dialog's own check of the directory, as a printer
            // that goes away after the dialog would.
            static_cast<QPrintDialog*>(modal)->printer()->setOutputFileName(QString::fromStdString(out));
        }
        QMetaObject::invokeMethod(modal, "done", Qt::QueuedConnection, Q_ARG(int, QDialog::Accepted));
    }, 2);
    ClickLater("previewPrint");
    EXPECT_EQ(RunBounded(*m_app), 1);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("打印失败：")) && shown.contains(QString::fromStdString(out)))
        << shown.toStdString();
    // The queue's own reason, in the program's language around it.
    if (const char* reason = std::getenv("VEXLAN_REFUSING_REASON")) {
        EXPECT_EQ(shown, QStringLiteral("打印失败：打印机“%1”不接受作业（%2）")
                             .arg(QString::fromStdString(out), QString::fromUtf8(reason)));
    }
    EXPECT_EQ(closedDuringMessage, 0);
    EXPECT_EQ(m_printed, 0);
    EXPECT_EQ(m_closed, 1);
}

// Nobody answers the failure's message: it counts down, closes itself, and
// the program ends as if it had been confirmed.
TEST_F(PrintExitCycle, UnansweredFailureMessageClosesItself)
{
    Start();
    m_view->SetFailureMessageLength(std::chrono::milliseconds(1500));
    const QString out = QString::fromStdString(m_dir.file("missing-dir/out.pdf"));
    QString button;
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            button = box->button(QMessageBox::Ok)->text();
            return;
        }
        PrintToFile(modal, out);
        static_cast<QPrintDialog*>(modal)->printer()->setOutputFileName(out);
        QMetaObject::invokeMethod(modal, "done", Qt::QueuedConnection, Q_ARG(int, QDialog::Accepted));
    }, 2);
    ClickLater("previewPrint");
    EXPECT_EQ(RunBounded(*m_app), 1);
    EXPECT_TRUE(button.endsWith(QStringLiteral(" (2)"))) << button.toStdString();
    EXPECT_EQ(m_closed, 1);
}

// The direct print command skips the dialog and needs a real queue: with
// none, the pass is refused, nothing is printed, the user is told why, and
// the program ends with a failing status.
TEST_F(PrintExitCycle, DirectPrintWithoutQueueIsRefused)
{
    Start();
    QString message;
    QString shown;
    QObject::connect(m_view, &CVexlanView::printFailed, [&](const QString& m) { message = m; });
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            shown = box->text();
        QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
    });
    QTimer::singleShot(0, m_frame, [this] { m_frame->OnCommand(ID_FILE_PRINT_DIRECT); });
    EXPECT_EQ(RunBounded(*m_app), 1);
    EXPECT_TRUE(message.contains(QStringLiteral("no printer"))) << message.toStdString();
    EXPECT_EQ(shown, QStringLiteral("打印失败：没有安装打印机"));
    EXPECT_EQ(m_printed, 0);
    EXPECT_EQ(m_closed, 1);
}

// A printer named on the command line that does not exist: no preview, the
// program ends by itself with a failing status.
TEST_F(PrintExitCycle, UnknownPrinterEndsWithoutPreview)
{
    m_cl.printer = "no-such-queue";
    Start();
    EXPECT_FALSE(m_view->IsInPreview());
    EXPECT_EQ(m_view->GetExitTimerId(), 111u);
    EXPECT_EQ(RunBounded(*m_app), 1);
    EXPECT_EQ(m_closed, 1);
}

// A timer of the view that is not the exit timer does not end the program.
TEST_F(PrintExitCycle, ForeignTimerOnTheViewDoesNotExit)
{
    Start();
    const int foreign = m_view->startTimer(1);
    ASSERT_NE(foreign, 0);
    QTest::qWait(20);
    m_view->killTimer(foreign);
    EXPECT_EQ(m_closed, 0);
    EXPECT_TRUE(m_view->IsInPreview());
    ClickLater("previewClose");
    EXPECT_EQ(RunBounded(*m_app), 0);
}

} // namespace
} // namespace vexlan::test
