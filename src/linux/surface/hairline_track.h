// SPDX-License-Identifier: MIT
// The exact pixels of one-pixel horizontal and vertical lines (hairlines)
// on an image: which row or column of the final image such a line lands on
// through a scaling painter (a track for COcclusionQueue), and drawing the
// part of one inside a rectangle without the cost of a clip.
#pragma once

#include "linux/surface/occlusion_queue.h"

#include <QLineF>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QTransform>

class QPainter;

namespace vexlan {

// The row (or column) of the final image that a one-pixel horizontal or
// vertical line from `from` to `to` (device pixels) lands on when
// `toImage` maps device pixels onto the image's, as a track; false when
// that is not known for sure.
bool HairlineImageTrack(const QTransform& toImage, const QPointF& from, const QPointF& to,
                        COcclusionQueue::Track& track);

// Draws with `pen` the part of `line` inside `part` without a clip; false
// when the line is not one whose pixels that gives exactly (nothing drawn).
bool PaintHairlinePart(QPainter& painter, const QPen& pen, const QLineF& line, const QRect& part);

} // namespace vexlan
