// SPDX-License-Identifier: MIT
// LoadTextBlockItem: ".txt" files joined line by line, ".bin" packed text
// normalised and split, other extensions empty, and the one failure (a
// ".txt" file that cannot be opened) allocating nothing.
#include "array_alloc_counter.h"
#include "test_support.h"

#include "core/job/packed_writer.h"
#include "core/job/text_block_item.h"
#include "core/text/codepage.h"
#include "core/text/split_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace vexlan {
namespace {

using test::ArrayAllocScope;

struct Loaded {
    BOOL ok = FALSE;
    std::string block;       // pszBlock up to its NUL
    std::size_t blockAlloc = 0;
    bool hasBlock = false;
    UINT lineCount = 0;
    UINT maxLineLen = 0;
    long liveArrays = 0;
};

Loaded Load(const std::string& path)
{
    PageItem item;
    item.nType = ITEM_TEXTBLOCK;
    SetItemText(item, path);
    Loaded r;
    {
        ArrayAllocScope scope;
        r.ok = LoadTextBlockItem(item);
        r.liveArrays = scope.stats().live;
        r.blockAlloc = scope.stats().lastSize;
    }
    r.hasBlock = item.pszBlock != nullptr;
    if (item.pszBlock != nullptr)
        r.block = item.pszBlock;
    r.lineCount = item.nLineCount;
    r.maxLineLen = item.nMaxLineLen;
    delete[] item.pszBlock;
    return r;
}

void WritePacked(const std::string& path, const std::string& text)
{
    std::vector<uint8_t> packed;
    ASSERT_TRUE(PackBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0xABCD, packed));
    test::WriteFile(path, std::string(packed.begin(), packed.end()));
}

struct TextCase {
    const char* name;
    std::string content;
    std::string block;
    UINT lineCount;
    UINT maxLineLen;
};

void ExpectLoaded(const Loaded& r, const TextCase& c)
{
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.block, c.block);
    EXPECT_EQ(r.lineCount, c.lineCount);
    EXPECT_EQ(r.maxLineLen, c.maxLineLen);
    EXPECT_EQ(r.liveArrays, 1);
    EXPECT_EQ(r.blockAlloc, c.block.size() + 1); // exactly length + 1 bytes
}

TEST(LoadTextBlockItem, TxtFilesJoinLinesWithSingleLineFeeds)
{
    const TextCase cases[] = {
        {"CR LF line ends", "abc\r\n\r\nde\r\n", "abc\n\nde", 3, 3},
        {"no line end after the last line", "abc\r\n\r\nde", "abc\n\nde", 3, 3},
        {"LF line ends", "abc\n\nde\n", "abc\n\nde", 3, 3},
        {"empty lines at the start are counted, not stored", "\n\nabc\n", "abc", 3, 3},
        {"one empty line at the end adds one LF", "abc\n\n", "abc\n", 2, 3},
        {"only blanks", "   \n", "   ", 1, 3},
        {"empty file", "", "", 0, 0},
        {"a lone CR stays", "a\rb\r\n", "a\rb", 1, 3},
        {"CR CR LF drops one CR", "ab\r\r\n", "ab\r", 1, 3},
        {"double-byte characters count two bytes each", "\xD6\xD0\xCE\xC4\xD7\xD6\r\nab", "\xD6\xD0\xCE\xC4\xD7\xD6\nab", 2, 6},
        {"longest line in the middle", "a\nabcdef\nabc", "a\nabcdef\nabc", 3, 6},
        {"one one-byte line", "x", "x", 1, 1},
        {"a CR at the end of the file stays", "ab\r", "ab\r", 1, 3},
        {"only line ends", "\r\n\n\r\n", "", 3, 0},
    };
    test::TempDir dir;
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("block.txt");
        test::WriteFile(path, c.content);
        ExpectLoaded(Load(path), c);
    }
}

