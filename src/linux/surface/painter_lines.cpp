// SPDX-License-Identifier: MIT
// The painter surface's lines: LineTo clips a line to the device, makes
// its pen and holds it back with what it certainly covers (on a track when
// it is horizontal or vertical on an image).
#include "linux/surface/painter_dc.h"

#include "linux/surface/hairline_track.h"
#include "linux/surface/segment_clip.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vexlan {

namespace {

// A COLORREF as a Qt colour.
QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// A pen style (PS_*) as Qt's.
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

} // namespace

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
        onTrack = HairlineImageTrack(m_toImage, from, to, track);
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

} // namespace vexlan
