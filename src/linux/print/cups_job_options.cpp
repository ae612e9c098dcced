// SPDX-License-Identifier: MIT
// QPrinter settings as CUPS job options (see cups_job_options.h).
#include "linux/print/cups_job_options.h"

#include <QPageSize>
#include <QPrintEngine>

#include <cups/cups.h>
#include <cups/pwg.h>

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

CupsOptionList ParseLpOptions(const std::vector<std::string>& arguments)
{
    CupsOptionList list;
    for (const std::string& argument : arguments) {
        cups_option_t* parsed = nullptr;
        const int count = cupsParseOptions(argument.c_str(), 0, &parsed);
        for (int i = 0; i < count; ++i) {
            const std::string name = parsed[i].name;
            const std::string value = parsed[i].value != nullptr ? parsed[i].value : "";
            bool replaced = false;
            for (auto& option : list)
                if (option.first == name) {
                    option.second = value;
                    replaced = true;
                }
            if (!replaced)
                list.emplace_back(name, value);
        }
        cupsFreeOptions(count, parsed);
    }
    return list;
}

std::optional<QPageSize> PaperOfOptions(const CupsOptionList& options)
{
    std::string media;
    for (const char* name : {"PageSize", "media"})
        for (const auto& option : options)
            if (option.first == name)
                media = option.second;
    std::size_t start = 0;
    while (start <= media.size() && !media.empty()) {
        const std::size_t comma = media.find(',', start);
        const std::string part = media.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const pwg_media_t* size = pwgMediaForPWG(part.c_str());
        if (size == nullptr)
            size = pwgMediaForLegacy(part.c_str());
        if (size == nullptr)
            size = pwgMediaForPPD(part.c_str());
        // Sizes are in hundredths of a millimetre.
        if (size != nullptr && size->width > 0 && size->length > 0)
            return QPageSize(QSizeF(size->width / 100.0, size->length / 100.0), QPageSize::Millimeter, QString(),
                             QPageSize::FuzzyMatch);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return std::nullopt;
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
