// The job hand-off of start-up: where the job file is, reading it into the
// item list, and removing it afterwards whatever the reader found.
#pragma once

#include "job/page_item.h"

#include <string>

namespace vexlan {

// The running executable's full path (from /proc/self/exe), or empty when it
// cannot be had.
std::string ExecutablePath();

// The job path for an executable path: same directory and title, ".set";
// empty when the executable's path is empty (no job is read or deleted).
std::string JobPathForExecutable(const std::string& exePath);

// The job to read: `given` when the command line named one, else the job
// beside the executable.
std::string ResolveJobPath(const std::string& given);

// Reads the job at `jobPath` into `list` (LoadPrintJob), then, unless
// `keepJob`, makes the file writable and deletes it. A missing file, or one
// that cannot be deleted, is no error.
void HandOffJob(const std::string& jobPath, CPageItemArray& list, bool keepJob);

} // namespace vexlan
