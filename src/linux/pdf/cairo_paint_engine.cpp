// SPDX-License-Identifier: MIT
// QPainter on cairo (see cairo_paint_engine.h).
#include "linux/pdf/cairo_paint_engine.h"

#include <QPainter>
#include <QPixmap>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace vexlan {

namespace {

// Largest side of an image surface handed to cairo (its limit is 32767):
// bigger pictures are drawn in tiles.
constexpr int kTilePx = 16384;

bool Finite(const QTransform& t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22()) &&
           std::isfinite(t.dx()) && std::isfinite(t.dy());
}

void SetMatrix(cairo_t* cr, const QTransform& t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy());
    cairo_set_matrix(cr, &m);
}

cairo_line_cap_t CairoCap(Qt::PenCapStyle cap)
{
    switch (cap) {
    case Qt::SquareCap: return CAIRO_LINE_CAP_SQUARE;
    case Qt::RoundCap: return CAIRO_LINE_CAP_ROUND;
    default: return CAIRO_LINE_CAP_BUTT;
    }
}

cairo_line_join_t CairoJoin(Qt::PenJoinStyle join)
{
    switch (join) {
    case Qt::BevelJoin: return CAIRO_LINE_JOIN_BEVEL;
    case Qt::RoundJoin: return CAIRO_LINE_JOIN_ROUND;
    default: return CAIRO_LINE_JOIN_MITER;
    }
}

cairo_fill_rule_t CairoFillRule(Qt::FillRule rule)
{
    return rule == Qt::OddEvenFill ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
}

template <typename T>
void DeleteHeld(void* p)
{
    delete static_cast<T*>(p);
}

} // namespace

CCairoPaintEngine::CCairoPaintEngine(cairo_t* cr, const QTransform& base)
    : QPaintEngine(PrimitiveTransform | PixmapTransform | PainterPaths | AlphaBlend | ConstantOpacity | Antialiasing),
      m_cr(cr), m_base(base)
{
    // Glyphs go to the PDF as outlines of the font, unhinted.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(m_cr, options);
    cairo_font_options_destroy(options);
}

CCairoPaintEngine::~CCairoPaintEngine() { ReleaseImages(); }

void CCairoPaintEngine::ReleaseImages() noexcept
{
    for (cairo_surface_t* surface : m_surfaces)
        cairo_surface_destroy(surface);
    m_surfaces.clear();
    for (const auto& [data, surface] : m_jpegs)
        cairo_surface_destroy(surface);
    m_jpegs.clear();
    if (m_white != nullptr)
        cairo_surface_destroy(m_white);
    m_white = nullptr;
    m_onPage.clear();
    m_images.clear();
}

bool CCairoPaintEngine::begin(QPaintDevice*) { return true; }

bool CCairoPaintEngine::end()
{
    ExpectNothing();
    return true;
}

void CCairoPaintEngine::updateState(const QPaintEngineState& state)
{
    const DirtyFlags flags = state.state();
    if (flags & DirtyTransform)
        m_transform = state.transform();
    if (flags & DirtyPen)
        m_pen = state.pen();
    if (flags & DirtyBrush)
        m_brush = state.brush();
    if (flags & DirtyOpacity)
        m_opacity = std::clamp(state.opacity(), 0.0, 1.0);
    if (flags & DirtyHints)
        m_smooth = state.renderHints() & QPainter::SmoothPixmapTransform;
    if (flags & DirtyClipEnabled) {
        m_clipEnabled = state.isClipEnabled();
        m_clipDirty = true;
    }
    if (flags & (DirtyClipPath | DirtyClipRegion)) {
        // The clip comes in the painter's coordinates at the time it is
        // set (QPainter sends that transform along); it is kept in device
        // units, and successive intersecting clips are all kept.
        const Qt::ClipOperation op = state.clipOperation();
        if (op == Qt::NoClip) {
            m_clips.clear();
            m_clipEnabled = false;
        } else {
            QPainterPath path;
            if (flags & DirtyClipPath) {
                path = state.clipPath();
            } else {
                path.addRegion(state.clipRegion());
            }
            if (op == Qt::ReplaceClip)
                m_clips.clear();
            m_clips.push_back(m_transform.map(path));
            m_clipEnabled = true;
        }
        m_clipDirty = true;
    }
}

