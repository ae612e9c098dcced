// SPDX-License-Identifier: MIT
// FitRectAspect: shrinks a rectangle to the largest centred rectangle inside
// it with a given width-to-height proportion.
#pragma once

#include "core/base/wintypes.h"

namespace vexlan {

// Moves the edges of *rect inward by marginX / marginY, then fits the
// proportion srcWidth : srcHeight into what is left: full width when the
// proportion allows, else full height; centred, the odd unit going to the
// right/bottom. Returns 1 and writes *rect when fitted; returns 0 and leaves
// *rect untouched when rect is null, a source size is <= 0 or nothing is left
// after the margins. Arithmetic is done in 64 bits and doubles, so hostile
// rectangles cannot overflow.
int FitRectAspect(RECT* rect, int marginX, int marginY, int srcWidth, int srcHeight);
// The same with one margin for both directions.
int FitRectAspect(RECT* rect, int margin, int srcWidth, int srcHeight);

} // namespace vexlan
