// SPDX-License-Identifier: MIT
// Files on POSIX: opening regular files only, an open file's size, identity and
// position, and text lines through stdio (see file.h; file_classes.cpp holds
// the rest of the file classes).
#include "os/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

std::FILE* OpenRegularFile(const std::string& path)
{
    // A quick look first, so that a device is not even opened (opening one
    // can have effects of its own); the check that counts is the fstat on
    // the descriptor, which is the file that will be read whatever was
    // renamed meanwhile. O_NONBLOCK makes opening a FIFO return at once
    // instead of waiting for a writer.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "rb");
    if (f == nullptr)
        close(fd);
    return f;
}

bool OpenFileIdentity(std::FILE* f, FileIdentity& id)
{
    struct stat st {};
    if (fstat(fileno(f), &st) != 0)
        return false;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<int64_t>(st.st_size);
    id.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
    id.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
    id.ctimeSec = static_cast<int64_t>(st.st_ctim.tv_sec);
    id.ctimeNsec = static_cast<int64_t>(st.st_ctim.tv_nsec);
    return true;
}

uint64_t OpenFileSize(std::FILE* f)
{
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || st.st_size < 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

uint64_t CFile::GetPosition() const
{
    if (m_file == nullptr)
        return 0;
    long pos = std::ftell(m_file);
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

bool CStdioFile::ReadString(std::string& line)
{
    line.clear();
    if (m_file == nullptr)
        return false;
    bool any = false;
    int c;
    while ((c = getc_unlocked(m_file)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return any;
}

} // namespace vexlan
