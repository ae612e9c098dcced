// SPDX-License-Identifier: MIT
// LoadPrintJob: the header checks, short files, counts that disagree with
// the records present, unknown types, and where image and text-block records
// stop the reading or are appended empty.
//
// Image and text-block records here name files that do not exist or have
// other extensions, so the outcome does not depend on the decoders.
#include "core/job/job_reader.h"
#include "core/job/load_diagnostics.h"
#include "core/job/page_item.h"
#include "core/base/bytes.h"
#include "core/text/codepage.h"
#include "core/dib/image_block.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <cstdint>
#include <string>
#include <vector>

using namespace vexlan;
using vexlan::test::TempDir;
using vexlan::test::WriteFile;

namespace {

std::string Header(uint32_t magic, int32_t count)
{
    uint8_t b[8];
    WriteU32LE(b, magic);
    WriteI32LE(b + 4, count);
    return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

std::string Rec(const PageItem& it)
{
    uint8_t b[record::kSize] = {};
    EncodePageItem(it, b);
    return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

// A job of the given records with a correct header.
std::string Job(const std::vector<PageItem>& items)
{
    std::string s = Header(JOB_MAGIC, static_cast<int32_t>(items.size()));
    for (const PageItem& it : items)
        s += Rec(it);
    return s;
}

PageItem Text(const std::string& text, RECT rc = RECT{100, 200, 300, 400})
{
    PageItem it;
    it.nType = ITEM_TEXT;
    SetItemText(it, text);
    SetItemFace(it, "Arial");
    it.nAlign = 1;
    it.rcItem = rc;
    return it;
}

PageItem Frame(int32_t pen)
{
    PageItem it;
    it.nType = ITEM_FRAME;
    it.nPenWidth = pen;
    it.crColor = 0x000000FF;
    it.rcItem = RECT{0, 0, 1000, 500};
    return it;
}

PageItem Image(const std::string& path)
{
    PageItem it;
    it.nType = ITEM_IMAGE;
    SetItemText(it, path);
    it.rcItem = RECT{0, 0, 10, 10};
    return it;
}

PageItem Block(const std::string& path)
{
    PageItem it;
    it.nType = ITEM_TEXTBLOCK;
    SetItemText(it, path);
    SetItemFace(it, "SimSun");
    it.rcItem = RECT{0, 0, 10, 10};
    return it;
}

PageItem OfType(int32_t type)
{
    PageItem it = Text("unknown");
    it.nType = type;
    return it;
}

// Short description of the list: "T:text" for text lines, "F:pen" for
// frames, "B:path" for text blocks, "I:path" for images.
std::vector<std::string> Describe(const CPageItemArray& list)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.GetSize(); ++i) {
        const PageItem& it = list.GetAt(i);
        switch (it.nType) {
        case ITEM_TEXT: out.push_back("T:" + std::string(it.szText)); break;
        case ITEM_FRAME: out.push_back("F:" + std::to_string(it.nPenWidth)); break;
        case ITEM_TEXTBLOCK: out.push_back("B:" + std::string(it.szText)); break;
        case ITEM_IMAGE: out.push_back("I:" + std::string(it.szText)); break;
        default: out.push_back("?" + std::to_string(it.nType)); break;
        }
    }
    return out;
}

using Strings = std::vector<std::string>;

class JobReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_live = ImageBlockLiveCount();
        // Whatever the list held before must be gone after any read.
        list.Add(Text("stale"));
        list.Add(Frame(99));
    }
    void TearDown() override
    {
        FreePageItems(list);
        EXPECT_EQ(ImageBlockLiveCount(), m_live);
    }
    // Reads `bytes` as a job into the list, which holds a stale item then:
    // the items of an earlier load are released first.
    Strings Load(const std::string& bytes)
    {
        FreePageItems(list);
        list.Add(Text("stale"));
        const std::string path = dir.file("job.set");
        WriteFile(path, bytes);
        LoadPrintJob(path, list);
        return Describe(list);
    }

    TempDir dir;
    CPageItemArray list;

private:
    std::size_t m_live = 0;
};

} // namespace

TEST_F(JobReader, MissingFileOrDirectoryGivesEmptyList)
{
    LoadPrintJob(dir.file("no-such.set"), list);
    EXPECT_EQ(list.GetSize(), 0u);
    list.Add(Text("stale"));
    LoadPrintJob(dir.path().string(), list); // a directory opens but cannot be read
    EXPECT_EQ(list.GetSize(), 0u);
    list.Add(Text("stale"));
    LoadPrintJob("", list);
    EXPECT_EQ(list.GetSize(), 0u);
}

