// SPDX-License-Identifier: MIT
// The item list as JSON (--dump-items): one object per item, in list order.
#pragma once

#include "core/job/page_item.h"

#include <string>

namespace vexlan {

// A JSON array, one object per item: "type", "rect" [l,t,r,b], and per type
//   0: "text", "face", "align"
//   1: "path", "invert", "keepAspect", "width", "height", "bitCount"
//   2: "path", "face", "lineCount", "maxLineLen", "block"
//   3: "penWidth", "color"
// Strings are converted from the ANSI code page to UTF-8.
std::string ItemListToJson(const CPageItemArray& list);

} // namespace vexlan
