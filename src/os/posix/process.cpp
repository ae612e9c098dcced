// SPDX-License-Identifier: MIT
// The running program through /proc, the auxiliary vector and getrandom
// (see process.h).
#include "os/process.h"

#include <cstdlib>
#include <sys/auxv.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {
namespace {

constexpr char kSelfExe[] = "/proc/self/exe";

} // namespace

std::string ExecutablePath()
{
    // The platform's 260-byte limit does not apply here; a path of any
    // length that readlink can return is used.
    char buf[4096];
    const ssize_t n = readlink(kSelfExe, buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf)
        return std::string();
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string ExecutedPath()
{
    const auto execFn = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    return execFn == nullptr ? std::string() : std::string(execFn);
}

bool IsRunningExecutable(const std::string& path)
{
    struct stat sa {}, sb {};
    return stat(path.c_str(), &sa) == 0 && stat(kSelfExe, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string CurrentDirectory()
{
    char* dir = getcwd(nullptr, 0);
    if (dir == nullptr)
        return std::string();
    std::string out(dir);
    std::free(dir);
    return out;
}

long ProcessId() { return static_cast<long>(getpid()); }

bool RandomBytes(void* out, std::size_t size)
{
    return getrandom(out, size, GRND_NONBLOCK) == static_cast<ssize_t>(size);
}

} // namespace vexlan
