// SPDX-License-Identifier: MIT
// The default page of a printer (see page_setup.h).
#include "linux/print/page_setup.h"

#include "linux/print/printer_choice.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace vexlan {

QPageLayout NoPrinterPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

bool UseDefaultPage(QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return printer.setPageLayout(NoPrinterPageLayout());
    const QPageSize queuePaper = QPrinterInfo(printer).defaultPageSize();
    const QPageSize paper = queuePaper.isValid() ? queuePaper : QPageSize(QPageSize::A4);
    // Orientation first: the printable area of a landscape page is the
    // portrait one turned.
    if (!printer.setPageOrientation(QPageLayout::Portrait) || !printer.setPageSize(paper))
        return false;
    return UsePrintableArea(printer);
}

bool UsePrintableArea(QPrinter& printer)
{
    // Qt's CUPS engine gives the queue's printable area on the current paper
    // as the minimum margins, and keeps them up to date when the print
    // dialog changes the queue or the paper; the margins themselves stay
    // what they were (another queue's, after a change in the dialog).
    const QPageLayout layout = printer.pageLayout();
    const QMarginsF printable =
        printer.outputFormat() == QPrinter::PdfFormat ? QMarginsF() : layout.minimumMargins();
    return printer.setPageMargins(printable, layout.units());
}

QPageLayout DefaultPrinterPageLayout()
{
    QPrinter printer(QPrinter::HighResolution);
    if (SelectPrinter(printer, QString(), true).kind == PrinterChoice::None)
        return NoPrinterPageLayout();
    UseDefaultPage(printer);
    return printer.pageLayout();
}

DefaultPrinterCheck CheckDefaultPrinter()
{
    QPrinter printer;
    const PrinterChoice choice = SelectPrinter(printer, QString(), true);
    return {choice.error, choice.warning};
}

PagePixels PagePixelsAt(const QPageLayout& layout, int dpi)
{
    // Millimetres hold the standard papers exactly (inch papers to 0.01 mm);
    // the slack keeps an exact 2550.0000001 pixels from becoming 2551.
    const double perMm = dpi / 25.4;
    const QSizeF sheet = layout.fullRect(QPageLayout::Millimeter).size();
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    PagePixels pixels;
    pixels.width = std::ceil(sheet.width() * perMm - 1e-3);
    pixels.height = std::ceil(sheet.height() * perMm - 1e-3);
    pixels.origin = QPoint(int(std::lround(margins.left() * perMm)), int(std::lround(margins.top() * perMm)));
    return pixels;
}

} // namespace vexlan
