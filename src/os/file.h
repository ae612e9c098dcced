// SPDX-License-Identifier: MIT
// Small file classes with the read semantics the loaders rely on:
//   CFile      binary file; Open reports failure without throwing; Read
//              returns the bytes actually read (fewer at end of file);
//              GetLength is the whole length whatever the position.
//   CStdioFile text-mode lines: LF ends a line, a CR right before that LF is
//              dropped, the last line needs no LF, lines of any length.
//   CMemFile   reads a borrowed buffer as a file of exactly its length; it
//              never grows and never releases the buffer.
#pragma once

#include "core/base/wintypes.h"

#include <compare>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vexlan {

// Which file an open stream reads, as the file system tells it: equal values
// are the same file with the same size and change times.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    int64_t ctimeSec = 0;
    int64_t ctimeNsec = 0;

    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file `f` has open, whatever its path names by now;
// false when the system cannot tell.
bool OpenFileIdentity(std::FILE* f, FileIdentity& id);

// The size in bytes of the file `f` has open, whatever the stream's
// position; 0 when the system cannot tell.
uint64_t OpenFileSize(std::FILE* f);

// Opens `path` for binary reading when it names a regular file, following
// links. Never blocks: a FIFO, device, directory or socket is refused before
// any read, as a file that cannot be opened is. Returns the open stream (the
// caller closes it), or nullptr.
std::FILE* OpenRegularFile(const std::string& path);

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens an existing file for reading. Returns false (and throws nothing)
    // when it cannot be opened or is not a regular file.
    virtual bool Open(const std::string& path, UINT flags);
    // Reads up to `count` bytes at the current position into `buffer`;
    // returns how many were read (0 at end of file or on error).
    virtual UINT Read(void* buffer, UINT count);
    // Total length in bytes, whatever the current position; 0 when closed.
    virtual uint64_t GetLength() const;
    virtual uint64_t GetPosition() const;
    virtual void Close();
    bool IsOpen() const { return m_file != nullptr; }

protected:
    std::FILE* m_file = nullptr;
};

class CStdioFile : public CFile {
public:
    // Reads the next line into `line` (without its LF, and without a CR
    // standing right before that LF). Returns false when no line is left.
    bool ReadString(std::string& line);
};

class CMemFile : public CFile {
public:
    // Reads `data` as a file of `length` bytes. The buffer is borrowed: it
    // must outlive the object and is never released by it.
    CMemFile(const uint8_t* data, uint64_t length) : m_data(data), m_length(length) {}

    bool Open(const std::string&, UINT) override { return false; }
    UINT Read(void* buffer, UINT count) override;
    uint64_t GetLength() const override { return m_length; }
    uint64_t GetPosition() const override { return m_pos; }
    void Close() override {}

private:
    const uint8_t* m_data;
    uint64_t m_length;
    uint64_t m_pos = 0;
};

} // namespace vexlan
