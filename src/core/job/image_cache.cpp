// SPDX-License-Identifier: MIT
// Decoded pictures shared by file (see image_cache.h).
#include "core/job/image_cache.h"

#include "core/dib/image_block.h"

#include <algorithm>

namespace vexlan {

bool CIdentifiedFile::Open(const std::string& path, UINT flags)
{
    if (!CFile::Open(path, flags))
        return false;
    if (!OpenFileIdentity(m_file, m_key.file)) {
        Close();
        return false;
    }
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
