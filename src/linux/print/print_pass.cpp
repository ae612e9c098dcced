// SPDX-License-Identifier: MIT
// Sending one page to a printer (see print_pass.h).
#include "linux/print/print_pass.h"

#include "linux/res/app_strings.h"
#include "linux/print/cups_job_options.h"
#include "linux/print/cups_scheduler.h"
#include "linux/print/cups_submit.h"
#include "linux/surface/page_painter.h"
#include "linux/print/page_setup.h"
#include "linux/pdf/pdf_page.h"
#include "linux/print/printer_choice.h"

#include <QGuiApplication>
#include <QIODevice>
#include <QPainter>
#include <QPrinter>

namespace vexlan {

namespace {

// The user's text for a job the scheduler did not take: the queue and
// CUPS's reason, in the program's language.
QString FailureText(const QString& queue, const SubmitFailure& failure)
{
    const QString reason = QString::fromStdString(failure.reason);
    switch (failure.kind) {
    case SubmitFailure::Unreachable:
        return QString::fromUtf8(kSchedulerUnreachableText).arg(QString::fromStdString(SchedulerAddress()), reason);
    case SubmitFailure::Rejecting:
        return QString::fromUtf8(kQueueRejectsJobsText).arg(queue, reason);
    case SubmitFailure::Gone:
        return QString::fromUtf8(kQueueGoneText).arg(queue, reason);
    case SubmitFailure::Refused:
    case SubmitFailure::Local:
        break;
    }
    return QString::fromUtf8(kQueueRefusedJobText).arg(queue, reason);
}

// The PDF device's output going straight to a CUPS job's document.
class CJobDevice final : public QIODevice {
public:
    explicit CJobDevice(CCupsPdfJob& job) : m_job(job) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        return size >= 0 && m_job.Write(data, std::size_t(size)) ? size : -1;
    }

private:
    CCupsPdfJob& m_job;
};

} // namespace

bool PrintOnePage(QPrinter& printer, const std::function<void(QPainter&)>& drawPage, PrintFailure& failure,
                  const CupsOptionList& extraOptions, CCupsPdfJob* prepared)
{
    const PdfPageSetup setup = PdfPageSetupOf(printer);
    // A printer with an output file (the print dialog's file printer) gets
    // the PDF itself.
    if (!printer.outputFileName().isEmpty()) {
        if (WritePdfPage(printer.outputFileName(), setup, drawPage, failure.line))
            return true;
        failure.text = failure.line;
        return false;
    }
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        failure.line = failure.text = QStringLiteral("no printer and no output file");
        return false;
    }
    // A CUPS queue: the job is created first (so that a queue that cannot
    // take it fails before the page is drawn), then the PDF goes to the
    // scheduler as it is made and the scheduler's answer is checked. A page
    // that cannot be made whole cancels the job.
    const QString queue = printer.printerName();
    CupsJobOptions options = CupsJobOptionsOf(printer);
    options.printerOptions.insert(options.printerOptions.end(), extraOptions.begin(), extraOptions.end());
    SubmitFailure submit;
    CCupsPdfJob ownJob;
    CCupsPdfJob& job = prepared != nullptr ? *prepared : ownJob;
    const auto refused = [&] {
        failure.line = QString::fromStdString(submit.line);
        failure.text = FailureText(queue, submit) + QString::fromStdString(job.CancelNote());
        return false;
    };
    if (!job.Start(queue.toStdString(), options, submit))
        return refused();
    CJobDevice out(job);
    QString reason;
    const bool made = WritePdfPageTo(out, setup, [&drawPage](QPainter& painter) {
        drawPage(painter);
        return true;
    }, reason);
    // A write the scheduler did not take is its failure, not the page's.
    if (!made && job.WriteFailed())
        return job.Finish(submit) || refused();
    if (!made) {
        job.Cancel();
        failure.line = QStringLiteral("printing on \"%1\" failed: %2%3")
                           .arg(queue, reason, QString::fromStdString(job.CancelNote()));
        failure.text = failure.line;
        return false;
    }
    return job.Finish(submit) || refused();
}

CDirectPrinter::CDirectPrinter(const DirectPrint& job) : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    QPrinter& printer = *m_printer;
    const PrinterChoice choice = SelectPrinter(printer, job.printer, false);
    if (choice.kind == PrinterChoice::None) {
        m_error = choice.error;
        return;
    }
    UseDefaultPage(printer);
    m_options = ParseLpOptions(job.options);
    // The page is laid out on the paper the options ask for, as the queue
    // will print it; the scheduler judges whether the queue has it.
    if (const std::optional<QPageSize> paper = PaperOfOptions(m_options)) {
        if (!printer.setPageSize(*paper) || !UsePrintableArea(printer)) {
            m_error = QStringLiteral("printing on \"%1\" failed: the paper \"%2\" cannot be laid out")
                          .arg(printer.printerName(), paper->name());
            return;
        }
    }
    printer.setDocName(job.title.isEmpty() ? QGuiApplication::applicationDisplayName() : job.title);
    printer.setCopyCount(job.copies);
    m_job.Prepare(printer.printerName().toStdString());
}

CDirectPrinter::~CDirectPrinter() = default;

bool CDirectPrinter::Print(const CPageItemArray& items, QString& error)
{
    if (!m_error.isEmpty()) {
        error = m_error;
        return false;
    }
    PrintFailure failure;
    if (PrintOnePage(*m_printer, [&items](QPainter& painter) { PaintPage(painter, items); }, failure, m_options,
                     &m_job))
        return true;
    error = failure.line;
    return false;
}

} // namespace vexlan
