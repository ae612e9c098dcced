// Sending one page to a printer (see print_pass.h).
#include "view/print_pass.h"

#include "view/cups_job_options.h"
#include "view/page_painter.h"
#include "view/page_setup.h"
#include "view/pdf_page.h"
#include "view/printer_choice.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

namespace vexlan {

bool PrintOnePage(QPrinter& printer, const std::function<void(QPainter&)>& drawPage, QString& error)
{
    const PdfPageSetup setup = PdfPageSetupOf(printer);
    // A printer with an output file (the print dialog's file printer) gets
    // the PDF itself.
    if (!printer.outputFileName().isEmpty())
        return WritePdfPage(printer.outputFileName(), setup, drawPage, error);
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        error = QStringLiteral("no printer and no output file");
        return false;
    }
    // A CUPS queue: the page is spooled as a PDF in a private directory and
    // submitted, so that the scheduler's answer is known.
    const QString failed = QStringLiteral("printing on \"%1\" failed: ").arg(printer.printerName());
    const QTemporaryDir spoolDir;
    if (!spoolDir.isValid()) {
        error = failed + QStringLiteral("cannot create a spool directory: ") + spoolDir.errorString();
        return false;
    }
    const QString spool = spoolDir.filePath(QStringLiteral("page.pdf"));
    if (!WritePdfPage(spool, setup, drawPage, error)) {
        error.prepend(failed);
        return false;
    }
    std::string reason;
    if (!SubmitPdfToQueue(printer.printerName().toStdString(), QFile::encodeName(spool).toStdString(),
                          CupsJobOptionsOf(printer), reason)) {
        error = QString::fromStdString(reason);
        return false;
    }
    return true;
}

bool PrintPageDirect(const CPageItemArray& items, const QString& printerName, QString& error)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!SelectPrinter(printer, printerName, false, error))
        return false;
    UseDefaultPage(printer);
    printer.setDocName(QGuiApplication::applicationDisplayName());
    return PrintOnePage(printer, [&items](QPainter& painter) { PaintPage(painter, items); }, error);
}

} // namespace vexlan
