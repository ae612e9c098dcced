// SPDX-License-Identifier: MIT
// The parts of the file classes that every platform shares: reading through
// the stream the platform's OpenRegularFile gives, and the memory file
// (see file.h). Built with each platform's own file.cpp.
#include "os/file.h"

#include <algorithm>
#include <cstring>

namespace vexlan {

CFile::~CFile()
{
    if (m_file != nullptr)
        std::fclose(m_file);
}

bool CFile::Open(const std::string& path, UINT /*flags*/)
{
    Close();
    // Text and binary mode read the same bytes here; CStdioFile does the
    // line-end handling itself.
    m_file = OpenRegularFile(path);
    return m_file != nullptr;
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (m_file == nullptr || buffer == nullptr || count == 0)
        return 0;
    return static_cast<UINT>(std::fread(buffer, 1, count, m_file));
}

uint64_t CFile::GetLength() const { return m_file == nullptr ? 0 : OpenFileSize(m_file); }

void CFile::Close()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

UINT CMemFile::Read(void* buffer, UINT count)
{
    if (buffer == nullptr || m_data == nullptr || m_pos >= m_length)
        return 0;
    uint64_t n = std::min<uint64_t>(count, m_length - m_pos);
    std::memcpy(buffer, m_data + m_pos, static_cast<std::size_t>(n));
    m_pos += n;
    return static_cast<UINT>(n);
}

} // namespace vexlan
