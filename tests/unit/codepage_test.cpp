// SPDX-License-Identifier: MIT
// The code page layer: detection from VEXLAN_CODEPAGE, lead bytes,
// multibyte-aware searches, the extension test and the conversions.
#include "core/text/codepage.h"

#include <QStringDecoder>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <optional>
#include <random>
#include <string>

using namespace vexlan;

namespace {

// Sets VEXLAN_CODEPAGE for one scope and restores what was there.
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvGuard()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

bool IsValidUtf8(const std::string& s)
{
    QStringDecoder dec(QStringDecoder::Utf8);
    (void)QString(dec.decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size()))));
    return !dec.hasError();
}

const std::string kReplacement = "\xEF\xBF\xBD";

} // namespace

TEST(CodePage, DetectFromEnvironment)
{
    struct Row {
        const char* value;
        int expected;
    } rows[] = {
        {"936", CP_GBK},
        {"65001", CP_UTF8},
        {"GBK", CP_GBK},
        {"gb18030", CP_GBK},
        {"UTF-8", CP_UTF8},
        {"1252", CP_SINGLE_BYTE},
        {"garbage", CP_SINGLE_BYTE}, // an unknown set has no lead bytes
        {"936x", CP_SINGLE_BYTE},
        {"-1", CP_SINGLE_BYTE},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        EnvGuard env("VEXLAN_CODEPAGE", r.value);
        EXPECT_EQ(DetectAnsiCodePage(), r.expected);
    }
}

TEST(CodePage, OnlyKnownSettingsAreAccepted)
{
    for (const char* known : {"936", "65001", "1252", "gbk", "GB18030", "EUC-CN", "utf8", "ASCII", "Windows-1252"})
        EXPECT_TRUE(IsKnownCodePageSetting(known)) << known;
    for (const char* unknown : {"0", "99999", "-1", "1251", "936x", "garbage", "", "4294968232" /* 936 + 2^32 */})
        EXPECT_FALSE(IsKnownCodePageSetting(unknown)) << unknown;
    EnvGuard bad("VEXLAN_CODEPAGE", "99\n999");
    EXPECT_EQ(CodePageSettingError().find('\n'), std::string::npos);
    EXPECT_NE(CodePageSettingError().find("99?999"), std::string::npos);
    EnvGuard good("VEXLAN_CODEPAGE", "GBK");
    EXPECT_EQ(CodePageSettingError(), "");
}

TEST(CodePage, SetButEmptyOrPaddedSettingIsRefused)
{
    // Only the listed values are code pages: an empty value is set (not
    // "unset"), and a number is taken as written, without blanks or a sign.
    for (const char* value : {"", " 936", "936 ", "+936", "0936", "\t65001", " GBK", "UTF-8 "}) {
        SCOPED_TRACE(std::string("\"") + value + "\"");
        EnvGuard env("VEXLAN_CODEPAGE", value);
        EXPECT_FALSE(IsKnownCodePageSetting(value));
        EXPECT_NE(CodePageSettingError(), "");
        EXPECT_EQ(DetectAnsiCodePage(), CP_SINGLE_BYTE);
    }
}

TEST(CodePage, WithoutOverrideTheUtf8OrCLocaleGivesUtf8)
{
    // ctest runs the tests under LC_ALL=C.UTF-8; the plain C locale counts
    // as UTF-8 as well.
    for (const char* lc : {"C.UTF-8", "C"}) {
        SCOPED_TRACE(lc);
        EnvGuard cp("VEXLAN_CODEPAGE", nullptr);
        EnvGuard all("LC_ALL", lc);
        EXPECT_EQ(DetectAnsiCodePage(), CP_UTF8);
    }
}

