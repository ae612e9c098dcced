// SPDX-License-Identifier: MIT
// Handing a finished PDF to a CUPS queue and learning whether the scheduler
// took it. The file is made elsewhere; this code only submits it, so any
// PDF generator can sit in front of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vexlan {

using CupsOptionList = std::vector<std::pair<std::string, std::string>>;

// What the user chose for the job, in CUPS's terms.
struct CupsJobOptions {
    std::string title;           // the job's name
    int copies = 1;
    bool collate = false;        // only meaningful with copies > 1
    std::string sides;           // "one-sided", "two-sided-long-edge", ...; empty: the queue's default
    std::string media;           // the paper's name; empty: the queue's default
    CupsOptionList printerOptions; // the queue's own options as the print dialog set them
};

// The job attributes sent with the job, in order; a later printer option
// replaces an earlier entry of the same name. The page's orientation is
// not among them: the PDF page already has it.
CupsOptionList CupsOptionPairs(const CupsJobOptions& options);

// Why a job did not reach its queue.
struct SubmitFailure {
    enum Kind {
        Local,        // the spooled page could not be read
        Unreachable,  // no connection to the scheduler
        Rejecting,    // the queue does not accept jobs (cupsreject)
        Gone,         // the scheduler has no such queue (any more)
        Refused,      // the scheduler refused or lost the job for another reason
    };
    Kind kind = Local;
    // CUPS's own words: the queue's reason for rejecting jobs (its
    // printer-state-message, as `cupsreject -r` sets it), else the
    // scheduler's answer, else the system's error.
    std::string reason;
    // One line naming the queue and the reason: "printing on "Q" failed: ...".
    std::string line;
};

// Submits the PDF at `pdfPath` to `queue` ("name" or "name/instance") on
// the scheduler libcups is configured for (CUPS_SERVER, client.conf) and
// checks every step: the job must be created (a queue that rejects jobs,
// is gone or cannot be reached fails here), the document sent in full and
// accepted. A stopped queue holds the job: that is success. Returns false
// with `failure` set; a job left half-sent is cancelled.
bool SubmitPdfToQueue(const std::string& queue, const std::string& pdfPath,
                      const CupsJobOptions& options, SubmitFailure& failure);

} // namespace vexlan
