// Which printer a preview or print pass uses: the queue named on the command
// line, else the queue named by LPDEST or PRINTER (as lp takes them), else
// the system's default queue, else the first queue there is; with
// no queue at all a PDF printer stands in where the user can still give a
// file (preview and print dialog), and a direct print has no printer.
#pragma once

#include <QString>
#include <QStringList>

class QPrinter;

namespace vexlan {

struct PrinterChoice {
    enum Kind { Queue, Pdf, None };
    Kind kind = None;
    QString name;    // the queue, for Queue
    QString error;   // one line for the user, for None
};

// The decision alone. `requested` is the name asked for (empty: any),
// `available` the installed queues, `defaultName` the system's default queue
// (empty when there is none), `allowPdf` whether a PDF printer may stand in
// when no queue exists. A requested name that is not installed is an error
// whatever else exists.
PrinterChoice ChoosePrinter(const QString& requested, const QStringList& available,
                            const QString& defaultName, bool allowPdf);

// The queue asked for, and who asked: `commandLine` when given, else LPDEST,
// else PRINTER, as CUPS's lp takes them (empty values count as unset, and
// PRINTER=lp means "the default", as it does for lp). `origin` is empty for
// the command line or when nothing was asked for, else the variable's name.
struct PrinterRequest {
    QString name;
    QString origin;
};
PrinterRequest RequestedPrinter(const QString& commandLine, const QString& lpdest, const QString& printerEnv);

// Applies ChoosePrinter, with the printers the system reports and the queue
// RequestedPrinter finds in this process's environment, to `printer`.
// Returns false with `error` set when no printer can be used: a queue named
// by LPDEST or PRINTER that does not exist is as much an error as one named
// on the command line, and the message names the variable.
bool SelectPrinter(QPrinter& printer, const QString& requested, bool allowPdf, QString& error);

} // namespace vexlan
