// SPDX-License-Identifier: MIT
// The running program through GetModuleFileName, file identities and the
// system's random source (see process.h).
#include "os/process.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <ntsecapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vexlan {
namespace {

// The running executable's path in UTF-16, any length.
std::wstring ModulePathW()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::wstring();
        if (n < buf.size())
            return std::wstring(buf.data(), n);
        if (buf.size() >= 32768)
            return std::wstring();
        buf.resize(buf.size() * 2);
    }
}

// `w` in the ANSI code page; empty when a character has no ANSI form.
std::string ToAnsi(const std::wstring& w)
{
    if (w.empty())
        return std::string();
    const int len = static_cast<int>(w.size());
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), len, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), len, out.data(), n, nullptr, &lossy);
    return lossy ? std::string() : out;
}

// Volume serial and file index of a file, links followed.
bool FileKey(HANDLE h, uint64_t& volume, uint64_t& index)
{
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    if (!ok)
        return false;
    volume = info.dwVolumeSerialNumber;
    index = uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    return true;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

std::string ExecutablePath()
{
    // The path in the ANSI code page, which the job's own paths use; a
    // folder whose name the code page cannot spell is taken by its short
    // (8.3) name, which is plain ASCII.
    const std::wstring wide = ModulePathW();
    if (std::string ansi = ToAnsi(wide); !ansi.empty() || wide.empty())
        return ansi;
    const DWORD need = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (need == 0)
        return std::string();
    std::vector<wchar_t> shortPath(need + 1);
    const DWORD n = GetShortPathNameW(wide.c_str(), shortPath.data(), need + 1);
    if (n == 0 || n > need)
        return std::string();
    return ToAnsi(std::wstring(shortPath.data(), n));
}

// Windows keeps no separate record of the path the starter passed; the
// module's path is the path the program was started from.
std::string ExecutedPath() { return ExecutablePath(); }

bool IsRunningExecutable(const std::string& path)
{
    uint64_t va = 0, ia = 0, vb = 0, ib = 0;
    const std::wstring self = ModulePathW();
    return !self.empty() &&
           FileKey(CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
                   va, ia) &&
           FileKey(CreateFileW(self.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
                   vb, ib) &&
           va == vb && ia == ib;
}

bool IsExecutableFile(const std::string& path)
{
    // What CreateProcess runs by its name: a ".exe" or ".com" file this
    // process may open for execution.
    const std::size_t dot = path.find_last_of(".\\/");
    if (dot == std::string::npos || path[dot] != '.')
        return false;
    const std::string ext = path.substr(dot + 1);
    if (lstrcmpiA(ext.c_str(), "exe") != 0 && lstrcmpiA(ext.c_str(), "com") != 0)
        return false;
    const HANDLE h = CreateFileA(path.c_str(), FILE_EXECUTE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool file = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(h);
    return file;
}

std::string CurrentDirectory()
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD need = GetCurrentDirectoryA(0, nullptr);
        if (need == 0)
            return std::string();
        std::vector<char> buf(need);
        const DWORD n = GetCurrentDirectoryA(need, buf.data());
        if (n == 0)
            return std::string();
        if (n < need)
            return std::string(buf.data(), n);
        // Changed meanwhile to a longer one: ask again.
    }
    return std::string();
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool RandomBytes(void* out, std::size_t size)
{
    // RtlGenRandom (advapi32, linked by default) never waits.
    auto* p = static_cast<unsigned char*>(out);
    while (size > 0) {
        const ULONG chunk = size > 0x10000000u ? 0x10000000u : static_cast<ULONG>(size);
        if (!RtlGenRandom(p, chunk))
            return false;
        p += chunk;
        size -= chunk;
    }
    return true;
}

} // namespace vexlan
