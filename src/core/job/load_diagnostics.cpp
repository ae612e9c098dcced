// SPDX-License-Identifier: MIT
// Warnings about a job (see load_diagnostics.h).
#include "core/job/load_diagnostics.h"

#include "core/text/codepage.h"

#include <cstdio>

namespace vexlan {

namespace {

// A backslash is escaped where it is no separator; on Windows it separates
// folders and stays as the user typed it ("C:\Jobs\a.jpg").
#ifdef _WIN32
constexpr bool kEscapeBackslash = false;
#else
constexpr bool kEscapeBackslash = true;
#endif

bool IsGbkTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Whether the character at s[i], of `n` bytes, is written as \xNN escapes.
// A GBK lead byte is escaped unless a valid trail byte follows (else a
// terminal would join it with the next character, a newline included);
// in UTF-8 the C1 controls and the line and paragraph separators
// U+2028/U+2029 are escaped, as terminals act on them or break lines there.
bool Escaped(const std::string& s, std::size_t i, std::size_t n, int codePage)
{
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F)
        return true;
    if (codePage == CP_GBK && IsLeadByte(c, codePage))
        return n == 1;
    if (codePage != CP_UTF8 || n < 2)
        return false;
    const auto c1 = static_cast<unsigned char>(s[i + 1]);
    return (c == 0xC2 && c1 < 0xA0) || (c == 0xE2 && c1 == 0x80 && (s[i + 2] == '\xA8' || s[i + 2] == '\xA9'));
}

// Byte length of the character at s[i]; a GBK lead byte takes its next
// byte only when that is a valid trail byte.
std::size_t QuotedCharLength(const std::string& s, std::size_t i, int codePage)
{
    if (codePage == CP_GBK && IsLeadByte(static_cast<unsigned char>(s[i]), codePage))
        return i + 1 < s.size() && IsGbkTrailByte(static_cast<unsigned char>(s[i + 1])) ? 2 : 1;
    return CharLength(s, i, codePage);
}

} // namespace

std::string QuotedPath(const std::string& path, int codePage)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < path.size();) {
        // A multibyte character goes out whole: its trail byte may equal '\'.
        const std::size_t n = QuotedCharLength(path, i, codePage);
        const char c = path[i];
        if (c == '"' || (c == '\\' && kEscapeBackslash)) {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (Escaped(path, i, n, codePage)) {
            for (std::size_t k = i; k < i + n; ++k) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(path[k]));
                out += hex;
            }
        } else {
            out.append(path, i, n);
        }
        i += n;
    }
    out += '"';
    return out;
}

std::string QuotedPath(const std::string& path) { return QuotedPath(path, AnsiCodePage()); }

} // namespace vexlan
