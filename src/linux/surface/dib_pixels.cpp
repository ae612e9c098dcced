// SPDX-License-Identifier: MIT
// DIB rows converted to RGB32 (see the header).
#include "linux/surface/dib_pixels.h"

#include <bit>
#include <cstring>

namespace vexlan {

namespace {

// `n` pixels of a 24-bit DIB row (B, G, R) as RGB32, XORed with `flip`.
void BgrRowToRgb32(const uint8_t* s, QRgb* d, int n, QRgb flip)
{
    int x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // In memory an RGB32 pixel is B, G, R, alpha: four DIB pixels are
        // three 32-bit words, spread over four with the alpha put in.
        for (; x + 4 <= n; x += 4, s += 12, d += 4) {
            uint32_t w[3];
            std::memcpy(w, s, sizeof w);
            d[0] = (0xFF000000u | w[0]) ^ flip;
            d[1] = (0xFF000000u | w[0] >> 24 | w[1] << 8) ^ flip;
            d[2] = (0xFF000000u | w[1] >> 16 | w[2] << 16) ^ flip;
            d[3] = (0xFF000000u | w[2] >> 8) ^ flip;
        }
    }
    for (; x < n; ++x, s += 3)
        *d++ = qRgb(s[2], s[1], s[0]) ^ flip;
}

} // namespace

DibPixels::DibPixels(const BITMAPINFO& bmi, const uint8_t* bits, bool invert)
    : m_bits(bits), m_bpp(bmi.bmiHeader.biBitCount), m_flip(invert ? 0x00FFFFFFu : 0u)
{
    const BITMAPINFOHEADER& h = bmi.bmiHeader;
    m_height = h.biHeight > 0 ? h.biHeight : -h.biHeight;
    m_bottomUp = h.biHeight > 0;
    m_stride = DibRowBytes(h.biWidth, h.biBitCount);
    if (m_bpp == 8) {
        const uint32_t used = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
        for (uint32_t i = 0; i < 256; ++i) {
            const RGBQUAD& q = bmi.bmiColors[i < used ? i : 0];
            m_palette[i] = (i < used ? qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue) : qRgb(0, 0, 0)) ^ m_flip;
        }
    }
}

void DibPixels::Run(const uint8_t* row, int col, int n, QRgb* out) const
{
    if (m_bpp == 24) {
        BgrRowToRgb32(row + 3 * uint64_t(col), out, n, m_flip);
    } else if (m_bpp == 8) {
        for (int x = 0; x < n; ++x)
            out[x] = m_palette[row[col + x]];
    } else { // 32: B, G, R, unused
        const uint8_t* p = row + 4 * uint64_t(col);
        for (int x = 0; x < n; ++x, p += 4)
            out[x] = qRgb(p[2], p[1], p[0]) ^ m_flip;
    }
}

void DibPixels::Pick(const uint8_t* row, const int* cols, int n, QRgb* out) const
{
    if (m_bpp == 8) {
        for (int x = 0; x < n; ++x)
            out[x] = m_palette[row[cols[x]]];
        return;
    }
    const uint64_t size = m_bpp / 8;
    for (int x = 0; x < n; ++x) {
        const uint8_t* p = row + size * uint64_t(cols[x]);
        out[x] = qRgb(p[2], p[1], p[0]) ^ m_flip;
    }
}

} // namespace vexlan
