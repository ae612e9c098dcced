// SPDX-License-Identifier: MIT
// CMYK to BGR row conversion.
#include "core/jpeg/cmyk_to_bgr.h"

namespace vexlan {
namespace {

// a * b / 255, rounded to nearest, for a and b in 0..255.
inline uint8_t MulDiv255(unsigned a, unsigned b)
{
    return static_cast<uint8_t>((a * b + 127u) / 255u);
}

} // namespace

void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, uint32_t width, bool inverted)
{
    // Inverted data already holds 255 - ink, which is what the product needs.
    const unsigned flip = inverted ? 0u : 255u;
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned c = cmyk[0] ^ flip;
        const unsigned m = cmyk[1] ^ flip;
        const unsigned y = cmyk[2] ^ flip;
        const unsigned k = cmyk[3] ^ flip;
        bgr[0] = MulDiv255(y, k);
        bgr[1] = MulDiv255(m, k);
        bgr[2] = MulDiv255(c, k);
    }
}

} // namespace vexlan
