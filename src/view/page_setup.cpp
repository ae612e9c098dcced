// The default page of a printer (see page_setup.h).
#include "view/page_setup.h"

#include "view/printer_choice.h"

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
    // Qt's CUPS engine gives the queue's printable area on this paper as the
    // minimum margins; the margins it sets are its own default otherwise.
    const QPageLayout layout = printer.pageLayout();
    return printer.setPageMargins(layout.minimumMargins(), layout.units());
}

QPageLayout DefaultPrinterPageLayout()
{
    QPrinter printer(QPrinter::HighResolution);
    QString error;
    if (!SelectPrinter(printer, QString(), true, error))
        return NoPrinterPageLayout();
    UseDefaultPage(printer);
    return printer.pageLayout();
}

QString DefaultPrinterProblem()
{
    QPrinter printer;
    QString error;
    SelectPrinter(printer, QString(), true, error);
    return error;
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
