// SPDX-License-Identifier: MIT
// ErrnoReason: the words the program's messages use for the commonest file
// failures, the same on every platform (see file_problem.h).
#include "os/file_problem.h"

#include <cerrno>

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
        return SystemErrorText(err);
    }
}

} // namespace vexlan
