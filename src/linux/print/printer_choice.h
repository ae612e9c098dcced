// SPDX-License-Identifier: MIT
// Which printer a preview or print pass uses, chosen as CUPS's lp chooses
// its destination: the queue named on the command line, else the queue
// named by LPDEST or PRINTER, else the default destination CUPS knows (the
// user's lpoptions default, the system's, the scheduler's). A named queue
// that does not exist is an error; so is a direct print with no default
// destination, which lp refuses too. A preview and the print dialog, and the
// window-less PDF and PNG outputs that take the preview's page, fall back on
// a PDF printer (a whole A4 sheet) where the user can still give a file:
// quietly when no printer is installed, with a warning when queues exist
// but none is the default, or when the scheduler cannot be reached.
#pragma once

#include "linux/print/cups_scheduler.h"

#include <QString>

class QPrinter;

namespace vexlan {

struct PrinterChoice {
    enum Kind { Queue, Pdf, None };
    Kind kind = None;
    QString name;     // the queue, for Queue
    QString error;    // for None: one line for stderr
    QString text;     // for None: the same for the user, in Chinese
    QString warning;  // for Pdf in place of a printer that exists: one line
};

// The queue asked for, and who asked: `commandLine` when given, else LPDEST,
// else PRINTER, as CUPS's lp takes them, except that a variable set but
// empty counts as unset (lp would refuse it) and PRINTER=lp means "the
// default", as it does for lp. `origin` is empty for the command line or
// when nothing was asked for, else the variable's name.
struct PrinterRequest {
    QString name;
    QString origin;
};
PrinterRequest RequestedPrinter(const QString& commandLine, const QString& lpdest, const QString& printerEnv);

// The decision alone, from what the scheduler answered (its queues and
// default destination, or why it could not be asked). `allowPdf`: whether a
// PDF printer may stand in.
PrinterChoice ChoosePrinter(const PrinterRequest& request, const SchedulerQueues& scheduler, bool allowPdf);

// LPDEST or PRINTER set but empty are removed from the environment, so that
// libcups (the default destination) and Qt's print dialog take them as
// unset as this program does. Call it before other threads start; later
// calls change nothing.
void ForgetEmptyPrinterVariables();

// Asks the scheduler, applies ChoosePrinter with the queue RequestedPrinter
// finds in this process's environment, and sets `printer` to the choice
// (kind None leaves it untouched).
PrinterChoice SelectPrinter(QPrinter& printer, const QString& requested, bool allowPdf);

} // namespace vexlan
