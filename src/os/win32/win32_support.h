// SPDX-License-Identifier: MIT
// What the Win32 services share: Windows error codes in errno's terms (the
// interfaces speak errno, as the core's messages do), a path's device check,
// and opening a path for reading with the sharing a job needs.
//
// No <windows.h> here: core/base/wintypes.h (which os/file.h includes)
// declares DWORD, RECT and the DIB structures of its own, and the two cannot
// meet in one file. Handles travel as void*.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace vexlan {

// The errno value closest to a GetLastError() code (ERROR_FILE_NOT_FOUND is
// ENOENT, ERROR_ACCESS_DENIED EACCES, ERROR_DISK_FULL ENOSPC, ...); EIO for
// a code with no counterpart.
int ErrnoFromWin32(unsigned long code);

// True when `path` names a device rather than a file: the device namespace
// ("\\.\COM1", "\\.\pipe\x") or a reserved DOS name ("NUL", "dir\CON.txt"
// on the systems that still map those). Decided from the name alone, so the
// device is never opened.
bool IsDevicePath(const std::string& path);

// Opens an existing regular file for reading, following links. A directory
// or device is refused before it is opened (EISDIR, EINVAL), anything else
// after opening when the handle is no disk file. The file may be renamed
// and deleted while it is open, as a job is. Returns the HANDLE, or nullptr
// with `err` set to an errno value.
void* OpenRegularHandle(const std::string& path, int& err);

// OpenRegularHandle's file as a binary stdio stream; nullptr on failure.
std::FILE* OpenRegularStream(const std::string& path);

// What the file system says of the file a stream has open: volume serial,
// file index, size, and the last-write and change times (FILETIME ticks).
struct StreamFacts {
    uint64_t volume = 0;
    uint64_t index = 0;
    uint64_t size = 0;
    uint64_t writeTime = 0;
    uint64_t changeTime = 0;
};
bool GetStreamFacts(std::FILE* f, StreamFacts& facts);

// The size of the file a stream has open; false when the system cannot tell.
bool GetStreamSize(std::FILE* f, uint64_t& size);

} // namespace vexlan
