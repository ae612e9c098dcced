// SPDX-License-Identifier: MIT
// Tests of LoadImageItem: which paths are decoded and how (".jpg" from the
// file, ".bpg" unpacked in memory), what failure leaves behind, that
// loaded images are released exactly once by FreePageItems, that items
// naming one file share one picture, and the page's image budget; the
// page's loader (the same outcomes however many threads decode, a picture
// that fails only while decoding ending the page at its item) and which
// JPEG data is kept for a PDF.
#include "core/job/image_budget.h"
#include "core/job/image_cache.h"
#include "core/job/image_item.h"
#include "core/job/image_loader.h"
#include "core/job/job_reader.h"
#include "core/job/packed_file.h"
#include "core/job/packed_writer.h"
#include "core/job/page_item.h"
#include "core/base/bytes.h"
#include "core/dib/image_block.h"
#include "core/dib/stored_jpeg.h"

#include "jpeg_writer.h"
#include "image_block_books.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vexlan {
namespace {

namespace fs = std::filesystem;

std::string SmallJpeg(int w = 12, int h = 10, const test::JpegOptions& o = {})
{
    const int comps = o.input == JCS_GRAYSCALE ? 1 : o.input == JCS_CMYK ? 4 : 3;
    std::vector<uint8_t> px(static_cast<std::size_t>(w) * h * comps);
    for (std::size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<uint8_t>(i * 7);
    return test::EncodeJpeg(w, h, px, o);
}

std::string Packed(const std::string& data, uint32_t seed = 0x1234ABCD)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(PackBytes(reinterpret_cast<const uint8_t*>(data.data()), data.size(), seed, out));
    return std::string(out.begin(), out.end());
}

PageItem ImageRecord(const std::string& path)
{
    PageItem item;
    item.nType = ITEM_IMAGE;
    SetItemText(item, path);
    return item;
}

// Writes a job file of `records`.
void WriteJob(const std::string& path, const std::vector<PageItem>& records)
{
    std::vector<uint8_t> job(JOB_HEADER_SIZE + records.size() * record::kSize);
    WriteU32LE(job.data(), JOB_MAGIC);
    WriteI32LE(job.data() + 4, static_cast<int32_t>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i)
        EncodePageItem(records[i], job.data() + JOB_HEADER_SIZE + i * record::kSize);
    test::WriteFile(path, std::string(job.begin(), job.end()));
}

class ImageItemTest : public test::ImageBlockBooksTest {
protected:
    // Loads and, on success, checks the item and releases it through the
    // list as the application does.
    bool Load(const std::string& path, int expectWidth = 0)
    {
        PageItem item = ImageRecord(path);
        const BOOL ok = LoadImageItem(item);
        if (!ok) {
            EXPECT_EQ(item.pBits, nullptr) << path;
            EXPECT_EQ(item.pBmi, nullptr) << path;
            EXPECT_EQ(ImageBlockLiveCount(), liveBefore) << path;
            return false;
        }
        EXPECT_EQ(ok, TRUE);
        EXPECT_NE(item.pBits, nullptr);
        EXPECT_NE(item.pBmi, nullptr);
        if (item.pBmi != nullptr && expectWidth != 0) {
            EXPECT_EQ(item.pBmi->bmiHeader.biWidth, expectWidth) << path;
        }
        CPageItemArray list;
        list.Add(item);
        FreePageItems(list);
        return true;
    }
    test::TempDir dir;
};

TEST_F(ImageItemTest, JpgExtensionInAnyCaseIsDecodedFromTheFile)
{
    const std::string jpeg = SmallJpeg(13, 5);
    for (const char* name : {"a.jpg", "b.JPG", "c.Jpg", "d.jpG"}) {
        test::WriteFile(dir.file(name), jpeg);
        EXPECT_TRUE(Load(dir.file(name), 13)) << name;
    }
}

TEST_F(ImageItemTest, OtherExtensionsFailEvenWithAValidJpeg)
{
    const std::string jpeg = SmallJpeg();
    for (const char* name : {"a.jpeg", "b.jpg ", "c.png", "d.jp", "e.jpgx", "jpg"}) {
        test::WriteFile(dir.file(name), jpeg);
        EXPECT_FALSE(Load(dir.file(name))) << "'" << name << "'";
    }
    EXPECT_FALSE(Load(""));
}

TEST_F(ImageItemTest, JpgThatIsMissingOrNotAJpegFails)
{
    EXPECT_FALSE(Load(dir.file("missing.jpg")));
    test::WriteFile(dir.file("text.jpg"), "hello");
    EXPECT_FALSE(Load(dir.file("text.jpg")));
    const std::string jpeg = SmallJpeg();
    test::WriteFile(dir.file("cut.jpg"), jpeg.substr(0, 40));
    EXPECT_FALSE(Load(dir.file("cut.jpg")));
}

TEST_F(ImageItemTest, PathOfExactlyDotJpgIsOpenedRelativeToTheCurrentDirectory)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_FALSE(Load(".jpg"));  // not there yet: the path is looked up as given
    test::WriteFile(".jpg", SmallJpeg(7, 3));
    EXPECT_TRUE(Load(".jpg", 7));
    fs::current_path(before);
}

