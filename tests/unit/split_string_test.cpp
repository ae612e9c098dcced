// SPDX-License-Identifier: MIT
// SplitString: trimming of the whole text, empty pieces, multi-byte
// delimiters, the optional result array.
#include "core/text/split_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexlan;

namespace {

struct SplitRow {
    std::string text;
    std::string delimiter;
    std::vector<std::string> pieces;
};

std::string Show(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '\f': out += "\\f"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

TEST(SplitString, Table)
{
    const SplitRow rows[] = {
        {"a\nb\nc", "\n", {"a", "b", "c"}},
        {"a\n\nb", "\n", {"a", "", "b"}},
        {"\n\n a\nb \n\n", "\n", {"a", "b"}},
        {"a,b,,c,", ",", {"a", "b", "", "c"}},
        {",a", ",", {"", "a"}},
        {"a, b", ",", {"a", " b"}},          // pieces are never trimmed
        {"a ,b", ",", {"a ", "b"}},
        {"abc", ",", {"abc"}},
        {"abc", "", {"abc"}},
        {"  abc\t", "", {"abc"}},
        {"", "\n", {}},
        {" \t\r\n\v\f", "\n", {}},
        {"", "", {}},
        {"a\r\nb", "\r\n", {"a", "b"}},
        {"a\r\n\r\nb", "\r\n", {"a", "", "b"}},
        {"a\r\nb", "\n", {"a\r", "b"}},      // a CR inside the text stays
        {",", ",", {""}},                    // one empty piece before it, none after
        {"aaa", "aa", {"", "a"}},            // occurrences never overlap
        {"aaaa", "aa", {"", ""}},
        {"x--y----z", "--", {"x", "y", "", "z"}},
        {"a\n\n\nb", "\n", {"a", "", "", "b"}},
        {"\xC4\xE3\n\xBA\xC3", "\n", {"\xC4\xE3", "\xBA\xC3"}}, // bytes, not characters
    };
    for (const SplitRow& r : rows) {
        SCOPED_TRACE("text '" + Show(r.text) + "' delimiter '" + Show(r.delimiter) + "'");
        std::vector<std::string> pieces{"old", "entries"};
        const int n = SplitString(r.text, r.delimiter, &pieces);
        EXPECT_EQ(n, static_cast<int>(r.pieces.size()));
        EXPECT_EQ(pieces, r.pieces);
        // Without an array the count is the same.
        EXPECT_EQ(SplitString(r.text, r.delimiter, nullptr), n);
    }
}

TEST(SplitString, PreviousEntriesAreDiscarded)
{
    std::vector<std::string> pieces(50, "stale");
    EXPECT_EQ(SplitString("one", "\n", &pieces), 1);
    EXPECT_EQ(pieces, std::vector<std::string>{"one"});
    EXPECT_EQ(SplitString("   ", "\n", &pieces), 0);
    EXPECT_TRUE(pieces.empty());
}
