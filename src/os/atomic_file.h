// SPDX-License-Identifier: MIT
// CAtomicFile: writes a file that is either complete under its name or not
// there at all.
//
// The bytes go to a hidden temporary file in the target's own directory
// (".NAME.XXXXXX"), so that the final rename cannot cross file systems.
// Commit() pushes the data to the disk, closes the file and renames it over
// the target; only then does the target change. A failed step, or the end
// of the object before Commit(), removes the temporary file and leaves the
// target as it was. Every system call is checked: a full disk, an exceeded
// quota or an I/O error shows in write, fsync or close, and each of them
// fails the whole file.
//
// The target is the file a link points to when it names a symbolic link to
// an existing file (the link stays). A target that exists but is not a
// regular file (a directory, a device, a FIFO) is refused by Open().
#pragma once

#include <cstddef>
#include <string>

namespace vexlan {

class CAtomicFile {
public:
    explicit CAtomicFile(std::string target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file beside the target. On failure returns
    // false and Error() says why; nothing is left behind.
    bool Open();
    // Writes all `size` bytes at the end of the temporary file. On failure
    // returns false; the file is then failed for good (later writes and
    // Commit() fail too).
    bool Write(const void* data, std::size_t size);
    // fsync, close, rename over the target, then a best-effort sync of the
    // directory (the rename is visible by then and is not undone). On
    // failure returns false and the temporary file is gone.
    bool Commit();
    // Closes and removes the temporary file; the target is untouched.
    void Discard() noexcept;

    // The reason of the first failure, as strerror says it ("No space left
    // on device"); empty while nothing failed.
    const std::string& Error() const { return m_error; }
    // The temporary file's path while it exists (for a writer that opens
    // the file by name itself; its data is still synced through Commit()).
    const std::string& TempPath() const { return m_tempPath; }

private:
    bool Fail(int err);

    std::string m_target;
    std::string m_tempPath;
    std::string m_error;
    int m_fd = -1;
    unsigned m_mode = 0;
    bool m_failed = false;
};

} // namespace vexlan