TEST(CodePage, LeadBytes)
{
    struct Row {
        unsigned char c;
        bool gbk, utf8, single;
    } rows[] = {
        {0x00, false, false, false}, {0x41, false, false, false}, {0x5C, false, false, false},
        {0x7F, false, false, false}, {0x80, false, false, false}, {0x81, true, false, false},
        {0xB1, true, false, false},  {0xC1, true, false, false},  {0xC2, true, true, false},
        {0xDF, true, true, false},   {0xE0, true, true, false},   {0xF4, true, true, false},
        {0xF5, true, false, false},  {0xFE, true, false, false},  {0xFF, false, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.c));
        EXPECT_EQ(IsLeadByte(r.c, CP_GBK), r.gbk);
        EXPECT_EQ(IsLeadByte(r.c, CP_UTF8), r.utf8);
        EXPECT_EQ(IsLeadByte(r.c, CP_SINGLE_BYTE), r.single);
    }
}

TEST(CodePage, ReverseFindNeverMatchesATrailByte)
{
    const auto npos = std::string::npos;
    struct Row {
        std::string s;
        char ch;
        int codePage;
        std::size_t expected;
    } rows[] = {
        {"", '\\', CP_GBK, npos},
        {"abc", '\\', CP_GBK, npos},
        {"a\\b\\c", '\\', CP_GBK, 3},
        {"\xDF\x5C", '\\', CP_GBK, npos},            // 運
        {"a\\\xDF\x5C", '\\', CP_GBK, 1},
        {"\x81\x5C\x5C", '\\', CP_GBK, 2},           // 乗 then a backslash
        {"a\\\x81", '\\', CP_GBK, 1},                // lead byte alone at the end
        {"\x81" "a", 'a', CP_GBK, npos},             // trail bytes may be ASCII letters
        {"\xDF\x5C", '\\', CP_UTF8, 1},              // not a UTF-8 character
        {"\xDF\x5C", '\\', CP_SINGLE_BYTE, 1},
        {"\xE8\xA1\xA8.txt", '.', CP_UTF8, 3},       // 表.txt
        {"a.b.c", '.', CP_UTF8, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.s + " cp " + std::to_string(r.codePage));
        EXPECT_EQ(MbsReverseFind(r.s, r.ch, r.codePage), r.expected);
    }
}

TEST(CodePage, MbsICmpFoldsAsciiCaseOnly)
{
    EXPECT_EQ(MbsICmp("ABC", "abc"), 0);
    EXPECT_EQ(MbsICmp(".JpG", ".jpg"), 0);
    EXPECT_EQ(MbsICmp("", ""), 0);
    EXPECT_LT(MbsICmp("a", "b"), 0);
    EXPECT_GT(MbsICmp("B", "a"), 0);
    EXPECT_LT(MbsICmp("ab", "abc"), 0);
    EXPECT_GT(MbsICmp("abc", "AB"), 0);
    // Letters fold to lower case: '[' (0x5B) sorts before 'A' as 'a'.
    EXPECT_LT(MbsICmp("[", "A"), 0);
    EXPECT_GT(MbsICmp("a", "["), 0);
    // Bytes above 0x7F are compared exactly, never folded.
    EXPECT_EQ(MbsICmp("\xC4\xE3", "\xC4\xE3"), 0);
    EXPECT_NE(MbsICmp("\xC9", "\xE9"), 0); // É and é in a single-byte set
    EXPECT_GT(MbsICmp("\xE9", "a"), 0);    // unsigned comparison
}

TEST(CodePage, HasExtensionComparesTheLastFourBytes)
{
    struct Row {
        const char* path;
        const char* ext;
        bool expected;
    } rows[] = {
        {"a.jpg", ".jpg", true},
        {"a.JPG", ".jpg", true},
        {"C:\\x\\A.JpG", ".jpg", true},
        {".jpg", ".jpg", true},        // the path is exactly the extension
        {"a.jpeg", ".jpg", false},
        {"x.jpg ", ".jpg", false},     // trailing blank
        {"x.jpg.", ".jpg", false},
        {"ajpg", ".jpg", false},
        {"jpg", ".jpg", false},        // shorter than 4 bytes
        {"pg", ".jpg", false},
        {"", ".jpg", false},
        {"a.bpg", ".jpg", false},
        {"a.bpg", ".bpg", true},
        {"notes.TXT", ".txt", true},
        {"data.Bin", ".bin", true},
        {"\xDF\x5C.jpg", ".jpg", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " vs " + r.ext);
        EXPECT_EQ(HasExtension(r.path, r.ext), r.expected);
    }
    // An embedded NUL is a byte like any other in a std::string.
    EXPECT_FALSE(HasExtension(std::string("a.jpg\0", 6), ".jpg"));
}

