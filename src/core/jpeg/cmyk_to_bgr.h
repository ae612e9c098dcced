// SPDX-License-Identifier: MIT
// Conversion of decoded CMYK rows to the BGR rows of a 24-bit DIB.
//
// JPEGs written by Adobe applications (those carrying an Adobe APP14
// marker) store CMYK inverted: 255 means no ink. Other CMYK JPEGs store the
// ink amounts themselves. The conversion is the plain device-CMYK one,
// R = (1 - C) * (1 - K) and likewise for G and B, rounded to the nearest
// 8-bit value; without a colour profile nothing more faithful is possible.
#pragma once

#include <cstdint>

namespace vexlan {

// Converts `width` CMYK pixels (4 bytes each) at `cmyk` into `width` BGR
// pixels (3 bytes each) at `bgr`. `inverted` is true for Adobe-style data.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, uint32_t width, bool inverted);

} // namespace vexlan
