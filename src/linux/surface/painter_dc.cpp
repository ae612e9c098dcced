// The painter surface: CDC operations carried out with QPainter.
//
// All geometry is mapped to painter pixels in double precision and checked
// against the device before Qt sees it, so a hostile rectangle (2^31 units
// wide) costs no more than one that fits on the page: lines are clipped to
// the device, images are cut down to the source pixels that land on it, and
// text whose cell lies off the device is dropped before it is converted or
// laid out. What is left is held back and drawn by Flush() (see the header).
#include "linux/surface/painter_dc.h"

#include "linux/surface/draw_text_string.h"
#include "linux/surface/pdf_sink.h"
#include "os/large_pages.h"

#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <bit>
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
// The largest glyph, in device pixels, that Qt draws from its glyph cache
// (by area: a 64 x 64 square).
constexpr double kCachedGlyphPx = 64;
// The longest side of a glyph left to Qt's glyph cache.
constexpr double kStretchedGlyphPx = 256;
// UTF-16 units of a left-aligned line handed to Qt's text layout: first
// try, most (see DrawText), and how many at the end of a cut-off line may
// be shaped otherwise than within the whole line.
constexpr qsizetype kFirstDrawnUnits = 512;
constexpr qsizetype kMaxDrawnUnits = 1 << 20;
constexpr qsizetype kSettleUnits = 64;

// Measured lines kept per font before the cache starts over.
constexpr int kMaxMeasures = 8192;
// Most glyph outlines kept (a CJK outline is a few kilobytes).
constexpr int kMaxGlyphPaths = 1024;

double RoundPx(double v) { return std::floor(v + 0.5); }

// The value kept in `cache` for `key`, made by `make` when there is none;
// a cache that holds `most` values starts over.
template <typename Cache, typename Make>
const typename Cache::mapped_type& Cached(Cache& cache, const typename Cache::key_type& key, qsizetype most,
                                          Make make)
{
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    if (cache.size() >= most)
        cache.clear();
    return *cache.insert(key, make());
}

// Every field of a font request and the mapping mode, as one key.
QByteArray RequestKey(const FontRequest& r, int mapMode)
{
    const int fields[] = {r.height, r.width, r.escapement, r.orientation, r.weight, r.italic, r.underline,
                          r.strikeOut, r.charSet, r.outPrecision, r.clipPrecision, r.quality, r.pitchAndFamily, mapMode};
    QByteArray key(reinterpret_cast<const char*>(fields), sizeof fields);
    key.append(r.face.data(), qsizetype(r.face.size()));
    return key;
}

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// How much of the start of a longer text shows when laid out in `font`:
// up to where the pen passes `hiddenFrom` (layout units), and kSettleUnits
// more, whose shaping may depend on what follows; -1 when the text ends
// before that.
qsizetype ShownLength(const QString& text, const QFont& font, double hiddenFrom)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return -1;
    }
    line.setLineWidth(1e6);
    layout.endLayout();
    if (line.naturalTextWidth() <= hiddenFrom)
        return -1;
    qsizetype at = line.xToCursor(hiddenFrom, QTextLine::CursorOnCharacter);
    while (at < text.size() && line.cursorToX(int(at)) < hiddenFrom)
        ++at; // the first position at or past it
    at += kSettleUnits;
    if (at < text.size() && text[at - 1].isHighSurrogate())
        ++at; // never half a character
    return at <= text.size() ? at : -1;
}

// Whether Qt would take a glyph of `pixelSize` under `m` (glyph space to
// device pixels) from its glyph cache, where FreeType fails to render it
// and Qt then reads past the missing bitmap: small in area (Qt caches
// glyphs up to kCachedGlyphPx square) but longer than kStretchedGlyphPx.
bool CachedButStretched(double pixelSize, const QTransform& m)
{
    const double longest = std::max(std::hypot(m.m11(), m.m12()), std::hypot(m.m21(), m.m22()));
    return pixelSize * pixelSize * std::fabs(m.determinant()) <= kCachedGlyphPx * kCachedGlyphPx &&
           pixelSize * longest > kStretchedGlyphPx;
}

// How a text is ordered within a longer line, by its characters' bidi
// classes. Right-to-left runs and explicit embeddings, overrides and
// isolates reorder; without them the line's first strong character sets
// the paragraph's direction.
enum class TextOrder {
    LeftToRight, // first strong character left-to-right: laid out in its own order whatever follows
    Neutral,     // no strong character: what follows decides
    Reordered,   // right-to-left characters, Arabic digits or explicit controls
};