bool CCairoPaintEngine::Prepare()
{
    if (m_clipDirty)
        ApplyClip();
    return UseTransform();
}

bool CCairoPaintEngine::UseTransform()
{
    const QTransform t = m_transform * m_base;
    if (!Finite(t) || t.m11() * t.m22() - t.m12() * t.m21() == 0)
        return false; // cairo refuses a matrix it cannot invert, for good
    SetMatrix(m_cr, t);
    return true;
}

void CCairoPaintEngine::UseDeviceSpace() { SetMatrix(m_cr, m_base); }

void CCairoPaintEngine::ApplyClip()
{
    cairo_reset_clip(m_cr);
    if (m_clipEnabled) {
        UseDeviceSpace();
        for (const QPainterPath& clip : m_clips) {
            cairo_new_path(m_cr);
            AddPath(clip);
            cairo_set_fill_rule(m_cr, CairoFillRule(clip.fillRule()));
            cairo_clip(m_cr);
        }
    }
    m_clipDirty = false;
}

void CCairoPaintEngine::AddPath(const QPainterPath& path)
{
    // A subpath that ends where it started is closed, as Qt's stroker
    // treats it (its corner is joined, not capped).
    QPointF start, last;
    int segments = 0;
    const auto closeIfRound = [&] {
        if (segments > 1 && last == start)
            cairo_close_path(m_cr);
        segments = 0;
    };
    const int n = path.elementCount();
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.isMoveTo()) {
            closeIfRound();
            cairo_move_to(m_cr, e.x, e.y);
            start = last = e;
        } else if (e.isLineTo()) {
            cairo_line_to(m_cr, e.x, e.y);
            last = e;
            ++segments;
        } else if (e.isCurveTo() && i + 2 < n) {
            const QPainterPath::Element& c2 = path.elementAt(i + 1);
            const QPainterPath::Element& end = path.elementAt(i + 2);
            cairo_curve_to(m_cr, e.x, e.y, c2.x, c2.y, end.x, end.y);
            last = end;
            ++segments;
            i += 2;
        }
    }
    closeIfRound();
}

void CCairoPaintEngine::SetSource(const QColor& color)
{
    cairo_set_source_rgba(m_cr, color.redF(), color.greenF(), color.blueF(), color.alphaF() * m_opacity);
}

void CCairoPaintEngine::Stroke()
{
    // A cosmetic pen is as wide as it says in device pixels, one at least
    // (cairo leaves out a stroke of width 0, which in PDF would mean the
    // thinnest line; readers and printers draw a line of one 1200 dpi pixel
    // as their thinnest); a geometric pen is in the painter's units, as the
    // path is.
    double width = m_pen.widthF();
    if (m_pen.isCosmetic()) {
        UseDeviceSpace();
        width = std::max(width, 1.0);
    }
    if (!std::isfinite(width) || width <= 0)
        return;
    cairo_set_line_width(m_cr, width);
    cairo_set_line_cap(m_cr, CairoCap(m_pen.capStyle()));
    cairo_set_line_join(m_cr, CairoJoin(m_pen.joinStyle()));
    cairo_set_miter_limit(m_cr, std::max(1.0, m_pen.miterLimit()));
    // Dash lengths are in pen widths.
    const double unit = width;
    std::vector<double> dashes;
    if (m_pen.style() != Qt::SolidLine) {
        double total = 0;
        for (const qreal d : m_pen.dashPattern()) {
            dashes.push_back(std::max(0.0, d * unit));
            total += dashes.back();
        }
        if (!(total > 0) || !std::isfinite(total))
            dashes.clear(); // cairo fails on a pattern of nothing but zeros
    }
    cairo_set_dash(m_cr, dashes.data(), int(dashes.size()), dashes.empty() ? 0 : m_pen.dashOffset() * unit);
    SetSource(m_pen.color());
    cairo_stroke(m_cr);
}

