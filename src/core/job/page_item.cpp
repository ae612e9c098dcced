// SPDX-License-Identifier: MIT
// Record decoding/encoding, the global item list and FreePageItems.
#include "core/job/page_item.h"

#include "core/base/bytes.h"
#include "core/dib/image_block.h"

#include <algorithm>
#include <cstring>

namespace vexlan {

CPageItemArray ItemList;

PageItem DecodePageItem(const uint8_t* b)
{
    PageItem it;
    std::memcpy(it.raw, b, record::kSize);
    it.nType = ReadI32LE(b + record::kType);
    std::memcpy(it.szText, b + record::kText, record::kTextSize);
    it.szText[record::kTextSize] = '\0';
    std::memcpy(it.szFaceName, b + record::kFaceName, record::kFaceNameSize);
    it.szFaceName[record::kFaceNameSize] = '\0';
    it.bInvert = ReadI32LE(b + record::kInvert);
    it.nPenWidth = ReadI32LE(b + record::kInvert);
    it.bKeepAspect = ReadI32LE(b + record::kKeepAspect);
    it.crColor = ReadU32LE(b + record::kKeepAspect);
    it.nAlign = ReadU32LE(b + record::kAlign);
    it.nMaxLineLen = ReadU32LE(b + record::kAlign);
    it.nLineCount = ReadU32LE(b + record::kLineCount);
    it.rcItem.left = ReadI32LE(b + record::kRect);
    it.rcItem.top = ReadI32LE(b + record::kRect + 4);
    it.rcItem.right = ReadI32LE(b + record::kRect + 8);
    it.rcItem.bottom = ReadI32LE(b + record::kRect + 12);
    return it;
}

void EncodePageItem(const PageItem& it, uint8_t* out)
{
    std::memcpy(out, it.raw, record::kSize);
    WriteI32LE(out + record::kType, it.nType);
    switch (it.nType) {
    case ITEM_TEXT:
    case ITEM_TEXTBLOCK:
        std::memcpy(out + record::kText, it.szText, record::kTextSize);
        std::memcpy(out + record::kFaceName, it.szFaceName, record::kFaceNameSize);
        WriteU32LE(out + record::kAlign, it.nType == ITEM_TEXT ? it.nAlign : it.nMaxLineLen);
        if (it.nType == ITEM_TEXTBLOCK)
            WriteU32LE(out + record::kLineCount, it.nLineCount);
        break;
    case ITEM_IMAGE:
        std::memcpy(out + record::kText, it.szText, record::kTextSize);
        WriteI32LE(out + record::kInvert, it.bInvert);
        WriteI32LE(out + record::kKeepAspect, it.bKeepAspect);
        break;
    case ITEM_FRAME:
        WriteI32LE(out + record::kInvert, it.nPenWidth);
        WriteU32LE(out + record::kKeepAspect, it.crColor);
        break;
    default:
        break;
    }
    WriteI32LE(out + record::kRect, it.rcItem.left);
    WriteI32LE(out + record::kRect + 4, it.rcItem.top);
    WriteI32LE(out + record::kRect + 8, it.rcItem.right);
    WriteI32LE(out + record::kRect + 12, it.rcItem.bottom);
}

static void CopyField(char* field, std::size_t width, const std::string& s)
{
    std::memset(field, 0, width);
    std::memcpy(field, s.data(), std::min(s.size(), width - 1));
}

void SetItemText(PageItem& item, const std::string& text)
{
    CopyField(item.szText, record::kTextSize, text);
}

void SetItemFace(PageItem& item, const std::string& face)
{
    CopyField(item.szFaceName, record::kFaceNameSize, face);
}

void FreePageItems(CPageItemArray& list) { FreePageItemsFrom(list, 0); }

void FreePageItemsFrom(CPageItemArray& list, std::size_t first)
{
    for (std::size_t i = first; i < list.GetSize(); ++i) {
        PageItem& it = list.ElementAt(i);
        switch (it.nType) {
        case ITEM_IMAGE:
            if (it.pBits != nullptr)
                ImageBlockFree(it.pBits);
            if (it.pBmi != nullptr)
                ImageBlockFree(it.pBmi);
            it.pBits = nullptr;
            it.pBmi = nullptr;
            break;
        case ITEM_TEXTBLOCK:
            delete[] it.pszBlock;
            it.pszBlock = nullptr;
            break;
        default:
            break;
        }
    }
    if (first == 0)
        list.RemoveAll();
    else
        list.Truncate(first);
}

} // namespace vexlan
