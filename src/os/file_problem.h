// SPDX-License-Identifier: MIT
// Why a file cannot be read, in a few words a producer understands: the
// errno values that matter to someone who wrote a path into a job ("no such
// file", "permission denied", "not a regular file") and the system's wording
// for the rest. Used only to explain a failure after it has happened.
#pragma once

#include <string>

namespace vexlan {

// The reason for an errno value: ENOENT and ENOTDIR "no such file",
// EACCES and EPERM "permission denied", EISDIR "not a regular file",
// ELOOP "too many symbolic links", anything else SystemErrorText's.
std::string ErrnoReason(int err);

// strerror's text for `err` in the C locale's words, whatever locale the
// process runs in: the messages around it are English, and plain ASCII is
// the same in every console's character set (a translated text would be in
// the character set of the moment, which Qt switches to UTF-8).
std::string SystemErrorText(int err);

// Empty when `path` names a regular file that can be opened for reading;
// otherwise why not (ErrnoReason of the failing call, or "not a regular file"
// for a directory, device or pipe). A pipe or device is never opened.
std::string FileProblem(const std::string& path);

} // namespace vexlan
