// SPDX-License-Identifier: MIT
// The painter surface's text: the selected font realised, DrawText (what
// of a line can show, measured and placed, held back) and a held DrawText
// drawn, through Qt's text drawing, as a PDF's glyph runs, or as outlines.
#include "linux/surface/painter_dc.h"

#include "linux/surface/draw_text_string.h"
#include "linux/surface/pdf_sink.h"
#include "linux/surface/shown_text.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace vexlan {

namespace {

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
// try and most (see DrawText; kSettleUnits in shown_text.h is how many at
// the end of a cut-off line may be shaped otherwise than within the whole
// line).
constexpr qsizetype kFirstDrawnUnits = 512;
constexpr qsizetype kMaxDrawnUnits = 1 << 20;
// Glyphs of the glyph runs held with the page's lines, at most.
constexpr qsizetype kMaxHeldRunGlyphs = 1 << 20;

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
} // namespace

const MappedFont& CPainterDC::RealisedFont()
{
    if (!m_haveRealised || m_realisedFont != m_font || m_realisedMode != m_mapMode) {
        const auto it = m_fonts.constFind(m_font);
        const FontRequest request = it != m_fonts.constEnd() ? *it : FontRequest{};
        // Items ask for the same few fonts again and again.
        m_realised = m_textCache.Font(request, m_mapMode, PixelsPerUnitX(), PixelsPerUnitY(), m_dpiY);
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
    const TextMeasure measure = m_textCache.Measure(prefixed.text, underlines, mf);

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
    const QRectF reach = DeviceBounds().adjusted(-kFarOutsidePx, -kFarOutsidePx, kFarOutsidePx, kFarOutsidePx);
    op.farOff = !reach.contains(textBox);
    // A glyph small in area but stretched long would go to Qt's glyph
    // cache, where FreeType fails to render it and Qt then reads past the
    // missing bitmap: such glyphs are filled as outlines.
    op.outlines = op.farOff || CachedButStretched(px, op.place);
    // Filled as Qt's outlines, which are hinted, glyphs may reach up to a
    // pixel of their font past the unhinted bounds a PDF measures them by.
    const double hinted = op.outlines && m_textCache.UnhintedBounds() && !measure.ink.isNull() ? 1.0 : 0.0;
    QRectF ink = op.place.mapRect(measure.ink.translated(0, -measure.ascent).adjusted(-hinted, -hinted, hinted, hinted))
                     .adjusted(-slack, -slack, slack, slack);
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

    op.visible = visible;
    op.text = std::move(prefixed.text);
    op.underlined = std::move(prefixed.underlined);
    op.font = mf;
    // Held runs are bounded (each glyph costs about 20 bytes); past the
    // bound a line is laid out again when drawn.
    if (op.underlined.isEmpty() && measure.glyphs > 0 && m_heldRunGlyphs + measure.glyphs <= kMaxHeldRunGlyphs) {
        op.runs = measure.runs;
        m_heldRunGlyphs += measure.glyphs;
    }
    m_texts.push_back(std::move(op));
    Hold(Kind::Text, m_texts.size() - 1, ink, opaque);
    return cellUnits;
}

void CPainterDC::PaintText(QPainter& painter, const TextOp& op, bool background)
{
    auto* sink = dynamic_cast<CPdfSink*>(painter.device());
    if (sink != nullptr && !op.runs.isEmpty() && !op.outlines && !(op.format & DT_PREFIXONLY) &&
        !CachedButStretched(op.font.font.pixelSize(), op.place * painter.worldTransform())) {
        painter.save();
        if (!op.clip.isNull())
            painter.setClipRect(op.clip, Qt::IntersectClip);
        if (background && !op.fill.isEmpty())
            painter.fillRect(op.fill, Qt::white);
        painter.setPen(Qt::black);
        painter.setTransform(op.place, true);
        PaintRuns(painter, *sink, op.runs, QPointF(0, -op.ascent));
        painter.restore();
        return;
    }
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
    if (background && !op.fill.isEmpty())
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
        if (sink != nullptr) {
            PaintRuns(painter, *sink, line.glyphRuns(), origin);
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
                outlines.addPath(m_textCache.GlyphPath(font, indexes[i]).translated(positions[i]));
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
        // Only the underlines of the prefixed characters, a pixel of the
        // font at the size asked for at least (a PDF lays text out at a
        // size of its own).
        const double em = op.font.font.pixelSize();
        const double fontPx = em / std::clamp(std::round(op.font.emPx), 1.0, double(CFontMapper::kMaxPixelSize));
        for (int pos : op.underlined) {
            const double from = line.cursorToX(pos);
            const double to = line.cursorToX(pos + 1);
            const QRectF bar = op.place.mapRect(QRectF(from, em * 0.1, to - from, std::max(fontPx, em / 16.0)));
            if (bar.intersects(op.visible))
                painter.fillRect(bar.intersected(op.visible), Qt::black);
        }
    }
    painter.restore();
}

void CPainterDC::PaintRuns(QPainter& painter, CPdfSink& sink, const QList<QGlyphRun>& runs, const QPointF& origin)
{
    // A PDF keeps the runs as text in their fonts; the painter still draws
    // them, for its clip and the underlines, which it draws from the point
    // it is given: each run is placed there with positions from its first
    // glyph. Runs in one font one after another, without lines drawn along
    // them, go as one (a line of Chinese and Latin in a face that has both
    // is a run for each change of script): the same glyphs at the same
    // places, one operation.
    const QGlyphRun::GlyphRunFlags kLined = QGlyphRun::GlyphRunFlags(QGlyphRun::Overline) | QGlyphRun::Underline | QGlyphRun::StrikeOut;
    for (qsizetype i = 0; i < runs.size();) {
        QGlyphRun run = runs[i++];
        const auto joins = [&](qsizetype j) {
            return j < runs.size() && !(run.flags() & kLined) && runs[j].flags() == run.flags() &&
                   runs[j].rawFont() == run.rawFont();
        };
        if (joins(i)) {
            QList<quint32> indexes = run.glyphIndexes();
            QList<QPointF> positions = run.positions();
            indexes.resize(std::min(indexes.size(), positions.size()));
            positions.resize(indexes.size());
            for (; joins(i); ++i) {
                const QList<quint32> more = runs[i].glyphIndexes();
                const QList<QPointF> at = runs[i].positions();
                const qsizetype n = std::min(more.size(), at.size());
                indexes.append(more.first(n));
                positions.append(at.first(n));
            }
            run.setGlyphIndexes(indexes);
            run.setPositions(positions);
        }
        QList<QPointF> at = run.positions();
        const QPointF first = at.isEmpty() ? QPointF() : at.first();
        for (QPointF& p : at)
            p -= first;
        run.setPositions(at);
        sink.ExpectGlyphRun(run, origin + first);
        painter.drawGlyphRun(origin + first, run);
    }
    sink.ExpectNothing();
}

} // namespace vexlan
