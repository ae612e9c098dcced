// Sending one page to a printer (see print_pass.h).
#include "view/print_pass.h"

#include "view/page_painter.h"
#include "view/page_setup.h"
#include "view/printer_choice.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>

namespace vexlan {

bool PrintOnePage(QPrinter& printer, const std::function<void(QPainter&)>& drawPage, QString& error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()
                    ? QStringLiteral("no printer and no output file")
                    : QStringLiteral("cannot start printing on \"%1\"")
                          .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                  : printer.outputFileName());
        return false;
    }
    drawPage(painter);
    if (!painter.end()) {
        error = QStringLiteral("printing on \"%1\" did not finish").arg(printer.printerName());
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
