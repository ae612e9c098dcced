// SPDX-License-Identifier: MIT
// Pictures whose pixels are made when drawn: the preview shows one decoded
// at the fraction of its size it is drawn at, close to the picture decoded
// whole, and makes the whole picture only when drawn that large.
#include "core/dib/pending_pixels.h"
#include "core/job/image_item.h"
#include "core/job/image_loader.h"
#include "linux/surface/preview_image.h"

#include "jpeg_writer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace vexlan {
namespace {

TEST(PictureScale, PreviewDecodesAtTheScaleShownAndWholeWhenZoomedIn)
{
    test::TempDir dir;
    std::vector<uint8_t> rgb;
    uint32_t grain = 7;
    for (int i = 0; i < 800 * 600; ++i, grain = grain * 1103515245u + 12345u)
        for (const int base : {30 + i % 800 / 4, 220 - i / 800 / 4, 60 + (i % 800 + i / 800) / 8})
            rgb.push_back(static_cast<uint8_t>(base + int(grain >> 29)));
    // Two files, so that the pages do not share one decoded picture; each
    // page holds it as it is and inverted, 80 mm (3780 printer pixels) wide.
    CPageItemArray whole, later;
    for (CPageItemArray* page : {&whole, &later}) {
        const std::string path = dir.file(page == &whole ? "whole.jpg" : "later.jpg");
        test::WriteFile(path, test::EncodeJpeg(800, 600, rgb));
        SetPixelsOnDemand(page == &later);
        for (PageItem item; item.bInvert < 2; ++item.bInvert) {
            item.nType = ITEM_IMAGE;
            item.rcItem = RECT{1000 + item.bInvert * 9000, 1000, 9000 + item.bInvert * 9000, 7000};
            SetItemText(item, path);
            ASSERT_TRUE(LoadImageItem(item));
            page->Add(item);
        }
        SetPixelsOnDemand(false);
    }
    const std::atomic<bool> go{false};
    // Preview scales showing it at about 1/10, 1/5, 1/3 and 1.2 of its 800
    // pixels: decoded at 1/8, 1/4, 1/2 (the largest reduction with a pixel
    // for each shown), then whole (-1).
    for (const auto& [scale, shift] : {std::pair{0.021, 3}, {0.042, 2}, {0.07, 1}, {0.25, -1}}) {
        SCOPED_TRACE(scale);
        const PreviewPrinter a4At1200{QSize(9921, 14031), 1200, 1200};
        const QImage a = RenderPreviewImage(whole, a4At1200, scale, go).image;
        const QImage b = RenderPreviewImage(later, a4At1200, scale, go).image;
        ASSERT_EQ(a.size(), b.size());
        const auto kept = PendingPicturePixelsAtLeast(later.GetAt(0).pBits, 3);
        EXPECT_EQ(kept ? kept->shift : -1, shift);
        long sum = 0, samples = 0;
        int worst = 0;
        for (int i = 0; i < a.width() * a.height() * 3; ++i) {
            const int x = i / 3 % a.width(), y = i / 3 / a.width(), at = i % 3 * 8;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::abs(int((p >> at) & 0xFF) - int((q >> at) & 0xFF));
            worst = std::max(worst, d);
            sum += d;
            samples += p != 0xFFFFFFFFu || d != 0;
        }
        // A device pixel shows one full pixel, or the mean of the square it
        // lies in: they differ by the picture's grain.
        EXPECT_LE(double(sum) / double(samples), shift < 0 ? 0.0 : 4.0);
        EXPECT_LE(worst, shift < 0 ? 0 : 24);
    }
    FreePageItems(whole);
    FreePageItems(later);
}

} // namespace
} // namespace vexlan