TEST(CodePage, AnsiToUtf8)
{
    struct Row {
        std::string in;
        int codePage;
        std::string out;
    } rows[] = {
        {"", CP_GBK, ""},
        {"plain ASCII", CP_GBK, "plain ASCII"},
        {"\xC4\xE3\xBA\xC3", CP_GBK, "你好"},
        {"\xDF\x5C\x81\x5C", CP_GBK, "運乗"},
        {"\xCB\xCE\xCC\xE5", CP_GBK, "宋体"},
        {"\xFF", CP_GBK, kReplacement},
        {"a\x81", CP_GBK, "a" + kReplacement},       // lead byte cut off at the end
        {"\x81\x20" "b", CP_GBK, kReplacement + " b"}, // not a trail byte
        {"\xE4\xBD\xA0", CP_UTF8, "你"},
        {"\xE4\xBD", CP_UTF8, kReplacement + kReplacement},
        {"\xC0\x80", CP_UTF8, kReplacement + kReplacement},               // overlong
        {"\xED\xA0\x80", CP_UTF8, kReplacement + kReplacement + kReplacement}, // surrogate
        {"\xF4\x90\x80\x80", CP_UTF8, kReplacement + kReplacement + kReplacement + kReplacement},
        {"\xF0\x9F\x98\x80", CP_UTF8, "\xF0\x9F\x98\x80"},
        {"\xE9t\xE9", CP_SINGLE_BYTE, "été"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in + " cp " + std::to_string(r.codePage));
        const std::string out = AnsiToUtf8(r.in, r.codePage);
        EXPECT_EQ(out, r.out);
        EXPECT_TRUE(IsValidUtf8(out));
    }
}

TEST(CodePage, AnsiToUtf8NeverGivesInvalidUtf8)
{
    std::mt19937 rng(936);
    std::uniform_int_distribution<int> len(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 3000; ++round) {
        std::string s(static_cast<std::size_t>(len(rng)), '\0');
        for (char& c : s)
            c = static_cast<char>(byte(rng));
        for (int cp : {CP_GBK, CP_UTF8, CP_SINGLE_BYTE}) {
            const std::string out = AnsiToUtf8(s, cp);
            ASSERT_TRUE(IsValidUtf8(out)) << "code page " << cp << " round " << round;
        }
    }
}

