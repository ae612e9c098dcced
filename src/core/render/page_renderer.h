// SPDX-License-Identifier: MIT
// RenderPage: the page renderer, the body of the view's OnPrint. Draws the
// whole item list, in list order, onto a device context in MM_HIMETRIC.
#pragma once

#include "core/job/page_item.h"
#include "core/render/cdc.h"

namespace vexlan {

// Sets the stretch mode COLORONCOLOR and the mapping mode MM_HIMETRIC,
// draws every item of `items` in order (text lines, images, text blocks,
// frames; items with an empty rectangle or an unknown type are skipped),
// then sets MM_TEXT. Item rectangles (y downward) are drawn with y negated.
// The items are not changed. Fonts and pens made for an item are selected
// back out and deleted before the next item, also when an exception passes
// (the exception then leaves RenderPage with the mapping mode not reset).
void RenderPage(CDC* pDC, const CPageItemArray& items);

} // namespace vexlan