TEST_F(ImageItemTest, BpgIsUnpackedAndDecodedInAnyCase)
{
    const std::string packed = Packed(SmallJpeg(21, 4));
    for (const char* name : {"a.bpg", "b.BPG", "c.bPg"}) {
        test::WriteFile(dir.file(name), packed);
        EXPECT_TRUE(Load(dir.file(name), 21)) << name;
    }
}

TEST_F(ImageItemTest, BpgFailuresReleaseEverything)
{
    const std::string jpeg = SmallJpeg();
    const std::string packed = Packed(jpeg);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"notjpeg.bpg", Packed("this unpacks fine but is not a JPEG")},
        {"empty_payload.bpg", Packed("")},
        {"header_only.bpg", packed.substr(0, 8)},
        {"short.bpg", packed.substr(0, 5)},
        {"damaged.bpg", packed.substr(0, 8) + std::string(packed.size() - 8, 'x')},
        {"cut_stream.bpg", packed.substr(0, packed.size() / 2)},
        // A JPEG cut before its first scan, packed whole: unpacks, does not decode.
        {"jpeg_without_scan.bpg", Packed(jpeg.substr(0, test::FindMarker(jpeg, 0xDA)))},
    };
    for (const Case& c : cases) {
        test::WriteFile(dir.file(c.name), c.bytes);
        EXPECT_FALSE(Load(dir.file(c.name))) << c.name;
    }
    EXPECT_FALSE(Load(dir.file("missing.bpg")));
}

TEST_F(ImageItemTest, SeveralLoadedImagesAreReleasedExactlyOnceByFreePageItems)
{
    test::WriteFile(dir.file("a.jpg"), SmallJpeg(8, 8));
    test::WriteFile(dir.file("b.bpg"), Packed(SmallJpeg(9, 9)));
    CPageItemArray list;
    for (const char* name : {"a.jpg", "b.bpg", "a.jpg"}) {
        PageItem item = ImageRecord(dir.file(name));
        ASSERT_EQ(LoadImageItem(item), TRUE) << name;
        list.Add(item);
    }
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore + 4); // the two "a.jpg" items share one picture
    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore);
    FreePageItems(list);  // a second call releases nothing more
    EXPECT_EQ(ImageBlockBadFrees(), badBefore);
}

