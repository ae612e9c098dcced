// Printer selection for preview and print passes (see printer_choice.h).
#include "view/printer_choice.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace vexlan {

PrinterChoice ChoosePrinter(const QString& requested, const QStringList& available,
                            const QString& defaultName, bool allowPdf)
{
    PrinterChoice choice;
    if (!requested.isEmpty()) {
        if (available.contains(requested)) {
            choice.kind = PrinterChoice::Queue;
            choice.name = requested;
        } else {
            choice.error = QStringLiteral("printer \"%1\" not found").arg(requested);
        }
        return choice;
    }
    if (!defaultName.isEmpty() && available.contains(defaultName)) {
        choice.kind = PrinterChoice::Queue;
        choice.name = defaultName;
    } else if (!available.isEmpty()) {
        choice.kind = PrinterChoice::Queue;
        choice.name = available.first();
    } else if (allowPdf) {
        choice.kind = PrinterChoice::Pdf;
    } else {
        choice.error = QStringLiteral("no printer installed");
    }
    return choice;
}

PrinterRequest RequestedPrinter(const QString& commandLine, const QString& lpdest, const QString& printerEnv)
{
    if (!commandLine.isEmpty())
        return {commandLine, QString()};
    if (!lpdest.isEmpty())
        return {lpdest, QStringLiteral("LPDEST")};
    if (!printerEnv.isEmpty() && printerEnv != QLatin1String("lp"))
        return {printerEnv, QStringLiteral("PRINTER")};
    return {};
}

bool SelectPrinter(QPrinter& printer, const QString& requested, bool allowPdf, QString& error)
{
    // Qt itself would quietly fall back on the default queue when the
    // variables name one that does not exist; lp refuses, and so do we.
    const PrinterRequest request =
        RequestedPrinter(requested, qEnvironmentVariable("LPDEST"), qEnvironmentVariable("PRINTER"));
    PrinterChoice choice = ChoosePrinter(request.name, QPrinterInfo::availablePrinterNames(),
                                         QPrinterInfo::defaultPrinterName(), allowPdf);
    if (choice.kind == PrinterChoice::None && !request.origin.isEmpty())
        choice.error += QStringLiteral(" (named by %1)").arg(request.origin);
    switch (choice.kind) {
    case PrinterChoice::Queue:
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(choice.name);
        return true;
    case PrinterChoice::Pdf:
        printer.setOutputFormat(QPrinter::PdfFormat);
        return true;
    case PrinterChoice::None:
        break;
    }
    error = choice.error;
    return false;
}

} // namespace vexlan