void CCairoPaintEngine::FillAndStroke(const std::function<void()>& build, bool fill, Qt::FillRule rule)
{
    fill = fill && m_brush.style() != Qt::NoBrush;
    const bool stroke = m_pen.style() != Qt::NoPen;
    if ((!fill && !stroke) || !Prepare())
        return;
    cairo_new_path(m_cr);
    build();
    if (fill) {
        cairo_set_fill_rule(m_cr, CairoFillRule(rule));
        SetSource(m_brush.color());
        if (stroke)
            cairo_fill_preserve(m_cr);
        else
            cairo_fill(m_cr);
    }
    if (stroke)
        Stroke();
    cairo_new_path(m_cr);
}

void CCairoPaintEngine::drawRects(const QRectF* rects, int rectCount)
{
    FillAndStroke([&] {
        for (int i = 0; i < rectCount; ++i)
            cairo_rectangle(m_cr, rects[i].x(), rects[i].y(), rects[i].width(), rects[i].height());
    }, true, Qt::WindingFill);
}

void CCairoPaintEngine::drawLines(const QLineF* lines, int lineCount)
{
    FillAndStroke([&] {
        for (int i = 0; i < lineCount; ++i) {
            cairo_move_to(m_cr, lines[i].x1(), lines[i].y1());
            cairo_line_to(m_cr, lines[i].x2(), lines[i].y2());
        }
    }, false, Qt::WindingFill);
}

void CCairoPaintEngine::drawPath(const QPainterPath& path)
{
    FillAndStroke([&] { AddPath(path); }, true, path.fillRule());
}

void CCairoPaintEngine::drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode)
{
    if (pointCount <= 0)
        return;
    FillAndStroke([&] {
        cairo_move_to(m_cr, points[0].x(), points[0].y());
        for (int i = 1; i < pointCount; ++i)
            cairo_line_to(m_cr, points[i].x(), points[i].y());
        if (mode != PolylineMode)
            cairo_close_path(m_cr);
    }, mode != PolylineMode, mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
}

void CCairoPaintEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr)
{
    drawImage(r, pm.toImage(), sr);
}

void CCairoPaintEngine::PaintSurface(cairo_surface_t* surface, const QPointF& at, const QRectF& part)
{
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, -at.x(), -at.y());
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_filter(pattern, m_smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_NONE);
    cairo_save(m_cr);
    cairo_set_source(m_cr, pattern);
    const QRectF whole(at, QSizeF(cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)));
    if (!part.contains(whole)) {
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, part.x(), part.y(), part.width(), part.height());
        cairo_clip(m_cr);
    }
    cairo_paint_with_alpha(m_cr, m_opacity);
    cairo_restore(m_cr);
    cairo_pattern_destroy(pattern);
}

void CCairoPaintEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags)
{
    const ExpectedJpeg jpeg = m_expectedJpeg;
    m_expectedJpeg = {};
    if (r.isEmpty() || (jpeg.surface == nullptr && (image.isNull() || sr.isEmpty())) || !Prepare())
        return;
    cairo_save(m_cr);
    if (jpeg.surface != nullptr) {
        // The stored JPEG (on its one-pixel carrier) in place of the image,
        // mirrored as announced.
        cairo_translate(m_cr, r.x() + (jpeg.mirrorX ? r.width() : 0), r.y() + (jpeg.mirrorY ? r.height() : 0));
        cairo_scale(m_cr, jpeg.mirrorX ? -r.width() : r.width(), jpeg.mirrorY ? -r.height() : r.height());
        cairo_surface_t* white = jpeg.invert ? WhitePixel() : nullptr;
        // Cairo lists a picture in the resources of the page (or group) it
        // is painted on each time it is painted there, and a name listed
        // twice makes the PDF invalid (readers report a duplicated key).
        // A picture already on the page is therefore painted inside a group
        // of its own, whose resources list it once.
        const bool again = m_onPage.count(jpeg.surface) != 0 || (white != nullptr && m_onPage.count(white) != 0);
        if (again) {
            cairo_push_group(m_cr);
        } else {
            m_onPage.insert(jpeg.surface);
            if (white != nullptr)
                m_onPage.insert(white);
        }
        PaintSurface(jpeg.surface, QPointF(0, 0), QRectF(0, 0, 1, 1));
        if (white != nullptr) {
            // A white picture over it by the difference blend: each colour
            // becomes its complement, as inverting the pixels would make
            // it, and the JPEG data stays as it is. A picture (not a filled
            // rectangle) so that a reader gives its edges the same pixels.
            cairo_set_operator(m_cr, CAIRO_OPERATOR_DIFFERENCE);
            PaintSurface(white, QPointF(0, 0), QRectF(0, 0, 1, 1));
        }
        if (again) {
            cairo_pop_group_to_source(m_cr);
            cairo_paint(m_cr);
        }
        cairo_restore(m_cr);
        return;
    }
    // Cairo takes 32-bit pixels as they lie in memory (Qt's RGB32 and
    // premultiplied ARGB32), so an image in one of those is used as it is.
    const bool alpha = image.hasAlphaChannel();
    const QImage::Format format = alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage held = image.format() == format ? image : image.convertToFormat(format);
    if (held.isNull()) {
        m_failed = true; // out of memory: the page is not complete
        cairo_restore(m_cr);
        return;
    }
    m_images.push_back(held);
    // Image space: pixel (x, y) of the image at (x, y).
    cairo_translate(m_cr, r.x(), r.y());
    cairo_scale(m_cr, r.width() / sr.width(), r.height() / sr.height());
    cairo_translate(m_cr, -sr.x(), -sr.y());
    const QRect source = sr.toAlignedRect().intersected(held.rect());
    for (int ty = source.top() / kTilePx * kTilePx; ty <= source.bottom(); ty += kTilePx) {
        for (int tx = source.left() / kTilePx * kTilePx; tx <= source.right(); tx += kTilePx) {
            const QRect tile = QRect(tx, ty, kTilePx, kTilePx).intersected(held.rect());
            const uchar* first = held.constBits() + qsizetype(tile.y()) * held.bytesPerLine() + qsizetype(tile.x()) * 4;
            cairo_surface_t* surface = cairo_image_surface_create_for_data(
                const_cast<uchar*>(first), alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, tile.width(),
                tile.height(), int(held.bytesPerLine()));
            m_surfaces.push_back(surface);
            PaintSurface(surface, tile.topLeft(), sr.intersected(tile));
        }
    }
    cairo_restore(m_cr);
}

void CCairoPaintEngine::drawTextItem(const QPointF& p, const QTextItem& textItem)
{
    if (m_expectedRun != nullptr) {
        const QGlyphRun* run = m_expectedRun;
        m_expectedRun = nullptr;
        DrawGlyphs(*run, m_runOrigin);
        return;
    }
    QPaintEngine::drawTextItem(p, textItem); // Qt's glyph outlines
}

