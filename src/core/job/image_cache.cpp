// Decoded pictures shared by file (see image_cache.h).
#include "core/job/image_cache.h"

#include "core/dib/image_block.h"

#include <algorithm>
#include <sys/stat.h>

namespace vexlan {

bool CIdentifiedFile::Open(const std::string& path, UINT flags)
{
    if (!CFile::Open(path, flags))
        return false;
    struct stat st {};
    if (fstat(fileno(m_file), &st) != 0) {
        Close();
        return false;
    }
    m_key.device = static_cast<uint64_t>(st.st_dev);
    m_key.inode = static_cast<uint64_t>(st.st_ino);
    m_key.size = static_cast<int64_t>(st.st_size);
    m_key.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
    m_key.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
    m_key.ctimeSec = static_cast<int64_t>(st.st_ctim.tv_sec);
    m_key.ctimeNsec = static_cast<int64_t>(st.st_ctim.tv_nsec);
    return true;
}

ImageFileKey CIdentifiedFile::Key(bool packed) const
{
    ImageFileKey key = m_key;
    key.packed = packed;
    return key;
}

bool CImageCache::Share(const ImageFileKey& key, void*& pBits, BITMAPINFO*& pBmi)
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return false;
    const Entry& e = it->second;
    if (ImageBlockShare(e.bits, e.bitsSerial)) {
        if (ImageBlockShare(e.bmi, e.bmiSerial)) {
            pBits = e.bits;
            pBmi = e.bmi;
            return true;
        }
        ImageBlockFree(e.bits);
    }
    m_entries.erase(it);
    return false;
}

void CImageCache::Remember(const ImageFileKey& key, void* pBits, BITMAPINFO* pBmi) noexcept
{
    // Entries of released pictures are dropped once the map has doubled, so
    // it stays within twice the pictures alive, at linear cost overall.
    if (m_entries.size() >= m_sweepAt) {
        SweepReleased();
        m_sweepAt = std::max<std::size_t>(64, 2 * m_entries.size());
    }
    try {
        m_entries.insert_or_assign(key, Entry{pBits, ImageBlockSerial(pBits), pBmi, ImageBlockSerial(pBmi)});
    } catch (...) {
        // Out of memory: this picture is not shared; nothing else changes.
    }
}

void CImageCache::SweepReleased()
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (ImageBlockSerial(it->second.bits) != it->second.bitsSerial)
            it = m_entries.erase(it);
        else
            ++it;
    }
}

CImageCache& PageImageCache()
{
    static CImageCache cache;
    return cache;
}

} // namespace vexlan
