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

bool SelectPrinter(QPrinter& printer, const QString& requested, bool allowPdf, QString& error)
{
    const PrinterChoice choice = ChoosePrinter(requested, QPrinterInfo::availablePrinterNames(),
                                               QPrinterInfo::defaultPrinterName(), allowPdf);
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
