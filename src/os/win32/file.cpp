// SPDX-License-Identifier: MIT
// Files on Win32: regular files opened through CreateFile, so that a name
// can be renamed and deleted while it is read, an open file's size, identity
// and position, and text lines (see file.h; file_classes.cpp holds the rest).
#include "os/file.h"

#include "os/win32/win32_support.h"

namespace vexlan {
namespace {

// FILETIME ticks (100 ns since 1601) as seconds and nanoseconds since 1970.
void SplitTime(uint64_t ticks, int64_t& sec, int64_t& nsec)
{
    constexpr int64_t kEpochDiff = 11644473600LL; // seconds from 1601 to 1970
    const auto t = static_cast<int64_t>(ticks);
    sec = t / 10000000 - kEpochDiff;
    nsec = (t % 10000000) * 100;
}

} // namespace

std::FILE* OpenRegularFile(const std::string& path) { return OpenRegularStream(path); }

bool OpenFileIdentity(std::FILE* f, FileIdentity& id)
{
    // The volume's serial number and the file's index name the file.
    StreamFacts facts;
    if (!GetStreamFacts(f, facts))
        return false;
    id.device = facts.volume;
    id.inode = facts.index;
    id.size = static_cast<int64_t>(facts.size);
    SplitTime(facts.writeTime, id.mtimeSec, id.mtimeNsec);
    SplitTime(facts.changeTime, id.ctimeSec, id.ctimeNsec);
    return true;
}

uint64_t OpenFileSize(std::FILE* f)
{
    uint64_t size = 0;
    return GetStreamSize(f, size) ? size : 0;
}

uint64_t CFile::GetPosition() const
{
    if (m_file == nullptr)
        return 0;
    // ftell's long has 32 bits here.
    const long long pos = _ftelli64(m_file);
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

bool CStdioFile::ReadString(std::string& line)
{
    line.clear();
    if (m_file == nullptr)
        return false;
    bool any = false;
    int c;
    _lock_file(m_file);
    while ((c = _getc_nolock(m_file)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            _unlock_file(m_file);
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    _unlock_file(m_file);
    return any;
}

} // namespace vexlan
