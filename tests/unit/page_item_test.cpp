// SPDX-License-Identifier: MIT
// Page item records: decoding of every field from a hand-built 308-byte
// record, encoding over the kept bytes, and the release of loaded data by
// FreePageItems.
#include "core/job/page_item.h"
#include "core/dib/image_block.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace vexlan;
using namespace std::string_literals;

namespace {

using Record = std::vector<uint8_t>;

void Put32(Record& r, std::size_t off, uint32_t v)
{
    r[off] = static_cast<uint8_t>(v);
    r[off + 1] = static_cast<uint8_t>(v >> 8);
    r[off + 2] = static_cast<uint8_t>(v >> 16);
    r[off + 3] = static_cast<uint8_t>(v >> 24);
}

void PutBytes(Record& r, std::size_t off, const std::string& s)
{
    std::memcpy(r.data() + off, s.data(), s.size());
}

// A record in which no byte is zero, so that every field is full to its end
// and any byte that an encoder drops or moves shows.
Record PatternRecord(int32_t type)
{
    Record r(record::kSize);
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<uint8_t>(1 + (i * 37) % 251);
    Put32(r, 0, static_cast<uint32_t>(type));
    return r;
}

PageItem MakeImageItem(const std::string& path, std::size_t bitsSize)
{
    PageItem it;
    it.nType = ITEM_IMAGE;
    SetItemText(it, path);
    it.pBits = ImageBlockAlloc(bitsSize);
    it.pBmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(sizeof(BITMAPINFO) + 255 * sizeof(RGBQUAD)));
    return it;
}

PageItem MakeTextBlockItem(const std::string& text)
{
    PageItem it;
    it.nType = ITEM_TEXTBLOCK;
    it.pszBlock = new char[text.size() + 1];
    std::memcpy(it.pszBlock, text.c_str(), text.size() + 1);
    return it;
}

} // namespace

TEST(PageItem, DecodesEveryFieldLittleEndian)
{
    Record r(record::kSize, 0xEE);
    Put32(r, 0, ITEM_TEXTBLOCK);
    PutBytes(r, 4, "C:\\data\\lines.txt\0junk after the NUL"s);
    PutBytes(r, 264, "Arial\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A"s);
    Put32(r, 280, 0x11223344);
    Put32(r, 284, 0xFFFFFFFEu);
    Put32(r, 288, 0xDEADBEEF);
    Put32(r, 292, static_cast<uint32_t>(-1));
    Put32(r, 296, static_cast<uint32_t>(INT32_MIN));
    Put32(r, 300, static_cast<uint32_t>(INT32_MAX));
    r[304] = 0x04, r[305] = 0x03, r[306] = 0x02, r[307] = 0x01;

    const PageItem it = DecodePageItem(r.data());
    EXPECT_EQ(it.nType, ITEM_TEXTBLOCK);
    EXPECT_STREQ(it.szText, "C:\\data\\lines.txt");
    EXPECT_STREQ(it.szFaceName, "Arial");
    // The bytes shared with the face name decode into each of their meanings.
    EXPECT_EQ(it.bInvert, 0x61697241);            // "Aria"
    EXPECT_EQ(it.nPenWidth, 0x61697241);
    EXPECT_EQ(static_cast<uint32_t>(it.bKeepAspect), 0x0201006Cu); // "l", NUL, 01 02
    EXPECT_EQ(it.crColor, 0x0201006Cu);
    EXPECT_EQ(it.nAlign, 0x11223344u);
    EXPECT_EQ(it.nMaxLineLen, 0x11223344u);
    EXPECT_EQ(it.nLineCount, 0xFFFFFFFEu);
    EXPECT_EQ(it.rcItem.left, -1);
    EXPECT_EQ(it.rcItem.top, INT32_MIN);
    EXPECT_EQ(it.rcItem.right, INT32_MAX);
    EXPECT_EQ(it.rcItem.bottom, 0x01020304);
    // Reference slots are never taken from the file.
    EXPECT_EQ(it.pBits, nullptr);
    EXPECT_EQ(it.pBmi, nullptr);
    EXPECT_EQ(it.pszBlock, nullptr);
}

TEST(PageItem, StringsWithoutNulStopAtTheFieldEnd)
{
    const Record r = PatternRecord(ITEM_TEXT);
    const PageItem it = DecodePageItem(r.data());
    ASSERT_EQ(std::strlen(it.szText), record::kTextSize);
    EXPECT_EQ(std::memcmp(it.szText, r.data() + 4, 260), 0);
    ASSERT_EQ(std::strlen(it.szFaceName), record::kFaceNameSize);
    EXPECT_EQ(std::memcmp(it.szFaceName, r.data() + 264, 16), 0);
}

