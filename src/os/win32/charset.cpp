// SPDX-License-Identifier: MIT
// Character sets on Win32 (see charset.h): iconv's names mapped to Windows
// code pages, converted a character at a time through MultiByteToWideChar
// and WideCharToMultiByte; UTF-8 and UTF-32LE are converted here directly.
// The code-page side takes the single- and double-byte code pages (936,
// 1252, the OEM pages); pages with longer or stateful sequences have no
// converter (IsOpen() is false).
#include "os/charset.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace vexlan {
namespace {

enum class Kind { kCodePage, kUtf8, kUtf32Le };

struct Side {
    Kind kind = Kind::kCodePage;
    UINT codePage = 0;
    bool doubleByte = false;
    bool asciiSame = false; // bytes 0x00-0x7F are ASCII itself
    bool noC1 = false;      // a Windows page whose unassigned bytes Windows passes as C1 controls
};

struct Converter {
    Side from;
    Side to;
};

bool Is(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// The number after `prefix` (ASCII case ignored), or 0.
UINT NumberAfter(const char* name, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, static_cast<int>(n), prefix, static_cast<int>(n)) !=
        CSTR_EQUAL)
        return 0;
    const char* digits = name + n;
    if (*digits < '1' || *digits > '9' || std::strlen(digits) > 5)
        return 0;
    for (const char* p = digits; *p != '\0'; ++p)
        if (*p < '0' || *p > '9')
            return 0;
    return static_cast<UINT>(std::strtoul(digits, nullptr, 10));
}

std::optional<Side> SideOf(const char* name)
{
    Side side;
    if (name == nullptr)
        return std::nullopt;
    if (Is(name, "UTF-8") || Is(name, "UTF8") || Is(name, "CP65001")) {
        side.kind = Kind::kUtf8;
        return side;
    }
    if (Is(name, "UTF-32LE")) {
        side.kind = Kind::kUtf32Le;
        return side;
    }
    UINT cp = NumberAfter(name, "CP");
    if (cp == 0)
        cp = NumberAfter(name, "WINDOWS-");
    if (cp == 0 && (Is(name, "GBK") || Is(name, "GB2312") || Is(name, "EUC-CN")))
        cp = 936;
    if (cp == 0 && (Is(name, "ASCII") || Is(name, "US-ASCII") || Is(name, "ANSI_X3.4-1968")))
        cp = 20127;
    if (cp == 0 && (Is(name, "ISO-8859-1") || Is(name, "LATIN1")))
        cp = 28591;
    if (cp == 65001)
        return SideOf("UTF-8");
    CPINFO info{};
    if (cp == 0 || !IsValidCodePage(cp) || !GetCPInfo(cp, &info) || info.MaxCharSize > 2)
        return std::nullopt;
    side.codePage = cp;
    side.doubleByte = info.MaxCharSize == 2;
    side.noC1 = cp == 874 || (cp >= 1250 && cp <= 1258);
    char ascii[128];
    wchar_t wide[128];
    for (int i = 0; i < 128; ++i)
        ascii[i] = static_cast<char>(i);
    side.asciiSame = MultiByteToWideChar(cp, 0, ascii, 128, wide, 128) == 128;
    for (int i = 0; side.asciiSame && i < 128; ++i)
        side.asciiSame = wide[i] == static_cast<wchar_t>(i);
    return side;
}

bool IsScalar(uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// One character from the front of [in, in + left): its code point and how
// many bytes it took; false when the bytes are invalid or incomplete.
bool Decode(const Side& side, const unsigned char* in, std::size_t left, uint32_t& c, std::size_t& used)
{
    switch (side.kind) {
    case Kind::kUtf32Le:
        if (left < 4)
            return false;
        c = in[0] | in[1] << 8 | in[2] << 16 | uint32_t{in[3]} << 24;
        used = 4;
        return IsScalar(c);
    case Kind::kUtf8: {
        const unsigned char b0 = in[0];
        uint32_t min;
        if (b0 < 0x80) {
            c = b0;
            used = 1;
            return true;
        }
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            used = 2; min = 0x80; c = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            used = 3; min = 0x800; c = b0 & 0x0F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            used = 4; min = 0x10000; c = b0 & 0x07;
        } else {
            return false;
        }
        if (used > left)
            return false;
        for (std::size_t i = 1; i < used; ++i) {
            if ((in[i] & 0xC0) != 0x80)
                return false;
            c = c << 6 | (in[i] & 0x3F);
        }
        return c >= min && IsScalar(c);
    }
    case Kind::kCodePage:
        break;
    }
    if (side.asciiSame && in[0] < 0x80) {
        c = in[0];
        used = 1;
        return true;
    }
    used = side.doubleByte && IsDBCSLeadByteEx(side.codePage, in[0]) ? 2 : 1;
    if (used > left)
        return false;
    wchar_t w[2];
    const int n = MultiByteToWideChar(side.codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(in),
                                      static_cast<int>(used), w, 2);
    if (n == 1)
        c = w[0];
    else if (n == 2 && w[0] >= 0xD800 && w[0] <= 0xDBFF && w[1] >= 0xDC00 && w[1] <= 0xDFFF)
        c = 0x10000 + ((uint32_t{w[0]} - 0xD800) << 10) + (w[1] - 0xDC00u);
    else
        return false;
    // The bytes a Windows page leaves unassigned come back as C1 controls;
    // they are no characters of the page.
    if (side.noC1 && c >= 0x80 && c <= 0x9F)
        return false;
    return IsScalar(c);
}

