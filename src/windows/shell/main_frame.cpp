// SPDX-License-Identifier: MIT
// The main window (see main_frame.h).
#include "windows/shell/main_frame.h"

#include "core/app/command_ids.h"
#include "windows/shell/print_preview.h"
#include "windows/shell/vexlan_app.h"
#include "windows/shell/vexlan_view.h"
#include "windows/shell/win_text.h"

namespace vexlan {

CMainFrame::CMainFrame(CVexlanApp& app) : m_app(app) {}

CMainFrame::~CMainFrame()
{
    DestroyWindow();
    m_pView.reset();
}

bool CMainFrame::LoadFrame()
{
    HINSTANCE inst = AppInstance();
    HMENU menu = LoadMenuW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
    HICON icon = LoadIconW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
    // The caption: the document's title is always empty, so it is the
    // application title alone.
    const std::wstring title = LoadResString(AFX_IDS_APP_TITLE);
    if (!Create(L"VexlanMainFrame", title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT,
                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, icon)) {
        if (menu != nullptr)
            DestroyMenu(menu);
        return false;
    }
    HICON small = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    if (small != nullptr)
        SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    m_pView = std::make_unique<CVexlanView>();
    return m_pView->Create(m_hWnd);
}

bool CMainFrame::OnCommand(UINT nID)
{
    if (m_pView && m_pView->OnCmdMsg(nID))
        return true;
    return m_app.OnCmdMsg(nID);
}

void CMainFrame::OnClose()
{
    // While a page is printing, the window stays: the program ends by
    // itself once the page has gone.
    if (m_pView && m_pView->IsPrinting())
        return;
    // While the preview is shown, closing the window closes the preview; the
    // end of the preview then ends the program through the exit timer.
    if (m_pView && m_pView->ClosePreview())
        return;
    DestroyWindow();
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SIZE:
        if (m_pView && m_pView->GetSafeHwnd() != nullptr)
            MoveWindow(m_pView->GetSafeHwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (m_pView && m_pView->GetPreview() != nullptr)
            SetFocus(m_pView->GetPreview()->GetSafeHwnd());
        return 0;
    case WM_COMMAND:
        // Menu items, accelerators and posted commands (no control sends
        // the frame a notification).
        if (lParam == 0 && OnCommand(LOWORD(wParam)))
            return 0;
        break;
    case WM_DPICHANGED: {
        // Moved to a monitor of another DPI: take the size Windows suggests.
        const auto* r = reinterpret_cast<const WIN_RECT*>(lParam);
        SetWindowPos(m_hWnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

} // namespace vexlan
