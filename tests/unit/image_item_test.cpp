// Tests of LoadImageItem: which paths are decoded and how (".jpg" from the
// file, ".bpg" unpacked in memory), what failure leaves behind, that
// loaded images are released exactly once by FreePageItems, that items
// naming one file share one picture, and the page's image budget.
#include "job/image_budget.h"
#include "job/image_cache.h"
#include "job/image_item.h"
#include "job/job_reader.h"
#include "job/packed_writer.h"
#include "job/page_item.h"
#include "platform/bytes.h"
#include "platform/image_block.h"

#include "jpeg_writer.h"
#include "image_block_books.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vexlan {
namespace {

namespace fs = std::filesystem;

std::string SmallJpeg(int w = 12, int h = 10)
{
    std::vector<uint8_t> px(static_cast<std::size_t>(w) * h * 3);
    for (std::size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<uint8_t>(i * 7);
    return test::EncodeJpeg(w, h, px);
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
    const ImageFileKey key{1, 2, 3, 4, 5, 6, 7, false};
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
    std::vector<uint8_t> job(JOB_HEADER_SIZE + 4 * record::kSize);
    WriteU32LE(job.data(), JOB_MAGIC);
    WriteI32LE(job.data() + 4, 4);
    PageItem frame;
    frame.nType = ITEM_FRAME;
    const PageItem records[] = {ImageRecord(dir.file("a.jpg")), ImageRecord(dir.file("a.jpg")),
                                ImageRecord(dir.file("b.jpg")), frame};
    for (std::size_t i = 0; i < 4; ++i)
        EncodePageItem(records[i], job.data() + JOB_HEADER_SIZE + i * record::kSize);
    test::WriteFile(dir.file("job.set"), std::string(job.begin(), job.end()));

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
