// SPDX-License-Identifier: MIT
// Waiting for a document the spooler holds: --pdf's file is written by the
// PDF printer's driver after EndDoc returns, in the spooler's own time, so
// the program must not say it is there before the job has left the queue.
#pragma once

#include <string>

namespace vexlan {

// Waits (at most `timeoutMs`) until the job `jobId` of the printer
// `printer` has left its queue or is marked printed. False, with `error`
// saying why, when the printer marks the job failed, deleted or waiting
// for the user, or when the time runs out.
bool WaitForSpoolJob(const std::string& printer, int jobId, unsigned timeoutMs, std::string& error);

// What a file is at one moment, to see whether a printer wrote it.
struct FileStamp {
    bool exists = false;
    unsigned long long size = 0;
    unsigned long long written = 0; // last write time, FILETIME units
};
FileStamp StampOf(const std::string& path);

} // namespace vexlan