TEST(CodePage, Gbk936IsIconvsConversion)
{
    // Every byte and byte pair, alone and between ASCII: the conversion is
    // iconv's, with each byte it refuses replaced.
    iconv_t cd = iconv_open("UTF-8", "CP936");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    const auto iconvs = [cd](std::string in) {
        std::string out;
        char* src = in.data();
        std::size_t left = in.size();
        while (left > 0) {
            char buf[64], *dst = buf;
            std::size_t room = sizeof buf;
            const bool failed = iconv(cd, &src, &left, &dst, &room) == static_cast<std::size_t>(-1);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (failed && errno != E2BIG)
                out += kReplacement, ++src, --left, iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    };
    for (int a = 0; a < 256; ++a)
        for (int b = -1; b < 256; ++b) {
            const std::string s = b < 0 ? std::string(1, char(a)) : std::string{char(a), char(b)};
            ASSERT_EQ(AnsiToUtf8("a" + s + "a", CP_GBK), iconvs("a" + s + "a")) << a << " " << b;
        }
    iconv_close(cd);
}

TEST(CodePage, AnsiToUtf8PiecesAreWholeCharacters)
{
    // Long valid runs around a bad byte, in many pieces: each piece is valid
    // on its own, and a conversion stopped early gave the start of the whole.
    std::string gbk, utf8;
    for (int i = 0; i < 3000; ++i)
        gbk += "\xC4\xE3" "a", utf8 += "\xE4\xBD\xA0" "a\xF0\x9F\x98\x80";
    for (const auto& [text, cp] : {std::pair{gbk + "\xFF" + gbk, CP_GBK}, std::pair{utf8 + "\xC3" + utf8, CP_UTF8}}) {
        for (int stopAfter : {3, 1000000}) {
            std::string got;
            int pieces = 0;
            AnsiToUtf8Pieces(text, cp, [&](std::string_view piece) {
                EXPECT_TRUE(IsValidUtf8(std::string(piece))) << "piece " << pieces;
                got += piece;
                return ++pieces < stopAfter;
            });
            EXPECT_EQ(got, AnsiToUtf8(text, cp).substr(0, got.size()));
            EXPECT_GE(pieces, 3) << cp;
            EXPECT_TRUE(stopAfter != 3 || pieces == 3) << cp;
        }
    }
}

TEST(CodePage, Utf8ToAnsi)
{
    struct Row {
        std::string in;
        int codePage;
        std::string out;
    } rows[] = {
        {"", CP_GBK, ""},
        {"abc", CP_GBK, "abc"},
        {"你好", CP_GBK, "\xC4\xE3\xBA\xC3"},
        {"運乗", CP_GBK, "\xDF\x5C\x81\x5C"},
        {"黑体", CP_GBK, "\xBA\xDA\xCC\xE5"},
        {"你好", CP_UTF8, "你好"},
        {"été", CP_SINGLE_BYTE, "\xE9t\xE9"},
        // Characters the code page cannot hold become one '?' each.
        {"a\xF0\x9F\x98\x80" "b", CP_GBK, "a?b"},
        {"你", CP_SINGLE_BYTE, "?"},
        {"x你y", CP_SINGLE_BYTE, "x?y"},
        // Bytes that are no UTF-8 become one '?' each.
        {"a\xFF" "b", CP_GBK, "a?b"},
        {"\xE4\xBD", CP_GBK, "??"},
        {"\xE4\xBD" "a", CP_SINGLE_BYTE, "??a"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in + " cp " + std::to_string(r.codePage));
        EXPECT_EQ(Utf8ToAnsi(r.in, r.codePage), r.out);
    }
}

TEST(CodePage, GbkRoundTrip)
{
    const std::string utf8 = "打印输出 運乗 宋体 ABC 123";
    const std::string gbk = Utf8ToAnsi(utf8, CP_GBK);
    EXPECT_NE(gbk, utf8);
    EXPECT_EQ(AnsiToUtf8(gbk, CP_GBK), utf8);
}

TEST(CodePage, WhichCharactersACodePageHolds)
{
    const auto npos = std::string::npos;
    EXPECT_EQ(FindUnheldChar("ab 中€", CP_GBK), npos);
    EXPECT_EQ(FindUnheldChar("a¥", CP_GBK), 1u);
    EXPECT_EQ(FindUnheldChar("中😀", CP_GBK), 3u);
    EXPECT_EQ(FindUnheldChar("été", CP_SINGLE_BYTE), npos);
    EXPECT_EQ(FindUnheldChar("a中", CP_SINGLE_BYTE), 1u);
    EXPECT_EQ(FindUnheldChar("😀", CP_UTF8), npos);
    EXPECT_EQ(FindUnheldChar("a\xFF", CP_UTF8), 1u);
    EXPECT_EQ(CodePageCharBytes("中", 3, CP_GBK), 2u);
    EXPECT_EQ(CodePageCharBytes("€", 3, CP_GBK), 1u); // 0x80 in code page 936
    EXPECT_EQ(CodePageCharBytes("é", 2, CP_SINGLE_BYTE), 1u);
    EXPECT_EQ(CodePageCharBytes("中", 3, CP_UTF8), 3u);
}
