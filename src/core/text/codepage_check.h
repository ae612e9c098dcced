// SPDX-License-Identifier: MIT
// Whether text is valid in a code page: the test behind the warning about
// text that its conversion to Unicode would show with replacement
// characters (a GBK job read as UTF-8, a UTF-8 text in a GBK job).
#pragma once

#include <string>
#include <string_view>

namespace vexlan {

// True when every byte of `text` belongs to a character that AnsiToUtf8
// converts to a character of its own, i.e. the conversion puts in no U+FFFD
// for a bad byte (a U+FFFD written in UTF-8 is a character like any other).
// One pass over the text, ASCII runs taken eight bytes at a time.
bool IsValidInCodePage(std::string_view text, int codePage);

// How a warning names a code page: "936 (GBK)", "65001 (UTF-8)",
// "1252 (single-byte)".
std::string CodePageLabel(int codePage);

} // namespace vexlan
