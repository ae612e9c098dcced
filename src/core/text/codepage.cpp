// SPDX-License-Identifier: MIT
// Code page detection, lead bytes, multibyte-aware searches, conversions.
#include "core/text/codepage.h"

#include "os/charset.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace vexlan {
namespace {

std::atomic<int> g_codePage{0};

// True when two character-set names are the same but for ASCII case.
bool SameAsciiName(const char* a, const char* b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    while (*a != '\0' && lower(*a) == lower(*b)) {
        ++a;
        ++b;
    }
    return lower(*a) == lower(*b);
}

// The iconv name for a code page, or nullptr for UTF-8 (handled directly).
const char* IconvName(int codePage)
{
    switch (codePage) {
    case CP_GBK:
        return "CP936";
    case CP_UTF8:
        return nullptr;
    default:
        return "CP1252";
    }
}

// The code page of a character-set name, or 0 for a name not listed here.
int CodePageFromName(const char* cs)
{
    const auto is = [cs](const char* name) { return SameAsciiName(cs, name); };
    if (is("GBK") || is("GB2312") || is("GB18030") || is("CP936") || is("EUC-CN"))
        return CP_GBK;
    if (is("UTF-8") || is("utf8") || is("ANSI_X3.4-1968") || is("ASCII"))
        return CP_UTF8; // the plain C locale counts as UTF-8
    if (is("CP1252") || is("WINDOWS-1252"))
        return CP_SINGLE_BYTE;
    return 0;
}

// The locale's character set: any set not listed has no lead bytes here.
int CodePageFromCharset(const char* cs)
{
    if (cs == nullptr || *cs == '\0')
        return CP_UTF8;
    const int cp = CodePageFromName(cs);
    return cp != 0 ? cp : CP_SINGLE_BYTE;
}

// UTF-8 bytes made valid, handed to `piece` until it returns false: valid
// sequences go out as they are, in pieces of at most 4 KiB cut between
// sequences; each byte outside a valid sequence becomes U+FFFD.
void Utf8Pieces(std::string_view bytes, const PieceSink& piece)
{
    constexpr std::size_t kPiece = 4096;
    std::size_t from = 0; // start of the valid run not yet handed out
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = Utf8SequenceLength(bytes, i);
        if (n != 0 && i + n - from <= kPiece) {
            i += n;
            continue;
        }
        if (i > from && !piece(bytes.substr(from, i - from)))
            return;
        if (n == 0) {
            if (!piece("\xEF\xBF\xBD"))
                return;
            ++i;
        }
        from = i;
    }
    if (bytes.size() > from)
        piece(bytes.substr(from));
}

// Converts `in` with the system's converter, handing the output to `piece`
// a buffer at a time (whole characters: the converter writes no part of
// one) until it returns false. Bytes that do not convert become `bad`.
// Without a converter (a system without its tables) the bytes are taken as
// UTF-8.
void ConvertPieces(std::string_view in, const char* from, const char* to, const char* bad, const PieceSink& piece)
{
    CharsetConverter conv(to, from);
    if (!conv.IsOpen()) {
        Utf8Pieces(in, piece);
        return;
    }
    const char* src = in.data();
    std::size_t srcLeft = in.size();
    char buf[1024];
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const CharsetConverter::Result r = conv.Convert(src, srcLeft, dst, dstLeft);
        if (dst != buf && !piece(std::string_view(buf, static_cast<std::size_t>(dst - buf))))
            break;
        if (r != CharsetConverter::Result::kDone) {
            if (r == CharsetConverter::Result::kOutputFull)
                continue;
            // Invalid or incomplete sequence, or a character the target
            // cannot hold: replace it and go on. From UTF-8 a well-formed
            // character is skipped whole, so it gives one replacement.
            std::size_t skip = 1;
            if (std::strcmp(from, "UTF-8") == 0) {
                if (const std::size_t n = Utf8SequenceLength(std::string_view(src, srcLeft < 4 ? srcLeft : 4), 0); n > 0)
                    skip = n;
            }
            if (!piece(bad))
                break;
            src += skip;
            srcLeft -= skip;
            conv.Reset();
        }
    }
}

// Code page 936 to Unicode through a table that the system's converter
// fills once with its own conversion of every single byte and of every pair
// after a lead byte: the same result as converting through it (its GBK is
// stateless and looks at no more than two bytes), many times faster on long
// texts.
class GbkTable {
public:
    static constexpr char32_t kNone = 0xFFFFFFFF;

