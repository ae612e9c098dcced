// SPDX-License-Identifier: MIT
// The choices a QPrinter carries (copies, collation, two-sided printing,
// paper, and the queue's own options from the print dialog's Properties),
// translated into the options of a CUPS job.
#pragma once

#include "linux/print/cups_submit.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace vexlan {

CupsJobOptions CupsJobOptionsOf(const QPrinter& printer);

// The IPP "sides" value of a duplex mode; DuplexAuto turns the sheet over
// along the edge that is long as the page is read.
std::string CupsSides(QPrinter::DuplexMode duplex, QPageLayout::Orientation orientation);

// Qt's list of a queue's own options: names and values alternating. A
// trailing name without a value is dropped.
CupsOptionList CupsOptionsFromPairs(const QStringList& nameValuePairs);

// lp's -o arguments as lp reads them: each through cupsParseOptions
// ("name=value", several in one argument separated by spaces, values in
// quotes), in order; a later option of the same name replaces an earlier.
CupsOptionList ParseLpOptions(const std::vector<std::string>& arguments);

// The paper the options ask for: the value of "media" (else "PageSize"),
// or the first of its comma-separated parts, that names a paper CUPS
// knows by its PWG, IPP or PPD name ("na_letter_8.5x11in", "Letter",
// "iso_a5_148x210mm", "A4"). Nothing when no option names one; whether the
// queue has that paper is the scheduler's to judge.
std::optional<QPageSize> PaperOfOptions(const CupsOptionList& options);

} // namespace vexlan
