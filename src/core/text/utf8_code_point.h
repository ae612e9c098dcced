// SPDX-License-Identifier: MIT
// The code point of one UTF-8 sequence, for messages that name a character
// and for orderings by character.
#pragma once

#include <cstddef>
#include <string_view>

namespace vexlan {

// The code point of the sequence starting at s[pos], or U+FFFD when the
// bytes there are not a valid sequence (see Utf8SequenceLength).
char32_t Utf8CodePoint(std::string_view s, std::size_t pos);

} // namespace vexlan
