// SPDX-License-Identifier: MIT
// The painter surface's device face: construction on a painter or for a
// held page, logical units mapped to device pixels, the mapping and stretch
// modes, the selected font and pen, and device pixels of a rectangle.
//
// All geometry is mapped to painter pixels in double precision and checked
// against the device before Qt sees it, so a hostile rectangle (2^31 units
// wide) costs no more than one that fits on the page: lines are clipped to
// the device, images are cut down to the source pixels that land on it, and
// text whose cell lies off the device is dropped before it is converted or
// laid out. What is left is held back and drawn by Flush() (see the header).
#include "linux/surface/painter_dc.h"

#include "linux/surface/pdf_sink.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace vexlan {

namespace {

constexpr double kHimetricPerInch = 2540.0;

} // namespace

CPainterDC::CPainterDC(QPainter& painter, double dpiX, double dpiY) : m_painter(&painter)
{
    const QPaintDevice* device = painter.device();
    m_dpiX = dpiX > 0 ? dpiX : (device ? device->logicalDpiX() : 96);
    m_dpiY = dpiY > 0 ? dpiY : (device ? device->logicalDpiY() : 96);
    if (m_dpiX <= 0)
        m_dpiX = 96;
    if (m_dpiY <= 0)
        m_dpiY = 96;
    painter.save();
    SetUpPainter(painter);
    // In pixels of an image under a whole-pixel translation, the pixels an
    // operation covers are known exactly; elsewhere (PDF, printer, preview
    // recording) only whole device pixels inside a shape count as covered.
    const QTransform t = painter.combinedTransform();
    bool invertible = false;
    const QTransform toUser = t.inverted(&invertible);
    if (device == nullptr) {
        m_device = QRectF(-1e9, -1e9, 2e9, 2e9);
    } else if (invertible) {
        // Whole pixels of this surface: an image whose size is this page
        // scaled and rounded up (the preview's) reaches a fraction of a
        // pixel past the page, and a fractional edge would leave the last
        // column of every operation touching it uncovered.
        const QRectF mapped = toUser.mapRect(QRectF(0, 0, device->width(), device->height()));
        m_device = QRectF(QPointF(std::floor(mapped.left()), std::floor(mapped.top())),
                          QPointF(std::ceil(mapped.right()), std::ceil(mapped.bottom())));
    } else {
        m_device = QRectF(0, 0, device->width(), device->height());
    }
    m_raster = painter.paintEngine() != nullptr && painter.paintEngine()->type() == QPaintEngine::Raster &&
               t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy());
    m_scaledRaster = !m_raster && painter.paintEngine() != nullptr &&
                     painter.paintEngine()->type() == QPaintEngine::Raster && t.type() <= QTransform::TxScale &&
                     t.m11() > 0 && t.m22() > 0;
    m_toImage = t;
    // A PDF draws a line's glyph runs as they are: those of its measuring
    // are kept for drawing, which then lays the line out no second time.
    auto* sink = dynamic_cast<CPdfSink*>(painter.device());
    m_textCache.SetKeepRuns(sink != nullptr);
    m_textCache.SetLayoutSizes(sink != nullptr);
    // Its glyphs' bounds are those of the unhinted outlines it draws.
    m_textCache.SetGlyphBoxes(sink);
}

CPainterDC::CPainterDC(const QRect& pixels, double dpi) : m_dpiX(dpi > 0 ? dpi : 96), m_dpiY(m_dpiX), m_raster(true), m_device(pixels) {}

CPainterDC::~CPainterDC()
{
    if (m_painter == nullptr)
        return;
    try {
        Flush();
    } catch (const std::exception&) {
        // Out of memory while drawing: what was not drawn is dropped.
    }
    m_painter->restore();
}

void CPainterDC::SetUpPainter(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);
}

double CPainterDC::PixelsPerUnitX() const { return m_mapMode == MM_HIMETRIC ? m_dpiX / kHimetricPerInch : 1.0; }

double CPainterDC::PixelsPerUnitY() const { return m_mapMode == MM_HIMETRIC ? -m_dpiY / kHimetricPerInch : 1.0; }

QPointF CPainterDC::ToDevice(int x, int y) const
{
    return QPointF(RoundPx(x * PixelsPerUnitX()), RoundPx(y * PixelsPerUnitY()));
}

QRectF CPainterDC::DeviceBounds() const { return m_device; }

int CPainterDC::SetMapMode(int mode)
{
    if (mode != MM_TEXT && mode != MM_HIMETRIC)
        return 0;
    const int previous = m_mapMode;
    m_mapMode = mode;
    return previous;
}

int CPainterDC::SetStretchBltMode(int mode)
{
    const int previous = m_stretchMode;
    if (mode >= 1 && mode <= HALFTONE)
        m_stretchMode = mode;
    return previous;
}

HFONT CPainterDC::CreateFont(const FontRequest& request)
{
    const uint32_t id = m_nextHandle++;
    m_fonts.insert(id, request);
    return HFONT{id};
}

HFONT CPainterDC::SelectFont(HFONT font) noexcept
{
    if (!font || (font.id != 1 && !m_fonts.contains(font.id)))
        return HFONT{};
    const HFONT previous{m_font};
    m_font = font.id;
    return previous;
}

void CPainterDC::DeleteFont(HFONT font) noexcept
{
    if (!font || font.id == 1)
        return;
    m_fonts.remove(font.id);
    if (m_font == font.id)
        m_font = 1;
    if (m_realisedFont == font.id)
        m_haveRealised = false;
}


QRect CPainterDC::OuterPixels(const QRectF& r) const
{
    const QRectF on = r.intersected(DeviceBounds());
    if (on.isEmpty())
        return {};
    const int l = int(std::floor(on.left())), t = int(std::floor(on.top()));
    return QRect(l, t, int(std::ceil(on.right())) - l, int(std::ceil(on.bottom())) - t);
}

QRect CPainterDC::InnerPixels(const QRectF& r) const
{
    const QRectF on = r.intersected(DeviceBounds());
    if (on.isEmpty())
        return {};
    const int l = int(std::ceil(on.left())), t = int(std::ceil(on.top()));
    const QRect inner(l, t, int(std::floor(on.right())) - l, int(std::floor(on.bottom())) - t);
    return inner.isEmpty() ? QRect() : inner;
}

QRect CPainterDC::RoundedPixels(const QRectF& r) const
{
    const QRectF on = r.intersected(DeviceBounds());
    if (on.isEmpty())
        return {};
    const int l = qRound(on.left()), t = qRound(on.top());
    const QRect rounded(l, t, qRound(on.right()) - l, qRound(on.bottom()) - t);
    return rounded.isEmpty() ? QRect() : rounded;
}

HPEN CPainterDC::CreatePen(int style, int width, COLORREF color)
{
    const uint32_t id = m_nextHandle++;
    m_pens.insert(id, PenRecord{style, width, color});
    return HPEN{id};
}

HPEN CPainterDC::SelectPen(HPEN pen) noexcept
{
    if (!pen || (pen.id != 2 && !m_pens.contains(pen.id)))
        return HPEN{};
    const HPEN previous{m_pen};
    m_pen = pen.id;
    return previous;
}

void CPainterDC::DeletePen(HPEN pen) noexcept
{
    if (!pen || pen.id == 2)
        return;
    m_pens.remove(pen.id);
    if (m_pen == pen.id)
        m_pen = 2;
}

void CPainterDC::MoveTo(int x, int y)
{
    m_curX = x;
    m_curY = y;
}

} // namespace vexlan
