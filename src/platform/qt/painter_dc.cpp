// The painter surface: CDC operations carried out with QPainter.
//
// All geometry is mapped to painter pixels in double precision and checked
// against the device before Qt sees it, so a hostile rectangle (2^31 units
// wide) costs no more than one that fits on the page: lines are clipped to
// the device, images are cut down to the source pixels that land on it, and
// text far outside the device is not laid out for drawing at all.
#include "platform/qt/painter_dc.h"

#include "platform/qt/draw_text_string.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vexlan {

namespace {

constexpr double kHimetricPerInch = 2540.0;
constexpr int HALFTONE = 4;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;
// Text whose box reaches further than this outside the device is drawn as
// clipped outlines instead of through Qt's glyph positioning, which works
// in 26.6 fixed point.
constexpr double kFarOutsidePx = 1 << 20;

double RoundPx(double v) { return std::floor(v + 0.5); }

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

Qt::PenStyle ToQtPenStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine; // PS_SOLID, PS_INSIDEFRAME
    }
}

// Liang-Barsky: clips the segment a-b to `r`; false when nothing is left.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r)
{
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF a0 = a;
    a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
    b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
    return true;
}

// The rows [row0, row1) and columns [col0, col1) of a top-down view of the
// DIB, as an RGB32 image; inverted when `invert`.
QImage DibRegion(const BITMAPINFO& bmi, const uint8_t* bits, int col0, int col1, int row0, int row1,
                 bool invert)
{
    const BITMAPINFOHEADER& h = bmi.bmiHeader;
    const int height = h.biHeight > 0 ? h.biHeight : -h.biHeight;
    const bool bottomUp = h.biHeight > 0;
    const uint64_t stride = DibRowBytes(h.biWidth, h.biBitCount);

    QImage image(col1 - col0, row1 - row0, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    QRgb palette[256];
    if (h.biBitCount == 8) {
        const uint32_t used = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
        for (uint32_t i = 0; i < 256; ++i) {
            const RGBQUAD& q = bmi.bmiColors[i < used ? i : 0];
            palette[i] = i < used ? qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue) : qRgb(0, 0, 0);
        }
    }
    for (int y = row0; y < row1; ++y) {
        const uint64_t fileRow = bottomUp ? static_cast<uint64_t>(height - 1 - y) : static_cast<uint64_t>(y);
        const uint8_t* src = bits + fileRow * stride;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y - row0));
        for (int x = col0; x < col1; ++x) {
            QRgb px;
            if (h.biBitCount == 8) {
                px = palette[src[x]];
            } else if (h.biBitCount == 24) {
                const uint8_t* p = src + 3 * static_cast<uint64_t>(x);
                px = qRgb(p[2], p[1], p[0]);
            } else { // 32: B, G, R, unused
                const uint8_t* p = src + 4 * static_cast<uint64_t>(x);
                px = qRgb(p[2], p[1], p[0]);
            }
            dst[x - col0] = invert ? (px ^ 0x00FFFFFFu) : px;
        }
    }
    return image;
}

} // namespace

CPainterDC::CPainterDC(QPainter& painter, double dpiX, double dpiY) : m_painter(painter)
{
    const QPaintDevice* device = painter.device();
    m_dpiX = dpiX > 0 ? dpiX : (device ? device->logicalDpiX() : 96);
    m_dpiY = dpiY > 0 ? dpiY : (device ? device->logicalDpiY() : 96);
    if (m_dpiX <= 0)
        m_dpiX = 96;
    if (m_dpiY <= 0)
        m_dpiY = 96;
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setBrush(Qt::NoBrush);
}

CPainterDC::~CPainterDC() { m_painter.restore(); }

double CPainterDC::PixelsPerUnitX() const { return m_mapMode == MM_HIMETRIC ? m_dpiX / kHimetricPerInch : 1.0; }

double CPainterDC::PixelsPerUnitY() const { return m_mapMode == MM_HIMETRIC ? -m_dpiY / kHimetricPerInch : 1.0; }

QPointF CPainterDC::ToDevice(int x, int y) const
{
    return QPointF(RoundPx(x * PixelsPerUnitX()), RoundPx(y * PixelsPerUnitY()));
}

QRectF CPainterDC::DeviceBounds() const
{
    const QPaintDevice* device = m_painter.device();
    if (device == nullptr)
        return QRectF(-1e9, -1e9, 2e9, 2e9);
    const QRectF pixels(0, 0, device->width(), device->height());
    bool invertible = false;
    const QTransform toUser = m_painter.combinedTransform().inverted(&invertible);
    return invertible ? toUser.mapRect(pixels) : pixels;
}

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

const MappedFont& CPainterDC::RealisedFont()
{
    if (!m_haveRealised || m_realisedFont != m_font || m_realisedMode != m_mapMode) {
        const auto it = m_fonts.constFind(m_font);
        const FontRequest request = it != m_fonts.constEnd() ? *it : FontRequest{};
        m_realised = CFontMapper::Map(request, PixelsPerUnitX(), PixelsPerUnitY(), m_dpiY);
        m_realisedFont = m_font;
        m_realisedMode = m_mapMode;
        m_haveRealised = true;
    }
    return m_realised;
}

