// Which printer a preview or print pass uses: the queue named on the command
// line, else the system's default queue, else the first queue there is; with
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

// Applies ChoosePrinter, with the printers the system reports, to `printer`.
// Returns false with `error` set when no printer can be used.
bool SelectPrinter(QPrinter& printer, const QString& requested, bool allowPdf, QString& error);

} // namespace vexlan
