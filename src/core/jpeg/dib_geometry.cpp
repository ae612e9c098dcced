// SPDX-License-Identifier: MIT
// Size arithmetic of a decoded bitmap, with its caps.
#include "core/jpeg/dib_geometry.h"

#include "core/base/wintypes.h"

#include <cstdint>
#include <limits>

namespace vexlan {

DibGeometry ComputeDibGeometry(uint64_t width, uint64_t height, int bitCount, uint64_t maxPixelBytes)
{
    DibGeometry g;
    constexpr uint64_t kMaxSide = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        return g;
    if (bitCount != 8 && bitCount != 24)
        return g;
    const uint64_t row = DibRowBytes(static_cast<int64_t>(width), bitCount);
    if (row == 0 || row > kMaxSide)
        return g;
    // row <= 2^31 and height <= 2^31: the product fits in 64 bits.
    const uint64_t total = row * height;
    if (total > std::numeric_limits<uint32_t>::max() || total > maxPixelBytes)
        return g;
    g.ok = true;
    g.rowBytes = static_cast<uint32_t>(row);
    g.imageBytes = static_cast<uint32_t>(total);
    return g;
}

} // namespace vexlan
