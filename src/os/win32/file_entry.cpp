// SPDX-License-Identifier: MIT
// Directory entries through file attributes, MoveFileEx and DeleteFile (see
// file_entry.h). A reparse point (a symbolic link or junction) counts as a
// link and is renamed and removed itself, never what it points to.
#include "os/file_entry.h"

#include "os/win32/win32_support.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>

namespace vexlan {

bool IsFileOrLink(const std::string& path)
{
    if (IsDevicePath(path))
        return false;
    // GetFileAttributes describes a link itself, not its target.
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int RenameEntry(const std::string& from, const std::string& to)
{
    // Without MOVEFILE_COPY_ALLOWED the move stays one rename on one volume;
    // a link is moved as the link.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    return ErrnoFromWin32(GetLastError());
}

int RemoveEntry(const std::string& path)
{
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return ErrnoFromWin32(GetLastError());
    if ((attrs & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return EISDIR;
    // Windows refuses to delete a read-only file; its directory's permission
    // decides elsewhere, and a read-only job goes as well.
    const bool readOnly = (attrs & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !SetFileAttributesA(path.c_str(), attrs & ~DWORD{FILE_ATTRIBUTE_READONLY}))
        return ErrnoFromWin32(GetLastError());
    // A link to a directory is removed as a directory entry; the directory
    // it points to and its files stay.
    const BOOL removed = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryA(path.c_str())
                                                                  : DeleteFileA(path.c_str());
    if (removed)
        return 0;
    const int err = ErrnoFromWin32(GetLastError());
    if (readOnly)
        SetFileAttributesA(path.c_str(), attrs);
    return err;
}

bool IsAbsolutePath(const std::string& path)
{
    // Both separators count, as Windows takes both. A drive letter without
    // a separator ("C:name") is relative to that drive's directory.
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (!path.empty() && separator(path[0]))
        return true;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return path.size() >= 3 && letter(path[0]) && path[1] == ':' && separator(path[2]);
}

} // namespace vexlan
