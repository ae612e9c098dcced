// SPDX-License-Identifier: MIT
// A DIB's pixels as Qt's RGB32: the rows and runs of a StretchDIBits
// source (8-bit paletted, 24-bit and 32-bit, bottom-up or top-down)
// converted straight into place, inverted when asked. The caller has
// checked the header and that the bits hold every row.
#pragma once

#include "core/render/cdc.h"
#include "os/large_pages.h"

#include <QImage>
#include <QRgb>

#include <cstdint>
#include <new>

namespace vexlan {

// A DIB's pixels as RGB32, inverted when asked, addressed top-down.
// Converted straight into place (Qt's BGR888 converter goes through a
// generic path here, and a bottom-up DIB would need a second pass to turn
// it over).
class DibPixels {
public:
    DibPixels(const BITMAPINFO& bmi, const uint8_t* bits, bool invert);
    // Row `y` counted from the top of the image.
    const uint8_t* Row(int y) const
    {
        return m_bits + (m_bottomUp ? uint64_t(m_height - 1 - y) : uint64_t(y)) * m_stride;
    }
    // Pixels [col, col + n) of a row.
    void Run(const uint8_t* row, int col, int n, QRgb* out) const;
    // The pixels of a row at columns `cols[0..n)`.
    void Pick(const uint8_t* row, const int* cols, int n, QRgb* out) const;

private:
    const uint8_t* m_bits;
    int m_bpp;
    QRgb m_flip;
    int m_height = 0;
    bool m_bottomUp = false;
    uint64_t m_stride = 0;
    QRgb m_palette[256] = {};
};

// Rows of a picture converted between two looks at a cancel flag.
inline constexpr int kRowsBetweenChecks = 64;

// The rows [row0, row1) and columns [col0, col1) of a DIB as an image; a
// null image when `cancelled` says so before the last row. Throws
// std::bad_alloc when the image cannot be had.
template <typename Cancelled>
QImage DibRegion(const DibPixels& dib, int col0, int col1, int row0, int row1, Cancelled cancelled)
{
    QImage image(col1 - col0, row1 - row0, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    // Fresh memory written whole: huge pages spare most of its page faults
    // (a 12-megapixel region converts about three times faster).
    AdviseLargePages(image.bits(), static_cast<std::size_t>(image.sizeInBytes()));
    for (int y = row0; y < row1; ++y) {
        if ((y - row0) % kRowsBetweenChecks == 0 && cancelled())
            return QImage();
        dib.Run(dib.Row(y), col0, col1 - col0, reinterpret_cast<QRgb*>(image.scanLine(y - row0)));
    }
    return image;
}

} // namespace vexlan