    // The table, or null when the system cannot convert code page 936.
    static const GbkTable* Get()
    {
        static const std::unique_ptr<GbkTable> table = Make();
        return table.get();
    }
    char32_t Single(unsigned char b) const { return m_single[b]; }
    char32_t Pair(unsigned char lead, unsigned char trail) const { return m_pairs[(lead - 0x81u) * 256u + trail]; }

private:
    static std::unique_ptr<GbkTable> Make()
    {
        CharsetConverter conv("UTF-32LE", "CP936");
        if (!conv.IsOpen())
            return nullptr;
        // One character from all of `n` bytes, or kNone.
        const auto one = [&conv](unsigned char b0, unsigned char b1, std::size_t n) {
            const char in[2] = {static_cast<char>(b0), static_cast<char>(b1)};
            unsigned char out[8];
            const char* src = in;
            char* dst = reinterpret_cast<char*>(out);
            std::size_t left = n, room = sizeof out;
            conv.Reset();
            if (conv.Convert(src, left, dst, room) != CharsetConverter::Result::kDone || left != 0 || room != 4)
                return kNone;
            return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | uint32_t(out[3]) << 24);
        };
        auto t = std::make_unique<GbkTable>();
        for (unsigned b = 0; b < 256; ++b)
            t->m_single[b] = one(static_cast<unsigned char>(b), 0, 1);
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0; trail < 256; ++trail)
                t->m_pairs[(lead - 0x81u) * 256u + trail] =
                    one(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail), 2);
        return t;
    }

    char32_t m_single[256];
    char32_t m_pairs[126 * 256];
};

