// SPDX-License-Identifier: MIT
// The part of a long line of text handed to GDI. A single line shows at
// most a few thousand characters on any page; a producer's line can hold
// hundreds of megabytes, which GDI would measure whole. The part kept is
// the one the alignment shows: the start of a left-aligned line, the end of
// a right-aligned one, the middle of a centred one, cut on character
// boundaries of the code page.
#pragma once

#include "core/base/wintypes.h"

#include <cstddef>

namespace vexlan {

// Bytes of a line drawn at most.
constexpr std::size_t kMaxDrawnBytes = std::size_t(1) << 16;

struct DrawnPart {
    std::size_t offset = 0;
    std::size_t length = 0;
};

// The part of `text` (`length` bytes in `codePage`) to draw with the DT_*
// alignment of `format`, at most `limit` bytes.
DrawnPart PartToDraw(const char* text, std::size_t length, UINT format, int codePage,
                     std::size_t limit = kMaxDrawnBytes);

} // namespace vexlan