TEST_F(ImageItemTest, ItemsNamingOneFileShareOnePictureReleasedOnce)
{
    test::WriteFile(dir.file("a.bpg"), Packed(SmallJpeg(8, 8)));
    test::WriteFile(dir.file("b.jpg"), SmallJpeg(9, 9));
    test::WriteFile(dir.file("c.jpg"), SmallJpeg(10, 10));
    fs::create_symlink(dir.file("a.bpg"), dir.file("link.bpg"));
    // Each row: the file, and the earlier row whose picture it shares (-1: its own).
    const struct {
        const char* name;
        int shares;
    } rows[] = {{"a.bpg", -1}, {"b.jpg", -1}, {"a.bpg", 0}, {"link.bpg", 0}, {"b.jpg", 1}};
    CPageItemArray list;
    for (const auto& r : rows) {
        PageItem item = ImageRecord(dir.file(r.name));
        ASSERT_EQ(LoadImageItem(item), TRUE) << r.name;
        if (r.shares >= 0) {
            EXPECT_EQ(item.pBits, list.GetAt(static_cast<std::size_t>(r.shares)).pBits) << r.name;
            EXPECT_EQ(item.pBmi, list.GetAt(static_cast<std::size_t>(r.shares)).pBmi) << r.name;
        }
        list.Add(item);
    }
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore + 4);
    FreePageItems(list);
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore);

    // A file rewritten while an item holds its old picture is decoded anew.
    PageItem old = ImageRecord(dir.file("b.jpg"));
    ASSERT_EQ(LoadImageItem(old), TRUE);
    list.Add(old);
    test::WriteFile(dir.file("b.jpg"), SmallJpeg(11, 11));
    EXPECT_TRUE(Load(dir.file("b.jpg"), 11));
    FreePageItems(list);
}

TEST_F(ImageItemTest, CacheNeverHandsOutAReleasedPictureWhoseMemoryWasReused)
{
    CImageCache cache;
    const ImageFileKey key{{1, 2, 3, 4, 5, 6, 7}, false};
    auto* bmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(200));
    void* bits = ImageBlockAlloc(100);
    cache.Remember(key, bits, bmi);
    // glibc's calloc takes a freed chunk back once the thread's cache for
    // its size is full: fill that first, then release the picture's pixels.
    std::vector<void*> filler;
    for (int i = 0; i < 8; ++i)
        filler.push_back(ImageBlockAlloc(100));
    for (void* p : filler)
        ImageBlockFree(p);
    ImageBlockFree(bits);
    void* reused = ImageBlockAlloc(100);
    void* gotBits = nullptr;
    BITMAPINFO* gotBmi = nullptr;
    const bool shared = cache.Share(key, gotBits, gotBmi);
    ImageBlockFree(reused);
    ImageBlockFree(bmi);
    if (shared) {
        ImageBlockFree(gotBits);
        ImageBlockFree(gotBmi);
    }
    EXPECT_FALSE(shared);
    if (reused != bits)
        GTEST_SKIP() << "the allocator did not give the address back";
}

TEST_F(ImageItemTest, APictureOverThePageBudgetEndsTheJobThere)
{
    test::WriteFile(dir.file("a.jpg"), SmallJpeg(40, 40));
    test::WriteFile(dir.file("b.jpg"), SmallJpeg(40, 40));
    const uint64_t onePicture = 40 * 120 + sizeof(BITMAPINFO);
    SetPageImageBudget(ImageBlockLiveBytes() + 2 * onePicture - 1);
    // a, a again (shared: costs nothing), b (over), then a frame never read.
    PageItem frame;
    frame.nType = ITEM_FRAME;
    WriteJob(dir.file("job.set"), {ImageRecord(dir.file("a.jpg")), ImageRecord(dir.file("a.jpg")),
                                   ImageRecord(dir.file("b.jpg")), frame});

    CPageItemArray list;
    LoadDiagnostics diagnostics;
    LoadPrintJob(dir.file("job.set"), list, &diagnostics);
    SetPageImageBudget(0);
    EXPECT_EQ(list.GetSize(), 2u);
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore + 2);
    ASSERT_EQ(diagnostics.warnings.size(), 1u);
    EXPECT_EQ(diagnostics.warnings[0].item, 2);
    EXPECT_NE(diagnostics.warnings[0].text.find("over the page's image memory budget"), std::string::npos);
    FreePageItems(list);
}

