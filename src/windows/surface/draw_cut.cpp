// SPDX-License-Identifier: MIT
// Cutting a long line down to the part its alignment shows (draw_cut.h).
#include "windows/surface/draw_cut.h"

#include "core/text/codepage.h"

namespace vexlan {

namespace {

// Bytes of the character at `at`: UTF-8 sequences by their lead byte,
// double-byte characters by theirs (a lead byte at the end stands alone).
std::size_t CharBytes(const char* text, std::size_t length, std::size_t at, int codePage)
{
    const auto c = static_cast<unsigned char>(text[at]);
    std::size_t n = 1;
    if (codePage == CP_UTF8) {
        n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        // Stop early at a byte that does not continue the sequence.
        for (std::size_t k = 1; k < n; ++k)
            if (at + k >= length || (static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
                return k;
    } else if (IsLeadByte(c, codePage)) {
        n = 2;
    }
    return at + n <= length ? n : length - at;
}

} // namespace

DrawnPart PartToDraw(const char* text, std::size_t length, UINT format, int codePage, std::size_t limit)
{
    if (length <= limit)
        return {0, length};
    std::size_t wanted = 0;
    if (format & DT_CENTER)
        wanted = (length - limit) / 2;
    else if (format & DT_RIGHT)
        wanted = length - limit;
    // Walked from the start: in a double-byte code page a trail byte can
    // look like a lead byte, so only the walk knows where characters begin.
    std::size_t from = 0;
    while (from < wanted)
        from += CharBytes(text, length, from, codePage);
    std::size_t to = from;
    while (to < length) {
        const std::size_t n = CharBytes(text, length, to, codePage);
        if (to + n - from > limit)
            break;
        to += n;
    }
    return {from, to - from};
}

} // namespace vexlan
