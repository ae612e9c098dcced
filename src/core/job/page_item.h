// SPDX-License-Identifier: MIT
// One page item (the job file's 308-byte record, plus the data loaded for
// it), the process-wide item list, and FreePageItems.
//
// Record layout (little-endian, no gaps). Several fields share bytes; which
// one is meant depends on nType:
//   0   int32     nType        all
//   4   char[260] szText       0: the line's text; 1, 2: the source path
//   264 char[16]  szFaceName   0, 2
//   264 int32     bInvert      1     / nPenWidth  3
//   268 int32     bKeepAspect  1     / crColor    3 (uint32 0x00BBGGRR)
//   272 4 bytes   pBits slot   1 (content never used)
//   276 4 bytes   pBmi slot    1 (content never used)
//   280 uint32    nAlign       0     / nMaxLineLen 2
//   284 uint32    nLineCount   2
//   288 4 bytes   pszBlock slot 2 (content never used)
//   292 4 x int32 rcItem       all (left, top, right, bottom)
#pragma once

#include "core/base/wintypes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vexlan {

enum ItemType : int32_t {
    ITEM_TEXT = 0,
    ITEM_IMAGE = 1,
    ITEM_TEXTBLOCK = 2,
    ITEM_FRAME = 3,
};

namespace record {
constexpr std::size_t kSize = 308;
constexpr std::size_t kType = 0;
constexpr std::size_t kText = 4;
constexpr std::size_t kTextSize = 260;
constexpr std::size_t kFaceName = 264;
constexpr std::size_t kFaceNameSize = 16;
constexpr std::size_t kInvert = 264;      // also nPenWidth
constexpr std::size_t kKeepAspect = 268;  // also crColor
constexpr std::size_t kBitsSlot = 272;
constexpr std::size_t kBmiSlot = 276;
constexpr std::size_t kAlign = 280;       // also nMaxLineLen
constexpr std::size_t kLineCount = 284;
constexpr std::size_t kBlockSlot = 288;
constexpr std::size_t kRect = 292;
} // namespace record

// The in-memory item. Every field that a byte range can mean is decoded, so
// the fields that share bytes in the record (szFaceName / bInvert /
// nPenWidth, bKeepAspect / crColor, nAlign / nMaxLineLen) are all present;
// each type reads only its own. The string fields carry one extra byte that
// is always NUL, so a field without a NUL in its width still ends there.
//
// PageItem is copied by value; pBits, pBmi and pszBlock are owning
// references that travel with the copy. Only FreePageItems releases them.
// Image items naming the same picture may hold the same blocks, each item
// one holder of them (ImageBlockShare); the memory goes with the last.
struct PageItem {
    int32_t nType = 0;
    char szText[record::kTextSize + 1] = {};
    char szFaceName[record::kFaceNameSize + 1] = {};
    int32_t bInvert = 0;
    int32_t nPenWidth = 0;
    int32_t bKeepAspect = 0;
    COLORREF crColor = 0;
    void* pBits = nullptr;          // image pixels (image-block allocator)
    BITMAPINFO* pBmi = nullptr;     // image header + colour table (image-block allocator)
    UINT nAlign = 0;
    UINT nMaxLineLen = 0;
    UINT nLineCount = 0;
    char* pszBlock = nullptr;       // text block, new[]-allocated, NUL-terminated
    RECT rcItem;
    // The bytes of the file record that no field of this type reads (and
    // the reference slots): kept so that a record travels unchanged.
    uint8_t raw[record::kSize] = {};
};

// Decodes one 308-byte record field by field. Reference slots are not
// decoded: pBits, pBmi and pszBlock come out null.
PageItem DecodePageItem(const uint8_t* bytes);

// Encodes the fields of the item's type into a record, over the bytes kept
// in item.raw (so the producer's other bytes travel unchanged). Used by the
// producer's tool and by tests.
void EncodePageItem(const PageItem& item, uint8_t* out);

// Helpers to copy a std::string into a fixed string field, truncated so that
// a NUL always fits (text: 259 bytes, face: 15 bytes).
void SetItemText(PageItem& item, const std::string& text);
void SetItemFace(PageItem& item, const std::string& face);

// The ordered list of page items. Emptying it releases only its storage,
// never the items' loaded data (FreePageItems does that).
class CPageItemArray {
public:
    void RemoveAll() { std::vector<PageItem>().swap(m_items); }
    void Add(const PageItem& item) { m_items.push_back(item); }
    std::size_t GetSize() const { return m_items.size(); }
    const PageItem& GetAt(std::size_t i) const { return m_items.at(i); }
    PageItem& ElementAt(std::size_t i) { return m_items.at(i); }
    // Drops the items from `n` on (their loaded data is not released).
    void Truncate(std::size_t n) { m_items.erase(m_items.begin() + std::ptrdiff_t(std::min(n, m_items.size())), m_items.end()); }
    std::size_t GetCapacity() const { return m_items.capacity(); }

private:
    std::vector<PageItem> m_items;
};

// The one process-wide item list. Constructed during static
// initialisation, before the application object; the application object
// empties it with FreePageItems before it is destroyed.
extern CPageItemArray ItemList;

// Releases the loaded data of every item (each item's holders of its image
// blocks, text blocks), each once, and empties the list. Safe on an empty
// list and when called twice.
void FreePageItems(CPageItemArray& list);

// The same for the items from `first` on: their loaded data is released and
// they leave the list; the items before stay as they are.
void FreePageItemsFrom(CPageItemArray& list, std::size_t first);

} // namespace vexlan
