// SPDX-License-Identifier: MIT
// Decodes one UTF-8 sequence to its code point.
#include "core/text/utf8_code_point.h"

#include "core/text/codepage.h"

namespace vexlan {

char32_t Utf8CodePoint(std::string_view s, std::size_t pos)
{
    if (pos >= s.size())
        return 0xFFFD;
    const std::size_t n = Utf8SequenceLength(s, pos);
    if (n == 0)
        return 0xFFFD;
    const auto b0 = static_cast<unsigned char>(s[pos]);
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = b0 & kLeadMask[n];
    for (std::size_t i = 1; i < n; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(s[pos + i]) & 0x3F);
    return cp;
}

} // namespace vexlan
