// SPDX-License-Identifier: MIT
// CVexlanView: the program's only view, a child window filling the frame.
// It draws nothing on the screen by itself. On its first update it enters
// Print Preview (CPrintPreview, on the default printer's page); a print
// pass shows the system's print dialog (PrintDlgExW) and prints through the
// printer DC it returns; and it ends the program by itself through the
// one-shot exit timer (core/app/exit_timer.h) once a preview or print pass
// is over, or the preparation of a pass has been refused: the cycle of the
// Linux view, on Win32 timers and a posted Exit command.
#pragma once

#include "core/app/exit_timer.h"
#include "windows/shell/preview_page.h"
#include "windows/shell/printer_dc.h"
#include "windows/shell/window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace vexlan {

class CPrintPreview;

// How long the message that says why a print failed stays up when nobody
// closes it (the program ends when it closes): as on Linux.
inline constexpr std::chrono::seconds kFailureMessageLength{30};

class CVexlanView : public CWindow, private ITimerHost {
public:
    CVexlanView();
    ~CVexlanView() override;

    bool Create(HWND frame);

    // Called with the reason when a pass fails (the application notes the
    // exit status and writes the line).
    void SetFailureHandler(std::function<void(const ViewFailure&)> handler) { m_onFailure = std::move(handler); }
    void SetFailureMessageLength(std::chrono::milliseconds length) { m_failureMessageLength = length; }

    // The framework's first update: enters Print Preview.
    void OnInitialUpdate();

    // ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW and the
    // preview's Print and Close. False for any other command.
    bool OnCmdMsg(UINT nID);

    // Ends Print Preview as its Close button does (the frame's close box
    // while the preview is shown). False when no preview is shown.
    bool ClosePreview();

    bool IsPrinting() const { return m_bPrinting; }
    CPrintPreview* GetPreview() const { return m_pPreview.get(); }

private:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void OnFilePrint(bool bDirect);
    void OnFilePrintPreview();
    bool EndPreview();

    // A pass's steps; preparation chooses the printer (the default one for
    // the preview, the dialog's for a print pass) and yields its DC.
    // The preview's pass yields the paper and no DC.
    bool OnPreparePrinting(bool bPreview, bool bDirect, HDC& printerDC, PreviewPaper& paper);
    bool DoPreparePrinting(bool bPreview, bool bDirect, HDC& printerDC, PreviewPaper& paper, ViewFailure& failure);
    void OnEndPrinting();
    void ReportPrintFailure(const ViewFailure& failure);

    // ITimerHost: the view window's timers; Exit is posted to the frame.
    UINT SetTimer(UINT nIDEvent, UINT nElapseMs) override;
    void KillTimer(UINT nIDEvent) override;
    void PostExitCommand() override;

    CExitTimer m_exitTimer;
    std::unique_ptr<CPrintPreview> m_pPreview;
    std::unique_ptr<CPrintPreview> m_pRetired; // ended, destroyed at the next pass or with the view
    bool m_bPrinting = false;
    std::wstring m_strPrinterName; // the print pass's printer
    std::function<void(const ViewFailure&)> m_onFailure;
    std::chrono::milliseconds m_failureMessageLength = kFailureMessageLength;
};

} // namespace vexlan
