// SPDX-License-Identifier: MIT
// PaintPage: draws the item list onto any Qt paint device (printer, preview,
// PDF writer, image) through the page renderer. The view's OnPrint calls it
// with the painter the print machinery hands over.
#pragma once

#include "core/job/page_item.h"

class QPainter;

namespace vexlan {

// Draws every item of `items`, in order, in hundredths of a millimetre from
// the top-left of the painter's paint device (the printable area on a
// printer). The painter must be active; its state is restored on return.
// An exception raised while drawing ends the page early (the items drawn so
// far stay) and does not leave this function; the result then is false.
bool PaintPage(QPainter& painter, const CPageItemArray& items);

} // namespace vexlan