// The bytes of `c` in the target set (at most 8); false when the set has no
// such character.
bool Encode(const Side& side, uint32_t c, char* out, std::size_t& size)
{
    switch (side.kind) {
    case Kind::kUtf32Le:
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>(c >> (8 * i));
        size = 4;
        return true;
    case Kind::kUtf8:
        if (c < 0x80) {
            out[0] = static_cast<char>(c);
            size = 1;
        } else if (c < 0x800) {
            out[0] = static_cast<char>(0xC0 | c >> 6);
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            size = 2;
        } else if (c < 0x10000) {
            out[0] = static_cast<char>(0xE0 | c >> 12);
            out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            size = 3;
        } else {
            out[0] = static_cast<char>(0xF0 | c >> 18);
            out[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out[3] = static_cast<char>(0x80 | (c & 0x3F));
            size = 4;
        }
        return true;
    case Kind::kCodePage:
        break;
    }
    if (side.asciiSame && c < 0x80) {
        out[0] = static_cast<char>(c);
        size = 1;
        return true;
    }
    if (side.noC1 && c >= 0x80 && c <= 0x9F)
        return false;
    wchar_t w[2];
    int wn = 1;
    if (c >= 0x10000) {
        w[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        w[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        wn = 2;
    } else {
        w[0] = static_cast<wchar_t>(c);
    }
    // No best fit: a character the page lacks is refused, not replaced by
    // a look-alike.
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(side.codePage, WC_NO_BEST_FIT_CHARS, w, wn, out, 8, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    size = static_cast<std::size_t>(n);
    return true;
}

// The name of a code page as the core names sets.
std::string CodePageName(UINT cp) { return cp == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(cp); }

} // namespace

CharsetConverter::CharsetConverter(const char* to, const char* from)
{
    const std::optional<Side> f = SideOf(from);
    const std::optional<Side> t = SideOf(to);
    if (f && t)
        m_handle = new Converter{*f, *t};
}

CharsetConverter::~CharsetConverter() { delete static_cast<Converter*>(m_handle); }

CharsetConverter::Result CharsetConverter::Convert(const char*& in, std::size_t& inLeft, char*& out,
                                                   std::size_t& outLeft)
{
    const auto* conv = static_cast<const Converter*>(m_handle);
    if (conv == nullptr)
        return inLeft == 0 ? Result::kDone : Result::kBadInput;
    while (inLeft > 0) {
        uint32_t c = 0;
        std::size_t used = 0;
        if (!Decode(conv->from, reinterpret_cast<const unsigned char*>(in), inLeft, c, used))
            return Result::kBadInput;
        char bytes[8];
        std::size_t size = 0;
        if (!Encode(conv->to, c, bytes, size))
            return Result::kBadInput;
        if (size > outLeft)
            return Result::kOutputFull;
        std::memcpy(out, bytes, size);
        out += size;
        outLeft -= size;
        in += used;
        inLeft -= used;
    }
    return Result::kDone;
}

// The sets taken here keep no state between characters: nothing to end and
// nothing to forget.
void CharsetConverter::Finish(char*& /*out*/, std::size_t& /*outLeft*/) {}

void CharsetConverter::Reset() {}

std::string AdoptEnvironmentLocale()
{
    // The character-type part only: the C runtime's multibyte functions
    // follow the ANSI code page, while numbers the program writes keep
    // their '.' whatever the user's regional settings.
    std::setlocale(LC_CTYPE, "");
    return CodePageName(GetACP());
}

const std::string& EnvironmentCharset()
{
    // Text for the console is in the console's own code page (often the
    // OEM page, 437 or 850, beside an ANSI 1252); without a console, the
    // ANSI code page.
    static const std::string charset = [] {
        const UINT console = GetConsoleOutputCP();
        return CodePageName(console != 0 ? console : GetACP());
    }();
    return charset;
}

} // namespace vexlan
