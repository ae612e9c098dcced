// SPDX-License-Identifier: MIT
// The view's print-and-exit cycle (see vexlan_view.h).
//
// Exit timer states: Disarmed, Armed. OnPreparePrinting disarms, and arms
// again when the preparation fails; OnEndPrinting arms; the expiry posts the
// Exit command to the main window; destruction kills an armed timer. The
// preview's Print button ends the preview (which arms) and starts the print
// pass (which disarms) in the same call, so the timer cannot expire between
// the two.
#include "linux/shell/vexlan_view.h"

#include "core/text/console_text.h"
#include "linux/res/app_strings.h"
#include "core/app/command_ids.h"
#include "linux/shell/command_event.h"
#include "linux/surface/page_painter.h"
#include "linux/print/page_setup.h"
#include "linux/shell/preview_renderer.h"
#include "linux/print/print_pass.h"
#include "linux/shell/print_preview.h"
#include "linux/print/printer_choice.h"
#include "linux/shell/timed_message.h"
#include "linux/shell/work_thread.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <cstdio>

namespace vexlan {

CVexlanView::CVexlanView(QWidget* parent) : QWidget(parent), m_exitTimer(*this)
{
    setObjectName(QStringLiteral("CVexlanView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

CVexlanView::~CVexlanView()
{
    OnDestroy();
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
    default:
        return false;
    }
}

// ---- Print Preview --------------------------------------------------------

void CVexlanView::OnFilePrintPreview()
{
    if (m_pPreview != nullptr)
        return;
    CPrintInfo info;
    info.m_bPreview = true;
    if (!OnPreparePrinting(info))
        return;
    // The page is drawn off the GUI thread at the size it has on the
    // screen, and drawn again when the zoom or the window changes that size;
    // the preview shows the latest drawing.
    QPrinter& printer = *info.m_pPrinter;
    m_pRenderer = new CPreviewRenderer(
        ItemList, PreviewPrinter{QSize(printer.width(), printer.height()), static_cast<double>(printer.logicalDpiX()),
                                 static_cast<double>(printer.logicalDpiY())},
        this);
    m_pPreview = new CPrintPreview(std::move(info.m_pPrinter), this);
    layout()->addWidget(m_pPreview);
    connect(m_pPreview, &CPrintPreview::pagePaintRequested, this, &CVexlanView::OnPreviewPaint);
    connect(m_pPreview, &CPrintPreview::printRequested, this, &CVexlanView::OnPreviewPrint);
    connect(m_pPreview, &CPrintPreview::closeRequested, this, &CVexlanView::ClosePreview);
    // Both outlive the preview's end by a little (deleted later, retired):
    // the connections name them, not the view's members.
    CPrintPreview* preview = m_pPreview;
    CPreviewRenderer* renderer = m_pRenderer;
    connect(preview, &CPrintPreview::viewChanged, renderer,
            [preview, renderer] { renderer->Request(preview->PageScale()); });
    connect(renderer, &CPreviewRenderer::pageReady, preview,
            [preview] { preview->GetPreviewWidget()->updatePreview(); });
    m_pPreview->show();
}

void CVexlanView::OnPreviewPaint(QPainter* painter)
{
    // The page as the renderer last drew it on its thread (the page
    // renderer, as OnPrint draws it), laid over the printable area; a blank
    // page until the first drawing is done.
    if (m_pRenderer == nullptr)
        return;
    const PreviewImage& page = m_pRenderer->Page();
    if (page.image.isNull())
        return;
    painter->drawImage(QRectF(0, 0, page.image.width() / page.scale, page.image.height() / page.scale),
                       page.image);
    // For benchmarks of the time to a painted preview: one line once the
    // first drawn page is on its way to the screen (the widget paints it in
    // the events already queued, before a zero-length timer fires).
    if (!m_bPaintReported && qEnvironmentVariableIsSet("VEXLAN_REPORT_PAINT")) {
        m_bPaintReported = true;
        QTimer::singleShot(0, [] {
            std::fputs("vexlan: preview page painted\n", stderr);
            std::fflush(stderr);
        });
    }
}

bool CVexlanView::EndPreview()
{
    if (m_pPreview == nullptr)
        return false;
    // The preview may be ending from one of its own buttons: delete it once
    // that button's signal has returned.
    CPrintPreview* preview = m_pPreview;
    m_pPreview = nullptr;
    preview->hide();
    layout()->removeWidget(preview);
    preview->deleteLater();
    // A drawing under way is abandoned; the GUI thread does not wait for it.
    m_pRenderer->Retire();
    m_pRenderer = nullptr;
    CPrintInfo info;
    info.m_bPreview = true;
    OnEndPrinting(info);
    return true;
}

bool CVexlanView::ClosePreview()
{
    return EndPreview();
}

void CVexlanView::OnPreviewPrint()
{
    // End the preview, then print within the same call.
    EndPreview();
    OnCmdMsg(ID_FILE_PRINT);
}

// ---- Print pass -----------------------------------------------------------

void CVexlanView::OnFilePrint(bool bDirect)
{
    // Print while the preview is shown means the preview's Print button.
    EndPreview();

    CPrintInfo info;
    info.m_bDirect = bDirect;
    if (!OnPreparePrinting(info))
        return;
    // Drawn and sent on a thread of its own (a hostile page takes seconds,
    // an unanswering scheduler up to its time-out): the window repaints.
    PrintFailure failure;
    bool printed = false;
    {
        // Printing until the work ends, also by an exception.
        struct Printing {
            bool& flag;
            ~Printing() { flag = false; }
        } printing{m_bPrinting};
        m_bPrinting = true;
        RunOffGuiThread([this, &info, &printed, &failure] {
            printed = PrintOnePage(*info.m_pPrinter,
                                   [this, &info](QPainter& painter) {
                                       OnBeginPrinting(painter, info);
                                       OnPrint(painter, info);
                                   },
                                   failure);
        });
    }
    if (printed)
        emit pagePrinted();
    else
        ReportPrintFailure(failure);
    OnEndPrinting(info);
}

void CVexlanView::ReportPrintFailure(const PrintFailure& failure)
{
    emit printFailed(failure.line);
    // The pass ends once the user has read why, or the message has closed
    // itself: the exit timer is armed only after that.
    ShowTimedMessage(window(), QGuiApplication::applicationDisplayName(),
                     QString::fromUtf8(kPrintFailedText) + failure.text, m_failureMessageLength);
}

bool CVexlanView::OnPreparePrinting(CPrintInfo& info)
{
    SetExitTimer(false);
    PrintFailure failure;
    if (DoPreparePrinting(info, failure))
        return true;
    if (!failure.line.isEmpty()) {
        // A print pass asked for by the user says why it cannot print (its
        // queue was deleted while the preview was shown, for instance); a
        // preview that cannot start has no window to say it in.
        if (info.m_bPreview)
            emit printFailed(failure.line);
        else
            ReportPrintFailure(failure);
    }
    SetExitTimer(true);
    return false;
}

bool CVexlanView::DoPreparePrinting(CPrintInfo& info, PrintFailure& failure)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // A preview, and a print pass with its dialog, may fall back on a PDF
    // printer; a direct print needs a real one.
    const bool allowPdf = info.m_bPreview || !info.m_bDirect;
    const PrinterChoice choice = SelectPrinter(*printer, m_strPrinterName, allowPdf);
    if (choice.kind == PrinterChoice::None) {
        failure = {choice.error, choice.text};
        return false;
    }
    if (!choice.warning.isEmpty() && info.m_bPreview)
        WriteConsoleLine("vexlan: warning: " + ConsoleText(choice.warning.toStdString()));
    // The queue's own paper, as the print dialog would show it.
    UseDefaultPage(*printer);
    printer->setDocName(QGuiApplication::applicationDisplayName());
    if (!info.m_bPreview && !info.m_bDirect) {
        QPrintDialog dialog(printer.get(), window());
        dialog.setMinMax(1, 1);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        // The page is laid out on the queue and paper the dialog ended on.
        UsePrintableArea(*printer);
    }
    info.m_pPrinter = std::move(printer);
    return true;
}

void CVexlanView::OnBeginPrinting(QPainter&, CPrintInfo&)
{
}

void CVexlanView::OnPrint(QPainter& painter, CPrintInfo&)
{
    PaintPage(painter, ItemList);
}

void CVexlanView::OnEndPrinting(CPrintInfo&)
{
    SetExitTimer(true);
}

// ---- Exit timer -----------------------------------------------------------

void CVexlanView::SetExitTimer(bool bArm)
{
    m_exitTimer.SetExitTimer(bArm);
}

void CVexlanView::timerEvent(QTimerEvent* event)
{
    const auto it = m_timers.find(event->timerId());
    if (it != m_timers.end())
        OnTimer(it->second);
    QWidget::timerEvent(event);
}

void CVexlanView::OnTimer(UINT nIDEvent)
{
    // Whether or not it was the exit timer, the event then goes on to the
    // default processing (timerEvent's base call).
    m_exitTimer.OnTimer(nIDEvent);
}

void CVexlanView::OnDestroy()
{
    m_exitTimer.OnDestroy();
}

UINT CVexlanView::SetTimer(UINT nIDEvent, UINT nElapseMs)
{
    KillTimer(nIDEvent);
    const int qtId = startTimer(static_cast<int>(nElapseMs), Qt::PreciseTimer);
    if (qtId == 0)
        return 0;
    m_timers[qtId] = nIDEvent;
    return nIDEvent;
}

void CVexlanView::KillTimer(UINT nIDEvent)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second == nIDEvent) {
            killTimer(it->first);
            m_timers.erase(it);
            return;
        }
    }
}

void CVexlanView::PostExitCommand()
{
    // The main window is the view's top-level window. A view without one
    // has no Exit command to receive: it ends the application itself, also
    // only once the current event is handled.
    QWidget* mainWnd = window();
    if (mainWnd != this)
        PostCommand(mainWnd, ID_APP_EXIT);
    else
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace vexlan
