// Reasons a file cannot be read (see file_problem.h).
#include "platform/file_problem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace vexlan {

std::string ErrnoReason(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return "no such file";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EISDIR:
        return "not a regular file";
    case ELOOP:
        return "too many symbolic links";
    default:
        return std::strerror(err);
    }
}

std::string FileProblem(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return ErrnoReason(errno);
    // Checked before opening: opening a pipe would wait for a writer.
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return ErrnoReason(errno);
    std::fclose(f);
    return std::string();
}

} // namespace vexlan
