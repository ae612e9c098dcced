// SPDX-License-Identifier: MIT
// The shell around the view (offscreen): the frame's menu bar and missing
// bars, its caption and icon, the document that keeps no title and stores
// nothing, command routing, and the About box.
#include "gui_test_support.h"

#include "linux/shell/about_dlg.h"
#include "linux/res/app_strings.h"
#include "core/app/command_ids.h"
#include "linux/shell/main_frame.h"
#include "linux/shell/vexlan_doc.h"
#include "linux/shell/vexlan_view.h"

#include <QAction>
#include <QBuffer>
#include <QDataStream>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>

namespace vexlan::test {
namespace {

const bool kNoCups = [] {
    setenv("CUPS_SERVER", "/nonexistent/vexlan-test-cups.sock", 1);
    return true;
}();

class Shell : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kNoCups);
        m_cl.jobPath = m_dir.file("absent.set"); // no job: an empty page
        m_app = std::make_unique<CVexlanApp>(m_cl);
        ASSERT_TRUE(m_app->InitInstance());
        m_frame = m_app->GetMainWnd();
        ASSERT_NE(m_frame, nullptr);
    }

    TempDir m_dir;
    CommandLine m_cl;
    std::unique_ptr<CVexlanApp> m_app;
    CMainFrame* m_frame = nullptr;
};

TEST_F(Shell, FrameHasOneMenuItemAndNoBars)
{
    EXPECT_TRUE(m_frame->findChildren<QToolBar*>().isEmpty());
    EXPECT_EQ(m_frame->findChild<QStatusBar*>(), nullptr);
    const QList<QAction*> items = m_frame->menuBar()->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.front()->text(), QStringLiteral("退出(&X)"));
    EXPECT_EQ(items.front()->menu(), nullptr); // a command, not a drop-down
}

TEST_F(Shell, CaptionIsTheApplicationTitleAndIconIsSet)
{
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("打印输出"));
    const QList<QSize> sizes = m_frame->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
}

TEST_F(Shell, RestoredFrameTakesTwoThirdsOfTheScreenCentred)
{
    // Shown maximized; restored, it is neither the toolbar's strip nor off
    // the screen, and the preview lets it be narrower still.
    const QRect available = m_frame->screen()->availableGeometry();
    EXPECT_TRUE(m_frame->isMaximized());
    const QRect normal = m_frame->normalGeometry();
    EXPECT_EQ(normal.size(), available.size() * 2 / 3);
    EXPECT_LE((normal.center() - available.center()).manhattanLength(), 1);
    EXPECT_LT(m_frame->minimumSizeHint().width(), available.width() / 3);
}

TEST_F(Shell, AcceleratorsAreInstalledOnTheFrame)
{
    // Every accelerator is installed on the frame with its keys.
    int found = 0;
    for (const Accelerator& acc : AcceleratorTable())
        for (QAction* a : m_frame->actions())
            if (a->shortcut() == acc.keys)
                ++found;
    EXPECT_EQ(found, static_cast<int>(AcceleratorTable().size()));
    EXPECT_EQ(AcceleratorTable().size(), 14u);
}

TEST_F(Shell, CommandRouting)
{
    // The framework's inert defaults take these; nothing changes.
    for (UINT nID : {ID_FILE_OPEN, ID_FILE_SAVE, ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY,
                     ID_EDIT_PASTE, ID_NEXT_PANE, ID_PREV_PANE, ID_FILE_PRINT_SETUP}) {
        EXPECT_TRUE(m_frame->OnCommand(nID)) << nID;
    }
    EXPECT_TRUE(m_frame->GetActiveView()->IsInPreview());
    // New renews the document; the preview stays and the title stays empty.
    EXPECT_TRUE(m_frame->OnCommand(ID_FILE_NEW));
    EXPECT_TRUE(m_frame->GetActiveView()->IsInPreview());
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("打印输出"));
    EXPECT_EQ(m_frame->GetActiveView()->GetExitTimerId(), 0u);
    // An id nobody knows is not taken.
    EXPECT_FALSE(m_frame->OnCommand(12345));
}

TEST(VexlanDoc, TitleStaysEmptyAndNothingIsStored)
{
    CVexlanDoc doc;
    for (const QString& title : {QStringLiteral("Vexlan"), QStringLiteral("无标题"), QString()}) {
        doc.SetTitle(title);
        EXPECT_TRUE(doc.GetTitle().isEmpty());
    }
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.IsModified());

    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::ReadWrite));
    QDataStream ar(&buffer);
    doc.Serialize(ar);
    EXPECT_EQ(buffer.size(), 0);
    EXPECT_TRUE(doc.OnCmdMsg(ID_FILE_SAVE));
    EXPECT_FALSE(doc.OnCmdMsg(ID_FILE_PRINT));
}

TEST_F(Shell, AboutBoxRunsModallyAndOkClosesIt)
{
    QString caption;
    QStringList texts;
    bool okDefault = false;
    ModalWatcher watcher([&](QWidget* modal) {
        caption = modal->windowTitle();
        for (QLabel* label : modal->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                texts << label->text();
        auto* ok = modal->findChild<QPushButton*>(QStringLiteral("aboutOk"));
        ASSERT_NE(ok, nullptr);
        okDefault = ok->isDefault();
        texts << ok->text();
        QMetaObject::invokeMethod(ok, "click", Qt::QueuedConnection);
    });
    m_app->OnCmdMsg(ID_APP_ABOUT); // returns once the box is closed
    EXPECT_EQ(watcher.Seen(), 1);
    EXPECT_EQ(caption, QStringLiteral("关于 Vexlan"));
    EXPECT_TRUE(texts.contains(QStringLiteral("Vexlan " VEXLAN_VERSION_SHORT " 版")));
    EXPECT_TRUE(texts.contains(QString::fromUtf8(kLegalNotice)));
    EXPECT_TRUE(texts.contains(QStringLiteral("确定")));
    EXPECT_TRUE(okDefault);
}

TEST(AboutDlg, DialogUnitsFollowTheFont)
{
    const DialogBaseUnits base{6, 12};
    EXPECT_EQ(MapDialogRect(QRect(0, 0, 235, 55), base), QRect(0, 0, 352, 82));
    EXPECT_EQ(MapDialogRect(QRect(178, 7, 50, 14), base), QRect(267, 10, 75, 21));
    CAboutDlg dlg;
    const DialogBaseUnits real = GetDialogBaseUnits(QFontMetrics(dlg.font()));
    EXPECT_GT(real.cx, 0);
    EXPECT_GT(real.cy, 0);
    EXPECT_EQ(dlg.size(), MapDialogRect(QRect(0, 0, 235, 55), real).size());
}

} // namespace
} // namespace vexlan::test
