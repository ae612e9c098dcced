// SPDX-License-Identifier: MIT
// Hairlines' exact pixels on an image (see the header).
#include "linux/surface/hairline_track.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vexlan {

bool HairlineImageTrack(const QTransform& toImage, const QPointF& from, const QPointF& to,
                        COcclusionQueue::Track& track)
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
    const QPointF a = toImage.map(from), b = toImage.map(to);
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

bool PaintHairlinePart(QPainter& painter, const QPen& pen, const QLineF& line, const QRect& part)
{
    // A one-pixel horizontal or vertical line with whole-pixel ends covers
    // the pixels from its first end up to its second: cut to `part` along
    // its length, it covers exactly its own pixels inside `part`, drawn
    // without the cost of a clip.
    const QLineF& l = line;
    const bool vertical = l.x1() == l.x2(), horizontal = l.y1() == l.y2();
    const auto whole = [](double v) { return v == std::floor(v); };
    if (pen.widthF() != 0 || vertical == horizontal || !whole(l.x1()) || !whole(l.y1()) || !whole(l.x2()) ||
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
    painter.setPen(pen);
    painter.drawLine(vertical ? QLineF(across, from, across, to) : QLineF(from, across, to, across));
    return true;
}

} // namespace vexlan
