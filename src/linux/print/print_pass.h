// SPDX-License-Identifier: MIT
// One page sent to a printer: draw it into a PDF, then hand that to the
// printer's file or CUPS queue and check the outcome. Used by the view's
// print pass and by the window-less --print.
#pragma once

#include "core/job/page_item.h"
#include "linux/print/cups_submit.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QPrinter;

namespace vexlan {

// Why a page did not reach its printer.
struct PrintFailure {
    QString line;  // one line for stderr, naming the file or queue and the reason
    QString text;  // the same for the user, in Chinese around CUPS's own words
};

// Calls `drawPage` once with a painter on a PDF page laid out as `printer`
// lays out its page, then delivers that page: into the printer's output
// file (complete or absent), or to its CUPS queue, whose answer is checked.
// `extraOptions` go to the queue after the printer's own (they win);
// `prepared`, when given, is the job used for a queue (see
// CCupsPdfJob::Prepare).
// Returns false with `failure` set when no output file is given for a PDF
// printer, the file cannot be written, or the scheduler refuses the job or
// cannot be reached.
bool PrintOnePage(QPrinter& printer, const std::function<void(QPainter&)>& drawPage, PrintFailure& failure,
                  const CupsOptionList& extraOptions = {}, CCupsPdfJob* prepared = nullptr);

// What --print asks for, in lp's terms.
struct DirectPrint {
    QString printer;                  // the destination (-d); empty: the default queue
    int copies = 1;                   // -n
    QString title;                    // -t; empty: the program's name
    std::vector<std::string> options; // each -o argument as given
};

// The window-less print: the page of `items` on `job.printer`, without a
// dialog. The -o options reach the scheduler as lp sends them; a paper
// they name (media=, PageSize=) is the one the page is laid out on, with
// the printable area the queue reports for it. In two steps, so that the
// printer is chosen and its page laid out (the scheduler asked, its PPD
// read, the queue looked up for the job) while the job is still being read:
// the constructor does that much and sends no job. Print() then prints the
// page, or fails with `error` when the queue does not exist, when no queue
// is installed, or when the job cannot be started. Like every QPrinter,
// used on one thread only.
class CDirectPrinter {
public:
    explicit CDirectPrinter(const DirectPrint& job);
    ~CDirectPrinter();
    CDirectPrinter(const CDirectPrinter&) = delete;
    CDirectPrinter& operator=(const CDirectPrinter&) = delete;

    bool Print(const CPageItemArray& items, QString& error);

private:
    std::unique_ptr<QPrinter> m_printer;
    CupsOptionList m_options; // the -o options, as lp sends them
    CCupsPdfJob m_job;        // prepared for the queue chosen
    QString m_error;          // why the printer cannot be used; empty: ready
};

} // namespace vexlan