void CCairoPaintEngine::DrawGlyphs(const QGlyphRun& run, const QPointF& origin)
{
    const QRawFont font = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    const qsizetype n = std::min(indexes.size(), positions.size());
    if (n == 0 || !font.isValid() || !Prepare())
        return;
    SetSource(m_pen.color()); // QPainter draws text in the pen's colour
    const CCairoFonts::Face face = m_fonts.Find(font);
    const double size = font.pixelSize();
    if (face.face != nullptr && std::isfinite(size) && size > 0) {
        // The same glyph ids at the same positions, as text.
        std::vector<cairo_glyph_t> glyphs;
        glyphs.reserve(std::size_t(n));
        for (qsizetype i = 0; i < n; ++i) {
            if (indexes[i] < face.glyphCount)
                glyphs.push_back({indexes[i], origin.x() + positions[i].x(), origin.y() + positions[i].y()});
        }
        cairo_set_font_face(m_cr, face.face);
        cairo_set_font_size(m_cr, size);
        cairo_show_glyphs(m_cr, glyphs.data(), int(glyphs.size()));
        return;
    }
    // No font file to embed: the glyphs' outlines.
    QPainterPath outlines;
    for (qsizetype i = 0; i < n; ++i)
        outlines.addPath(font.pathForGlyph(indexes[i]).translated(origin + positions[i]));
    cairo_new_path(m_cr);
    AddPath(outlines);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(m_cr);
}

void CCairoPaintEngine::ExpectGlyphRun(const QGlyphRun& run, const QPointF& origin)
{
    m_expectedRun = &run;
    m_runOrigin = origin;
}

cairo_surface_t* CCairoPaintEngine::WhitePixel()
{
    if (m_white == nullptr) {
        m_white = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        if (cairo_surface_status(m_white) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(m_white);
            m_white = nullptr;
            return nullptr;
        }
        cairo_surface_flush(m_white);
        *reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(m_white)) = 0xFFFFFFu;
        cairo_surface_mark_dirty(m_white);
    }
    return m_white;
}

cairo_surface_t* CCairoPaintEngine::JpegSurface(const StoredJpeg& jpeg)
{
    const auto known = m_jpegs.find(jpeg.bytes.get());
    if (known != m_jpegs.end())
        return known->second;
    if (jpeg.width <= 0 || jpeg.height <= 0 || jpeg.bytes->empty())
        return nullptr;
    // Cairo's PDF surface writes the JPEG data as the image (its size from
    // the JPEG) into the unit square of the surface that carries it, so the
    // carrier is one pixel: cairo copies a surface it was given when the
    // surface goes, and a carrier of the picture's size would cost its
    // whole size then (its pixels are never read while the data is there).
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    auto* data = new std::shared_ptr<const std::vector<uint8_t>>(jpeg.bytes);
    auto* id = new std::string("vexlan-jpeg-" + std::to_string(reinterpret_cast<uintptr_t>(jpeg.bytes.get())));
    const bool ok =
        cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, (*data)->data(), (*data)->size(),
                                    DeleteHeld<std::shared_ptr<const std::vector<uint8_t>>>, data) == CAIRO_STATUS_SUCCESS;
    if (!ok)
        delete data;
    // The same id for the same data: a picture drawn twice is written once.
    const bool named = ok && cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_UNIQUE_ID,
                                                         reinterpret_cast<const unsigned char*>(id->data()), id->size(),
                                                         DeleteHeld<std::string>, id) == CAIRO_STATUS_SUCCESS;
    if (!named)
        delete id;
    if (!ok || !named) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    m_jpegs.emplace(jpeg.bytes.get(), surface);
    return surface;
}

bool CCairoPaintEngine::ExpectStoredJpeg(const void* bits, const QSize& pixels, bool mirrorX, bool mirrorY,
                                         bool invert)
{
    m_expectedJpeg = {};
    const std::optional<StoredJpeg> jpeg = FindStoredJpeg(bits);
    if (!jpeg || !jpeg->bytes || jpeg->width != pixels.width() || jpeg->height != pixels.height())
        return false;
    cairo_surface_t* surface = JpegSurface(*jpeg);
    if (surface == nullptr)
        return false;
    m_expectedJpeg = ExpectedJpeg{surface, mirrorX, mirrorY, invert};
    return true;
}

void CCairoPaintEngine::ExpectNothing()
{
    m_expectedRun = nullptr;
    m_expectedJpeg = {};
}

} // namespace vexlan