TEST(LoadTextBlockItem, BinFilesNormaliseLineEndsAndCountSplitPieces)
{
    const TextCase cases[] = {
        {"CR LF pairs and one trailing line end", "abc\r\n\r\nde\r\n", "abc\n\nde", 3, 3},
        {"only one trailing LF is removed", "abc\n\n\n", "abc\n\n", 1, 3},
        {"blanks before the first line stay but are not measured", "   abc\nde", "   abc\nde", 2, 3},
        {"a CR without LF stays", "ab\rc\r\n", "ab\rc", 1, 4},
        {"CR CR LF keeps one CR", "ab\r\r\ncd", "ab\r\ncd", 2, 3},
        {"text after a NUL is cut", std::string("abc\nde\0fghij", 12), "abc\nde", 2, 3},
        {"only white space", " \r\n\t\n", " \n\t", 0, 0},
        {"empty", "", "", 0, 0},
        {"double-byte characters count two bytes each", "\xD6\xD0\xCE\xC4\xD7\xD6", "\xD6\xD0\xCE\xC4\xD7\xD6", 1, 6},
    };
    test::TempDir dir;
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("block.bin");
        WritePacked(path, c.content);
        ExpectLoaded(Load(path), c);
    }
}

TEST(LoadTextBlockItem, BinLinesAreTheLinesSplitStringCuts)
{
    const std::string texts[] = {"\n \n", " a \n\n b \n", "\t\n\nx\n\n\n", "a\nbc\n \n", "\v\fab\n\n", "\n\n\nabc", "xy\n\n"};
    test::TempDir dir;
    for (const std::string& text : texts) {
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string kept = text.substr(0, text.size() - (text.back() == '\n' ? 1 : 0));
        std::vector<std::string> pieces;
        const int count = SplitString(kept, "\n", &pieces);
        std::size_t longest = 0;
        for (const std::string& piece : pieces)
            longest = std::max(longest, piece.size());
        WritePacked(dir.file("t.bin"), text);
        ExpectLoaded(Load(dir.file("t.bin")), {"", "", kept, static_cast<UINT>(count), static_cast<UINT>(longest)});
    }
}

TEST(LoadTextBlockItem, TxtLongerThanItsAnnouncedSizeIsReadWhole)
{
    // Files under /proc announce a size of 0 and still hold text.
#ifdef _WIN32
    GTEST_SKIP() << "no /proc on Windows";
#endif
    std::string text;
    try {
        text = test::ReadFile("/proc/version");
    } catch (const std::exception&) {
    }
    if (text.empty() || text.back() != '\n' || std::count(text.begin(), text.end(), '\n') != 1)
        GTEST_SKIP() << "no one-line /proc/version here";
    test::TempDir dir;
    std::filesystem::create_symlink("/proc/version", dir.file("version.txt"));
    text.pop_back();
    ExpectLoaded(Load(dir.file("version.txt")), {"", "", text, 1, static_cast<UINT>(text.size())});
}

TEST(LoadTextBlockItem, ExtensionsAreMatchedOnTheLastFourBytesInAnyCase)
{
    test::TempDir dir;
    test::WriteFile(dir.file("upper.TXT"), "abc\nde\n");
    WritePacked(dir.file("upper.BIN"), "abc\r\nde\r\n");
    WritePacked(dir.file("mixed.bIn"), "x");
    test::WriteFile(dir.file("notes.doc"), "abc\n");
    test::WriteFile(dir.file("txt"), "abc\n"); // no dot: ends in "txt" but not ".txt"

    ExpectLoaded(Load(dir.file("upper.TXT")), {"", "", "abc\nde", 2, 3});
    ExpectLoaded(Load(dir.file("upper.BIN")), {"", "", "abc\nde", 2, 3});
    ExpectLoaded(Load(dir.file("mixed.bIn")), {"", "", "x", 1, 1});
    const TextCase empty{"", "", "", 0, 0};
    ExpectLoaded(Load(dir.file("notes.doc")), empty);
    ExpectLoaded(Load(dir.file("txt")), empty);
    ExpectLoaded(Load(""), empty);
    ExpectLoaded(Load("a"), empty);
}

