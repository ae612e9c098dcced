// SPDX-License-Identifier: MIT
// Reasons a file cannot be read (see file_problem.h).
#include "os/file_problem.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

std::string SystemErrorText(int err)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (c == static_cast<locale_t>(nullptr))
        return "error " + std::to_string(err);
    return strerror_l(err, c);
}

std::string FileProblem(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return ErrnoReason(errno);
    // Checked before opening, so that a device is not even opened; a FIFO
    // swapped in meanwhile opens at once (O_NONBLOCK), and fstat on the
    // descriptor then refuses it.
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return ErrnoReason(errno);
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular ? std::string() : "not a regular file";
}

} // namespace vexlan