TEST_F(JobReader, DamagedHeadersGiveEmptyList)
{
    const std::string rec = Rec(Text("a"));
    const std::string good = Header(JOB_MAGIC, 1);
    struct Row {
        const char* what;
        std::string bytes;
    } rows[] = {
        {"empty file", ""},
        {"3 bytes", good.substr(0, 3)},
        {"wrong magic", Header(0xCE23A97C, 1) + rec},
        {"magic in the other byte order", Header(0x7BA923CE, 1) + rec},
        {"zero magic", Header(0, 1) + rec},
        {"ends after the magic", good.substr(0, 4)},
        {"ends inside the count", good.substr(0, 6)},
        {"ends inside the count, 7 bytes", good.substr(0, 7)},
        {"count 0", Header(JOB_MAGIC, 0) + rec},
        {"count -1", Header(JOB_MAGIC, -1) + rec},
        {"count INT32_MIN", Header(JOB_MAGIC, INT32_MIN) + rec},
        {"header only", good},
        {"count 1, half a record", good + rec.substr(0, 154)},
        {"count 1, one byte short", good + rec.substr(0, 307)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(Load(r.bytes), Strings{});
    }
}

TEST_F(JobReader, CountDecidesHowManyRecordsAreRead)
{
    const std::vector<PageItem> three = {Text("a"), Frame(5), Text("c")};
    std::string records;
    for (const PageItem& it : three)
        records += Rec(it);

    // Count larger than the records present, with half a record at the end.
    EXPECT_EQ(Load(Header(JOB_MAGIC, 5) + Rec(Text("a")) + Rec(Frame(5)) + Rec(Text("c")).substr(0, 154)),
              (Strings{"T:a", "F:5"}));
    EXPECT_EQ(Load(Header(JOB_MAGIC, INT32_MAX) + records), (Strings{"T:a", "F:5", "T:c"}));
    // Count smaller than the records present: the rest is never read.
    EXPECT_EQ(Load(Header(JOB_MAGIC, 1) + records), (Strings{"T:a"}));
    EXPECT_EQ(Load(Header(JOB_MAGIC, 2) + records + "trailing garbage"), (Strings{"T:a", "F:5"}));
    EXPECT_EQ(Load(Header(JOB_MAGIC, 3) + records + "trailing garbage"), (Strings{"T:a", "F:5", "T:c"}));
}

TEST_F(JobReader, UnknownTypesAreSkippedAndCounted)
{
    EXPECT_EQ(Load(Job({Text("a"), OfType(7), Frame(3)})), (Strings{"T:a", "F:3"}));
    EXPECT_EQ(Load(Job({OfType(-1), OfType(4), OfType(INT32_MIN), Text("z")})), (Strings{"T:z"}));
    // The skipped record counts: with count 2 the frame after it is not read.
    EXPECT_EQ(Load(Header(JOB_MAGIC, 2) + Rec(Text("a")) + Rec(OfType(7)) + Rec(Frame(3))),
              (Strings{"T:a"}));
    // Only unknown records: an empty page.
    EXPECT_EQ(Load(Job({OfType(7), OfType(-1)})), Strings{});
}

TEST_F(JobReader, TextAndFrameRecordsEnterTheListAsRead)
{
    PageItem text = Text("", RECT{500, 500, 100, 100}); // empty text, empty rectangle
    text.nAlign = 0xFFFFFFFF;
    text.nLineCount = 1234; // bytes a text line does not name
    PageItem frame = Frame(-7);
    frame.crColor = 0x00ABCDEF;
    frame.rcItem = RECT{INT32_MIN, -1, INT32_MAX, 0};
    ASSERT_EQ(Load(Job({text, frame, Text("last")})), (Strings{"T:", "F:-7", "T:last"}));

    const PageItem& t = list.GetAt(0);
    EXPECT_STREQ(t.szFaceName, "Arial");
    EXPECT_EQ(t.nAlign, 0xFFFFFFFFu);
    EXPECT_EQ(t.rcItem.left, 500);
    EXPECT_EQ(t.rcItem.bottom, 100);
    const PageItem& f = list.GetAt(1);
    EXPECT_EQ(f.crColor, 0x00ABCDEFu);
    EXPECT_EQ(f.rcItem.left, INT32_MIN);
    EXPECT_EQ(f.rcItem.right, INT32_MAX);
    EXPECT_EQ(f.pBits, nullptr);
    EXPECT_EQ(f.pszBlock, nullptr);
}

TEST_F(JobReader, ImageThatCannotBeLoadedStopsTheReading)
{
    for (const char* path : {"picture.png", "picture.jpeg", "picture.jpg ", "", "jpg",
                             "/no/such/dir/picture.jpg", "/no/such/dir/picture.BPG"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Load(Job({Text("before"), Image(path), Frame(1), Text("after")})), (Strings{"T:before"}));
    }
    // A missing image first: nothing at all.
    EXPECT_EQ(Load(Job({Image(dir.file("missing.jpg")), Text("after")})), Strings{});
}

TEST_F(JobReader, TextBlockWithOtherExtensionIsAppendedEmpty)
{
    PageItem block = Block("notes.doc");
    // The file's values for the loaded fields are not trusted.
    block.nMaxLineLen = 77;
    block.nLineCount = 88;
    ASSERT_EQ(Load(Job({Text("a"), block, Frame(2)})), (Strings{"T:a", "B:notes.doc", "F:2"}));
    const PageItem& b = list.GetAt(1);
    EXPECT_EQ(b.nLineCount, 0u);
    EXPECT_EQ(b.nMaxLineLen, 0u);
    ASSERT_NE(b.pszBlock, nullptr);
    EXPECT_STREQ(b.pszBlock, "");
    EXPECT_STREQ(b.szFaceName, "SimSun");

    // Several in a row, an empty path among them.
    EXPECT_EQ(Load(Job({Block(""), Block("x.tx"), Block("y.text"), Frame(4)})),
              (Strings{"B:", "B:x.tx", "B:y.text", "F:4"}));
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_NE(list.GetAt(i).pszBlock, nullptr);
        EXPECT_EQ(list.GetAt(i).pszBlock[0], '\0');
    }
}

