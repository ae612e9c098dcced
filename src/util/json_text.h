// JSON text helpers: quoting a UTF-8 string as a JSON string literal.
#pragma once

#include <string>

namespace vexlan {

// Returns `utf8` as a quoted JSON string: quotes, backslashes and control
// characters escaped. The input must be valid UTF-8.
std::string JsonQuote(const std::string& utf8);

} // namespace vexlan
