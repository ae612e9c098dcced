// SPDX-License-Identifier: MIT
// How long a line of a text block is for the layout: the number that the
// block's font width is divided out of (nMaxLineLen).
//
// A text block's font is as wide as the rectangle divided by its longest
// line's length in bytes. Producers lay their blocks out in code page 936,
// where an ASCII character is 1 byte and a Chinese character 2, matching
// the half-width and full-width cells they occupy. In UTF-8 a Chinese
// character takes 3 bytes, which would leave such a block a third empty, so
// in UTF-8 a line is counted as its characters would be in code page 936.
#pragma once

#include <cstddef>
#include <string_view>

namespace vexlan {

// True when the character's East Asian Width is Wide (W) or Fullwidth (F):
// the character fills two cells of a monospaced East Asian font.
bool IsWideOrFullwidth(char32_t ch);

// The layout length of `line` in `codePage`. In UTF-8 (65001), each
// character counts the bytes it takes in code page 936 (ASCII 1, Chinese and
// the other double-byte characters 2); a character code page 936 cannot hold
// counts 2 when it is Wide or Fullwidth, else 1; a byte outside any valid
// UTF-8 sequence counts 1. The result never exceeds line.size(). In every
// other code page it is the length in bytes.
std::size_t LayoutLineLength(std::string_view line, int codePage);

} // namespace vexlan
