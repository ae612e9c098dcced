// Pictures whose pixels are made when drawn: the preview shows one decoded
// at the fraction of its size it is drawn at, close to the picture decoded
// whole, and makes the whole picture only when it is drawn that large.
#include "core/dib/image_block.h"
#include "core/dib/pending_pixels.h"
#include "core/job/image_item.h"
#include "core/job/image_loader.h"
#include "linux/surface/preview_image.h"

#include "jpeg_writer.h"
#include "test_support.h"

#include <QColor>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace vexlan {
namespace {

const PreviewPrinter kA4At1200{QSize(9921, 14031), 1200, 1200};

struct PixelsOnDemand {
    explicit PixelsOnDemand(bool on) { SetPixelsOnDemand(on); }
    ~PixelsOnDemand() { SetPixelsOnDemand(false); }
};

// A page of the picture twice, as it is and inverted, each 80 mm wide
// (3780 printer pixels).
CPageItemArray LoadPage(const std::string& path, bool onDemand)
{
    const PixelsOnDemand mode(onDemand);
    CPageItemArray page;
    for (const int invert : {0, 1}) {
        PageItem item;
        item.nType = ITEM_IMAGE;
        item.rcItem = RECT{1000 + invert * 9000, 1000, 9000 + invert * 9000, 7000};
        item.bInvert = invert;
        SetItemText(item, path);
        EXPECT_TRUE(LoadImageItem(item));
        page.Add(item);
    }
    return page;
}

TEST(PictureScale, PreviewDecodesAtTheScaleShownAndWholeWhenZoomedIn)
{
    test::TempDir dir;
    constexpr int w = 800, h = 600;
    std::vector<uint8_t> rgb;
    uint32_t grain = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, grain = grain * 1103515245u + 12345u)
            for (const int base : {30 + x / 4, 220 - y / 4, 60 + (x + y) / 8})
                rgb.push_back(static_cast<uint8_t>(base + int(grain >> 29)));
    // Two files, so that the pages do not share one decoded picture.
    const std::string jpeg = test::EncodeJpeg(w, h, rgb);
    test::WriteFile(dir.file("whole.jpg"), jpeg);
    test::WriteFile(dir.file("later.jpg"), jpeg);
    CPageItemArray whole = LoadPage(dir.file("whole.jpg"), false);
    CPageItemArray later = LoadPage(dir.file("later.jpg"), true);
    const std::atomic<bool> go{false};
    // Preview scales showing the picture 3780 printer pixels wide at about
    // 1/10, 1/5, 1/3 and 1.2 of its 800 pixels: decoded at 1/8, 1/4, 1/2
    // (the largest reduction that still has a pixel for each shown), then
    // whole.
    struct Case {
        double scale;
        int shift;  // -1: the whole picture made
    };
    for (const Case c : {Case{0.021, 3}, Case{0.042, 2}, Case{0.07, 1}, Case{0.25, -1}}) {
        const bool madeWhole = c.shift < 0;
        SCOPED_TRACE(c.scale);
        const QImage a = RenderPreviewImage(whole, kA4At1200, c.scale, go).image;
        const QImage b = RenderPreviewImage(later, kA4At1200, c.scale, go).image;
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(PicturePixelsPending(later.GetAt(0).pBits), !madeWhole);
        if (!madeWhole) {
            const auto kept = PendingPicturePixelsAtLeast(later.GetAt(0).pBits, 3);
            ASSERT_TRUE(kept);
            EXPECT_EQ(kept->shift, c.shift);
        }
        long sum = 0, samples = 0;
        int worst = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                for (const int shift : {0, 8, 16}) {
                    const int d = std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
                    worst = std::max(worst, d);
                    sum += d;
                    samples += p != 0xFFFFFFFFu || d != 0;
                }
            }
        if (madeWhole) {
            EXPECT_EQ(worst, 0);
        } else {
            // Each device pixel shows one full pixel or the mean of the
            // square it lies in: they differ by the picture's grain.
            EXPECT_LE(double(sum) / double(samples), 4.0);
            EXPECT_LE(worst, 24);
        }
    }
    FreePageItems(whole);
    FreePageItems(later);
}

// With the output's pixels per unit known (a PNG's dpi), the check keeps the
// picture at the reduction its rectangle needs, and a picture shown at half
// its size or more is decoded whole at once.
TEST(PictureScale, CheckKeepsTheReductionTheRectangleNeeds)
{
    test::TempDir dir;
    const std::string path = dir.file("p.jpg");
    test::WriteFile(path, test::EncodeJpeg(800, 600, std::vector<uint8_t>(800 * 600 * 3, 128)));
    struct Case {
        int widthUnits;  // of a rectangle 2/3 as high; 2540 units are 100 pixels at 100 dpi,
                         // and a pixel more is allowed for the rounding of its edges
        int shift;       // -1: decoded whole
    };
    for (const Case c : {Case{2500, 3}, Case{5000, 2}, Case{7500, 1}, Case{10000, 1}, Case{10300, -1},
                         Case{25400, -1}}) {
        SCOPED_TRACE(c.widthUnits);
        SetPixelsOnDemand(true, true, 100 / 2540.0);
        PageItem item;
        item.nType = ITEM_IMAGE;
        item.rcItem = RECT{0, 0, c.widthUnits, c.widthUnits * 2 / 3};
        SetItemText(item, path);
        ASSERT_TRUE(LoadImageItem(item));
        SetPixelsOnDemand(false);
        const auto kept = PendingPicturePixelsAtLeast(item.pBits, 3);
        EXPECT_EQ(kept ? kept->shift : -1, c.shift);
        EXPECT_EQ(PicturePixelsPending(item.pBits), c.shift >= 0);
        ImageBlockFree(item.pBits);
        ImageBlockFree(item.pBmi);
    }
}

} // namespace
} // namespace vexlan
