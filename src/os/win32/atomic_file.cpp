// SPDX-License-Identifier: MIT
// CAtomicFile on Win32: a temporary file beside the target, checked writes,
// FlushFileBuffers, then MoveFileEx with replace and write-through (see
// atomic_file.h).
#include "os/atomic_file.h"

#include "os/file_problem.h"
#include "os/process.h"
#include "os/win32/win32_support.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <vector>

namespace vexlan {
namespace {

// Longest piece of the target's name kept in the temporary name, so that
// ".NAME.XXXXXX" stays within a file system's 255-character name limit.
constexpr std::size_t kMaxNameInTemp = 200;

// Where the name starts: after the last separator, or after "X:" of a
// drive-relative name.
std::size_t NameStart(const std::string& path)
{
    const std::size_t sep = path.find_last_of("/\\");
    if (sep != std::string::npos)
        return sep + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// At most `max` bytes of `name`, cut between characters of the ANSI code
// page (half a double-byte character would make an invalid name).
std::string CutName(const std::string& name, std::size_t max)
{
    std::size_t i = 0;
    while (i < name.size()) {
        const std::size_t n = IsDBCSLeadByte(static_cast<BYTE>(name[i])) && i + 1 < name.size() ? 2 : 1;
        if (i + n > max)
            break;
        i += n;
    }
    return name.substr(0, i);
}

// The file a symbolic link leads to, as an ANSI path; empty when the link
// leads nowhere or the path does not come back in the ANSI code page.
std::string LinkTarget(const std::string& link)
{
    const HANDLE h = CreateFileA(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::vector<char> buf(MAX_PATH + 1);
    DWORD n = GetFinalPathNameByHandleA(h, buf.data(), static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
    if (n >= buf.size()) {
        buf.resize(n + 1);
        n = GetFinalPathNameByHandleA(h, buf.data(), static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
    }
    CloseHandle(h);
    if (n == 0 || n >= buf.size())
        return std::string();
    std::string path(buf.data(), n);
    // "\\?\C:\dir\file" and "\\?\UNC\server\share\file" in their usual forms.
    if (path.rfind("\\\\?\\UNC\\", 0) == 0)
        path = "\\\\" + path.substr(8);
    else if (path.rfind("\\\\?\\", 0) == 0)
        path = path.substr(4);
    return path.find('?') == std::string::npos ? path : std::string();
}

HANDLE FdHandle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

} // namespace

bool CAtomicFile::Open()
{
    if (m_fd >= 0 || m_failed)
        return Fail(EBUSY);
    if (m_target.empty() || m_target.back() == '/' || m_target.back() == '\\')
        return Fail(EISDIR);
    if (IsDevicePath(m_target))
        return Fail(EINVAL); // a device cannot be replaced by a file

    DWORD attrs = GetFileAttributesA(m_target.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES) {
        if ((attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            // A link to an existing file: replace the file, keep the link.
            // A link that leads nowhere is replaced itself.
            if (const std::string resolved = LinkTarget(m_target); !resolved.empty()) {
                m_target = resolved;
                attrs = GetFileAttributesA(m_target.c_str());
                if (attrs == INVALID_FILE_ATTRIBUTES)
                    return Fail(ErrnoFromWin32(GetLastError()));
            }
        }
        if ((attrs & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Fail(EISDIR);
        // Windows' meaning of read-only: the file is not to be overwritten.
        if ((attrs & FILE_ATTRIBUTE_READONLY) != 0)
            return Fail(EACCES);
    } else if (const DWORD code = GetLastError(); code != ERROR_FILE_NOT_FOUND) {
        return Fail(ErrnoFromWin32(code));
    }

    const std::size_t start = NameStart(m_target);
    const std::string prefix = m_target.substr(0, start) + "." + CutName(m_target.substr(start), kMaxNameInTemp) + ".";
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6] = {};
        if (!RandomBytes(random, sizeof random)) {
            const uint64_t t = GetTickCount64() + static_cast<uint64_t>(attempt) * 7919u + GetCurrentProcessId();
            for (std::size_t i = 0; i < sizeof random; ++i)
                random[i] = static_cast<unsigned char>(t >> (i * 8));
        }
        std::string path = prefix;
        for (const unsigned char r : random)
            path.push_back(kDigits[r % 36]);
        // Sharing lets a writer that opens the file by name (TempPath) in.
        const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
                continue;
            return Fail(ErrnoFromWin32(code));
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(h);
            DeleteFileA(path.c_str());
            return Fail(EMFILE);
        }
        m_fd = fd;
        m_tempPath = path;
        return true;
    }
    return Fail(EEXIST);
}

bool CAtomicFile::Write(const void* data, std::size_t size)
{
    if (m_failed || m_fd < 0)
        return Fail(m_failed ? EIO : EBADF);
    const HANDLE h = FdHandle(m_fd);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr))
            return Fail(ErrnoFromWin32(GetLastError()));
        if (written == 0)
            return Fail(EIO);
        p += written;
        size -= written;
    }
    return true;
}

bool CAtomicFile::Commit()
{
    if (m_failed || m_fd < 0)
        return Fail(m_failed ? EIO : EBADF);
    if (!FlushFileBuffers(FdHandle(m_fd)))
        return Fail(ErrnoFromWin32(GetLastError()));
    const int fd = m_fd;
    m_fd = -1;
    if (_close(fd) != 0)
        return Fail(EIO);
    // Write-through: the call returns once the rename is on the disk too,
    // which is the directory sync of other systems.
    if (!MoveFileExA(m_tempPath.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Fail(ErrnoFromWin32(GetLastError()));
    m_tempPath.clear();
    return true;
}

void CAtomicFile::Discard() noexcept
{
    if (m_fd >= 0) {
        _close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        DeleteFileA(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

} // namespace vexlan
