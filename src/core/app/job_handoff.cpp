// SPDX-License-Identifier: MIT
// Job hand-off: locate the job file, claim it, read it, remove it.
#include "core/app/job_handoff.h"

#include "core/app/path_ops.h"
#include "core/job/job_reader.h"
#include "core/text/codepage.h"
#include "os/file.h"
#include "os/file_entry.h"
#include "os/file_problem.h"
#include "os/process.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace vexlan {
namespace {

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

} // namespace

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
        if (!started.empty() && IsRunningExecutable(started))
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
    const std::string exe = argv0 == nullptr ? ExecutablePath()
                                             : StartedExecutablePath(argv0, std::getenv("PATH"), CurrentDirectory(),
                                                                     ExecutedPath().c_str());
    return JobPathForExecutable(exe);
}

std::string ClaimedJobName(const std::string& jobPath)
{
    std::size_t slash = jobPath.rfind('/');
    if (kNativeSeparator != '/') {
        // Windows takes either separator; a backslash may be a trail byte.
        const std::size_t native = MbsReverseFind(jobPath, kNativeSeparator);
        if (native != std::string::npos && (slash == std::string::npos || native > slash))
            slash = native;
    }
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    // The job's own name, cut short so that the whole name stays well
    // within the file system's 255 bytes, tells what a leftover was.
    const std::string base = jobPath.substr(start, std::min<std::size_t>(jobPath.size() - start, 160));
    uint64_t nonce = 0;
    if (!RandomBytes(&nonce, sizeof nonce))
        nonce = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    static std::atomic<unsigned> serial{0};
    char tail[80];
    std::snprintf(tail, sizeof tail, ".%ld.%u.%016llx.claimed", ProcessId(), serial++,
                  static_cast<unsigned long long>(nonce));
    return jobPath.substr(0, start) + "." + base + tail;
}

bool HandOffJob(const std::string& jobPath, CPageItemArray& list, bool keepJob,
                LoadDiagnostics* diagnostics)
{
    if (jobPath.empty()) {
        LoadPrintJob(jobPath, list, diagnostics);
        return false;
    }
    // A job piped in: read as a file is, record by record, and there is
    // nothing to claim or delete.
    if (jobPath == kStandardInputJob) {
        ReadPrintJob(stdin, "standard input", std::string(), list, diagnostics);
        return true;
    }
    // Claiming: the job is renamed to a name of this process's own in the
    // same directory before it is read. rename is atomic, so of several
    // instances started on one job exactly one finds it under the job's
    // name; the others find no job, as if the producer had written none.
    // Only a regular file or a symbolic link is claimed; rename moves the
    // link itself, and the reading then follows it as before. Nodes that are
    // no job file (a FIFO, a device such as /dev/null named by --job) stay
    // where they are and are read in place (OpenRegularFile refuses them).
    // Removing or renaming a name needs write permission on its directory,
    // not on the file, so a read-only job goes too.
    std::string readFrom = jobPath;
    int notDeleted = 0; // errno of a job that stays
    if (!keepJob && IsFileOrLink(jobPath)) {
        const std::string claimed = ClaimedJobName(jobPath);
        if (const int err = RenameEntry(jobPath, claimed); err == 0) {
            // A node swapped in between the look and the rename goes back.
            if (IsFileOrLink(claimed))
                readFrom = claimed;
            else
                RenameEntry(claimed, jobPath);
        } else if (err == ENOENT) {
            // Another instance claimed it first.
            ReadPrintJob(nullptr, jobPath, ErrnoReason(ENOENT), list, diagnostics);
            return false;
        } else {
            notDeleted = err;
        }
    }
    std::FILE* f = OpenRegularFile(readFrom);
    const std::string why = f == nullptr && diagnostics != nullptr ? FileProblem(readFrom) : std::string();
    // The claimed name goes as soon as the job is open: it is read through
    // the open stream, so a run that ends while reading leaves nothing
    // behind (and nothing that a later start would read again).
    const int removeError = readFrom != jobPath ? RemoveEntry(readFrom) : 0;
    const bool claimedStays = removeError != 0;
    if (claimedStays)
        notDeleted = removeError;
    ReadPrintJob(f, jobPath, why, list, diagnostics);
    if (notDeleted != 0 && diagnostics != nullptr)
        diagnostics->Add(LoadWarning::kWholeJob,
                         "job file " + QuotedPath(jobPath) + ": cannot be deleted (" + ErrnoReason(notDeleted) +
                             (claimedStays ? "); it stays as " + QuotedPath(readFrom)
                                           : "); it stays, and the next start will read it again"));
    return f != nullptr;
}

} // namespace vexlan
