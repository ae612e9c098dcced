// SPDX-License-Identifier: MIT
// Size arithmetic of a decoded bitmap: bytes per row, bytes of the pixel
// block, and the caps that turn away images too large to hold. Computed
// before anything is allocated, in 64 bits, so a hostile header cannot
// overflow the 32-bit fields of the DIB header or the row arithmetic.
#pragma once

#include <cstdint>

namespace vexlan {

// Largest pixel block a decoded picture may take by default (512 MiB: a
// 24-bit image of about 179 megapixels, 7.5 times an A4 page at 600 dpi).
constexpr uint64_t kDefaultMaxPixelBytes = 512ull << 20;

struct DibGeometry {
    bool ok = false;          // false: refuse the image, allocate nothing
    uint32_t rowBytes = 0;    // bytes per row, padded to a multiple of 4
    uint32_t imageBytes = 0;  // rowBytes * height
};

// Geometry of a bottom-up DIB of width x height pixels at bitCount bits per
// pixel. Refused (ok false) when a side is 0 or does not fit in a signed
// 32-bit field, when a row or the whole block does not fit in 32 bits, or
// when the block would exceed maxPixelBytes.
DibGeometry ComputeDibGeometry(uint64_t width, uint64_t height, int bitCount, uint64_t maxPixelBytes);

} // namespace vexlan
