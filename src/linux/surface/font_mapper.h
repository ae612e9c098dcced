// SPDX-License-Identifier: MIT
// CFontMapper: turns a CreateFont request into a Qt font that keeps the
// request's Windows meaning.
//   - Face names go through a substitution table from Windows faces (宋体,
//     黑体, 楷体, 仿宋, 微软雅黑, Arial, Times New Roman, Courier New, ...) to
//     installed fonts, metric-compatible ones first (Liberation for the
//     Latin faces). A face that is installed is used as it is.
//   - The Chinese system faces (宋体, 黑体, 楷体, 仿宋) are sized by their
//     Windows metrics (cell = em, average width = half an em), since no
//     installed stand-in shares them.
//   - A positive height is a cell height: the em is chosen so that the
//     face's Windows ascent + descent (OS/2 usWinAscent + usWinDescent, or
//     hhea when the face has no OS/2 table) equals it.
//   - A positive width is an average character width (OS/2 xAvgCharWidth):
//     the font is stretched horizontally to it.
// Metrics always come from the mapped face, never from the fonts Qt falls
// back to for single characters (a CJK glyph missing from a Latin face).
#pragma once

#include "core/render/cdc.h"

#include <QFont>
#include <QString>

namespace vexlan {

// A face's vertical and horizontal design metrics, in font units.
struct FaceMetrics {
    double unitsPerEm = 1000;
    double winAscent = 800;   // above the baseline
    double winDescent = 200;  // below the baseline (positive)
    double avgCharWidth = 500;
    double CellEm() const { return (winAscent + winDescent) / unitsPerEm; }
};

// A request realised for a device.
struct MappedFont {
    QFont font;            // family, pixel size, weight, style; draw with it
    double scaleX = 1;     // horizontal scale to apply while drawing
    double scaleY = 1;     // vertical scale to apply while drawing
    double emPx = 0;       // the em the drawn text has, device pixels
    double ascentPx = 0;   // Windows ascent at that em, device pixels
    double descentPx = 0;  // Windows descent at that em, device pixels
    double CellHeightPx() const { return ascentPx + descentPx; }
};

class CFontMapper {
public:
    // The default em when a request's height is 0: 12 points.
    static constexpr double kDefaultEmPoints = 12.0;
    // Largest pixel size handed to Qt; bigger text is drawn scaled.
    static constexpr int kMaxPixelSize = 4096;
    // Qt's FreeType engine draws a bold request in a face without a bold
    // style emboldened only below this pixel size (measured on Qt 6.4).
    static constexpr int kSynthesizedBoldBelowPx = 64;
    // The pixel size a PDF lays text out at (see CTextCache::SetLayoutSizes):
    // smaller than most of a PDF's text, so that a long line stays further
    // from the limit of Qt's fixed-point positions than at its own size.
    static constexpr int kLayoutPx = 128;

    // The installed family that stands for a Windows face name (UTF-8 or
    // Unicode). An empty face gives the default face (宋体's stand-in). When
    // `preferOutline` is set, a family that is not scalable is replaced by
    // the default outline face.
    static QString SubstituteFamily(const QString& face, bool preferOutline = false);

    // Whether `face` (UTF-8 or Unicode) has a font of its own: empty (the
    // default face), a name of the substitution table, or an installed
    // family. Any other face is drawn in the default face.
    static bool MatchesFace(const QString& face);

    // The metrics of the face Qt would draw for `family` (cached).
    static FaceMetrics Metrics(const QString& family);

    // Realises `request` for a device whose pixels are `pxPerUnitX` x
    // `pxPerUnitY` logical units wide/high and whose resolution is `dpiY`
    // (used for the default size). The face name is in the ANSI code page.
    static MappedFont Map(const FontRequest& request, double pxPerUnitX, double pxPerUnitY,
                          double dpiY);
};

} // namespace vexlan