TEST_F(JobReader, TextBlockWithMissingTxtFileStopsTheReading)
{
    EXPECT_EQ(Load(Job({Text("a"), Block(dir.file("missing.txt")), Frame(2)})), (Strings{"T:a"}));
    EXPECT_EQ(Load(Job({Block(dir.file("MISSING.TXT")), Frame(2)})), Strings{});
    // Text blocks appended before the stop are kept with their buffers.
    EXPECT_EQ(Load(Job({Block("a.doc"), Text("b"), Block(dir.file("gone.txt")), Text("c")})),
              (Strings{"B:a.doc", "T:b"}));
    EXPECT_NE(list.GetAt(0).pszBlock, nullptr);
}

TEST_F(JobReader, TextBlockWithReadableTxtFileIsAppendedAndReadingGoesOn)
{
    const std::string lines = dir.file("lines.txt");
    WriteFile(lines, "first\nsecond line\n");
    ASSERT_EQ(Load(Job({Block(lines), Frame(6)})), (Strings{"B:" + lines, "F:6"}));
    const PageItem& b = list.GetAt(0);
    EXPECT_EQ(b.nLineCount, 2u);
    EXPECT_EQ(b.nMaxLineLen, 11u);
    ASSERT_NE(b.pszBlock, nullptr);
}

TEST_F(JobReader, RecordsKeepFileOrder)
{
    std::vector<PageItem> items;
    Strings expected;
    for (int i = 0; i < 300; ++i) {
        switch (i % 4) {
        case 0: items.push_back(Text(std::to_string(i))); expected.push_back("T:" + std::to_string(i)); break;
        case 1: items.push_back(Frame(i)); expected.push_back("F:" + std::to_string(i)); break;
        case 2: items.push_back(Block("b" + std::to_string(i) + ".none")); expected.push_back("B:b" + std::to_string(i) + ".none"); break;
        default: items.push_back(OfType(100 + i)); break;
        }
    }
    EXPECT_EQ(Load(Job(items)), expected);
}

