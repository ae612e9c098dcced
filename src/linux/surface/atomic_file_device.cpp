// SPDX-License-Identifier: MIT
// CAtomicFileDevice: QIODevice writes forwarded to CAtomicFile.
#include "linux/surface/atomic_file_device.h"

namespace vexlan {

CAtomicFileDevice::CAtomicFileDevice(const std::string& target) : m_file(target) {}

bool CAtomicFileDevice::Open()
{
    return m_file.Open() && QIODevice::open(QIODevice::WriteOnly);
}

bool CAtomicFileDevice::Flush()
{
    const bool ok = m_pending.empty() || m_file.Write(m_pending.data(), m_pending.size());
    m_pending.clear();
    return ok;
}

bool CAtomicFileDevice::Commit()
{
    if (isOpen())
        QIODevice::close();
    if (!Flush()) // the file is failed and gone; Commit() reports it
        return false;
    return m_file.Commit();
}

qint64 CAtomicFileDevice::readData(char*, qint64) { return -1; }

qint64 CAtomicFileDevice::writeData(const char* data, qint64 size)
{
    if (size < 0)
        return -1;
    // Small writes are gathered: the PDF engine writes object by object.
    if (m_pending.size() + static_cast<std::size_t>(size) > kBufferBytes && !Flush())
        return -1;
    if (static_cast<std::size_t>(size) >= kBufferBytes)
        return m_file.Write(data, static_cast<std::size_t>(size)) ? size : -1;
    m_pending.append(data, static_cast<std::size_t>(size));
    return size;
}

} // namespace vexlan
