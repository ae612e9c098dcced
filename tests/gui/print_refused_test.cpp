// Printing through the dialog to a CUPS queue that refuses jobs: the user
// sees why, the exit timer waits for the message, and the program still
// ends by itself, with status 1. Needs a scheduler with such a queue:
// tests/e2e/print_cups.sh runs this with VEXLAN_REFUSING_QUEUE set.
#include "gui_test_support.h"

#include "app/main_frame.h"
#include "view/vexlan_view.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace vexlan::test {
namespace {

TEST(PrintRefused, DialogPrintShowsTheReasonAndEndsWithFailure)
{
    const char* queue = std::getenv("VEXLAN_REFUSING_QUEUE");
    if (queue == nullptr)
        GTEST_SKIP() << "no refusing queue (set by tests/e2e/print_cups.sh)";
    TempDir dir;
    CommandLine cl;
    cl.jobPath = dir.file("job.set");
    cl.printer = queue;
    WriteFile(cl.jobPath, OneLineJob());
    CVexlanApp app(cl);
    ASSERT_TRUE(app.InitInstance());
    CVexlanView* view = app.GetMainWnd()->GetActiveView();
    int printed = 0;
    QObject::connect(view, &CVexlanView::pagePrinted, [&] { ++printed; });
    QString shown;
    UINT timerAtMessage = 1;
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            timerAtMessage = view->GetExitTimerId();
            QTest::qWait(30);
        }
        QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
    }, 2);
    QTimer::singleShot(0, view, [view] { view->findChild<QAbstractButton*>(QStringLiteral("previewPrint"))->click(); });
    EXPECT_EQ(RunBounded(app), 1);
    EXPECT_EQ(watcher.Seen(), 2);
    EXPECT_EQ(timerAtMessage, 0u);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("打印失败：")) && shown.contains(QString::fromUtf8(queue)))
        << shown.toStdString();
    EXPECT_EQ(printed, 0);
}

} // namespace
} // namespace vexlan::test
