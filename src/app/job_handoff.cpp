// Job hand-off: locate, read, then remove the job file.
#include "app/job_handoff.h"

#include "app/path_ops.h"
#include "job/job_reader.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {
namespace {

constexpr char kSelfExe[] = "/proc/self/exe";

// `name` inside `dir`; `name` alone when `dir` is empty.
std::string JoinDir(const std::string& dir, std::string_view name)
{
    if (dir.empty())
        return std::string(name);
    std::string out = dir;
    if (out.back() != '/')
        out.push_back('/');
    out.append(name);
    return out;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// True when both paths, links followed, are the same file.
bool SameFile(const std::string& a, const char* b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The working directory, or empty when it cannot be had (relative names are
// then used as they stand).
std::string CurrentDir()
{
    char* dir = getcwd(nullptr, 0);
    if (dir == nullptr)
        return std::string();
    std::string out(dir);
    std::free(dir);
    return out;
}

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

std::string StartedName(const char* argv0, const char* pathEnv, const std::string& cwd)
{
    if (argv0 == nullptr || *argv0 == '\0')
        return std::string();
    const std::string_view name(argv0);
    if (name.find('/') != std::string_view::npos)
        return name.front() == '/' ? std::string(name) : JoinDir(cwd, name);
    if (pathEnv == nullptr)
        return std::string();
    // PATH's directories in order, as the shell searched them.
    const std::string_view path(pathEnv);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        const std::string_view entry = path.substr(start, end - start);
        std::string dir;
        if (entry.empty())
            dir = cwd;
        else if (entry.front() == '/')
            dir = std::string(entry);
        else
            dir = JoinDir(cwd, entry);
        std::string candidate = JoinDir(dir, name);
        if (IsExecutableFile(candidate))
            return candidate;
        if (end == path.size())
            return std::string();
        start = end + 1;
    }
}

std::string StartedExecutablePath(const char* argv0, const char* pathEnv, const std::string& cwd,
                                  const char* execFn)
{
    // The path execve received names the link the starter ran even when
    // argv[0] is a bare name the starter made up; argv[0] is whatever the
    // starter chose. Either counts only when it leads to this very program.
    const std::string names[] = {
        execFn == nullptr || *execFn == '\0' ? std::string() : *execFn == '/' ? execFn : JoinDir(cwd, execFn),
        StartedName(argv0, pathEnv, cwd)};
    for (const std::string& started : names) {
        if (!started.empty() && SameFile(started, kSelfExe))
            return started;
    }
    return ExecutablePath();
}

std::string JobPathForExecutable(const std::string& exePath)
{
    // Without the executable's path there is no job to find: ".set" alone
    // would name an unrelated file in the current directory.
    if (exePath.empty())
        return std::string();
    return ReplacePathExt(exePath, ".set");
}

std::string ResolveJobPath(const std::string& given, const char* argv0)
{
    if (!given.empty())
        return given;
    const auto execFn = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    const std::string exe = argv0 == nullptr
                                ? ExecutablePath()
                                : StartedExecutablePath(argv0, std::getenv("PATH"), CurrentDir(), execFn);
    return JobPathForExecutable(exe);
}

void HandOffJob(const std::string& jobPath, CPageItemArray& list, bool keepJob,
                LoadDiagnostics* diagnostics)
{
    LoadPrintJob(jobPath, list, diagnostics);
    if (keepJob || jobPath.empty())
        return;
    // Removing a name needs write permission on its directory, not on the
    // file, so a read-only job goes without its mode being touched (and no
    // mode change can be redirected through a link swapped in meanwhile).
    // unlink never follows a link. Nodes that are no job file (a FIFO, a
    // device such as /dev/null named by --job) are left alone.
    struct stat st {};
    if (lstat(jobPath.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        unlink(jobPath.c_str());
}

} // namespace vexlan
