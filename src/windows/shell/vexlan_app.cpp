// SPDX-License-Identifier: MIT
// The application object (see vexlan_app.h).
#include "windows/shell/vexlan_app.h"

#include "core/app/command_ids.h"
#include "core/app/job_handoff.h"
#include "core/app/job_warnings.h"
#include "core/job/page_item.h"
#include "core/text/console_text.h"
#include "windows/shell/about_dlg.h"
#include "windows/shell/main_frame.h"
#include "windows/shell/print_preview.h"
#include "windows/shell/vexlan_view.h"

#include <commctrl.h>

namespace vexlan {

CVexlanApp::CVexlanApp(const CommandLine& cl) : m_cl(cl) {}

CVexlanApp::~CVexlanApp()
{
    // The frame and its view go first (the view kills an armed timer); the
    // items are released last, while ItemList still lives.
    m_pMainWnd.reset();
    FreePageItems(ItemList);
}

bool CVexlanApp::InitInstance()
{
    // The job is read and deleted before any window exists.
    HandOffJob(m_cl.jobPath, ItemList, m_cl.keepJob, &m_warnings);
    PrintJobWarnings(m_warnings);

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    m_hAccel = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));

    m_pMainWnd = std::make_unique<CMainFrame>(*this);
    if (!m_pMainWnd->LoadFrame()) {
        WriteConsoleLine("vexlan: the main window could not be created");
        m_nExitCode = 1;
        return false;
    }
    CVexlanView* view = m_pMainWnd->GetActiveView();
    view->SetFailureHandler([this](const ViewFailure& failure) {
        WriteConsoleLine("vexlan: " + ConsoleText(failure.line));
        m_nExitCode = 1;
    });
    // The view's first update enters Print Preview before the frame shows.
    view->OnInitialUpdate();
    ShowWindow(m_pMainWnd->GetSafeHwnd(), SW_SHOWMAXIMIZED);
    UpdateWindow(m_pMainWnd->GetSafeHwnd());
    return true;
}

int CVexlanApp::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND frame = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
        if (frame != nullptr && IsWindowEnabled(frame)) {
            if (m_hAccel != nullptr && TranslateAcceleratorW(frame, m_hAccel, &msg))
                continue;
            CPrintPreview* preview = m_pMainWnd->GetActiveView()->GetPreview();
            if (preview != nullptr && preview->PreTranslateMessage(msg))
                continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    m_pMainWnd.reset();
    return GetExitCode();
}

int CVexlanApp::GetExitCode() const
{
    return StatusAfterWarnings(m_nExitCode, m_cl.strict, m_warnings);
}

bool CVexlanApp::OnCmdMsg(UINT nID)
{
    switch (nID) {
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_APP_EXIT:
        // Closes the frame as its close box does.
        if (m_pMainWnd && m_pMainWnd->GetSafeHwnd() != nullptr)
            PostMessageW(m_pMainWnd->GetSafeHwnd(), WM_CLOSE, 0, 0);
        return true;
    case ID_FILE_NEW:
        OnFileNew();
        return true;
    case ID_FILE_OPEN:
        // The document carries nothing: there is nothing to open into it.
    case ID_FILE_PRINT_SETUP:
        // Each pass chooses its printer itself (the print dialog).
    case ID_FILE_SAVE:
    case ID_EDIT_UNDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        // No window of the shell edits or saves anything or has panes.
        return true;
    default:
        return false;
    }
}

void CVexlanApp::OnAppAbout()
{
    RunAboutBox(m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr);
}

void CVexlanApp::OnFileNew()
{
    // The one document is renewed in place: the view gets its first update
    // again (a preview that is shown stays).
    if (m_pMainWnd && m_pMainWnd->GetActiveView() != nullptr)
        m_pMainWnd->GetActiveView()->OnInitialUpdate();
}

} // namespace vexlan
