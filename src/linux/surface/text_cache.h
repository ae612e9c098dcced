// SPDX-License-Identifier: MIT
// CTextCache: what the painter surface keeps between DrawText calls so
// that a page asking for the same few fonts, lines and glyphs again and
// again realises, lays out and outlines each once: fonts realised by
// CFontMapper, measured lines, and glyph outlines and their bounds. Every
// table is bounded: one that fills up starts over.
#pragma once

#include "core/render/cdc.h"
#include "linux/surface/font_mapper.h"
#include "linux/surface/pdf_sink.h"

#include <QByteArray>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPainterPath>
#include <QRawFont>
#include <QRectF>
#include <QString>

namespace vexlan {

// A text line's extent in its font's layout space (y down from the line's
// top, baseline at the ascent).
struct TextMeasure {
    double width = 0;  // advance width of the line
    double ascent = 0; // the layout's ascent
    QRectF ink;        // bounds of glyphs and underlines
    // The line's glyph runs, when kept (SetKeepRuns) and the line is short
    // enough; empty otherwise.
    QList<QGlyphRun> runs;
    qsizetype glyphs = 0;  // in `runs`
};

class CTextCache {
public:
    // Whether measured lines keep their glyph runs, for a surface that
    // draws the runs as they are (a PDF's). Set before the first Measure.
    void SetKeepRuns(bool keep) { m_keepRuns = keep; }
    // A PDF device whose own glyph boxes (unhinted, as it draws them) are
    // the glyph bounds where it knows them; null: Qt's outlines. Set
    // before the first Measure.
    void SetGlyphBoxes(CPdfSink* sink) { m_boxes = sink; }
    // Whether fonts are laid out at one of a few fixed pixel sizes, from
    // their outlines, and scaled to the size asked for, for a PDF's text:
    // its glyphs are unhinted outlines at any size, and every size costs
    // Qt a font engine of its own (a fontconfig match, the font's tables, a
    // shaper, glyph metrics). Set before the first Font.
    void SetLayoutSizes(bool fixed) { m_layoutSizes = fixed; }
    // Whether glyph bounds may come from the PDF device's unhinted boxes:
    // text drawn as Qt's (hinted) outlines may reach a little beyond them.
    bool UnhintedBounds() const { return m_boxes != nullptr; }

    // `request` realised under mapping mode `mapMode` for a device of
    // `pxPerUnitX` x `pxPerUnitY` pixels per unit and `dpiY` (CFontMapper::Map).
    const MappedFont& Font(const FontRequest& request, int mapMode, double pxPerUnitX, double pxPerUnitY,
                           double dpiY);
    // The bounds of a glyph's outline in its font's pixels.
    QRectF GlyphBounds(const QRawFont& font, quint32 glyph);
    // A glyph's outline in its font's pixels (long stretched text fills
    // the same few outlines line after line).
    const QPainterPath& GlyphPath(const QRawFont& font, quint32 glyph);
    // The extent of `text` in `font` (with room for underlines when it has
    // them); lines without underlines are kept.
    TextMeasure Measure(const QString& text, bool underlines, const MappedFont& font);

private:
    // A glyph of a font, as a hash key.
    struct GlyphKey {
        QRawFont font;
        quint32 glyph = 0;
        friend bool operator==(const GlyphKey& a, const GlyphKey& b) { return a.glyph == b.glyph && a.font == b.font; }
        friend size_t qHash(const GlyphKey& key, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, key.font, key.glyph);
        }
    };
    // A line of text in a font, as a hash key.
    struct MeasureKey {
        QFont font;
        QString text;
        friend bool operator==(const MeasureKey& a, const MeasureKey& b) { return a.text == b.text && a.font == b.font; }
        friend size_t qHash(const MeasureKey& key, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, key.font, key.text);
        }
    };

    bool m_keepRuns = false;
    bool m_layoutSizes = false;
    CPdfSink* m_boxes = nullptr;
    qsizetype m_runGlyphs = 0;  // glyphs of the runs kept in m_measures
    QHash<QByteArray, MappedFont> m_mapped; // by request and mapping mode
    QHash<MeasureKey, TextMeasure> m_measures;
    QHash<GlyphKey, QRectF> m_glyphBounds;
    QHash<GlyphKey, QPainterPath> m_glyphPaths;
};

} // namespace vexlan