int CPainterDC::DrawText(const char* text, int length, const RECT& rect, UINT format)
{
    const MappedFont& mf = RealisedFont();
    const double unitsPerPxY = 1.0 / std::fabs(PixelsPerUnitY());
    const int cellUnits = static_cast<int>(std::min(RoundPx(mf.CellHeightPx() * unitsPerPxY), 2147483647.0));
    if (format & DT_CALCRECT)
        return cellUnits;

    const QString raw = AnsiToDrawString(text, length);
    const PrefixedString prefixed = (format & DT_NOPREFIX) ? PrefixedString{raw, {}} : ApplyPrefixRule(raw);
    if (prefixed.text.isEmpty())
        return cellUnits;

    QTextLayout layout(prefixed.text, mf.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    if (!(format & DT_HIDEPREFIX) && !prefixed.underlined.isEmpty()) {
        QList<QTextLayout::FormatRange> ranges;
        for (int pos : prefixed.underlined) {
            QTextLayout::FormatRange r;
            r.start = pos;
            r.length = prefixed.text[pos].isHighSurrogate() ? 2 : 1;
            r.format.setFontUnderline(true);
            ranges.append(r);
        }
        layout.setFormats(ranges);
    }
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return cellUnits;
    }
    line.setLineWidth(1e6);
    layout.endLayout();

    const QPointF p1 = ToDevice(rect.left, rect.top);
    const QPointF p2 = ToDevice(rect.right, rect.bottom);
    const QRectF box = QRectF(p1, p2).normalized();
    const double width = line.naturalTextWidth() * mf.scaleX;
    const double cell = mf.CellHeightPx();

    double x = box.left();
    if (format & DT_CENTER)
        x = box.center().x() - width / 2;
    else if (format & DT_RIGHT)
        x = box.right() - width;
    double cellTop = box.top();
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            cellTop = box.bottom() - cell;
        else if (format & DT_VCENTER)
            cellTop = box.center().y() - cell / 2;
    }

    const QRectF textBox(x, cellTop, width, cell);
    QRectF visible = DeviceBounds();
    if (!(format & DT_NOCLIP))
        visible = visible.intersected(box);
    if (!textBox.intersects(visible))
        return cellUnits;

    m_painter.save();
    if (!(format & DT_NOCLIP))
        m_painter.setClipRect(box, Qt::IntersectClip);
    if (m_opaqueText && !(format & DT_PREFIXONLY))
        m_painter.fillRect(textBox.intersected(visible.adjusted(-2, -2, 2, 2)), Qt::white);

    QTransform place;
    place.translate(x, cellTop + mf.ascentPx);
    place.scale(mf.scaleX, mf.scaleY);
    const QRectF reach = DeviceBounds().adjusted(-kFarOutsidePx, -kFarOutsidePx, kFarOutsidePx, kFarOutsidePx);
    if (reach.contains(textBox) && !(format & DT_PREFIXONLY)) {
        m_painter.setPen(Qt::black);
        m_painter.setTransform(place, true);
        line.draw(&m_painter, QPointF(0, -line.ascent()));
    } else if (!(format & DT_PREFIXONLY)) {
        // Giant or far-off text: take the glyph outlines, place them in
        // double precision and keep only what lies on the device.
        QPainterPath outlines;
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont font = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
                outlines.addPath(font.pathForGlyph(glyphs[i]).translated(positions[i]));
        }
        // Glyph positions are on the line's baseline, `ascent` below its top.
        const QPainterPath placed = place.map(outlines.translated(0, -line.ascent()));
        QPainterPath area;
        area.addRect(visible.adjusted(-2, -2, 2, 2));
        m_painter.fillPath(placed.intersected(area), Qt::black);
    }
    if (format & DT_PREFIXONLY) {
        // Only the underlines of the prefixed characters.
        for (int pos : prefixed.underlined) {
            const double from = line.cursorToX(pos);
            const double to = line.cursorToX(pos + 1);
            const QRectF bar = place.mapRect(QRectF(from, mf.font.pixelSize() * 0.1, to - from, std::max(1.0, mf.font.pixelSize() / 16.0)));
            if (bar.intersects(visible))
                m_painter.fillRect(bar.intersected(visible), Qt::black);
        }
    }
    m_painter.restore();
    return cellUnits;
}