// A JPEG cut short (a producer that started the program before the file was
// flushed) is drawn as far as it goes, with a warning in its record's place
// among the others; packed or not, however many threads decode.
TEST_F(ImageItemTest, AJpegThatEndsEarlyIsDrawnWithAWarning)
{
    const std::string whole = SmallJpeg(64, 48);
    const std::string cut = whole.substr(0, whole.size() * 2 / 3);
    test::WriteFile(dir.file("cut.jpg"), cut);
    test::WriteFile(dir.file("cut.bpg"), Packed(cut));
    test::WriteFile(dir.file("whole.jpg"), whole);
    WriteJob(dir.file("job.set"), {ImageRecord(dir.file("cut.jpg")), ImageRecord(dir.file("whole.jpg")),
                                   ImageRecord(dir.file("cut.bpg")), ImageRecord(dir.file("gone.jpg"))});
    CPageItemArray list;
    LoadDiagnostics diagnostics;
    LoadPrintJob(dir.file("job.set"), list, &diagnostics);
    EXPECT_EQ(list.GetSize(), 3u);
    ASSERT_EQ(diagnostics.warnings.size(), 3u);
    const std::pair<int32_t, std::string> expected[] = {
        {0, "cut.jpg\": image data ends early; what it holds is drawn"},
        {2, "cut.bpg\": image data ends early; what it holds is drawn"},
        {3, "gone.jpg\": no such file; reading of the job stopped here"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(diagnostics.warnings[i].item, expected[i].first);
        EXPECT_NE(diagnostics.warnings[i].text.find(expected[i].second), std::string::npos) << diagnostics.warnings[i].text;
    }
    FreePageItems(list);
}

class ImageLoaderTest : public test::ImageBlockBooksTest {
protected:
    void SetUp() override
    {
        ImageBlockBooksTest::SetUp();
        test::JpegOptions prog, grey;
        prog.progressive = true;
        grey.input = grey.stored = JCS_GRAYSCALE;
        const std::pair<const char*, std::string> files[] = {
            {"a.jpg", SmallJpeg(40, 30)}, {"g.jpg", SmallJpeg(33, 20, grey)}, {"h.jpg", SmallJpeg(64, 48)}, {"p.jpg", SmallJpeg(100, 100, prog)}};
        // Room for a, g, h and p's blocks and bytes, but not for p's coefficients.
        uint64_t room = 100;
        for (const auto& [name, bytes] : files) {
            test::WriteFile(dir.file(name), bytes);
            CMemFile file(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            JpgHeader header;
            ASSERT_EQ(ProbeJpg(&file, JpgDecodeLimits{}, &header), JpgFailure::kNone);
            room += header.blockBytes + bytes.size();
        }
        SetPageImageBudget(ImageBlockLiveBytes() + CountedImageBytesLive() + room);
    }
    void TearDown() override
    {
        SetPageImageBudget(0);
        ImageBlockBooksTest::TearDown();
    }
    test::TempDir dir;
};

struct Outcome {
    bool ok = false;
    std::string problem;
    std::string pixels;
    bool stored = false;
    bool operator==(const Outcome&) const = default;
};

TEST_F(ImageLoaderTest, OutcomesAreTheSameHoweverManyThreadsDecode)
{
    const char* names[] = {"a.jpg", "g.jpg", "a.jpg", "h.jpg", "p.jpg", "a.jpg"};
    std::vector<Outcome> serial;
    for (unsigned threads : {0u, 1u, 4u}) {
        SCOPED_TRACE(threads);
        std::vector<Outcome> got;
        CPageItemArray held;
        CImageLoader loader(threads);
        for (const char* name : names)
            ASSERT_TRUE(loader.Start(ImageRecord(dir.file(name)), nullptr)) << name;
        for (std::size_t k = 0; k < loader.Count(); ++k) {
            PageItem item = ImageRecord(names[k]);
            Outcome o;
            o.ok = loader.Take(k, item.pBits, item.pBmi, &o.problem) != 0;
            if (o.ok) {
                held.Add(item);
                o.pixels.assign(static_cast<const char*>(item.pBits), item.pBmi->bmiHeader.biSizeImage);
                o.stored = FindStoredJpeg(item.pBits).has_value();
            }
            got.push_back(o);
            if (!o.ok)
                break;  // as the job reader does
        }
        FreePageItems(held);
        ASSERT_EQ(got.size(), 5u);
        EXPECT_EQ(got[4].problem, "over the page's image memory budget");
        EXPECT_EQ(got[2].pixels, got[0].pixels);
        if (threads == 0)
            serial = got;
        else
            EXPECT_EQ(got, serial);
    }
}

TEST_F(ImageLoaderTest, APictureFailingWhileDecodedEndsThePageAtItsItem)
{
    PageItem text = ImageRecord("before"), block = ImageRecord(dir.file("missing.bin")), frame;
    text.nType = ITEM_TEXT;
    block.nType = ITEM_TEXTBLOCK;
    frame.nType = ITEM_FRAME;
    WriteJob(dir.file("job.set"), {text, ImageRecord(dir.file("a.jpg")), ImageRecord(dir.file("p.jpg")),
                                   ImageRecord(dir.file("a.jpg")), block, frame});

    CPageItemArray list;
    LoadDiagnostics diagnostics;
    LoadPrintJob(dir.file("job.set"), list, &diagnostics);
    ASSERT_EQ(list.GetSize(), 2u);
    EXPECT_EQ(list.GetAt(1).nType, ITEM_IMAGE);
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore + 2);
    ASSERT_EQ(diagnostics.warnings.size(), 1u);  // the text block's warning went with it
    EXPECT_EQ(diagnostics.warnings[0].item, 2);
    EXPECT_NE(diagnostics.warnings[0].text.find("budget; reading of the job stopped here"), std::string::npos);
    FreePageItems(list);
}

TEST_F(ImageLoaderTest, KeepsTheJpegDataOfPicturesAPdfCanEmbedAsTheyAre)
{
    SetPageImageBudget(0);
    test::JpegOptions grey, prog, arith, cmyk, rgb;
    grey.input = grey.stored = JCS_GRAYSCALE;
    prog.progressive = true;
    arith.arithmetic = true;
    cmyk.input = cmyk.stored = JCS_CMYK;
    rgb.stored = JCS_RGB;
    const std::string plain = SmallJpeg(21, 9);
    const struct {
        const char* name;
        std::string jpeg;
        int components;  // 0: not kept
    } rows[] = {
        {"ycbcr.jpg", plain, 3},
        {"grey.jpg", SmallJpeg(21, 9, grey), 1},
        {"progressive.jpg", SmallJpeg(21, 9, prog), 3},
        {"packed.bpg", plain, 3},
        {"arithmetic.jpg", SmallJpeg(21, 9, arith), 0},
        {"cmyk.jpg", SmallJpeg(21, 9, cmyk), 0},
        {"rgb.jpg", SmallJpeg(21, 9, rgb), 0},
        {"cut.jpg", plain.substr(0, plain.size() - 20), 0},  // decodes, with a warning
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<uint8_t> packed;
        ASSERT_TRUE(PackBytes(reinterpret_cast<const uint8_t*>(r.jpeg.data()), r.jpeg.size(), 7, packed));
        test::WriteFile(dir.file(r.name),
                        std::string(r.name).ends_with(".bpg") ? std::string(packed.begin(), packed.end()) : r.jpeg);
        const uint64_t countedBefore = CountedImageBytesLive();
        CPageItemArray list;
        for (int i = 0; i < 2; ++i) {  // the second item shares the first one's picture
            PageItem item = ImageRecord(dir.file(r.name));
            ASSERT_EQ(LoadImageItem(item), TRUE);
            list.Add(item);
        }
        std::optional<StoredJpeg> stored = FindStoredJpeg(list.GetAt(0).pBits);
        ASSERT_EQ(stored.has_value(), r.components != 0);
        EXPECT_EQ(CountedImageBytesLive() - countedBefore, stored ? r.jpeg.size() : 0);
        if (stored) {
            EXPECT_EQ(std::string(stored->bytes->begin(), stored->bytes->end()), r.jpeg);
            EXPECT_EQ(stored->width, 21);
            EXPECT_EQ(stored->height, 9);
            EXPECT_EQ(stored->components, r.components);
        }
        stored.reset();
        FreePageItems(list);
        EXPECT_EQ(CountedImageBytesLive(), countedBefore);
    }
}

// A packed file of `size` zero bytes, compressed a chunk at a time so that
// making it takes no memory near its size.
std::string PackedZeros(uint32_t size, uint32_t seed = 77)
{
    std::vector<uint8_t> zeros(1 << 20), payload;
    z_stream zs{};
    EXPECT_EQ(deflateInit(&zs, 1), Z_OK);
    uint8_t out[1 << 16];
    for (uint32_t left = size;;) {
        const uint32_t take = std::min<uint32_t>(left, static_cast<uint32_t>(zeros.size()));
        left -= take;
        zs.next_in = zeros.data();
        zs.avail_in = take;
        int rc;
        do {
            zs.next_out = out;
            zs.avail_out = sizeof out;
            rc = deflate(&zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            payload.insert(payload.end(), out, out + (sizeof out - zs.avail_out));
        } while (zs.avail_out == 0);
        if (rc == Z_STREAM_END)
            break;
    }
    deflateEnd(&zs);
    XorBuffer(payload.data(), static_cast<uint32_t>(payload.size()), seed ^ static_cast<uint32_t>(payload.size()));
    std::vector<uint8_t> file(PACKED_HEADER_SIZE);
    WriteU32LE(file.data(), seed);
    WriteU32LE(file.data() + 4, size);
    file.insert(file.end(), payload.begin(), payload.end());
    return std::string(file.begin(), file.end());
}

uint64_t PeakResidentBytes()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return static_cast<uint64_t>(use.ru_maxrss) * 1024;
}

// How much the process's peak memory grows while the picture of a packed
// bomb (a small file unpacking to `unpacked` zeros) is loaded with
// `budget` left; `problem` receives why it fails. The peak only grows, so
// each test measures one load (ctest runs each in a process of its own).
uint64_t PeakGrowthOfBomb(const test::TempDir& dir, uint32_t unpacked, uint64_t budget, std::string& problem)
{
    test::WriteFile(dir.file("bomb.bpg"), PackedZeros(unpacked));
    SetPageImageBudget(ImageBlockLiveBytes() + CountedImageBytesLive() + budget);
    const uint64_t before = PeakResidentBytes();
    PageItem item = ImageRecord(dir.file("bomb.bpg"));
    EXPECT_EQ(LoadImageItem(item, &problem), FALSE);
    SetPageImageBudget(0);
    return PeakResidentBytes() - before;
}

constexpr uint32_t kBomb = 128u << 20;

TEST_F(ImageItemTest, APackedBombIsUnpackedOnceIntoTheBufferItIsDecodedFrom)
{
    std::string problem;
    EXPECT_LT(PeakGrowthOfBomb(dir, kBomb, 2ull * kBomb, problem), kBomb + (48u << 20));
    EXPECT_EQ(problem, "unpacked data is not a JPEG, or damaged");
}

TEST_F(ImageItemTest, APackedBombWhoseUnpackingExceedsTheBudgetIsNeverUnpacked)
{
    std::string problem;
    EXPECT_LT(PeakGrowthOfBomb(dir, kBomb, kBomb / 2, problem), 32u << 20);
    EXPECT_EQ(problem, "over the page's image memory budget");
}

TEST(PageImageBudget, IsAGibibyteOrHalfOfASmallerMachine)
{
    constexpr uint64_t kGiB = 1ull << 30;
    EXPECT_EQ(PageImageBudgetFor(0), kGiB); // not known
    EXPECT_EQ(PageImageBudgetFor(64 * kGiB), kGiB);
    EXPECT_EQ(PageImageBudgetFor(2 * kGiB + 2), kGiB);
    EXPECT_EQ(PageImageBudgetFor(kGiB), kGiB / 2);
    EXPECT_LE(PageImageBudget(), kGiB);
}

} // namespace
} // namespace vexlan