TextOrder OrderOf(const QString& s)
{
    bool strongL = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(s[i], s[i + 1]), ++i;
        switch (QChar::direction(c)) {
        case QChar::DirL:
            strongL = true;
            break;
        case QChar::DirR: case QChar::DirAL: case QChar::DirAN: case QChar::DirLRE: case QChar::DirLRO:
        case QChar::DirRLE: case QChar::DirRLO: case QChar::DirPDF: case QChar::DirLRI: case QChar::DirRLI:
        case QChar::DirFSI: case QChar::DirPDI:
            return TextOrder::Reordered;
        default:
            break;
        }
    }
    return strongL ? TextOrder::LeftToRight : TextOrder::Neutral;
}

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
    // A horizontal or vertical segment ends exactly on the edges it crosses,
    // so that segments on one line clipped alike are alike to the bit.
    if (dx == 0 || dy == 0) {
        a = QPointF(std::clamp(a0.x(), r.left(), r.right()), std::clamp(a0.y(), r.top(), r.bottom()));
        b = QPointF(std::clamp(a0.x() + dx, r.left(), r.right()), std::clamp(a0.y() + dy, r.top(), r.bottom()));
    }
    return true;
}

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

// A DIB's pixels as RGB32, inverted when asked, addressed top-down.
// Converted straight into place (Qt's BGR888 converter goes through a
// generic path here, and a bottom-up DIB would need a second pass to turn
// it over).
class DibPixels {
public:
    DibPixels(const BITMAPINFO& bmi, const uint8_t* bits, bool invert)
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
    const uint8_t* Row(int y) const
    {
        return m_bits + (m_bottomUp ? uint64_t(m_height - 1 - y) : uint64_t(y)) * m_stride;
    }
    // Pixels [col, col + n) of a row.
    void Run(const uint8_t* row, int col, int n, QRgb* out) const
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
    // The pixels of a row at columns `cols[0..n)`.
    void Pick(const uint8_t* row, const int* cols, int n, QRgb* out) const
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
constexpr int kRowsBetweenChecks = 64;

// The rows [row0, row1) and columns [col0, col1) of a DIB as an image; a
// null image when `cancelled` says so before the last row.
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

const MappedFont& CPainterDC::RealisedFont()
{
    if (!m_haveRealised || m_realisedFont != m_font || m_realisedMode != m_mapMode) {
        const auto it = m_fonts.constFind(m_font);
        const FontRequest request = it != m_fonts.constEnd() ? *it : FontRequest{};
        // Items ask for the same few fonts again and again.
        const QByteArray key = RequestKey(request, m_mapMode);
        const auto known = m_mapped.constFind(key);
        if (known != m_mapped.constEnd()) {
            m_realised = *known;
        } else {
            m_realised = CFontMapper::Map(request, PixelsPerUnitX(), PixelsPerUnitY(), m_dpiY);
            if (m_mapped.size() >= kMaxMeasures)
                m_mapped.clear();
            m_mapped.insert(key, m_realised);
        }
        m_realisedFont = m_font;
        m_realisedMode = m_mapMode;
        m_haveRealised = true;
    }
    return m_realised;
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

void CPainterDC::Hold(Kind kind, std::size_t index, const QRectF& ink, const QRect& opaque,
                      const COcclusionQueue::LineKey* line, const COcclusionQueue::Track* track)
{
    // On an image every pixel the ink touches counts. A vector device (a
    // PDF, a printer, the preview's recording) is judged on its own pixel
    // grid with the ink's edges rounded: a sliver under half a device pixel
    // (1/2400 inch in a PDF) is below what it resolves.
    m_queue.Add(m_raster ? OuterPixels(ink) : RoundedPixels(ink), opaque, line, track);
    m_held.emplace_back(kind, index);
}

QRectF CPainterDC::GlyphBounds(const QRawFont& font, quint32 glyph)
{
    // The outline's own bounds: a run's bounding rectangle is the line's
    // logical box, and the font's glyph metrics are rounded outward to
    // whole pixels. Windows fonts keep every outline within their Windows
    // ascent and descent, so a glyph seldom reaches out of its cell.
    return Cached(m_glyphBounds, GlyphKey{font, glyph}, kMaxMeasures,
                  [&] { return GlyphPath(font, glyph).boundingRect(); });
}

const QPainterPath& CPainterDC::GlyphPath(const QRawFont& font, quint32 glyph)
{
    return Cached(m_glyphPaths, GlyphKey{font, glyph}, kMaxGlyphPaths, [&] { return font.pathForGlyph(glyph); });
}

CPainterDC::TextMeasure CPainterDC::Measure(const QString& text, bool underlines, const MappedFont& font)
{
    const MeasureKey key{font.font, text};
    if (!underlines) {
        const auto it = m_measures.constFind(key);
        if (it != m_measures.constEnd())
            return *it;
    }
    QTextLayout layout(text, font.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    TextMeasure m;
    if (line.isValid()) {
        line.setLineWidth(1e6);
        layout.endLayout();
        m.width = line.naturalTextWidth();
        m.ascent = line.ascent();
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
                m.ink |= GlyphBounds(font, indexes[i]).translated(positions[i]);
        }
        if (underlines) // underlines lie below the baseline, within about a quarter em
            m.ink |= QRectF(0, 0, m.width, line.height() + font.font.pixelSize() * 0.25);
    } else {
        layout.endLayout();
    }
    if (!underlines) { // lines with underlines are not kept: the key is the text
        if (m_measures.size() >= kMaxMeasures)
            m_measures.clear();
        m_measures.insert(key, m);
    }
    return m;
}

int CPainterDC::DrawText(const char* text, int length, const RECT& rect, UINT format)
{
    const MappedFont& mf = RealisedFont();
    const double unitsPerPxY = 1.0 / std::fabs(PixelsPerUnitY());
    const int cellUnits = static_cast<int>(std::min(RoundPx(mf.CellHeightPx() * unitsPerPxY), 2147483647.0));
    if (format & DT_CALCRECT)
        return cellUnits;

    const QPointF p1 = ToDevice(rect.left, rect.top);
    const QPointF p2 = ToDevice(rect.right, rect.bottom);
    const QRectF box = QRectF(p1, p2).normalized();
    const double cell = mf.CellHeightPx();
    double cellTop = box.top();
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            cellTop = box.bottom() - cell;
        else if (format & DT_VCENTER)
            cellTop = box.center().y() - cell / 2;
    }
    QRectF visible = DeviceBounds();
    if (!(format & DT_NOCLIP))
        visible = visible.intersected(box);

    // Off the device before anything is converted or laid out: the cell's
    // rows with a cell of room for glyphs and underlines beyond it, and the
    // side the text starts from with an em of room for overhanging glyphs.
    const double roomY = cell + 2;
    const double roomX = mf.font.pixelSize() * mf.scaleX + 2;
    if (visible.isEmpty() || cellTop - roomY > visible.bottom() || cellTop + cell + roomY < visible.top())
        return cellUnits;
    if (!(format & (DT_CENTER | DT_RIGHT)) && box.left() - roomX > visible.right())
        return cellUnits;
    if ((format & DT_RIGHT) && !(format & DT_CENTER) && box.right() + roomX < visible.left())
        return cellUnits;

    // A left-aligned line shows only its start, and only its start is
    // converted and laid out: kFirstDrawnUnits characters, then eight times
    // more each time, until the pen, kSettleUnits before the end of what
    // was taken, stands an em past the visible right edge (what follows
    // cannot show, and the glyphs before it are placed as in the whole
    // line), as long as the line is left to right there (a right-to-left run
    // is reordered as a whole; a start without strong characters is when
    // the line is all ASCII, which holds nothing that reorders). At most
    // kMaxDrawnUnits are taken: past them a glyph of a block's font is a
    // small fraction of a device pixel wide at any resolution this surface
    // draws at, and Qt's text layout counts glyphs in int and fails on lines
    // of hundreds of millions of them.
    const bool fromLeft = !(format & (DT_CENTER | DT_RIGHT));
    // Where, in the layout's units, the text passes out of sight: an em
    // past the visible right edge, and another for a glyph reaching back.
    const double hiddenFrom = (visible.right() + 2 * roomX - box.left()) / mf.scaleX;
    qsizetype limit = fromLeft ? kFirstDrawnUnits : -1;
    int ascii = -1; // whether the whole line is ASCII, once asked
    PrefixedString prefixed;
    for (;;) {
        bool whole = true;
        const QString raw = AnsiToDrawString(text, length, limit, &whole);
        prefixed = (format & DT_NOPREFIX) ? PrefixedString{raw, {}} : ApplyPrefixRule(raw);
        if (whole || limit >= kMaxDrawnUnits)
            break;
        const qsizetype shown = ShownLength(prefixed.text, mf.font, hiddenFrom);
        if (shown >= 0) {
            const TextOrder order = OrderOf(prefixed.text);
            if (order == TextOrder::Neutral && ascii < 0)
                ascii = std::all_of(text, text + length, [](char c) { return (c & 0x80) == 0; });
            if (order == TextOrder::LeftToRight || (order == TextOrder::Neutral && ascii == 1)) {
                prefixed.text.truncate(shown);
                prefixed.underlined.erase(
                    std::lower_bound(prefixed.underlined.begin(), prefixed.underlined.end(), shown),
                    prefixed.underlined.end());
                break;
            }
        }
        limit = std::min(limit * 8, kMaxDrawnUnits);
    }
    if (prefixed.text.isEmpty())
        return cellUnits;
    const bool underlines = !prefixed.underlined.isEmpty() && (!(format & DT_HIDEPREFIX) || (format & DT_PREFIXONLY));
    const TextMeasure measure = Measure(prefixed.text, underlines, mf);

    const double width = measure.width * mf.scaleX;
    double x = box.left();
    if (format & DT_CENTER)
        x = box.center().x() - width / 2;
    else if (format & DT_RIGHT)
        x = box.right() - width;

    TextOp op;
    op.format = format;
    op.place.translate(x, cellTop + mf.ascentPx);
    op.place.scale(mf.scaleX, mf.scaleY);
    op.ascent = measure.ascent;
    const QRectF textBox(x, cellTop, width, cell);
    // Qt fills the outlines of glyphs larger than 64 pixels (after the
    // transform) exactly where they are; smaller ones come from its glyph
    // cache at rounded positions, up to a pixel off.
    const double px = mf.font.pixelSize();
    const bool cached = px * px * std::fabs(mf.scaleX * mf.scaleY) <= kCachedGlyphPx * kCachedGlyphPx;
    const double slack = cached ? 1.0 : 1.0 / 64;
    QRectF ink = op.place.mapRect(measure.ink.translated(0, -measure.ascent)).adjusted(-slack, -slack, slack, slack);
    if (m_opaqueText && !(format & DT_PREFIXONLY))
        op.fill = textBox.intersected(visible.adjusted(-2, -2, 2, 2));
    if (!(format & DT_NOCLIP)) {
        op.clip = box;
        ink = ink.intersected(box);
        op.fill = op.fill.intersected(box);
    }
    // The box covers the pixels whose edges round inside it, as Qt fills a
    // rectangle without antialiasing (on a vector device: see Hold()).
    const QRect opaque = RoundedPixels(op.fill);
    ink |= QRectF(opaque);
    if (!ink.intersects(visible))
        return cellUnits;

    const QRectF reach = DeviceBounds().adjusted(-kFarOutsidePx, -kFarOutsidePx, kFarOutsidePx, kFarOutsidePx);
    op.farOff = !reach.contains(textBox);
    // A glyph small in area but stretched long would go to Qt's glyph
    // cache, where FreeType fails to render it and Qt then reads past the
    // missing bitmap: such glyphs are filled as outlines.
    op.outlines = op.farOff || CachedButStretched(px, op.place);
    op.visible = visible;
    op.text = std::move(prefixed.text);
    op.underlined = std::move(prefixed.underlined);
    op.font = mf;
    m_texts.push_back(std::move(op));
    Hold(Kind::Text, m_texts.size() - 1, ink, opaque);
    return cellUnits;
}

void CPainterDC::PaintText(QPainter& painter, const TextOp& op)
{
    QTextLayout layout(op.text, op.font.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    if (!(op.format & DT_HIDEPREFIX) && !op.underlined.isEmpty()) {
        QList<QTextLayout::FormatRange> ranges;
        for (int pos : op.underlined) {
            QTextLayout::FormatRange r;
            r.start = pos;
            r.length = op.text[pos].isHighSurrogate() ? 2 : 1;
            r.format.setFontUnderline(true);
            ranges.append(r);
        }
        layout.setFormats(ranges);
    }
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(1e6);
    layout.endLayout();

    painter.save();
    if (!op.clip.isNull())
        painter.setClipRect(op.clip, Qt::IntersectClip);
    if (!op.fill.isEmpty())
        painter.fillRect(op.fill, Qt::white);
    const bool glyphs = !(op.format & DT_PREFIXONLY);
    // A painter that scales (the preview draws printer pixels onto an
    // image of screen size) can make glyphs stretched on its device that
    // were not on this surface's.
    const bool outlines =
        op.outlines || CachedButStretched(op.font.font.pixelSize(), op.place * painter.worldTransform());
    if (glyphs && !outlines) {
        painter.setPen(Qt::black);
        painter.setTransform(op.place, true);
        const QPointF origin(0, -line.ascent());
        if (auto* sink = dynamic_cast<CPdfSink*>(painter.device())) {
            // A PDF keeps the runs as text in their fonts; the painter
            // still draws them, for its clip and the underlines, which it
            // draws from the point it is given: each run is placed there
            // with positions from its first glyph.
            const QList<QGlyphRun> runs = line.glyphRuns();
            for (QGlyphRun run : runs) {
                QList<QPointF> at = run.positions();
                const QPointF first = at.isEmpty() ? QPointF() : at.first();
                for (QPointF& p : at)
                    p -= first;
                run.setPositions(at);
                sink->ExpectGlyphRun(run, origin + first);
                painter.drawGlyphRun(origin + first, run);
            }
            sink->ExpectNothing();
        } else {
            line.draw(&painter, origin);
        }
    } else if (glyphs) {
        // Far-off or long stretched text: take the glyph outlines and place
        // them in double precision (far off: keep only what lies on the
        // device, beyond the reach of Qt's fixed-point coordinates).
        QPainterPath outlines;
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
                outlines.addPath(GlyphPath(font, indexes[i]).translated(positions[i]));
        }
        // Glyph positions are on the line's baseline, `ascent` below its top.
        const QPainterPath placed = op.place.map(outlines.translated(0, -line.ascent()));
        if (op.farOff) {
            QPainterPath area;
            area.addRect(op.visible.adjusted(-2, -2, 2, 2));
            painter.fillPath(placed.intersected(area), Qt::black);
        } else {
            painter.fillPath(placed, Qt::black);
        }
    } else {
        // Only the underlines of the prefixed characters.
        const double em = op.font.font.pixelSize();
        for (int pos : op.underlined) {
            const double from = line.cursorToX(pos);
            const double to = line.cursorToX(pos + 1);
            const QRectF bar = op.place.mapRect(QRectF(from, em * 0.1, to - from, std::max(1.0, em / 16.0)));
            if (bar.intersects(op.visible))
                painter.fillRect(bar.intersected(op.visible), Qt::black);
        }
    }
    painter.restore();
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
    ImageOp op;
    op.dest = QRectF(a, b).normalized();
    if (op.dest.width() <= 0 || op.dest.height() <= 0)
        return 0;
    op.bmi = bmi;
    op.bits = static_cast<const uint8_t*>(bits);
    op.invert = rop == NOTSRCCOPY;
    op.mirrorX = mirrorX, op.mirrorY = mirrorY;
    op.smooth = m_stretchMode == HALFTONE;
    op.sx0 = sx0, op.sy0 = sy0, op.sw = sw, op.sh = sh;
    op.imageW = imageW, op.imageH = imageH;
    const ImageCut cut = CutOut(op, DeviceBounds());
    if (cut.empty())
        return 0;
    m_images.push_back(op);
    // A scaled image certainly covers the whole pixels inside its target.
    Hold(Kind::Image, m_images.size() - 1, cut.target, InnerPixels(cut.target));
    return static_cast<int>(sh);
}

CPainterDC::ImageCut CPainterDC::CutOut(const ImageOp& op, const QRectF& area)
{
    // Only the source pixels that land in the area (and inside the image).
    ImageCut cut;
    const QRectF visible = op.dest.intersected(area);
    if (visible.isEmpty())
        return cut;
    const double cellW = op.dest.width() / double(op.sw);
    const double cellH = op.dest.height() / double(op.sh);
    auto span = [](double lo, double hi, double origin, double cell, int64_t n, bool mirror) {
        int64_t i0 = static_cast<int64_t>(std::floor((lo - origin) / cell));
        int64_t i1 = static_cast<int64_t>(std::ceil((hi - origin) / cell));
        i0 = std::clamp<int64_t>(i0, 0, n);
        i1 = std::clamp<int64_t>(i1, 0, n);
        if (mirror) // cell k on the device shows source pixel n-1-k
            return std::pair<int64_t, int64_t>(n - i1, n - i0);
        return std::pair<int64_t, int64_t>(i0, i1);
    };
    auto [c0, c1] = span(visible.left(), visible.right(), op.dest.left(), cellW, op.sw, op.mirrorX);
    auto [r0, r1] = span(visible.top(), visible.bottom(), op.dest.top(), cellH, op.sh, op.mirrorY);
    // Clip to the image itself.
    const int64_t col0 = std::clamp<int64_t>(op.sx0 + c0, 0, op.imageW);
    const int64_t col1 = std::clamp<int64_t>(op.sx0 + c1, 0, op.imageW);
    const int64_t row0 = std::clamp<int64_t>(op.sy0 + r0, 0, op.imageH);
    const int64_t row1 = std::clamp<int64_t>(op.sy0 + r1, 0, op.imageH);
    if (col0 >= col1 || row0 >= row1)
        return cut;
    // Where the cut-out lands: its cells measured from the matching edge.
    const int64_t k0 = op.mirrorX ? op.sw - (col1 - op.sx0) : col0 - op.sx0;
    const int64_t l0 = op.mirrorY ? op.sh - (row1 - op.sy0) : row0 - op.sy0;
    cut.col0 = int(col0), cut.col1 = int(col1), cut.row0 = int(row0), cut.row1 = int(row1);
    cut.target = QRectF(op.dest.left() + k0 * cellW, op.dest.top() + l0 * cellH, (col1 - col0) * cellW,
                        (row1 - row0) * cellH);
    return cut;
}

void CPainterDC::PaintImage(QPainter& painter, const ImageOp& op, const QRectF& area)
{
    // A PDF takes a whole picture from the producer's JPEG data, when known
    // (the device draws it in place of this image, inverted if need be).
    auto* sink = dynamic_cast<CPdfSink*>(painter.device());
    if (sink != nullptr && op.sx0 == 0 && op.sy0 == 0 && op.sw == op.imageW && op.sh == op.imageH &&
        sink->ExpectStoredJpeg(op.bits, QSize(op.imageW, op.imageH), op.mirrorX, op.mirrorY, op.invert)) {
        QImage placeholder(1, 1, QImage::Format_RGB32);
        placeholder.fill(Qt::white);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, op.smooth);
        painter.drawImage(op.dest, placeholder);
        painter.restore();
        sink->ExpectNothing();
        return;
    }
    // On pixels, a picture without smoothing is sampled at the device's own
    // pixels when it lands on them one to one (this surface drawing an
    // image) or when the painter shrinks it (the preview): only the pixels
    // shown are converted, not the whole source.
    const QTransform t = painter.combinedTransform();
    const bool onPixels = painter.paintEngine() != nullptr && painter.paintEngine()->type() == QPaintEngine::Raster &&
                          painter.device() != nullptr && t.type() <= QTransform::TxScale && t.m11() > 0 && t.m22() > 0;
    const bool shrinks = t.m11() * op.dest.width() < double(op.sw) || t.m22() * op.dest.height() < double(op.sh);
    if (onPixels && !op.smooth && (m_raster || shrinks)) {
        PaintSampled(painter, op, area);
        return;
    }
    const ImageCut cut = CutOut(op, m_raster ? area.intersected(DeviceBounds()) : DeviceBounds());
    if (cut.empty())
        return;
    const QImage part = DibRegion(DibPixels(*op.bmi, op.bits, op.invert), cut.col0, cut.col1, cut.row0, cut.row1,
                                  [this] { return Cancelled(); });
    if (part.isNull())
        return; // given up
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, op.smooth);
    painter.drawImage(cut.target, op.mirrorX || op.mirrorY ? part.mirrored(op.mirrorX, op.mirrorY) : part);
    painter.restore();
}