TEST(LoadTextBlockItem, UnreadableBinGivesAnEmptyBlock)
{
    test::TempDir dir;
    test::WriteFile(dir.file("damaged.bin"), "12345678 not a zlib stream");
    test::WriteFile(dir.file("short.bin"), "1234");
    const TextCase empty{"", "", "", 0, 0};
    for (const char* name : {"damaged.bin", "short.bin", "missing.bin"}) {
        SCOPED_TRACE(name);
        ExpectLoaded(Load(dir.file(name)), empty);
    }
}

TEST(LoadTextBlockItem, TxtThatCannotBeOpenedFailsWithoutAllocating)
{
    test::TempDir dir;
    for (const std::string& path : {dir.file("missing.txt"), dir.path().string() + "/.txt"}) {
        SCOPED_TRACE(path);
        Loaded r = Load(path);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.hasBlock);
        EXPECT_EQ(r.liveArrays, 0);
        EXPECT_EQ(r.lineCount, 0u);
        EXPECT_EQ(r.maxLineLen, 0u);
    }
}

// Text past the limit is refused before anything is allocated: a sparse
// 100 GB ".txt" (once a std::bad_alloc that ended the process), a ".txt" one
// byte over, a ".bin" whose header announces more unpacked bytes.
TEST(LoadTextBlockItem, TextOverTheLimitIsRefusedBeforeAllocating)
{
    test::TempDir dir;
    const std::pair<const char*, uint64_t> sparse[] = {{"huge.txt", 100ull << 30}, {"over.txt", kMaxBlockTextBytes + 1}};
    for (const auto& [name, size] : sparse) {
        test::WriteFile(dir.file(name), "");
        test::SetFileSize(dir.file(name), size);
    }
    std::string bomb = "seed";
    for (int i = 0; i < 4; ++i)
        bomb += static_cast<char>(((kMaxBlockTextBytes + 1) >> (8 * i)) & 0xFF);
    bomb += std::string(kMaxBlockTextBytes / 1000, 'x');
    test::WriteFile(dir.file("bomb.bin"), bomb);
    const struct {
        const char* name;
        BOOL ok;
    } cases[] = {{"huge.txt", FALSE}, {"over.txt", FALSE}, {"bomb.bin", TRUE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageItem item;
        item.nType = ITEM_TEXTBLOCK;
        SetItemText(item, dir.file(c.name));
        std::string problem;
        ArrayAllocScope scope;
        EXPECT_EQ(LoadTextBlockItem(item, &problem), c.ok);
        EXPECT_EQ(problem, "larger than 256 MiB, the limit for text");
        EXPECT_EQ(scope.stats().live, c.ok ? 1 : 0);
        EXPECT_LE(scope.stats().lastSize, 1u);
        EXPECT_EQ(item.nLineCount, 0u);
        delete[] item.pszBlock;
    }
}

TEST(LoadTextBlockItem, LongLinesAreMeasuredInFull)
{
    test::TempDir dir;
    const std::string longLine(100000, 'w');
    test::WriteFile(dir.file("long.txt"), "a\n" + longLine + "\nb");
    ExpectLoaded(Load(dir.file("long.txt")), {"", "", "a\n" + longLine + "\nb", 3, 100000});
}

TEST(LoadTextBlockItem, Utf8BlockMeasuresAsTheSameBlockInCodePage936)
{
    const std::string utf8 = "发货单 Invoice\r\n合计：356.00 元\r\n";
    test::TempDir dir;
    const int saved = AnsiCodePage();
    for (const char* ext : {".txt", ".bin"}) {
        SCOPED_TRACE(ext);
        UINT measured[2] = {};
        for (int i = 0; i < 2; ++i) {
            const int cp = i == 0 ? CP_UTF8 : CP_GBK;
            const std::string path = dir.file(std::to_string(cp) + ext);
            const std::string text = Utf8ToAnsi(utf8, cp);
            if (ext[1] == 't')
                test::WriteFile(path, text);
            else
                WritePacked(path, text);
            SetAnsiCodePage(cp);
            measured[i] = Load(path).maxLineLen;
        }
        EXPECT_EQ(measured[0], 15u);
        EXPECT_EQ(measured[1], 15u);
    }
    SetAnsiCodePage(saved);
}

} // namespace
} // namespace vexlan
