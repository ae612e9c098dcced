// Tests of LoadImageItem: which paths are decoded and how (".jpg" from the
// file, ".bpg" unpacked in memory), what failure leaves behind, and that
// loaded images are released exactly once by FreePageItems.
#include "job/image_item.h"
#include "job/packed_writer.h"
#include "job/page_item.h"
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
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore + 6);
    FreePageItems(list);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(ImageBlockLiveCount(), liveBefore);
    FreePageItems(list);  // a second call releases nothing more
    EXPECT_EQ(ImageBlockBadFrees(), badBefore);
}

} // namespace
} // namespace vexlan