void CPainterDC::PaintSampled(QPainter& painter, const ImageOp& op, const QRectF& area)
{
    // Each device pixel shows the source pixel under its centre, found from
    // the whole destination in exact integer arithmetic, so that an image
    // painted in pieces (the bands of a large PNG) joins without a seam.
    // (Qt's scaler steps through the source in fixed point from where its
    // drawing is clipped, and the pieces would differ by a pixel here and
    // there.) `dest` has whole-pixel edges (ToDevice rounds); the painter
    // maps it to the device by a scale and a translation, through which a
    // device pixel's centre is taken back in steps of 2^-20 of a pixel
    // (exactly under a whole-pixel translation).
    const QTransform t = painter.combinedTransform();
    const QPaintDevice& device = *painter.device();
    const QRectF shown = t.mapRect(op.dest.intersected(area).intersected(DeviceBounds()))
                             .intersected(QRectF(0, 0, device.width(), device.height()));
    if (shown.isEmpty())
        return;
    // The device pixels whose centres lie in it.
    const int left = int(std::ceil(shown.left() - 0.5)), right = int(std::ceil(shown.right() - 0.5));
    const int top = int(std::ceil(shown.top() - 0.5)), bottom = int(std::ceil(shown.bottom() - 0.5));
    // The image column (row) device column x (row y) shows, or -1 when its
    // source pixel lies outside the image (nothing is drawn there). The
    // product takes up to 96 bits.
    constexpr int64_t kSteps = int64_t(1) << 20;
    const auto source = [](int at, double scale, double shift, double origin, double extent, int64_t n,
                           bool mirror, int64_t first, int size) {
        const double centre = (at + 0.5 - shift) / scale * kSteps;
        if (!(std::fabs(centre) < 0x1p62))
            return -1;
        const __int128 offset = __int128(std::llround(centre)) - __int128(int64_t(origin)) * kSteps;
        const int64_t k = int64_t(offset * n / (__int128(int64_t(extent)) * kSteps));
        const int64_t i = first + (mirror ? n - 1 - k : k);
        return k >= 0 && k < n && i >= 0 && i < size ? int(i) : -1;
    };
    const auto shownSpan = [](std::vector<int>& into, int from, int to, auto&& at) {
        int first = -1, last = -1;
        for (int x = from; x < to; ++x) {
            into.push_back(at(x));
            if (into.back() >= 0) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        return std::pair<int, int>(first, last);
    };
    std::vector<int> cols, rows;
    const auto [x0, x1] = shownSpan(cols, left, right, [&](int x) {
        return source(x, t.m11(), t.dx(), op.dest.left(), op.dest.width(), op.sw, op.mirrorX, op.sx0, op.imageW);
    });
    const auto [y0, y1] = shownSpan(rows, top, bottom, [&](int y) {
        return source(y, t.m22(), t.dy(), op.dest.top(), op.dest.height(), op.sh, op.mirrorY, op.sy0, op.imageH);
    });
    if (x0 < 0 || y0 < 0)
        return;
    QImage sampled(x1 - x0 + 1, y1 - y0 + 1, QImage::Format_RGB32);
    if (sampled.isNull())
        throw std::bad_alloc();
    const DibPixels dib(*op.bmi, op.bits, op.invert);
    for (int y = y0; y <= y1; ++y) {
        if ((y - y0) % kRowsBetweenChecks == 0 && Cancelled())
            return;
        dib.Pick(dib.Row(rows[std::size_t(y - top)]), cols.data() + (x0 - left), sampled.width(),
                 reinterpret_cast<QRgb*>(sampled.scanLine(y - y0)));
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(QPoint(x0, y0), sampled);
    painter.restore();
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
    m_lines.push_back(LineOp{pen, QLineF(from, to)});

    // What a solid line certainly covers. A horizontal or vertical one on
    // an image runs on a track: the pixels across it are those of every
    // line of its direction, position and width, and along it the ends are
    // left out (how Qt ends a line is its own). A wide one also covers the
    // whole pixels of its body.
    const QRectF ink = QRectF(from, to).normalized().adjusted(-reach, -reach, reach, reach);
    QRect opaque;
    const bool solid = pen.style() == Qt::SolidLine;
    const bool vertical = from.x() == to.x(), horizontal = from.y() == to.y();
    COcclusionQueue::Track track;
    bool onTrack = solid && m_raster && vertical != horizontal; // a dot covers nothing for sure
    if (onTrack) {
        const double half = drawnWidth / 2;
        const double lo = vertical ? std::min(from.y(), to.y()) : std::min(from.x(), to.x());
        const double hi = vertical ? std::max(from.y(), to.y()) : std::max(from.x(), to.x());
        track.vertical = vertical;
        track.across = vertical ? from.x() : from.y();
        track.width = drawnWidth;
        track.inkFrom = int(std::floor(lo - half)) - 1;
        track.inkTo = int(std::ceil(hi + half)) + 1;
        track.coverFrom = drawnWidth > 0 ? int(std::ceil(lo)) : int(std::floor(lo)) + 1;
        track.coverTo = drawnWidth > 0 ? int(std::floor(hi)) : int(std::ceil(hi)) - 1;
        if (drawnWidth >= 2) // pixel centres strictly inside the body
            opaque = OuterPixels(QRectF(from, to).normalized().adjusted(horizontal ? 0.5 : 0.5 - half,
                                                                        vertical ? 0.5 : 0.5 - half,
                                                                        horizontal ? -0.5 : half - 0.5,
                                                                        vertical ? -0.5 : half - 0.5));
    } else if (solid && m_scaledRaster && drawnWidth == 0 && vertical != horizontal) {
        // A hairline shrunk onto a preview: a hundred of them may share one
        // row of the image, and only the last ones there can show.
        onTrack = ImageTrack(from, to, track);
    } else if (solid && vertical != horizontal && drawnWidth >= 2) {
        const double half = drawnWidth / 2;
        opaque = InnerPixels(QRectF(from, to).normalized().adjusted(horizontal ? 0 : -half, vertical ? 0 : -half,
                                                                    horizontal ? 0 : half, vertical ? 0 : half));
    }
    COcclusionQueue::LineKey key;
    if (solid) {
        key.line = std::make_pair(from.x(), from.y()) < std::make_pair(to.x(), to.y()) ? QLineF(from, to) : QLineF(to, from);
        key.width = drawnWidth;
    }
    Hold(Kind::Line, m_lines.size() - 1, ink, opaque, solid ? &key : nullptr, onTrack ? &track : nullptr);
}

bool CPainterDC::ImageTrack(const QPointF& from, const QPointF& to, COcclusionQueue::Track& track) const
{
    // Without antialiasing, Qt draws a cosmetic horizontal line whose image
    // y is `a` on row floor(a), from column floor(x1 + 0.5) up to but not
    // including floor(x2 + 0.5) (a vertical one likewise), in full double
    // precision: measured across scales, offsets and fractions down to
    // 1e-7 pixel, and held by a test. A position within a hair of a pixel
    // edge may still round either way: such a row is left off any track,
    // and such an end is given one pixel either way.
    constexpr double kHair = 1e-6;
    const auto nearEdge = [](double v) { return v != std::round(v) && std::fabs(v - std::round(v)) < kHair; };
    const QPointF a = m_toImage.map(from), b = m_toImage.map(to);
    const bool vertical = from.x() == to.x();
    const double across = vertical ? a.x() : a.y();
    const double lo = (vertical ? std::min(a.y(), b.y()) : std::min(a.x(), b.x())) + 0.5;
    const double hi = (vertical ? std::max(a.y(), b.y()) : std::max(a.x(), b.x())) + 0.5;
    if (!(std::fabs(across) < 1e9 && lo > -1e9 && hi < 1e9) || nearEdge(across))
        return false;
    const bool loSure = !nearEdge(lo), hiSure = !nearEdge(hi);
    track.vertical = vertical;
    track.image = true;
    track.exact = loSure && hiSure;
    track.across = std::floor(across);
    track.width = 0;
    track.inkFrom = int(std::floor(lo)) - (loSure ? 0 : 1);
    track.coverFrom = int(std::floor(lo)) + (loSure ? 0 : 1);
    track.inkTo = int(std::floor(hi)) + (hiSure ? 0 : 1);
    track.coverTo = int(std::floor(hi)) - (hiSure ? 0 : 1);
    return true;
}

void CPainterDC::Flush()
{
    if (m_painter == nullptr)
        return;
    // Cleared first: an exception while drawing leaves nothing held.
    struct Clear {
        CPainterDC& dc;
        ~Clear() { dc.DropHeld(); }
    } clear{*this};
    PaintHeld(*m_painter, DeviceBounds());
}

void CPainterDC::DropHeld() noexcept
{
    m_held.clear();
    m_texts.clear();
    m_images.clear();
    m_lines.clear();
    m_queue.Clear();
    m_verdicts.clear();
}

bool CPainterDC::PaintHairlinePart(QPainter& painter, const LineOp& op, const QRect& part)
{
    // A one-pixel horizontal or vertical line with whole-pixel ends covers
    // the pixels from its first end up to its second: cut to `part` along
    // its length, it covers exactly its own pixels inside `part`, drawn
    // without the cost of a clip.
    const QLineF& l = op.line;
    const bool vertical = l.x1() == l.x2(), horizontal = l.y1() == l.y2();
    const auto whole = [](double v) { return v == std::floor(v); };
    if (op.pen.widthF() != 0 || vertical == horizontal || !whole(l.x1()) || !whole(l.y1()) || !whole(l.x2()) ||
        !whole(l.y2()))
        return false;
    const double across = vertical ? l.x1() : l.y1();
    const double lo = vertical ? std::min(l.y1(), l.y2()) : std::min(l.x1(), l.x2());
    const double hi = vertical ? std::max(l.y1(), l.y2()) : std::max(l.x1(), l.x2());
    const double from = std::max(lo, double(vertical ? part.top() : part.left()));
    const double to = std::min(hi, double(vertical ? part.bottom() : part.right()) + 1);
    const double acrossFrom = vertical ? part.left() : part.top(), acrossTo = vertical ? part.right() : part.bottom();
    if (from >= to || across < acrossFrom || across > acrossTo)
        return true; // nothing of it in the part
    painter.setPen(op.pen);
    painter.drawLine(vertical ? QLineF(across, from, across, to) : QLineF(from, across, to, across));
    return true;
}

void CPainterDC::PaintHeld(QPainter& painter, const QRectF& area)
{
    if (Cancelled())
        return;
    if (m_verdicts.size() != m_held.size())
        m_verdicts = m_queue.Decide();
    painter.save();
    SetUpPainter(painter);
    for (std::size_t i = 0; i < m_held.size() && !Cancelled(); ++i) {
        const COcclusionQueue::Verdict& verdict = m_verdicts[i];
        if (!verdict.visible)
            continue;
        const auto [kind, index] = m_held[i];
        if (verdict.inImage) {
            // A hairline's open stretches, filled in the image's own pixels
            // (the pixels Qt's line would paint there).
            painter.save();
            painter.resetTransform();
            const QRect shown = m_toImage.mapRect(area).toAlignedRect();
            for (const QRect& stretch : verdict.part)
                painter.fillRect(stretch.intersected(shown), m_lines[index].pen.color());
            painter.restore();
            continue;
        }
        if (verdict.partly ? !verdict.part.intersects(area.toAlignedRect()) : !QRectF(m_queue.Ink(i)).intersects(area))
            continue;
        // On an image, a partly covered text or line is drawn only where it
        // can show (a vector device keeps whole operations; Qt samples a
        // clipped image differently, so images are drawn whole).
        if (kind == Kind::Line && verdict.partly && m_raster && verdict.part.rectCount() == 1 &&
            PaintHairlinePart(painter, m_lines[index], verdict.part.boundingRect()))
            continue;
        const bool clip = verdict.partly && m_raster && kind != Kind::Image;
        if (clip) {
            painter.save();
            painter.setClipRegion(verdict.part, Qt::IntersectClip);
        }
        if (kind == Kind::Text) {
            PaintText(painter, m_texts[index]);
        } else if (kind == Kind::Image) {
            PaintImage(painter, m_images[index], area);
        } else {
            painter.setPen(m_lines[index].pen);
            painter.drawLine(m_lines[index].line);
        }
        if (clip)
            painter.restore();
    }
    painter.restore();
}

} // namespace vexlan
