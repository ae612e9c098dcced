// SPDX-License-Identifier: MIT
// The page a printer prints on: its paper, the orientation and the
// printable area. Item coordinates start at the printable area's top-left
// corner, so the preview, the printer behind the print dialog, --print,
// --pdf and --png must all use the same layout for a page to land on the
// paper where its producer put it, and to be seen in the preview as it
// will print.
//
// A queue's default page is its default paper (the PPD's DefaultPageSize,
// or the user's lpoptions choice), portrait, with the printable area the
// queue reports for that paper as the margins. Qt gives a new QPrinter A4
// whatever the queue says, while its print dialog switches to the queue's
// default paper: without UseDefaultPage the preview showed one paper and
// the printout used another.
#pragma once

#include <QPageLayout>
#include <QPoint>
#include <QString>

class QPrinter;

namespace vexlan {

// The page when there is no printer at all (a PDF printer stands in): A4
// portrait, the whole sheet printable.
QPageLayout NoPrinterPageLayout();

// Sets `printer` to the default page of its queue; a PDF printer (no queue)
// gets NoPrinterPageLayout(). A queue that names no default paper (a raw
// queue forwarding to a print server) gets A4 with the printable area it
// reports, none meaning the whole sheet. Returns false when the printer
// refuses the paper or the margins.
bool UseDefaultPage(QPrinter& printer);

// The default page of the printer a preview pass would use (see
// SelectPrinter), NoPrinterPageLayout() when there is none: the page of the
// window-less PDF and PNG outputs.
QPageLayout DefaultPrinterPageLayout();

// Sets the margins of `printer` to the printable area its queue reports
// for the paper and orientation it has now (none for a PDF printer): the
// page origin is the printable area's top-left corner on whatever queue
// and paper the print dialog ended on. Returns false when the printer
// refuses the margins.
bool UsePrintableArea(QPrinter& printer);

// Whether DefaultPrinterPageLayout() has a printer's page for the
// window-less outputs. `error`: a queue named by LPDEST or PRINTER that does
// not exist, or a scheduler that cannot be reached to ask for it, which lp
// and --print refuse too (SelectPrinter's message). `warning`: the page is
// the PDF stand-in's although printers exist (no default queue, or a
// scheduler that cannot be reached). Both empty when there is a queue, or
// none at all and the PDF stand-in serves.
struct DefaultPrinterCheck {
    QString error;
    QString warning;
};
DefaultPrinterCheck CheckDefaultPrinter();

// The page of `layout` as an image of `dpi` dots per inch: the whole sheet,
// rounded up to whole pixels so that no part of the paper is cut, and the
// pixel where the printable area's top-left corner (the page origin) falls.
// Sizes are doubles so that callers can refuse a page too large for an
// image before making one.
struct PagePixels {
    double width = 0;
    double height = 0;
    QPoint origin;
};
PagePixels PagePixelsAt(const QPageLayout& layout, int dpi);

} // namespace vexlan
