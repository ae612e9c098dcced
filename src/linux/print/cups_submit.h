// SPDX-License-Identifier: MIT
// Handing a PDF to a CUPS queue as it is made and learning whether the
// scheduler took it. The PDF is made elsewhere; this code only carries its
// bytes, so any PDF generator can sit in front of it.
#pragma once

#include <cstddef>
#include <memory>
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
        Local,        // the page could not be made
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

// One job on a CUPS queue whose one PDF document is written to the
// scheduler while it is made: no file in between, and the scheduler takes
// in the bytes while the rest of the PDF is being made. Every step is
// checked: the job must be created (a queue that rejects jobs, is gone or
// cannot be reached fails at Start), the document arrive in full and be
// accepted (Finish). A stopped queue holds the job: that is success. A job
// that is started but not finished is cancelled, so that nothing half made
// prints.
class CCupsPdfJob {
public:
    CCupsPdfJob();
    ~CCupsPdfJob();
    CCupsPdfJob(const CCupsPdfJob&) = delete;
    CCupsPdfJob& operator=(const CCupsPdfJob&) = delete;

    // Connects and looks `queue` up as Start() would, so that Start() only
    // creates the job: for a caller that has time now and hurries later.
    // Sends no job; whatever fails here is left to Start(), which says why.
    void Prepare(const std::string& queue);
    // Creates the job on `queue` ("name" or "name/instance", on the
    // scheduler libcups is configured for: CUPS_SERVER, client.conf) and
    // starts its document. False with `failure` set.
    bool Start(const std::string& queue, const CupsJobOptions& options, SubmitFailure& failure);
    // Appends `length` bytes to the document. False once a write has
    // failed; Finish then says why.
    bool Write(const char* data, std::size_t length);
    // Whether a write has failed (the scheduler stopped taking the bytes).
    bool WriteFailed() const { return !m_reason.empty(); }
    // Ends the document and waits for the scheduler's answer. False with
    // `failure` set (the job cancelled; a cancellation the scheduler did not
    // confirm is named at the end of `failure.line`) when any write failed
    // or the scheduler did not accept the document. The document is ended
    // only when every byte was taken: call it only for a PDF known whole.
    bool Finish(SubmitFailure& failure);
    // Abandons the document and cancels a started job (the page could not
    // be made). False when the scheduler did not confirm the cancellation:
    // CancelNote() then says so.
    bool Cancel();
    // "; job NAME-ID could not be cancelled (why)" after a cancellation the
    // scheduler did not confirm, for the end of the error line; else empty.
    const std::string& CancelNote() const { return m_cancelNote; }

private:
    bool Flush();
    void Close();

    struct Connection;
    std::unique_ptr<Connection> m_conn;
    std::string m_name;     // the queue's name without an instance
    std::string m_failedLine; // "printing on "queue" failed: "
    int m_jobId = 0;
    std::string m_pending;  // bytes not yet handed to libcups
    std::string m_reason;   // the first failed write's reason
    std::string m_cancelNote;
};

} // namespace vexlan
