// SPDX-License-Identifier: MIT
// The view's print-and-exit cycle (see vexlan_view.h).
//
// Exit timer states: Disarmed, Armed. OnPreparePrinting disarms, and arms
// again when the preparation fails; OnEndPrinting arms; the expiry posts the
// Exit command to the frame; destruction kills an armed timer. The
// preview's Print button ends the preview (which arms) and starts the print
// pass (which disarms) within one message, so the timer cannot expire
// between the two.
#include "windows/shell/vexlan_view.h"

#include "core/app/command_ids.h"
#include "core/job/page_item.h"
#include "shell_texts.h"
#include "windows/shell/off_thread.h"
#include "windows/shell/print_preview.h"
#include "windows/shell/printer_dc.h"
#include "windows/shell/timed_message.h"
#include "windows/shell/win_text.h"

#include <commdlg.h>

namespace vexlan {

CVexlanView::CVexlanView() : m_exitTimer(*this) {}

CVexlanView::~CVexlanView()
{
    m_pPreview.reset();
    m_pRetired.reset();
    DestroyWindow();
}

bool CVexlanView::Create(HWND frame)
{
    WIN_RECT rc;
    GetClientRect(frame, &rc);
    return CWindow::Create(L"VexlanView", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, rc.right,
                           rc.bottom, frame, nullptr);
}

void CVexlanView::OnInitialUpdate()
{
    OnFilePrintPreview();
}

bool CVexlanView::OnCmdMsg(UINT nID)
{
    switch (nID) {
    case ID_FILE_PRINT:
        OnFilePrint(false);
        return true;
    case ID_FILE_PRINT_DIRECT:
        OnFilePrint(true);
        return true;
    case ID_FILE_PRINT_PREVIEW:
        OnFilePrintPreview();
        return true;
    case AFX_ID_PREVIEW_PRINT:
        // Posted by the preview's button: a preview ended meanwhile (its
        // Close pressed as well) asks for nothing more.
        if (m_pPreview)
            OnFilePrint(false);
        return true;
    case AFX_ID_PREVIEW_CLOSE:
        ClosePreview();
        return true;
    default:
        return false;
    }
}

// ---- Print Preview --------------------------------------------------------

void CVexlanView::OnFilePrintPreview()
{
    if (m_pPreview)
        return;
    HDC printerDC = nullptr;
    PreviewPaper paper;
    if (!OnPreparePrinting(true, false, printerDC, paper))
        return;
    m_pRetired.reset();
    auto preview = std::make_unique<CPrintPreview>(ItemList, paper);
    if (!preview->Create(m_hWnd)) {
        // No window for the preview: the pass ends as a closed preview does.
        OnEndPrinting();
        return;
    }
    m_pPreview = std::move(preview);
    SetFocus(m_pPreview->GetSafeHwnd());
}

bool CVexlanView::EndPreview()
{
    if (!m_pPreview)
        return false;
    ShowWindow(m_pPreview->GetSafeHwnd(), SW_HIDE);
    m_pRetired = std::move(m_pPreview);
    OnEndPrinting();
    return true;
}

bool CVexlanView::ClosePreview()
{
    return EndPreview();
}

// ---- Print pass -----------------------------------------------------------

void CVexlanView::OnFilePrint(bool bDirect)
{
    // Print while the preview is shown means the preview's Print button.
    EndPreview();

    HDC printerDC = nullptr;
    PreviewPaper paper;
    if (!OnPreparePrinting(false, bDirect, printerDC, paper))
        return;
    // Drawn and sent on a thread of its own while this one keeps the window
    // painted; the frame takes no input meanwhile.
    ViewFailure failure;
    bool printed = false;
    HWND frame = GetAncestor(m_hWnd, GA_ROOT);
    m_bPrinting = true;
    EnableWindow(frame, FALSE);
    RunWhilePumping([&] { printed = PrintPageOnDC(printerDC, m_strPrinterName, ItemList, failure); });
    EnableWindow(frame, TRUE);
    m_bPrinting = false;
    DeleteDC(printerDC);
    if (!printed)
        ReportPrintFailure(failure);
    OnEndPrinting();
}

void CVexlanView::ReportPrintFailure(const ViewFailure& failure)
{
    if (m_onFailure)
        m_onFailure(failure);
    // The pass ends once the user has read why, or the message has closed
    // itself: the exit timer is armed only after that.
    ShowTimedMessage(GetAncestor(m_hWnd, GA_ROOT), LoadResString(AFX_IDS_APP_TITLE),
                     Widen(TEXT_kPrintFailedText) + failure.text, m_failureMessageLength);
}

bool CVexlanView::OnPreparePrinting(bool bPreview, bool bDirect, HDC& printerDC, PreviewPaper& paper)
{
    m_exitTimer.SetExitTimer(false);
    ViewFailure failure;
    if (DoPreparePrinting(bPreview, bDirect, printerDC, paper, failure))
        return true;
    if (!failure.line.empty()) {
        // A print pass asked for by the user says why it cannot print; a
        // preview that cannot start has no window to say it in.
        if (bPreview) {
            if (m_onFailure)
                m_onFailure(failure);
        } else {
            ReportPrintFailure(failure);
        }
    }
    m_exitTimer.SetExitTimer(true);
    return false;
}

bool CVexlanView::DoPreparePrinting(bool bPreview, bool bDirect, HDC& printerDC, PreviewPaper& paper,
                                    ViewFailure& failure)
{
    printerDC = nullptr;
    // The preview takes the default printer's page, without a dialog.
    if (bPreview) {
        paper = DefaultPrinterPaper();
        return true;
    }
    m_strPrinterName.clear();
    if (bDirect)
        return OpenDefaultPrinterDC(printerDC, m_strPrinterName, failure);
    // The system's print dialog, for one page.
    PRINTDLGEXW pd = {};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = GetAncestor(m_hWnd, GA_ROOT);
    pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_NOCURRENTPAGE | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nMinPage = 1;
    pd.nMaxPage = 1;
    pd.nCopies = 1;
    pd.nStartPage = START_PAGE_GENERAL;
    const HRESULT hr = PrintDlgExW(&pd);
    if (FAILED(hr)) {
        failure.line = "the print dialog could not be shown (error " + std::to_string(static_cast<unsigned long>(hr)) +
                       ", dialog error " + std::to_string(CommDlgExtendedError()) + ")";
        failure.text = L"无法打开打印对话框";
        return false;
    }
    const bool print = pd.dwResultAction == PD_RESULT_PRINT && pd.hDC != nullptr;
    if (print && pd.hDevNames != nullptr) {
        // The printer chosen, for the messages.
        if (const auto* names = static_cast<const DEVNAMES*>(GlobalLock(pd.hDevNames))) {
            m_strPrinterName = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
            GlobalUnlock(pd.hDevNames);
        }
    }
    if (pd.hDevMode != nullptr)
        GlobalFree(pd.hDevMode);
    if (pd.hDevNames != nullptr)
        GlobalFree(pd.hDevNames);
    if (!print) {
        // Cancelled (or Apply without printing): no failure.
        if (pd.hDC != nullptr)
            DeleteDC(pd.hDC);
        return false;
    }
    printerDC = pd.hDC;
    return true;
}

void CVexlanView::OnEndPrinting()
{
    m_exitTimer.SetExitTimer(true);
}

// ---- Exit timer -----------------------------------------------------------

UINT CVexlanView::SetTimer(UINT nIDEvent, UINT nElapseMs)
{
    if (m_hWnd == nullptr)
        return 0;
    return static_cast<UINT>(::SetTimer(m_hWnd, nIDEvent, nElapseMs, nullptr));
}

void CVexlanView::KillTimer(UINT nIDEvent)
{
    if (m_hWnd != nullptr)
        ::KillTimer(m_hWnd, nIDEvent);
}

void CVexlanView::PostExitCommand()
{
    // The frame outlives the view; without one the loop ends here.
    HWND frame = m_hWnd != nullptr ? GetAncestor(m_hWnd, GA_ROOT) : nullptr;
    if (frame != nullptr && frame != m_hWnd)
        PostMessageW(frame, WM_COMMAND, ID_APP_EXIT, 0);
    else
        PostQuitMessage(0);
}

LRESULT CVexlanView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SIZE:
        if (m_pPreview)
            MoveWindow(m_pPreview->GetSafeHwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_TIMER:
        // Whether or not it was the exit timer, the message then goes on to
        // the default processing.
        m_exitTimer.OnTimer(static_cast<UINT>(wParam));
        break;
    case WM_COMMAND:
        if (lParam == 0 && OnCmdMsg(LOWORD(wParam)))
            return 0;
        break;
    case WM_DESTROY:
        m_exitTimer.OnDestroy();
        break;
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

} // namespace vexlan
