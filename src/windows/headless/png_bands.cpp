// SPDX-License-Identifier: MIT
// WriteGdiPagePng (see png_bands.h).
#include "windows/headless/png_bands.h"

#include "core/png/png_stream_writer.h"
#include "core/render/page_renderer.h"
#include "os/atomic_file.h"
#include "windows/surface/gdi_dc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

namespace vexlan {

namespace {

// A memory DC over a top-down 32-bit DIB section, released on every path.
class CBand {
public:
    CBand(int width, int rows)
    {
        WIN_BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -rows; // top-down: row 0 first in memory
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = CreateCompatibleDC(nullptr);
        if (m_dc == nullptr)
            return;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (m_bitmap != nullptr)
            m_old = SelectObject(m_dc, m_bitmap);
    }
    ~CBand()
    {
        if (m_old != nullptr)
            SelectObject(m_dc, m_old);
        if (m_bitmap != nullptr)
            DeleteObject(m_bitmap);
        if (m_dc != nullptr)
            DeleteDC(m_dc);
    }
    CBand(const CBand&) = delete;
    CBand& operator=(const CBand&) = delete;

    bool Ok() const { return m_bits != nullptr && m_old != nullptr; }
    HDC Dc() const { return m_dc; }
    const uint32_t* Row(int width, int r) const
    {
        return static_cast<const uint32_t*>(m_bits) + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    }
    void FillWhite(int width, int rows)
    {
        std::memset(m_bits, 0xFF, static_cast<std::size_t>(width) * static_cast<std::size_t>(rows) * 4);
    }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
};

} // namespace

bool WriteGdiPagePng(const CPageItemArray& items, int width, int height, int originX, int originY, int dpi,
                     CAtomicFile& file, std::string& error)
{
    if (width < 1 || height < 1 || dpi < 1) {
        error = "empty page";
        return false;
    }
    const int bandRows =
        std::min(height, static_cast<int>(std::max<std::size_t>(1, kGdiBandPixels / static_cast<std::size_t>(width))));
    CBand band(width, bandRows);
    if (!band.Ok()) {
        error = "not enough memory for a band of " + std::to_string(width) + " pixels";
        return false;
    }
    CPngStreamWriter png([&file](const void* data, std::size_t size) { return file.Write(data, size); });
    const auto writeFailed = [&] {
        error = file.Error().empty() ? "the PNG encoder failed" : file.Error();
        return false;
    };
    const auto dotsPerMeter = static_cast<uint32_t>(std::lround(dpi / 0.0254));
    if (!png.Begin(static_cast<uint32_t>(width), static_cast<uint32_t>(height), dotsPerMeter))
        return writeFailed();
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        band.FillWhite(width, bandRows);
        try {
            GdiDC dc(band.Dc(), dpi, dpi, originX, originY - top);
            RenderPage(&dc, items);
        } catch (const std::exception&) {
            error = "the page could not be drawn completely (out of memory)";
            return false;
        }
        // GDI may still hold drawing for the bitmap; the rows are read next.
        GdiFlush();
        for (int r = 0; r < rows; ++r) {
            if (!png.WriteRow(band.Row(width, r)))
                return writeFailed();
        }
    }
    return png.Finish() || writeFailed();
}

} // namespace vexlan
