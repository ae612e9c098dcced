// SPDX-License-Identifier: MIT
// The main window (see main_frame.h).
#include "linux/shell/main_frame.h"

#include "linux/res/app_strings.h"
#include "core/app/command_ids.h"
#include "linux/shell/vexlan_app.h"
#include "linux/shell/vexlan_doc.h"
#include "linux/shell/command_event.h"
#include "linux/shell/vexlan_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenuBar>
#include <QScreen>

namespace vexlan {

const std::vector<Accelerator>& AcceleratorTable()
{
    static const std::vector<Accelerator> table = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
    };
    return table;
}

QRect NormalFrameGeometry(const QRect& available)
{
    const QSize size(available.width() * 2 / 3, available.height() * 2 / 3);
    QRect place(QPoint(0, 0), size);
    place.moveCenter(available.center());
    return place;
}

CMainFrame::CMainFrame(CVexlanApp* pApp, CVexlanDoc* pDoc) : m_pApp(pApp), m_pDoc(pDoc)
{
    setObjectName(QStringLiteral("CMainFrame"));
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow()
{
    return true;
}

bool CMainFrame::LoadFrame()
{
    if (!PreCreateWindow())
        return false;
    return OnCreate() != -1;
}

int CMainFrame::OnCreate()
{
    // What the framework's frame creation gives: the menu bar with its one
    // command item, the accelerators, the icon and the view as the client.
    // No toolbar and no status bar are created.
    QAction* exit = menuBar()->addAction(QString::fromUtf8(kMenuExitText));
    exit->setObjectName(QStringLiteral("menuExit"));
    exit->setStatusTip(CommandPrompt(ID_APP_EXIT));
    connect(exit, &QAction::triggered, this, [this] { OnCommand(ID_APP_EXIT); });

    for (const Accelerator& acc : AcceleratorTable()) {
        auto* action = new QAction(this);
        action->setShortcut(acc.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const UINT nID = acc.nID;
        connect(action, &QAction::triggered, this, [this, nID] { OnCommand(nID); });
        addAction(action);
    }

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/idr_mainframe_32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/idr_mainframe_16.png"), QSize(16, 16));
    setWindowIcon(icon);

    m_pView = new CVexlanView(this);
    setCentralWidget(m_pView);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(NormalFrameGeometry(screen->availableGeometry()));
    return 0;
}

void CMainFrame::InitialUpdateFrame()
{
    OnUpdateFrameTitle();
    if (m_pView != nullptr)
        m_pView->OnInitialUpdate();
}

void CMainFrame::OnUpdateFrameTitle()
{
    const QString docTitle = m_pDoc != nullptr ? m_pDoc->GetTitle() : QString();
    setWindowTitle(ComposeFrameCaption(docTitle, GetDocString(DocStringIndex::windowTitle)));
}

bool CMainFrame::OnCommand(UINT nID)
{
    if (m_pView != nullptr && m_pView->OnCmdMsg(nID))
        return true;
    if (m_pDoc != nullptr && m_pDoc->OnCmdMsg(nID))
        return true;
    return m_pApp != nullptr && m_pApp->OnCmdMsg(nID);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == CCommandEvent::EventType()) {
        OnCommand(static_cast<CCommandEvent*>(event)->GetID());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // While a page is printing, the window stays: the program ends by
    // itself once the page has gone.
    if (m_pView != nullptr && m_pView->IsPrinting()) {
        event->ignore();
        return;
    }
    // While the preview is shown, closing the window closes the preview; the
    // end of the preview then ends the program through the exit timer.
    if (m_pView != nullptr && m_pView->ClosePreview()) {
        event->ignore();
        return;
    }
    event->accept();
    emit frameClosed();
}

} // namespace vexlan
