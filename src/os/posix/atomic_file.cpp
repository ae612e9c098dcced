// SPDX-License-Identifier: MIT
// CAtomicFile: temporary file beside the target, checked writes, fsync,
// close and rename.
#include "os/atomic_file.h"

#include "os/file_problem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

namespace {

// Longest piece of the target's name kept in the temporary name, so that
// ".NAME.XXXXXX" stays within a file system's 255-byte name limit.
constexpr std::size_t kMaxNameInTemp = 200;

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CurrentUmask()
{
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

} // namespace

bool CAtomicFile::Open()
{
    if (m_fd >= 0 || m_failed)
        return Fail(EBUSY);
    if (m_target.empty() || m_target.back() == '/')
        return Fail(EISDIR);

    struct stat st {};
    m_mode = 0666 & ~CurrentUmask();
    if (lstat(m_target.c_str(), &st) == 0) {
        struct stat linked {};
        if (S_ISLNK(st.st_mode) && stat(m_target.c_str(), &linked) == 0) {
            // A link to an existing file: replace the file, keep the link.
            char resolved[PATH_MAX];
            if (realpath(m_target.c_str(), resolved) == nullptr)
                return Fail(errno);
            m_target = resolved;
            st = linked;
        }
        if (S_ISDIR(st.st_mode))
            return Fail(EISDIR);
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            return Fail(EINVAL); // a device or FIFO cannot be replaced by a file
        if (S_ISREG(st.st_mode))
            m_mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(errno);
    }

    const std::string dir = DirectoryOf(m_target);
    std::string name = "." + NameOf(m_target).substr(0, kMaxNameInTemp) + ".XXXXXX";
    std::string path = dir == "/" ? "/" + name : dir + "/" + name;
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(errno);
    m_fd = fd;
    m_tempPath = path;
    if (fchmod(m_fd, m_mode) != 0)
        return Fail(errno);
    return true;
}

bool CAtomicFile::Write(const void* data, std::size_t size)
{
    if (m_failed || m_fd < 0)
        return Fail(m_failed ? EIO : EBADF);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size > (1u << 30) ? (1u << 30) : size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (n == 0)
            return Fail(EIO);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CAtomicFile::Commit()
{
    if (m_failed || m_fd < 0)
        return Fail(m_failed ? EIO : EBADF);
    if (fsync(m_fd) != 0)
        return Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0)
        return Fail(errno);
    if (rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return Fail(errno);
    m_tempPath.clear();
    const int dirFd = open(DirectoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

void CAtomicFile::Discard() noexcept
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

} // namespace vexlan
