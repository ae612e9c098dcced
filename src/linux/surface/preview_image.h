// SPDX-License-Identifier: MIT
// The page as the preview shows it: drawn by the page renderer into an image
// of the size the page has on the screen, so that the preview's window only
// ever copies pixels. Drawing may take long (a hostile page costs seconds),
// so it runs away from the GUI thread and can be abandoned half-way.
#pragma once

#include "core/job/page_item.h"

#include <QImage>
#include <QSize>

#include <atomic>

namespace vexlan {

// The printer the preview stands for: its printable area in its pixels and
// its resolution.
struct PreviewPrinter {
    QSize pagePx;
    double dpiX = 0;
    double dpiY = 0;
};

// A drawn page: `image` shows the printable area at `scale` image pixels
// per printer pixel (from the image's top-left corner).
struct PreviewImage {
    QImage image;
    double scale = 0;
};

// The largest side of a preview image, in pixels: an A4 page at this size
// is about 520 dpi and 110 MB. A closer view is drawn at this size and
// enlarged by the preview.
inline constexpr int kMaxPreviewSide = 6144;

// Draws `items` on white as the page renderer draws them on `printer`
// (the same fonts, decisions and geometry in printer pixels), scaled by
// `scale` (clamped so that no side exceeds kMaxPreviewSide). Reads the
// items only, so it may run on any thread while nothing changes them.
// When `cancel` becomes true the items still to come and the drawing the
// surface still holds are skipped and the result is a null image; a null image also when the image cannot be
// allocated or `scale` is not positive.
PreviewImage RenderPreviewImage(const CPageItemArray& items, const PreviewPrinter& printer, double scale,
                                const std::atomic<bool>& cancel);

} // namespace vexlan
