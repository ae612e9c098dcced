// SPDX-License-Identifier: MIT
// CAtomicFileDevice: a write-only QIODevice over CAtomicFile, for writers
// that take a device (the PDF device). A writer may not look at the results
// of its writes, so the device remembers the first failure itself;
// Commit() refuses to put a file in place after one.
#pragma once

#include "os/atomic_file.h"

#include <QIODevice>

#include <string>

namespace vexlan {

class CAtomicFileDevice : public QIODevice {
public:
    explicit CAtomicFileDevice(const std::string& target);

    // Creates the temporary file and opens the device for writing.
    bool Open();
    // Renames the complete file into place; false (and the temporary file
    // removed) when any write failed or the commit itself fails.
    bool Commit();
    // The reason of the first failure, empty while none.
    std::string Reason() const { return m_file.Error(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    static constexpr std::size_t kBufferBytes = 1 << 16;
    bool Flush();

    CAtomicFile m_file;
    std::string m_pending;
};

} // namespace vexlan
