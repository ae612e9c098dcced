// SPDX-License-Identifier: MIT
// Windows error codes as errno values, device names, opening a file for
// reading (see win32_support.h).
#include "os/win32/win32_support.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <vector>

namespace vexlan {

int ErrnoFromWin32(unsigned long code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
    case ERROR_NO_MORE_FILES:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CANNOT_MAKE:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_DELETE_PENDING:
        return EACCES;
    case ERROR_PRIVILEGE_NOT_HELD:
        return EPERM;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_BUSY:
    case ERROR_DRIVE_LOCKED:
        return EBUSY;
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return ENOSYS;
    default:
        return EIO;
    }
}

bool IsDevicePath(const std::string& path)
{
    const auto isSep = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 4 && isSep(path[0]) && isSep(path[1]) && path[2] == '.' && isSep(path[3]))
        return true;
    // A reserved name comes back from GetFullPathName in the device
    // namespace ("NUL" is "\\.\NUL"); the call looks at the name only.
    const DWORD need = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (need == 0)
        return false;
    std::vector<char> full(need + 1);
    const DWORD n = GetFullPathNameA(path.c_str(), need + 1, full.data(), nullptr);
    return n >= 4 && n <= need && full[0] == '\\' && full[1] == '\\' && full[2] == '.' && full[3] == '\\';
}

void* OpenRegularHandle(const std::string& path, int& err)
{
    err = 0;
    // A quick look first, so that a device or directory is not even opened;
    // the check that counts is on the handle, which is the file that will
    // be read whatever was renamed meanwhile.
    if (IsDevicePath(path)) {
        err = EINVAL;
        return nullptr;
    }
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        err = ErrnoFromWin32(GetLastError());
        return nullptr;
    }
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
        err = EISDIR;
        return nullptr;
    }
    // FILE_SHARE_DELETE: the hand-off removes the job's name while it reads
    // the job through this handle.
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        err = ErrnoFromWin32(GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(h);
        err = EISDIR;
        return nullptr;
    }
    return h;
}

std::FILE* OpenRegularStream(const std::string& path)
{
    int err = 0;
    void* h = OpenRegularHandle(path, err);
    if (h == nullptr)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "rb");
    if (f == nullptr)
        _close(fd);
    return f;
}

namespace {

// The handle under a stream, or INVALID_HANDLE_VALUE.
HANDLE StreamHandle(std::FILE* f)
{
    const int fd = f == nullptr ? -1 : _fileno(f);
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

uint64_t Ticks(const FILETIME& t) { return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime; }

} // namespace

bool GetStreamFacts(std::FILE* f, StreamFacts& facts)
{
    const HANDLE h = StreamHandle(f);
    BY_HANDLE_FILE_INFORMATION info{};
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info))
        return false;
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    facts.size = uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    facts.writeTime = Ticks(info.ftLastWriteTime);
    // The change time (data or attributes) is only in the basic information.
    FILE_BASIC_INFO basic{};
    facts.changeTime = GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)
                           ? static_cast<uint64_t>(basic.ChangeTime.QuadPart)
                           : facts.writeTime;
    return true;
}

bool GetStreamSize(std::FILE* f, uint64_t& size)
{
    const HANDLE h = StreamHandle(f);
    LARGE_INTEGER li{};
    if (h == INVALID_HANDLE_VALUE || !GetFileSizeEx(h, &li) || li.QuadPart < 0)
        return false;
    size = static_cast<uint64_t>(li.QuadPart);
    return true;
}

} // namespace vexlan
