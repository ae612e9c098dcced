// The choices a QPrinter carries (copies, collation, two-sided printing,
// paper, and the queue's own options from the print dialog's Properties),
// translated into the options of a CUPS job.
#pragma once

#include "linux/print/cups_submit.h"

#include <QPageLayout>
#include <QPrinter>
#include <QStringList>

namespace vexlan {

CupsJobOptions CupsJobOptionsOf(const QPrinter& printer);

// The IPP "sides" value of a duplex mode; DuplexAuto turns the sheet over
// along the edge that is long as the page is read.
std::string CupsSides(QPrinter::DuplexMode duplex, QPageLayout::Orientation orientation);

// Qt's list of a queue's own options: names and values alternating. A
// trailing name without a value is dropped.
CupsOptionList CupsOptionsFromPairs(const QStringList& nameValuePairs);

} // namespace vexlan
