// SPDX-License-Identifier: MIT
// JSON text: quoting a string as a JSON string literal, for the trace lines
// and the item dump.
#pragma once

#include <string>
#include <string_view>

namespace vexlan {

// `s` as a JSON string literal, quotes included: '"' and '\' escaped,
// control characters as \u00XX. `s` should be UTF-8; bytes that do not form
// a valid sequence are written as U+FFFD, so the result is always valid.
std::string JsonQuote(std::string_view s);

// The same appended to `out`, without a copy of its own (for long texts).
void AppendJsonQuoted(std::string& out, std::string_view s);

// The inside of the literal only, without quotes: a text escaped in pieces
// gives the escaped whole when it is cut between UTF-8 sequences.
void AppendJsonEscaped(std::string& out, std::string_view s);

} // namespace vexlan
