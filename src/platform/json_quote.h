// JSON text: quoting a string as a JSON string literal, for the trace lines
// and the item dump.
#pragma once

#include <string>

namespace vexlan {

// `s` as a JSON string literal, quotes included: '"' and '\' escaped,
// control characters as \u00XX. `s` should be UTF-8; bytes that do not form
// a valid sequence are written as U+FFFD, so the result is always valid.
std::string JsonQuote(const std::string& s);

} // namespace vexlan
