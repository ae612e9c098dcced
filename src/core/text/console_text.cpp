// SPDX-License-Identifier: MIT
// Console lines in the locale's character set (see console_text.h).
#include "core/text/console_text.h"

#include "core/text/codepage.h"
#include "os/charset.h"

#include <cstring>

namespace vexlan {
namespace {

bool IsUtf8Charset(const char* cs)
{
    // The names VEXLAN_CODEPAGE takes for UTF-8 (its number is no set's
    // name); the plain C locale's ASCII counts as UTF-8, as for the code page.
    return *cs == '\0' || (std::strcmp(cs, "65001") != 0 && CodePageFromSetting(cs) == CP_UTF8);
}

// UTF-8 with each byte outside a valid sequence replaced by '?'.
std::string ValidUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = Utf8SequenceLength(utf8, i);
        if (n == 0) {
            out += '?';
            ++i;
        } else {
            out.append(utf8.substr(i, n));
            i += n;
        }
    }
    return out;
}

} // namespace

std::string ConsoleText(std::string_view utf8, const char* charset)
{
    if (IsUtf8Charset(charset))
        return ValidUtf8(utf8);
    CharsetConverter conv(charset, "UTF-8");
    if (!conv.IsOpen())
        return ValidUtf8(utf8); // a set the system does not know: the text as it is
    std::string out;
    // One character at a time: a character the set cannot hold, or a byte
    // that is not UTF-8, becomes '?' and the rest still converts.
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = Utf8SequenceLength(utf8, i);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        char buf[16];
        const char* src = utf8.data() + i;
        std::size_t srcLeft = n;
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const bool done = conv.Convert(src, srcLeft, dst, dstLeft) == CharsetConverter::Result::kDone && srcLeft == 0;
        // Stateful sets end each character in their initial state.
        if (done)
            conv.Finish(dst, dstLeft);
        if (!done) {
            conv.Reset();
            out += '?';
        } else {
            out.append(buf, sizeof buf - dstLeft);
        }
        i += n;
    }
    return out;
}

std::string ConsoleText(std::string_view utf8) { return ConsoleText(utf8, EnvironmentCharset().c_str()); }

void WriteConsoleLine(std::string_view line, std::FILE* out)
{
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

} // namespace vexlan
