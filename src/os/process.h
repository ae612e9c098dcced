// SPDX-License-Identifier: MIT
// The running program as the system sees it: its executable and how it was
// started, its working directory and id, and random bytes for names of its
// own.
#pragma once

#include <cstddef>
#include <string>

namespace vexlan {

// The running executable's full path, links resolved; empty when it cannot
// be had. No path length limit beyond the system's own.
std::string ExecutablePath();

// The path the system received when it started the program (execve's path,
// relative as given); empty when it does not say.
std::string ExecutedPath();

// True when `path`, links followed, is the running executable's file.
bool IsRunningExecutable(const std::string& path);

// True when `path`, links followed, is a regular file this process may run.
bool IsExecutableFile(const std::string& path);

// The working directory; empty when it cannot be had.
std::string CurrentDirectory();

// This process's id.
long ProcessId();

// Fills `size` bytes at `out` from the system's random source without
// waiting; false when it has none ready.
bool RandomBytes(void* out, std::size_t size);

} // namespace vexlan
