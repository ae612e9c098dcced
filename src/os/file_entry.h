// SPDX-License-Identifier: MIT
// A name in a directory as a name: what it is without following a link,
// renaming it and removing it (a link itself, never the file it points to).
#pragma once

#include <string>

namespace vexlan {

// True when `path` names a regular file or a symbolic link (not followed).
bool IsFileOrLink(const std::string& path);

// Renames `from` to `to` in one step, replacing a name already at `to`;
// 0, or the errno value of the failure.
int RenameEntry(const std::string& from, const std::string& to);

// Removes the name `path`; 0, or the errno value of the failure.
int RemoveEntry(const std::string& path);

// True when `path` does not depend on the working directory: it starts at
// the root ("/..." on POSIX; "C:\...", "\\server\..." or "\..." on Windows).
bool IsAbsolutePath(const std::string& path);

} // namespace vexlan
