// SPDX-License-Identifier: MIT
// CVexlanView: the program's only view. It draws nothing on the screen by
// itself. On its first update it enters Print Preview; the preview and print
// machinery asks it for the page (OnPrint, the page renderer; the preview's
// page is drawn on a thread of its own, so that no page holds up the
// window); and it ends the program by itself through a one-shot exit timer
// once a preview or print pass is over, or the preparation of a pass has
// been refused.
#pragma once

#include "core/base/wintypes.h"
#include "core/app/exit_timer.h"
#include "linux/print/print_pass.h"

#include <QString>
#include <QWidget>

#include <chrono>
#include <map>
#include <memory>

class QPainter;
class QPrinter;

namespace vexlan {

class CPreviewRenderer;
class CPrintPreview;

// How long the message that says why a print failed stays up when nobody
// closes it (the pass, and so the program, ends when it closes). Long enough
// for a person to read one line; short enough that an unattended producer
// learns of the failure (exit status 1) within half a minute, as long as a
// connection to CUPS is given to answer (cups_submit.cpp).
inline constexpr std::chrono::seconds kFailureMessageLength{30};

// What one preview or print pass carries between its steps.
struct CPrintInfo {
    bool m_bPreview = false;            // a preview pass
    bool m_bDirect = false;             // a print pass without the print dialog
    std::unique_ptr<QPrinter> m_pPrinter;  // set by DoPreparePrinting
    UINT m_nCurPage = 1;                // the page asked for (every page is the same)
};

class CVexlanView : public QWidget, private ITimerHost {
    Q_OBJECT

public:
    explicit CVexlanView(QWidget* parent = nullptr);
    ~CVexlanView() override;

    // The queue that passes use; empty: the system's default printer.
    void SetPrinterName(const QString& name) { m_strPrinterName = name; }
    // How long a print failure's message stays up unanswered.
    void SetFailureMessageLength(std::chrono::milliseconds length) { m_failureMessageLength = length; }

    // The framework's first update of the view: enters Print Preview.
    void OnInitialUpdate();

    // Commands routed to the view: ID_FILE_PRINT, ID_FILE_PRINT_DIRECT and
    // ID_FILE_PRINT_PREVIEW. Returns false for any other command.
    bool OnCmdMsg(UINT nID);

    // Ends Print Preview as its Close button does (the frame's close box
    // while the preview is shown). Returns false when no preview is shown.
    bool ClosePreview();

    bool IsInPreview() const { return m_pPreview != nullptr; }
    // A page is being drawn and sent to the printer (the window takes no
    // input meanwhile).
    bool IsPrinting() const { return m_bPrinting; }
    CPrintPreview* GetPreview() const { return m_pPreview; }
    // The armed exit timer's identifier, 0 when disarmed.
    UINT GetExitTimerId() const { return m_exitTimer.GetTimerId(); }

signals:
    // A print pass sent the page to its printer.
    void pagePrinted();
    // A pass could not be prepared, or its page did not reach the printer
    // (file not written, job refused); one line for the user.
    void printFailed(const QString& message);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // The framework's print and preview commands.
    void OnFilePrint(bool bDirect);
    void OnFilePrintPreview();

    // The pass steps.
    bool OnPreparePrinting(CPrintInfo& info);
    // Chooses the printer and, for a print pass, shows the print dialog.
    // False with `failure` set when there is no printer to use, with it
    // empty when the user cancelled the dialog.
    bool DoPreparePrinting(CPrintInfo& info, PrintFailure& failure);
    // Tells the application and the user why a print pass failed.
    void ReportPrintFailure(const PrintFailure& failure);
    void OnBeginPrinting(QPainter& painter, CPrintInfo& info);
    void OnPrint(QPainter& painter, CPrintInfo& info);
    void OnEndPrinting(CPrintInfo& info);

    // The preview's requests.
    void OnPreviewPaint(QPainter* painter);
    void OnPreviewPrint();
    bool EndPreview();

    void SetExitTimer(bool bArm);
    void OnTimer(UINT nIDEvent);
    void OnDestroy();

    // ITimerHost: Qt timers stand for the window's timers; Qt picks its own
    // timer ids, so each is mapped to the identifier that was asked for.
    UINT SetTimer(UINT nIDEvent, UINT nElapseMs) override;
    void KillTimer(UINT nIDEvent) override;
    void PostExitCommand() override;

    CExitTimer m_exitTimer;
    std::map<int, UINT> m_timers;       // Qt timer id -> identifier
    CPrintPreview* m_pPreview = nullptr;
    CPreviewRenderer* m_pRenderer = nullptr; // the preview's page, while the preview is shown
    bool m_bPaintReported = false;      // VEXLAN_REPORT_PAINT's line has been written
    bool m_bPrinting = false;
    QString m_strPrinterName;
    std::chrono::milliseconds m_failureMessageLength = kFailureMessageLength;
};

} // namespace vexlan
