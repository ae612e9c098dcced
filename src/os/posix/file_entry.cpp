// SPDX-License-Identifier: MIT
// Directory entries through lstat, rename and unlink (see file_entry.h).
#include "os/file_entry.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

bool IsFileOrLink(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode));
}

int RenameEntry(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RemoveEntry(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : errno; }

bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

} // namespace vexlan
