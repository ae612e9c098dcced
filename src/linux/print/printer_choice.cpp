// SPDX-License-Identifier: MIT
// Printer selection for preview and print passes (see printer_choice.h).
#include "linux/print/printer_choice.h"

#include "linux/res/app_strings.h"

#include <QPrinter>

#include <algorithm>
#include <cstdlib>

namespace vexlan {

namespace {

PrinterChoice Refusal(const QString& error, const char* text, const QString& arg = QString())
{
    PrinterChoice choice;
    choice.error = error;
    choice.text = arg.isNull() ? QString::fromUtf8(text) : QString::fromUtf8(text).arg(arg);
    return choice;
}

PrinterChoice PdfPrinter(const QString& warning)
{
    PrinterChoice choice;
    choice.kind = PrinterChoice::Pdf;
    if (!warning.isEmpty())
        choice.warning = warning + QStringLiteral("; the page is a whole A4 sheet");
    return choice;
}

} // namespace

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

PrinterChoice ChoosePrinter(const PrinterRequest& request, const SchedulerQueues& scheduler, bool allowPdf)
{
    const SchedulerContact& contact = scheduler.contact;
    if (contact.state == SchedulerContact::Unreachable) {
        // Nobody can say whether a named queue exists, nor which is the
        // default: only the PDF stand-in of a pass that needs no queue.
        const QString problem = QString::fromStdString(contact.problem);
        if (request.name.isEmpty() && allowPdf)
            return PdfPrinter(problem);
        PrinterChoice refused = Refusal(problem, kSchedulerUnreachableText, QString::fromStdString(SchedulerAddress()));
        refused.text = refused.text.arg(QString::fromStdString(contact.reason));
        return refused;
    }
    std::vector<std::string> none;
    const std::vector<std::string>& queues = contact.state == SchedulerContact::Reached ? scheduler.queues : none;
    const auto installed = [&queues](const std::string& name) {
        return std::find(queues.begin(), queues.end(), name) != queues.end();
    };
    PrinterChoice choice;
    if (!request.name.isEmpty()) {
        if (!installed(request.name.toStdString())) {
            QString error = QStringLiteral("printer \"%1\" not found").arg(request.name);
            if (!request.origin.isEmpty())
                error += QStringLiteral(" (named by %1)").arg(request.origin);
            return Refusal(error, kPrinterNotFoundText, request.name);
        }
        choice.kind = PrinterChoice::Queue;
        choice.name = request.name;
        return choice;
    }
    if (!scheduler.defaultQueue.empty() && installed(scheduler.defaultQueue)) {
        choice.kind = PrinterChoice::Queue;
        choice.name = QString::fromStdString(scheduler.defaultQueue);
        return choice;
    }
    if (!queues.empty()) {
        const QString problem = QStringLiteral("no default printer");
        if (allowPdf)
            return PdfPrinter(problem);
        return Refusal(problem + QStringLiteral(" (name one with --printer, LPDEST, or lpoptions -d)"),
                       kNoDefaultPrinterText);
    }
    if (allowPdf)
        return PdfPrinter(QString());
    QString error = QStringLiteral("no printer installed");
    if (contact.state == SchedulerContact::Absent)
        error += QStringLiteral(" (no print scheduler at %1)").arg(QString::fromStdString(SchedulerAddress()));
    return Refusal(error, kNoPrinterText);
}

void ForgetEmptyPrinterVariables()
{
    for (const char* name : {"LPDEST", "PRINTER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value == '\0')
            unsetenv(name);
    }
}

PrinterChoice SelectPrinter(QPrinter& printer, const QString& requested, bool allowPdf)
{
    // libcups would take an empty LPDEST as the name of a queue that does
    // not exist, and Qt would then fall back on the first queue.
    ForgetEmptyPrinterVariables();
    const PrinterRequest request =
        RequestedPrinter(requested, qEnvironmentVariable("LPDEST"), qEnvironmentVariable("PRINTER"));
    const PrinterChoice choice = ChoosePrinter(request, AskSchedulerForQueues(), allowPdf);
    switch (choice.kind) {
    case PrinterChoice::Queue:
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(choice.name);
        break;
    case PrinterChoice::Pdf:
        printer.setOutputFormat(QPrinter::PdfFormat);
        break;
    case PrinterChoice::None:
        break;
    }
    return choice;
}

} // namespace vexlan