TEST(PageItem, EncodeOfADecodedRecordGivesTheSameBytes)
{
    for (int32_t type : {0, 1, 2, 3, 7, -1}) {
        SCOPED_TRACE(type);
        const Record r = PatternRecord(type);
        Record out(record::kSize, 0);
        EncodePageItem(DecodePageItem(r.data()), out.data());
        EXPECT_EQ(out, r);
    }
}

// Changing the fields of a type rewrites their bytes only; the bytes the
// type does not name travel unchanged.
TEST(PageItem, EncodeKeepsTheBytesATypeDoesNotName)
{
    struct Row {
        int32_t type;
        std::vector<std::pair<std::size_t, std::size_t>> untouched; // [from, to)
    } rows[] = {
        {ITEM_TEXT, {{284, 292}}},
        {ITEM_IMAGE, {{272, 292}}},
        {ITEM_TEXTBLOCK, {{288, 292}}}, // the face name covers 264 to 279
        {ITEM_FRAME, {{4, 264}, {272, 292}}},
        {7, {{4, 292}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        const Record r = PatternRecord(row.type);
        PageItem it = DecodePageItem(r.data());
        SetItemText(it, "new");
        SetItemFace(it, "F");
        it.bInvert = it.nPenWidth = 7;
        it.bKeepAspect = 9;
        it.crColor = 0x00FF0000;
        it.nAlign = it.nMaxLineLen = 2;
        it.nLineCount = 5;
        it.pBits = &it; // in-memory references never reach the record
        it.pszBlock = it.szText;
        it.rcItem = RECT{10, 20, 30, 40};
        Record out(record::kSize, 0);
        EncodePageItem(it, out.data());

        for (const auto& [from, to] : row.untouched)
            for (std::size_t i = from; i < to; ++i)
                ASSERT_EQ(out[i], r[i]) << "byte " << i;
        const PageItem back = DecodePageItem(out.data());
        EXPECT_EQ(back.nType, row.type);
        EXPECT_EQ(back.rcItem.left, 10);
        EXPECT_EQ(back.rcItem.bottom, 40);
        switch (row.type) {
        case ITEM_TEXT:
            EXPECT_STREQ(back.szText, "new");
            EXPECT_STREQ(back.szFaceName, "F");
            EXPECT_EQ(back.nAlign, 2u);
            break;
        case ITEM_IMAGE:
            EXPECT_STREQ(back.szText, "new");
            EXPECT_EQ(back.bInvert, 7);
            EXPECT_EQ(back.bKeepAspect, 9);
            break;
        case ITEM_TEXTBLOCK:
            EXPECT_STREQ(back.szText, "new");
            EXPECT_STREQ(back.szFaceName, "F");
            EXPECT_EQ(back.nMaxLineLen, 2u);
            EXPECT_EQ(back.nLineCount, 5u);
            break;
        case ITEM_FRAME:
            EXPECT_EQ(back.nPenWidth, 7);
            EXPECT_EQ(back.crColor, 0x00FF0000u);
            break;
        default:
            break;
        }
    }
}

TEST(PageItem, SetItemTextAndFaceTruncateToLeaveANul)
{
    PageItem it;
    SetItemText(it, std::string(300, 'x'));
    SetItemFace(it, std::string(40, 'y'));
    EXPECT_EQ(std::strlen(it.szText), 259u);
    EXPECT_EQ(std::strlen(it.szFaceName), 15u);
    Record out(record::kSize, 0xAA);
    it.nType = ITEM_TEXT;
    EncodePageItem(it, out.data());
    EXPECT_EQ(out[4 + 259], 0);
    EXPECT_EQ(out[264 + 15], 0);
}

TEST(FreePageItems, EmptyListAndRepeatedCalls)
{
    const std::size_t live = ImageBlockLiveCount();
    const std::size_t bad = ImageBlockBadFrees();
    CPageItemArray list;
    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(ImageBlockLiveCount(), live);
    EXPECT_EQ(ImageBlockBadFrees(), bad);
}

TEST(FreePageItems, ReleasesEveryImageAndTextBlockOnce)
{
    const std::size_t live = ImageBlockLiveCount();
    const std::size_t bad = ImageBlockBadFrees();
    CPageItemArray list;
    PageItem text;
    text.nType = ITEM_TEXT;
    SetItemText(text, "hello");
    list.Add(text);
    list.Add(MakeImageItem("a.jpg", 300));
    list.Add(MakeTextBlockItem("line 1\nline 2"));
    list.Add(MakeImageItem("b.bpg", 1));
    list.Add(MakeTextBlockItem("")); // an empty block is a one-byte buffer
    PageItem frame;
    frame.nType = ITEM_FRAME;
    list.Add(frame);
    // An image whose pixel block is missing releases its header alone.
    PageItem half = MakeImageItem("c.jpg", 10);
    ImageBlockFree(half.pBits);
    half.pBits = nullptr;
    list.Add(half);
    EXPECT_EQ(ImageBlockLiveCount(), live + 5);

    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(list.GetCapacity(), 0u);
    EXPECT_EQ(ImageBlockLiveCount(), live);
    EXPECT_EQ(ImageBlockBadFrees(), bad);

    FreePageItems(list); // nothing is left to release
    EXPECT_EQ(ImageBlockBadFrees(), bad);

    // The list can be filled and released again.
    list.Add(MakeImageItem("d.jpg", 8));
    list.Add(MakeTextBlockItem("x"));
    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(ImageBlockLiveCount(), live);
    EXPECT_EQ(ImageBlockBadFrees(), bad);
}

// Text-line and frame items own nothing, whatever their in-memory slots
// hold; only image and text-block items have loaded data released.
TEST(FreePageItems, ReleasesNothingForTextAndFrameItems)
{
    const std::size_t live = ImageBlockLiveCount();
    const std::size_t bad = ImageBlockBadFrees();
    void* bits = ImageBlockAlloc(16);
    char* block = new char[4]{'a', 'b', 'c', '\0'};

    CPageItemArray list;
    for (int32_t type : {ITEM_TEXT, ITEM_FRAME}) {
        PageItem it;
        it.nType = type;
        it.pBits = bits;
        it.pBmi = static_cast<BITMAPINFO*>(bits);
        it.pszBlock = block;
        list.Add(it);
    }
    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(ImageBlockLiveCount(), live + 1);
    EXPECT_EQ(ImageBlockBadFrees(), bad);
    EXPECT_STREQ(block, "abc");

    ImageBlockFree(bits);
    delete[] block;
    EXPECT_EQ(ImageBlockLiveCount(), live);
}

TEST(FreePageItems, GrowingTheListKeepsOrderAndLoadedData)
{
    const std::size_t live = ImageBlockLiveCount();
    const std::size_t bad = ImageBlockBadFrees();
    constexpr int kItems = 1000;
    CPageItemArray list;
    std::vector<void*> bits(kItems);
    std::vector<char*> blocks(kItems);
    int capacityChanges = 0;
    std::size_t capacity = list.GetCapacity();
    for (int i = 0; i < kItems; ++i) {
        PageItem it;
        if (i % 2 == 0) {
            it = MakeImageItem("img" + std::to_string(i) + ".jpg", 4);
            std::memcpy(it.pBits, &i, sizeof i);
            it.pBmi->bmiHeader.biWidth = i;
            bits[static_cast<std::size_t>(i)] = it.pBits;
        } else {
            it = MakeTextBlockItem("block " + std::to_string(i));
            blocks[static_cast<std::size_t>(i)] = it.pszBlock;
        }
        it.rcItem = RECT{i, -i, i + 1, INT32_MAX - i};
        list.Add(it);
        if (list.GetCapacity() != capacity) {
            capacity = list.GetCapacity();
            ++capacityChanges;
        }
    }
    EXPECT_GT(capacityChanges, 2);
    ASSERT_EQ(list.GetSize(), static_cast<std::size_t>(kItems));
    for (int i = 0; i < kItems; ++i) {
        SCOPED_TRACE(i);
        const PageItem& it = list.GetAt(static_cast<std::size_t>(i));
        EXPECT_EQ(it.rcItem.left, i);
        EXPECT_EQ(it.rcItem.top, -i);
        EXPECT_EQ(it.rcItem.bottom, INT32_MAX - i);
        if (i % 2 == 0) {
            ASSERT_EQ(it.nType, ITEM_IMAGE);
            EXPECT_EQ(it.pBits, bits[static_cast<std::size_t>(i)]);
            int stored = -1;
            std::memcpy(&stored, it.pBits, sizeof stored);
            EXPECT_EQ(stored, i);
            EXPECT_EQ(it.pBmi->bmiHeader.biWidth, i);
            EXPECT_EQ(std::string(it.szText), "img" + std::to_string(i) + ".jpg");
        } else {
            ASSERT_EQ(it.nType, ITEM_TEXTBLOCK);
            EXPECT_EQ(it.pszBlock, blocks[static_cast<std::size_t>(i)]);
            EXPECT_EQ(std::string(it.pszBlock), "block " + std::to_string(i));
        }
    }
    EXPECT_EQ(ImageBlockLiveCount(), live + kItems);
    FreePageItems(list);
    EXPECT_EQ(ImageBlockLiveCount(), live);
    EXPECT_EQ(ImageBlockBadFrees(), bad);
}
