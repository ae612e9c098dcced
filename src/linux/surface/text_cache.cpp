// SPDX-License-Identifier: MIT
// The painter surface's text cache: realised fonts, measured lines and
// glyph outlines (see the header).
#include "linux/surface/text_cache.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QTextLayout>

namespace vexlan {

namespace {

// Measured lines (and realised fonts, and glyph bounds) kept before the
// table starts over.
constexpr int kMaxMeasures = 8192;
// Most glyph outlines kept (a CJK outline is a few kilobytes).
constexpr int kMaxGlyphPaths = 1024;
// Glyphs of the longest line whose runs are kept, and of all lines kept
// (about 20 bytes each) before the table starts over.
constexpr qsizetype kMaxKeptGlyphs = 2048;
constexpr qsizetype kMaxCachedRunGlyphs = 256 * 1024;
// The pixel size bold text is laid out at, when sizes are fixed, below the
// size under which Qt emboldens a face that has no bold (so that it looks
// as it would at its own size); other text goes at CFontMapper::kLayoutPx.
constexpr int kSmallBoldLayoutPx = 48;
static_assert(kSmallBoldLayoutPx < CFontMapper::kSynthesizedBoldBelowPx &&
              CFontMapper::kLayoutPx >= CFontMapper::kSynthesizedBoldBelowPx);

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

} // namespace

const MappedFont& CTextCache::Font(const FontRequest& request, int mapMode, double pxPerUnitX, double pxPerUnitY,
                                   double dpiY)
{
    return Cached(m_mapped, RequestKey(request, mapMode), kMaxMeasures, [&] {
        MappedFont mapped = CFontMapper::Map(request, pxPerUnitX, pxPerUnitY, dpiY);
        // A face of bitmaps only is laid out at its own size: its glyphs
        // have no outlines to scale.
        if (!m_layoutSizes || !QFontDatabase::isSmoothlyScalable(mapped.font.family()))
            return mapped;
        const int px = mapped.font.pixelSize();
        const bool smallBold = mapped.font.weight() >= QFont::Bold && px < CFontMapper::kSynthesizedBoldBelowPx;
        const int layoutPx = smallBold ? kSmallBoldLayoutPx : CFontMapper::kLayoutPx;
        if (px > 0 && px != layoutPx) {
            // The same text scaled: what is drawn at the layout size is
            // scaled by px / layoutPx on top of the request's own scale.
            const double k = double(px) / layoutPx;
            mapped.font.setPixelSize(layoutPx);
            mapped.scaleX *= k;
            mapped.scaleY *= k;
        }
        // Outlines whatever the request's precision: one engine either way.
        mapped.font.setStyleStrategy(QFont::StyleStrategy(mapped.font.styleStrategy() | QFont::PreferOutline));
        return mapped;
    });
}

QRectF CTextCache::GlyphBounds(const QRawFont& font, quint32 glyph)
{
    // The outline's own bounds: a run's bounding rectangle is the line's
    // logical box, and the font's glyph metrics are rounded outward to
    // whole pixels. Windows fonts keep every outline within their Windows
    // ascent and descent, so a glyph seldom reaches out of its cell.
    return Cached(m_glyphBounds, GlyphKey{font, glyph}, kMaxMeasures, [&] {
        QRectF box;
        if (m_boxes != nullptr && m_boxes->DesignGlyphBox(font, glyph, box))
            return box;
        return GlyphPath(font, glyph).boundingRect();
    });
}

const QPainterPath& CTextCache::GlyphPath(const QRawFont& font, quint32 glyph)
{
    return Cached(m_glyphPaths, GlyphKey{font, glyph}, kMaxGlyphPaths, [&] { return font.pathForGlyph(glyph); });
}

TextMeasure CTextCache::Measure(const QString& text, bool underlines, const MappedFont& font)
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
    // Keeps the shaped glyphs past endLayout(): glyphRuns() would shape
    // the whole line again otherwise.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    TextMeasure m;
    if (line.isValid()) {
        line.setLineWidth(1e6);
        layout.endLayout();
        m.width = line.naturalTextWidth();
        m.ascent = line.ascent();
        const QList<QGlyphRun> runs = line.glyphRuns();
        qsizetype glyphs = 0;
        for (const QGlyphRun& run : runs) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            glyphs += indexes.size();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
                m.ink |= GlyphBounds(font, indexes[i]).translated(positions[i]);
        }
        if (m_keepRuns && !underlines && glyphs <= kMaxKeptGlyphs) {
            m.runs = runs;
            m.glyphs = glyphs;
        }
        if (underlines) // underlines lie below the baseline, within about a quarter em
            m.ink |= QRectF(0, 0, m.width, line.height() + font.font.pixelSize() * 0.25);
    } else {
        layout.endLayout();
    }
    if (!underlines) { // lines with underlines are not kept: the key is the text
        if (m_measures.size() >= kMaxMeasures || m_runGlyphs + m.glyphs > kMaxCachedRunGlyphs) {
            m_measures.clear();
            m_runGlyphs = 0;
        }
        m_measures.insert(key, m);
        m_runGlyphs += m.glyphs;
    }
    return m;
}

} // namespace vexlan