int CPainterDC::StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                              int hSrc, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop)
{
    if (bits == nullptr || bmi == nullptr || usage != DIB_RGB_COLORS)
        return 0;
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    const int bpp = h.biBitCount;
    if (h.biCompression != BI_RGB || (bpp != 8 && bpp != 24 && bpp != 32) || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biHeight == INT32_MIN || wSrc == 0 || hSrc == 0 || wDest == 0 ||
        hDest == 0)
        return 0;
    if (rop != SRCCOPY && rop != NOTSRCCOPY)
        return 0;
    const int imageW = h.biWidth;
    const int imageH = h.biHeight > 0 ? h.biHeight : -h.biHeight;

    // The source rectangle in top-down image coordinates. The image's top
    // row goes to yDest and its left column to xDest; the image is mirrored
    // when, on the device, its far edge lies left of (or above) that corner,
    // and again for a negative source size.
    bool mirrorX = wSrc < 0;
    bool mirrorY = hSrc < 0;
    int64_t sx0 = wSrc > 0 ? xSrc : int64_t(xSrc) + wSrc;
    int64_t sw = wSrc > 0 ? wSrc : -int64_t(wSrc);
    int64_t sy0 = hSrc > 0 ? ySrc : int64_t(ySrc) + hSrc;
    int64_t sh = hSrc > 0 ? hSrc : -int64_t(hSrc);
    if (h.biHeight > 0)
        sy0 = imageH - sy0 - sh; // bottom-up: source y counts from the last row

    // The destination on the device; source pixel (i, j) covers the cell
    // [d.left + i*cellW, ...) of `dest`.
    const QPointF a = ToDevice(xDest, yDest);
    const QPointF b(RoundPx((int64_t(xDest) + wDest) * PixelsPerUnitX()),
                    RoundPx((int64_t(yDest) + hDest) * PixelsPerUnitY()));
    if (a.x() > b.x())
        mirrorX = !mirrorX;
    if (a.y() > b.y())
        mirrorY = !mirrorY;
    const QRectF dest = QRectF(a, b).normalized();
    if (dest.width() <= 0 || dest.height() <= 0)
        return 0;
    const double cellW = dest.width() / double(sw);
    const double cellH = dest.height() / double(sh);

    // Only the source pixels that land on the device (and inside the image).
    const QRectF visible = dest.intersected(DeviceBounds());
    if (visible.isEmpty())
        return 0;
    auto span = [](double lo, double hi, double origin, double cell, int64_t n, bool mirror) {
        int64_t i0 = static_cast<int64_t>(std::floor((lo - origin) / cell));
        int64_t i1 = static_cast<int64_t>(std::ceil((hi - origin) / cell));
        i0 = std::clamp<int64_t>(i0, 0, n);
        i1 = std::clamp<int64_t>(i1, 0, n);
        if (mirror) // cell k on the device shows source pixel n-1-k
            return std::pair<int64_t, int64_t>(n - i1, n - i0);
        return std::pair<int64_t, int64_t>(i0, i1);
    };
    auto [c0, c1] = span(visible.left(), visible.right(), dest.left(), cellW, sw, mirrorX);
    auto [r0, r1] = span(visible.top(), visible.bottom(), dest.top(), cellH, sh, mirrorY);
    // Clip to the image itself.
    const int64_t col0 = std::clamp<int64_t>(sx0 + c0, 0, imageW), col1 = std::clamp<int64_t>(sx0 + c1, 0, imageW);
    const int64_t row0 = std::clamp<int64_t>(sy0 + r0, 0, imageH), row1 = std::clamp<int64_t>(sy0 + r1, 0, imageH);
    if (col0 >= col1 || row0 >= row1)
        return 0;

    QImage part = DibRegion(*bmi, static_cast<const uint8_t*>(bits), int(col0), int(col1), int(row0),
                            int(row1), rop == NOTSRCCOPY);
    if (mirrorX || mirrorY)
        part = part.mirrored(mirrorX, mirrorY);
    // Where the cut-out lands: its cells measured from the matching edge.
    const int64_t k0 = mirrorX ? sw - (col1 - sx0) : col0 - sx0;
    const int64_t l0 = mirrorY ? sh - (row1 - sy0) : row0 - sy0;
    const QRectF target(dest.left() + k0 * cellW, dest.top() + l0 * cellH, (col1 - col0) * cellW,
                        (row1 - row0) * cellH);

    m_painter.save();
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, m_stretchMode == HALFTONE);
    m_painter.drawImage(target, part);
    m_painter.restore();
    return static_cast<int>(sh);
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

void CPainterDC::LineTo(int x, int y)
{
    const PenRecord penRecord = m_pens.value(m_pen, PenRecord{});
    QPointF from = ToDevice(m_curX, m_curY);
    QPointF to = ToDevice(x, y);
    m_curX = x;
    m_curY = y;
    if (penRecord.style == 5) // PS_NULL
        return;

    // Width 0 (and a negative width) is the thinnest line: one device pixel.
    const double widthPx = penRecord.width > 0 ? std::max(1.0, penRecord.width * std::fabs(PixelsPerUnitX())) : 0.0;
    const QRectF bounds = DeviceBounds();
    const double diagonal = std::hypot(bounds.width(), bounds.height());
    const double drawnWidth = std::min(widthPx, 4 * diagonal + 4);
    const double reach = drawnWidth / 2 + 2;
    if (!ClipSegment(from, to, bounds.adjusted(-reach, -reach, reach, reach)))
        return;

    QPen pen(ToQColor(penRecord.color));
    pen.setStyle(ToQtPenStyle(penRecord.style));
    if (drawnWidth > 0) {
        pen.setWidthF(drawnWidth);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    } else {
        pen.setWidth(0);
        pen.setCapStyle(Qt::FlatCap);
    }
    m_painter.setPen(pen);
    m_painter.drawLine(from, to);
}

} // namespace vexlan
