// QPrinter settings as CUPS job options (see cups_job_options.h).
#include "linux/print/cups_job_options.h"

#include <QPageSize>
#include <QPrintEngine>

namespace vexlan {

namespace {

// Qt's CUPS print engine keeps the options that its print dialog sets for
// a queue (the Properties page: PPD choices, job hold, banners, page set)
// under this custom engine property, as a QStringList of name/value pairs.
constexpr auto kCupsOptionsProperty = QPrintEngine::PrintEnginePropertyKey(0xfe00);

} // namespace

std::string CupsSides(QPrinter::DuplexMode duplex, QPageLayout::Orientation orientation)
{
    switch (duplex) {
    case QPrinter::DuplexNone:
        return "one-sided";
    case QPrinter::DuplexAuto:
        return orientation == QPageLayout::Landscape ? "two-sided-short-edge" : "two-sided-long-edge";
    case QPrinter::DuplexLongSide:
        return "two-sided-long-edge";
    case QPrinter::DuplexShortSide:
        return "two-sided-short-edge";
    }
    return std::string();
}

CupsOptionList CupsOptionsFromPairs(const QStringList& nameValuePairs)
{
    CupsOptionList list;
    for (qsizetype i = 0; i + 1 < nameValuePairs.size(); i += 2)
        list.emplace_back(nameValuePairs[i].toStdString(), nameValuePairs[i + 1].toStdString());
    return list;
}

CupsJobOptions CupsJobOptionsOf(const QPrinter& printer)
{
    CupsJobOptions options;
    options.title = printer.docName().toStdString();
    options.copies = printer.copyCount();
    options.collate = printer.collateCopies();
    const QPageLayout layout = printer.pageLayout();
    options.sides = CupsSides(printer.duplex(), layout.orientation());
    options.media = layout.pageSize().key().toStdString();
    if (QPrintEngine* engine = printer.printEngine())
        options.printerOptions = CupsOptionsFromPairs(engine->property(kCupsOptionsProperty).toStringList());
    return options;
}

} // namespace vexlan
