// SPDX-License-Identifier: MIT
// Decoded pictures shared between the image items of a page: items that name
// the same file (the same file, not only the same path: device, inode, size
// and change times) hold one decoded copy instead of one each.
//
// The cache holds no picture itself. It remembers which image blocks were
// decoded from which file, and hands out another holder of them (see
// ImageBlockShare) only while they are still live; the items own every
// holder, and FreePageItems releases each holder once, the memory going with
// the last one. A picture released meanwhile is simply decoded anew.
#pragma once

#include "os/file.h"
#include "core/base/wintypes.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>

namespace vexlan {

// Which file was read, and how: the same bytes read as a JPEG and as a
// packed file are different pictures.
struct ImageFileKey {
    FileIdentity file;
    bool packed = false;

    auto operator<=>(const ImageFileKey&) const = default;
};

// A file opened for reading (as CFile opens it) that also tells which file
// the opened descriptor is, whatever the path names by now.
class CIdentifiedFile : public CFile {
public:
    bool Open(const std::string& path, UINT flags) override;
    // The key of the open file; valid after a successful Open.
    ImageFileKey Key(bool packed) const;

private:
    ImageFileKey m_key;
};

class CImageCache {
public:
    // When the picture remembered for `key` is still live, sets pBits/pBmi
    // to it, with one new holder of each block that the caller now owns, and
    // returns true. Otherwise returns false and changes nothing.
    bool Share(const ImageFileKey& key, void*& pBits, BITMAPINFO*& pBmi);

    // Remembers the picture decoded from `key`. Never throws: a picture that
    // cannot be remembered is only not shared.
    void Remember(const ImageFileKey& key, void* pBits, BITMAPINFO* pBmi) noexcept;

    // Entries remembered, released pictures included until they are swept.
    std::size_t Size() const { return m_entries.size(); }

private:
    struct Entry {
        void* bits;
        uint64_t bitsSerial;
        BITMAPINFO* bmi;
        uint64_t bmiSerial;
    };
    void SweepReleased();

    std::map<ImageFileKey, Entry> m_entries;
    std::size_t m_sweepAt = 64;
};

// The one cache of the process's page, used by LoadImageItem.
CImageCache& PageImageCache();

} // namespace vexlan
