// SPDX-License-Identifier: MIT
// Validating text against a code page (see codepage_check.h).
#include "core/text/codepage_check.h"

#include "core/text/codepage.h"
#include "os/charset.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace vexlan {
namespace {

// Which single bytes and which lead/trail pairs the system's converter
// turns into a character: the same question, asked of the same converter,
// as the conversion's own table, so the two never disagree. Built once, on
// the first text that is not plain ASCII.
class Charset {
public:
    // The table for a code page with a converter name, or null when the
    // system has no such converter (the conversion then takes the bytes as
    // UTF-8).
    static const Charset* Get(int codePage)
    {
        static const std::unique_ptr<Charset> gbk = Make("CP936", true);
        static const std::unique_ptr<Charset> single = Make("CP1252", false);
        return (codePage == CP_GBK ? gbk : single).get();
    }
    bool Single(unsigned char b) const { return m_single[b]; }
    bool Pair(unsigned char lead, unsigned char trail) const { return m_pairs[(lead - 0x81u) * 256u + trail]; }

private:
    static std::unique_ptr<Charset> Make(const char* name, bool pairs)
    {
        CharsetConverter conv("UTF-32LE", name);
        if (!conv.IsOpen())
            return nullptr;
        // Whether all `n` bytes make exactly one character.
        const auto one = [&conv](unsigned char b0, unsigned char b1, std::size_t n) {
            const char in[2] = {static_cast<char>(b0), static_cast<char>(b1)};
            char out[8];
            const char* src = in;
            char* dst = out;
            std::size_t left = n, room = sizeof out;
            conv.Reset();
            return conv.Convert(src, left, dst, room) == CharsetConverter::Result::kDone && left == 0 && room == 4;
        };
        auto t = std::make_unique<Charset>();
        for (unsigned b = 0; b < 256; ++b)
            t->m_single[b] = one(static_cast<unsigned char>(b), 0, 1);
        for (unsigned lead = 0x81; pairs && lead <= 0xFE; ++lead)
            for (unsigned trail = 0; trail < 256; ++trail)
                t->m_pairs[(lead - 0x81u) * 256u + trail] =
                    one(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail), 2);
        return t;
    }

    std::array<bool, 256> m_single{};
    std::array<bool, 126 * 256> m_pairs{};
};

// Length of the run of ASCII bytes at text[i].
std::size_t AsciiRun(std::string_view text, std::size_t i)
{
    const std::size_t from = i;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & 0x8080808080808080ull) != 0)
            break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
        ++i;
    return i - from;
}

} // namespace

bool IsValidInCodePage(std::string_view text, int codePage)
{
    const Charset* charset = nullptr;
    for (std::size_t i = AsciiRun(text, 0); i < text.size(); i += AsciiRun(text, i)) {
        if (codePage == CP_UTF8) {
            const std::size_t n = Utf8SequenceLength(text, i);
            if (n == 0)
                return false;
            i += n;
            continue;
        }
        if (charset == nullptr && (charset = Charset::Get(codePage)) == nullptr)
            return true;
        const auto b = static_cast<unsigned char>(text[i]);
        if (codePage == CP_GBK && IsLeadByte(b, CP_GBK)) {
            if (i + 1 >= text.size() || !charset->Pair(b, static_cast<unsigned char>(text[i + 1])))
                return false;
            i += 2;
        } else {
            if (!charset->Single(b))
                return false;
            ++i;
        }
    }
    return true;
}

std::string CodePageLabel(int codePage)
{
    switch (codePage) {
    case CP_GBK:
        return "936 (GBK)";
    case CP_UTF8:
        return "65001 (UTF-8)";
    default:
        return std::to_string(codePage) + " (single-byte)";
    }
}

} // namespace vexlan
