// One page sent to a printer: open a painter on it, draw, end the job. Used
// by the view's print pass and by the window-less --print.
#pragma once

#include "job/page_item.h"

#include <QString>

#include <functional>

class QPainter;
class QPrinter;

namespace vexlan {

// Starts a job on `printer`, calls `drawPage` once with a painter on it and
// ends the job. Returns false with `error` set when the job cannot be started
// or finished (no output file given, file not writable, printer gone);
// `drawPage` is then not called or its output is lost.
bool PrintOnePage(QPrinter& printer, const std::function<void(QPainter&)>& drawPage, QString& error);

// The window-less print: the page of `items` on the queue `printerName`
// (empty: the default queue), without a dialog. Fails with `error` when the
// queue does not exist, when no queue is installed, or when the job cannot
// be started.
bool PrintPageDirect(const CPageItemArray& items, const QString& printerName, QString& error);

} // namespace vexlan
