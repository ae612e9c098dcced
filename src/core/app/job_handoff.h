// SPDX-License-Identifier: MIT
// The job hand-off of start-up: where the job file is, claiming it so that
// one instance alone reads it, reading it into the item list, and removing
// it whatever the reader found.
//
// The job lies beside the name the program was started under. A producer
// that uses an installed program through a symbolic link of its own
// (/opt/shop/slip -> /usr/bin/vexlan) writes /opt/shop/slip.set and starts
// /opt/shop/slip: the link's directory and name count, not the installed
// file's. The started name is the path execve received (AT_EXECFN), else
// argv[0] as the shell resolves it; each is trusted only when it names the
// running executable; otherwise the executable's own path serves.
#pragma once

#include "core/job/load_diagnostics.h"
#include "core/job/page_item.h"
#include "os/process.h" // ExecutablePath, the last resort of the started name

#include <string>

namespace vexlan {

// The name the program was started under, as the shell found it: `argv0`
// when it holds a '/' (joined to `cwd` when relative), else the first
// executable regular file named `argv0` in the directories of `pathEnv` (an
// empty entry means `cwd`). Not canonicalised: a link keeps its own
// directory and name. Empty when nothing is found or `argv0` is null/empty.
std::string StartedName(const char* argv0, const char* pathEnv, const std::string& cwd);

// The executable path the job is found beside: the first of `execFn` (the
// path execve received, joined to `cwd` when relative; null or empty: none)
// and StartedName that names the running executable (same device and inode
// as the running executable, links followed), else ExecutablePath().
std::string StartedExecutablePath(const char* argv0, const char* pathEnv, const std::string& cwd,
                                  const char* execFn = nullptr);

// The job path that means standard input (--job -).
inline constexpr char kStandardInputJob[] = "-";

// The job path for an executable path: same directory and title, ".set";
// empty when the executable's path is empty (no job is read or deleted).
std::string JobPathForExecutable(const std::string& exePath);

// The job to read: `given` when the command line named one, else the job
// beside the started executable (this process's AT_EXECFN, and `argv0` as
// main received it with this process's PATH and working directory; null
// `argv0`: the executable's own path).
std::string ResolveJobPath(const std::string& given, const char* argv0 = nullptr);

// Claims the job at `jobPath`, reads it into `list` (LoadPrintJob) and
// removes it, whatever it held; with `keepJob` it is read in place and kept.
// kStandardInputJob reads standard input to its end (or the last record)
// and closes it; nothing is claimed or removed.
// Claiming renames the job to a name of this process's own (ClaimedJobName)
// first, so that of several instances started on one job exactly one reads
// it and the others find no job (an empty page). Only a regular file or a
// symbolic link is claimed and removed (the link itself; the reading follows
// it); a FIFO, device or directory found under the job's name stays and is
// read in place. A missing job is no error. A job that cannot be renamed or
// removed (its directory is not writable) is read in place all the same and
// stays: with `diagnostics` that is a warning, as are the reader's warnings.
// Returns true when a job file was opened and read.
bool HandOffJob(const std::string& jobPath, CPageItemArray& list, bool keepJob,
                LoadDiagnostics* diagnostics = nullptr);

// The private name a job is claimed under: in the job's directory, hidden,
// ".<job name>.<pid>.<serial>.<random hex>.claimed" (the job name cut short
// when long). A new name at each call.
std::string ClaimedJobName(const std::string& jobPath);

} // namespace vexlan
