// Console lines in the locale's character set (see console_text.h).
#include "os/console_text.h"

#include "core/text/codepage.h"

#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

namespace vexlan {
namespace {

bool IsUtf8Charset(const char* cs)
{
    // The plain C locale's ASCII counts as UTF-8, as for the code page.
    return *cs == '\0' || strcasecmp(cs, "UTF-8") == 0 || strcasecmp(cs, "utf8") == 0 ||
           strcasecmp(cs, "ANSI_X3.4-1968") == 0 || strcasecmp(cs, "ASCII") == 0;
}

// The character set of the locale the environment names, read once without
// touching the program's own locale (its numbers stay as they are).
const std::string& EnvironmentCharset()
{
    static const std::string charset = [] {
        std::string cs;
        if (locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr))) {
            if (const char* name = nl_langinfo_l(CODESET, loc))
                cs = name;
            freelocale(loc);
        }
        return cs;
    }();
    return charset;
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
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return ValidUtf8(utf8); // a set iconv does not know: the text as it is
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
        char* src = const_cast<char*>(utf8.data() + i);
        std::size_t srcLeft = n;
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        // Stateful sets end each character in their initial state.
        if (r != static_cast<std::size_t>(-1) && srcLeft == 0)
            iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        if (r == static_cast<std::size_t>(-1) || srcLeft != 0) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out += '?';
        } else {
            out.append(buf, sizeof buf - dstLeft);
        }
        i += n;
    }
    iconv_close(cd);
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
