// SPDX-License-Identifier: MIT
// Drawing the preview's page into an image (see preview_image.h).
#include "linux/surface/preview_image.h"

#include "linux/surface/painter_dc.h"
#include "core/render/page_renderer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>

namespace vexlan {

namespace {

// Hands every call to another device context until `cancel` becomes true;
// from then on the drawing calls do nothing, so that the renderer runs
// through the rest of the page at once. Fonts and pens are still made,
// selected and deleted, so the renderer's pairs stay balanced.
class CCancellableDC : public CDC {
public:
    CCancellableDC(CDC& target, const std::atomic<bool>& cancel) : m_target(target), m_cancel(cancel) {}

    int SetMapMode(int mode) override { return m_target.SetMapMode(mode); }
    int SetStretchBltMode(int mode) override { return m_target.SetStretchBltMode(mode); }
    HFONT CreateFont(const FontRequest& request) override { return m_target.CreateFont(request); }
    HFONT SelectFont(HFONT font) noexcept override { return m_target.SelectFont(font); }
    void DeleteFont(HFONT font) noexcept override { m_target.DeleteFont(font); }
    int DrawText(const char* text, int length, const RECT& rect, UINT format) override
    {
        return Cancelled() ? 0 : m_target.DrawText(text, length, rect, format);
    }
    int StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                      const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop) override
    {
        return Cancelled() ? 0
                           : m_target.StretchDIBits(xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, bits, bmi,
                                                    usage, rop);
    }
    HPEN CreatePen(int style, int width, COLORREF color) override { return m_target.CreatePen(style, width, color); }
    HPEN SelectPen(HPEN pen) noexcept override { return m_target.SelectPen(pen); }
    void DeletePen(HPEN pen) noexcept override { m_target.DeletePen(pen); }
    void MoveTo(int x, int y) override { m_target.MoveTo(x, y); }
    void LineTo(int x, int y) override
    {
        if (!Cancelled())
            m_target.LineTo(x, y);
    }

private:
    bool Cancelled() const { return m_cancel.load(std::memory_order_relaxed); }

    CDC& m_target;
    const std::atomic<bool>& m_cancel;
};

} // namespace

PreviewImage RenderPreviewImage(const CPageItemArray& items, const PreviewPrinter& printer, double scale,
                                const std::atomic<bool>& cancel)
{
    PreviewImage out;
    if (!(scale > 0) || printer.pagePx.isEmpty())
        return out;
    const int longest = std::max(printer.pagePx.width(), printer.pagePx.height());
    scale = std::min(scale, static_cast<double>(kMaxPreviewSide) / longest);
    const QSize size(std::max(1, static_cast<int>(std::ceil(printer.pagePx.width() * scale))),
                     std::max(1, static_cast<int>(std::ceil(printer.pagePx.height() * scale))));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return out;
    image.fill(Qt::white);
    {
        // The page is drawn in printer pixels at the printer's resolution,
        // as on the printer itself; only the painter scales, so the surface
        // makes the decisions it makes for the printer.
        QPainter painter(&image);
        painter.scale(scale, scale);
        try {
            CPainterDC surface(painter, printer.dpiX, printer.dpiY);
            // Given up, the surface paints nothing more of what it holds.
            surface.SetCancel(&cancel);
            CCancellableDC dc(surface, cancel);
            RenderPage(&dc, items);
            // The surface draws what it held back as it goes.
        } catch (const std::exception&) {
            // Out of memory or a pen that could not be made: as on the
            // printer, the page ends here and what was drawn stays.
        }
    }
    if (cancel.load())
        return out;
    out.image = std::move(image);
    out.scale = scale;
    return out;
}

} // namespace vexlan
