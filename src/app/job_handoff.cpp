// Job hand-off: locate, read, then remove the job file.
#include "app/job_handoff.h"

#include "app/path_ops.h"
#include "job/job_reader.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

std::string ExecutablePath()
{
    // The platform's 260-byte limit does not apply here; a path of any
    // length that readlink can return is used.
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf)
        return std::string();
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string JobPathForExecutable(const std::string& exePath)
{
    // Without the executable's path there is no job to find: ".set" alone
    // would name an unrelated file in the current directory.
    if (exePath.empty())
        return std::string();
    return ReplacePathExt(exePath, ".set");
}

std::string ResolveJobPath(const std::string& given)
{
    return given.empty() ? JobPathForExecutable(ExecutablePath()) : given;
}

void HandOffJob(const std::string& jobPath, CPageItemArray& list, bool keepJob)
{
    LoadPrintJob(jobPath, list);
    if (keepJob || jobPath.empty())
        return;
    // Make the file writable first (the counterpart of resetting its
    // attributes to normal), then remove it; both results are ignored.
    struct stat st {};
    if (lstat(jobPath.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        chmod(jobPath.c_str(), (st.st_mode & 07777) | S_IWUSR);
    unlink(jobPath.c_str());
}

} // namespace vexlan
