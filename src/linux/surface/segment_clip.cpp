// SPDX-License-Identifier: MIT
// Segment clipping (see the header).
#include "linux/surface/segment_clip.h"

#include <algorithm>

namespace vexlan {

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

} // namespace vexlan
