// SPDX-License-Identifier: MIT
// Clipping a line segment to a rectangle in double precision, so that a
// hostile line (2^31 units long) reaches Qt only as the part near the device.
#pragma once

#include <QPointF>
#include <QRectF>

namespace vexlan {

// Liang-Barsky: clips the segment a-b to `r`; false when nothing is left.
// A horizontal or vertical segment ends exactly on the edges it crosses.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r);

} // namespace vexlan