// Code page 936 to UTF-8 by the table, in pieces of at most 4 KiB: a lead
// byte with a trail byte that makes a character takes both; any other byte
// that is no character alone (a lead byte among them) becomes U+FFFD.
void GbkPieces(const GbkTable& table, std::string_view in, const PieceSink& piece)
{
    char buf[4096];
    std::size_t used = 0;
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        char32_t c = GbkTable::kNone;
        if (IsLeadByte(b, CP_GBK)) {
            if (i + 1 < in.size())
                c = table.Pair(b, static_cast<unsigned char>(in[i + 1]));
            i += c != GbkTable::kNone ? 2 : 1;
        } else {
            c = table.Single(b);
            ++i;
        }
        if (c == GbkTable::kNone || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (used + 4 > sizeof buf) {
            if (!piece(std::string_view(buf, used)))
                return;
            used = 0;
        }
        if (c < 0x80) {
            buf[used++] = static_cast<char>(c);
        } else if (c < 0x800) {
            buf[used++] = static_cast<char>(0xC0 | c >> 6);
            buf[used++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            buf[used++] = static_cast<char>(0xE0 | c >> 12);
            buf[used++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            buf[used++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            buf[used++] = static_cast<char>(0xF0 | c >> 18);
            buf[used++] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
            buf[used++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            buf[used++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (used > 0)
        piece(std::string_view(buf, used));
}

std::string Convert(const std::string& in, const char* from, const char* to, const char* bad)
{
    std::string out;
    out.reserve(in.size() * 2);
    ConvertPieces(in, from, to, bad, [&out](std::string_view p) {
        out.append(p);
        return true;
    });
    return out;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos)
{
    const auto b0 = static_cast<unsigned char>(s[pos]);
    std::size_t len;
    uint32_t min;
    uint32_t cp;
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2; min = 0x80; cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3; min = 0x800; cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4; min = 0x10000; cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (pos + len > s.size())
        return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

int CodePageFromSetting(const std::string& value)
{
    // A number is one of the three exactly: no sign, blank or leading zero
    // (strtol would take " 936" and "+936").
    if (value == "936")
        return CP_GBK;
    if (value == "65001")
        return CP_UTF8;
    if (value == "1252")
        return CP_SINGLE_BYTE;
    const char* s = value.c_str();
    if (value.empty() || value.size() != std::strlen(s))
        return 0;
    return CodePageFromName(s);
}

bool IsKnownCodePageSetting(const std::string& value) { return CodePageFromSetting(value) != 0; }

std::string CodePageSettingError()
{
    const char* env = std::getenv("VEXLAN_CODEPAGE");
    // Set but empty is not "unset": it names no code page either.
    if (env == nullptr || IsKnownCodePageSetting(env))
        return std::string();
    // The value as given, kept on one line.
    std::string shown(env);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "VEXLAN_CODEPAGE=\"" + shown +
           "\" is not a known code page (936, 65001 or 1252, or a name such as GBK or UTF-8)";
}

int DetectAnsiCodePage()
{
    if (const char* env = std::getenv("VEXLAN_CODEPAGE"); env != nullptr) {
        const int cp = CodePageFromSetting(env);
        return cp != 0 ? cp : CP_SINGLE_BYTE;
    }
    return CodePageFromCharset(AdoptEnvironmentLocale().c_str());
}

int AnsiCodePage()
{
    int cp = g_codePage.load();
    if (cp == 0) {
        cp = DetectAnsiCodePage();
        g_codePage.store(cp);
    }
    return cp;
}

void SetAnsiCodePage(int codePage) { g_codePage.store(codePage); }

bool IsLeadByte(unsigned char c, int codePage)
{
    switch (codePage) {
    case CP_GBK:
        return c >= 0x81 && c <= 0xFE;
    case CP_UTF8:
        return c >= 0xC2 && c <= 0xF4;
    default:
        return false;
    }
}

std::size_t CharLength(const std::string& s, std::size_t pos, int codePage)
{
    if (pos >= s.size())
        return 0;
    const auto c = static_cast<unsigned char>(s[pos]);
    if (codePage == CP_GBK) {
        // A lead byte takes the next byte with it, whatever that byte is,
        // as the system's multibyte functions do; a lead byte at the very
        // end stands alone.
        return (IsLeadByte(c, codePage) && pos + 1 < s.size()) ? 2 : 1;
    }
    if (codePage == CP_UTF8) {
        std::size_t n = Utf8SequenceLength(s, pos);
        return n == 0 ? 1 : n;
    }
    return 1;
}

std::size_t MbsReverseFind(const std::string& s, char ch, int codePage)
{
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = CharLength(s, i, codePage);
        if (n == 1 && s[i] == ch)
            found = i;
        i += n;
    }
    return found;
}

std::size_t MbsReverseFind(const std::string& s, char ch) { return MbsReverseFind(s, ch, AnsiCodePage()); }

int MbsICmp(const std::string& a, const std::string& b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool HasExtension(const std::string& path, const char* ext)
{
    const std::string tail = path.size() > 4 ? path.substr(path.size() - 4) : path;
    return MbsICmp(tail, ext) == 0;
}

void AnsiToUtf8Pieces(std::string_view bytes, int codePage, const PieceSink& piece)
{
    if (codePage == CP_UTF8)
        Utf8Pieces(bytes, piece);
    else if (const GbkTable* gbk = codePage == CP_GBK ? GbkTable::Get() : nullptr)
        GbkPieces(*gbk, bytes, piece);
    else
        ConvertPieces(bytes, IconvName(codePage), "UTF-8", "\xEF\xBF\xBD", piece);
}

std::string AnsiToUtf8(const std::string& bytes, int codePage)
{
    std::string out;
    out.reserve(codePage == CP_UTF8 ? bytes.size() : bytes.size() * 2);
    AnsiToUtf8Pieces(bytes, codePage, [&out](std::string_view p) {
        out.append(p);
        return true;
    });
    return out;
}

std::string AnsiToUtf8(const std::string& bytes) { return AnsiToUtf8(bytes, AnsiCodePage()); }

std::string Utf8ToAnsi(const std::string& utf8, int codePage)
{
    if (codePage == CP_UTF8)
        return utf8;
    return Convert(utf8, "UTF-8", IconvName(codePage), "?");
}

std::string Utf8ToAnsi(const std::string& utf8) { return Utf8ToAnsi(utf8, AnsiCodePage()); }

std::size_t CodePageCharBytes(const char* utf8, std::size_t len, int codePage)
{
    if (codePage == CP_UTF8)
        return len;
    // One converter per thread, kept open for the code page last asked for:
    // callers ask character by character.
    struct Converter {
        int codePage = 0;
        std::optional<CharsetConverter> cd;
    };
    thread_local Converter conv;
    if (conv.codePage != codePage) {
        conv.cd.reset();
        conv.cd.emplace(IconvName(codePage), "UTF-8");
        conv.codePage = codePage;
    }
    if (!conv.cd->IsOpen())
        return 0;
    char out[8];
    const char* src = utf8;
    std::size_t srcLeft = len;
    char* dst = out;
    std::size_t dstLeft = sizeof out;
    const CharsetConverter::Result r = conv.cd->Convert(src, srcLeft, dst, dstLeft);
    conv.cd->Reset();
    if (r != CharsetConverter::Result::kDone || srcLeft != 0)
        return 0;
    return sizeof out - dstLeft;
}

std::size_t FindUnheldChar(const std::string& utf8, int codePage)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = Utf8SequenceLength(utf8, i);
        if (n == 0 || (n > 1 && CodePageCharBytes(utf8.data() + i, n, codePage) == 0))
            return i;
        i += n;
    }
    return std::string::npos;
}

} // namespace vexlan
