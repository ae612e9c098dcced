// SPDX-License-Identifier: MIT
// JSON string quoting.
#include "core/text/json_quote.h"

#include "core/text/codepage.h"

#include <algorithm>
#include <cstdio>

namespace vexlan {

std::string JsonQuote(std::string_view s)
{
    std::string out;
    AppendJsonQuoted(out, s);
    return out;
}

void AppendJsonQuoted(std::string& out, std::string_view s)
{
    // Room for the usual case (nothing to escape) at once, with an eighth
    // to spare for escapes and what the caller appends next, so a long text
    // is not copied again as `out` grows (pages not written to take no
    // memory); still doubling, so many short appends stay linear.
    const std::size_t need = out.size() + s.size() + 2;
    if (need > out.capacity())
        out.reserve(std::max(need + need / 8, 2 * out.capacity()));
    out += '"';
    AppendJsonEscaped(out, s);
    out += '"';
}

void AppendJsonEscaped(std::string& out, std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (std::size_t n = Utf8SequenceLength(s, i); n != 0) {
            out.append(s, i, n);
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
}

} // namespace vexlan
