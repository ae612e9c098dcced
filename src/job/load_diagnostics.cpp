// Warnings about a job (see load_diagnostics.h).
#include "job/load_diagnostics.h"

#include "platform/codepage.h"

#include <cstdio>

namespace vexlan {

std::string QuotedPath(const std::string& path)
{
    const int codePage = AnsiCodePage();
    std::string out = "\"";
    for (std::size_t i = 0; i < path.size();) {
        // A multibyte character goes out whole: its trail byte may equal '\'.
        const std::size_t n = CharLength(path, i, codePage);
        const auto c = static_cast<unsigned char>(path[i]);
        if (n > 1) {
            out.append(path, i, n);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += path[i];
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += path[i];
        }
        i += n;
    }
    out += '"';
    return out;
}

} // namespace vexlan