TEST_F(JobReader, WarningsNameTheRecordAndTheProblemAndLeaveThePageAsItIs)
{
    WriteFile(dir.file("text.jpg"), "not a picture");
    WriteFile(dir.file("empty.txt"), " \n\n");
    WriteFile(dir.file("junk.bin"), "12345678junk");
    std::filesystem::create_directory(dir.file("dir.jpg"));
    WriteFile(dir.file("huge.txt"), "");
    test::SetFileSize(dir.file("huge.txt"), 100ull << 30); // sparse
    WriteFile(dir.file("gbk.txt"), "\xD6\xD0\xCE\xC4\n");
    WriteFile(dir.file("utf8.txt"), "\xE4\xB8\xAD\xE6\x96\x87\n");
    const std::string notValid = "text not valid in code page ";
    const std::string two = Rec(Text("a")) + Rec(Frame(5));
    // The temporary folder as the warnings quote it, with the separator
    // after it and no closing quote.
    std::string q = QuotedPath(dir.file(""));
    q.pop_back();
    struct Row {
        std::string bytes;
        std::vector<std::pair<int32_t, std::string>> warnings; // record index, line
        int codePage = CP_UTF8;
    } rows[] = {
        {"", {{-1, "0 bytes, shorter than the 8-byte header; the page is empty"}}},
        {Header(0xCE23A97C, 1) + two, {{-1, "not a job file (it starts 0xCE23A97C, not 0xCE23A97B); the page is empty"}}},
        {Header(JOB_MAGIC, -1) + two, {{-1, "record count -1; the page is empty"}}},
        {Header(JOB_MAGIC, 5) + two + "x", {{-1, "ends after 2 of its 5 records; the rest is missing"}}},
        {Header(JOB_MAGIC, 1) + two, {{-1, "record count 1, but 308 more bytes follow the last record; they are ignored"}}},
        {Job({Text("a"), OfType(7), Frame(1)}), {{1, "item 1: unknown item type 7; skipped"}}},
        {Job({Text("a"), Image("a b.png"), OfType(7)}),
         {{1, "item 1: image \"a b.png\": extension not .jpg/.bpg; reading of the job stopped here"}}},
        {Job({Image(dir.file("gone.jpg"))}), {{0, "item 0: image " + q + "gone.jpg\": no such file; reading of the job stopped here"}}},
        {Job({Image(dir.file("dir.jpg"))}), {{0, "\": not a regular file; reading"}}},
        {Job({Image(dir.file("text.jpg"))}), {{0, "\": not a JPEG, or damaged; reading"}}},
        {Job({Block(dir.file("gone.TXT"))}), {{0, "item 0: text block " + q + "gone.TXT\": no such file; reading"}}},
        {Job({Block("gone.bin")}), {{0, "\": no such file (relative to " + QuotedPath(std::filesystem::current_path().string()) + "); it"}}},
        {Job({Block("n\"\n.doc"), Block(dir.file("empty.txt")), Block(dir.file("gone.bin")), Block(dir.file("junk.bin"))}),
         {{0, "item 0: text block \"n\\\"\\n.doc\": extension not .txt/.bin; it draws nothing"},
          {1, "\": no text to draw (empty or blank); it draws nothing"},
          {2, "\": no such file; it draws nothing"},
          {3, "\": not a packed file, or damaged; it draws nothing"}}},
        // Bytes a terminal would act on or join with the newline are escaped.
        {Job({Block("\xC2\x85\xE2\x80\xA8\xC3\xA9.doc")}), {{0, "block \"\\xC2\\x85\\xE2\\x80\\xA8\xC3\xA9.doc\": ext"}}},
        {Job({Block("\x81\n\xB0\xA1\x81.doc")}), {{0, "block \"\\x81\\n\xB0\xA1\\x81.doc\": ext"}}, CP_GBK},
        {Job({Text("a"), Block(dir.file("huge.txt")), Frame(1)}),
         {{1, "huge.txt\": larger than 256 MiB, the limit for text; reading of the job stopped here"}}},
        // Text in another code page than the job's: once per item.
        {Job({Text("\xD6\xD0\xCE\xC4"), Block(dir.file("gbk.txt")), Block(dir.file("utf8.txt"))}),
         {{0, "item 0: " + notValid + "65001 (UTF-8), drawn with replacement characters (VEXLAN_CODEPAGE or the locale chooses the code page)"},
          {1, "gbk.txt\": " + notValid + "65001 (UTF-8), drawn"}}},
        {Job({Text("\xE4\xB8\xAD"), Text("\xD6\xD0"), Block(dir.file("gbk.txt"))}), {{0, "item 0: " + notValid + "936 (GBK)"}}, CP_GBK},
        {Job({Text("a"), Frame(2)}), {}},
    };
    const int savedCodePage = AnsiCodePage();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bytes.size());
        SetAnsiCodePage(r.codePage);
        const Strings page = Load(r.bytes);
        FreePageItems(list); // the reader empties the list; releasing is the owner's part
        LoadDiagnostics diag;
        LoadPrintJob(dir.file("job.set"), list, &diag);
        EXPECT_EQ(Describe(list), page);
        ASSERT_EQ(diag.warnings.size(), r.warnings.size());
        for (std::size_t i = 0; i < r.warnings.size(); ++i) {
            EXPECT_EQ(diag.warnings[i].item, r.warnings[i].first);
            EXPECT_NE(diag.warnings[i].text.find(r.warnings[i].second), std::string::npos) << diag.warnings[i].text;
        }
    }
    SetAnsiCodePage(savedCodePage);
    FreePageItems(list);
    LoadDiagnostics missing;
    LoadPrintJob(dir.file("no.set"), list, &missing);
    ASSERT_EQ(missing.warnings.size(), 1u);
    EXPECT_EQ(missing.warnings[0].text, "job file " + q + "no.set\": no such file; the page is empty");
}
