// SPDX-License-Identifier: MIT
// FitRectAspect. Edges and sizes are computed in 64 bits: the margins and the
// differences of hostile 32-bit coordinates overflow int32, and a fitted size
// is at most the available size, so results that are written back are
// clamped to the int32 range only where the rectangle itself could not hold
// them.
#include "core/render/rect_fit.h"

#include <algorithm>
#include <cstdint>

namespace vexlan {
namespace {

int32_t Clamp32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Adding 0.5 and truncating toward zero; the value is positive and at most
// the available size, which fits in 33 bits.
int64_t RoundHalfUp(double v) { return static_cast<int64_t>(v + 0.5); }

} // namespace

int FitRectAspect(RECT* rect, int marginX, int marginY, int srcWidth, int srcHeight)
{
    if (rect == nullptr || srcWidth <= 0 || srcHeight <= 0)
        return 0;
    const int64_t left = int64_t{rect->left} + marginX;
    const int64_t top = int64_t{rect->top} + marginY;
    const int64_t right = int64_t{rect->right} - marginX;
    const int64_t bottom = int64_t{rect->bottom} - marginY;
    const int64_t w = right - left;
    const int64_t h = bottom - top;
    if (w <= 0 || h <= 0)
        return 0;

    const double ratio = static_cast<double>(srcHeight) / static_cast<double>(srcWidth);
    int64_t newWidth = w;
    // A very tall source can make w * ratio exceed any integer range; such a
    // height never fits, so it is compared as a double before it is truncated.
    const double fullWidthHeight = static_cast<double>(w) * ratio + 0.5;
    int64_t newHeight = fullWidthHeight >= static_cast<double>(h) + 1.0
                            ? h + 1
                            : static_cast<int64_t>(fullWidthHeight);
    if (newHeight > h) {
        newHeight = h;
        newWidth = RoundHalfUp(static_cast<double>(h) / ratio);
    }
    const int64_t newLeft = left + (w - newWidth) / 2;
    const int64_t newTop = top + (h - newHeight) / 2;
    rect->left = Clamp32(newLeft);
    rect->top = Clamp32(newTop);
    rect->right = Clamp32(newLeft + newWidth);
    rect->bottom = Clamp32(newTop + newHeight);
    return 1;
}

int FitRectAspect(RECT* rect, int margin, int srcWidth, int srcHeight)
{
    return FitRectAspect(rect, margin, margin, srcWidth, srcHeight);
}

} // namespace vexlan
