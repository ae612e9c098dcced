// SPDX-License-Identifier: MIT
// ParseJson: what it accepts and how it stores it (numbers, escapes,
// surrogate pairs, repeated keys), what it refuses and at which byte, and
// the nesting bound.
#include "core/text/json_value.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace vexlan;
using namespace std::string_literals;

namespace {

// A value written back compactly, strings bare, numbers as %g with an 'i'
// for integer literals: enough to tell the stored forms apart.
std::string Show(const JsonValue& v)
{
    switch (v.type) {
    case JsonType::Null: return "null";
    case JsonType::Bool: return v.boolean ? "true" : "false";
    case JsonType::Number: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g%s", v.number, v.integer ? "i" : "");
        return buf;
    }
    case JsonType::String: return "<" + v.text + ">";
    case JsonType::Array: {
        std::string s = "[";
        for (const JsonValue& e : v.items)
            s += Show(e) + ",";
        return s + "]";
    }
    case JsonType::Object: {
        std::string s = "{";
        for (const JsonMember& m : v.members)
            s += m.key + ":" + Show(m.value) + ",";
        return s + "}";
    }
    }
    return "?";
}

} // namespace

TEST(JsonValue, ReadsValidDocuments)
{
    const struct {
        std::string json;
        std::string shown;
    } rows[] = {
        {" [ ] ", "[]"},
        {"\xEF\xBB\xBF{}", "{}"},
        {"[true,false,null]", "[true,false,null,]"},
        {"[0,-0,7,-12,1.5,2e3,1E-2,0.5e+1]", "[0i,-0i,7i,-12i,1.5,2000,0.01,5,]"},
        {"[9007199254740993]", "[9007199254740992i,]"},
        {"[4294967295.0000001]", "[4294967295,]"},
        {"[123456789012345678901234567890]", "[1.2345678901234568e+29i,]"},
        {R"(["a\"\\\/\b\f\n\r\tz"])", "[<a\"\\/\b\f\n\r\tz>,]"},
        {R"(["\u00e9\u5B8B\ud83d\ude00\u0000."])", std::string("[<\xC3\xA9\xE5\xAE\x8B\xF0\x9F\x98\x80") + '\0' + ".>,]"},
        {"[\"\xE5\xAE\x8B\xEF\xBF\xBE\"]", "[<\xE5\xAE\x8B\xEF\xBF\xBE>,]"},
        {R"({"b":1,"a":[{}],"b":2})", "{b:1i,a:[{},],b:2i,}"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        JsonValue v;
        std::string error;
        ASSERT_TRUE(ParseJson(row.json, v, error)) << error;
        EXPECT_EQ(Show(v), row.shown);
    }
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"b":1,"a":2,"b":3})", v, error));
    EXPECT_EQ(Show(*v.Find("b")), "3i");
    EXPECT_EQ(v.Find("c"), nullptr);
}

TEST(JsonValue, RefusesWithTheLineColumnAndByte)
{
    const struct {
        std::string json;
        const char* error;
    } rows[] = {
        {"", "a value is missing at line 1, column 1 (byte 0)"},
        {"[1,]", "invalid value at line 1, column 4 (byte 3)"},
        {"{\"a\":1,}", "expected a member name at line 1, column 8 (byte 7)"},
        {"[1 2]", "expected ',' or ']' at line 1, column 4 (byte 3)"},
        {"{\"a\" 1}", "expected ':' at line 1, column 6 (byte 5)"},
        {"[] x", "text after the end of the document at line 1, column 4 (byte 3)"},
        {"[]\0"s, "text after the end of the document at line 1, column 3 (byte 2)"},
        {"[/**/]", "invalid value at line 1, column 2 (byte 1)"},
        {"[01]", "expected ',' or ']' at line 1, column 3 (byte 2)"},
        {"[1.]", "a digit must follow the decimal point at line 1, column 4 (byte 3)"},
        {"[-.5]", "invalid value at line 1, column 2 (byte 1)"},
        {"[+1]", "invalid value at line 1, column 2 (byte 1)"},
        {"[1e]", "a digit must follow the exponent at line 1, column 4 (byte 3)"},
        {"[1e400]", "number out of range at line 1, column 2 (byte 1)"},
        {"[NaN]", "invalid value at line 1, column 2 (byte 1)"},
        {"[tru]", "invalid value at line 1, column 2 (byte 1)"},
        {"[\"ab", "unterminated string at line 1, column 5 (byte 4)"},
        {"[\"a\tb\"]", "control character in a string (write it as an escape) at line 1, column 4 (byte 3)"},
        {R"(["\x"])", "invalid escape at line 1, column 3 (byte 2)"},
        {R"(["\u00G1"])", "invalid \\u escape at line 1, column 7 (byte 6)"},
        {R"(["\ud83d"])", "unpaired surrogate escape at line 1, column 3 (byte 2)"},
        {R"(["\ud83dx"])", "unpaired surrogate escape at line 1, column 3 (byte 2)"},
        {R"(["\ud83d\u0041"])", "unpaired surrogate escape at line 1, column 3 (byte 2)"},
        {R"(["a\ude00"])", "unpaired surrogate escape at line 1, column 4 (byte 3)"},
        {"[\"\xC3\"]", "invalid UTF-8 at line 1, column 3 (byte 2)"},
        {"[\"\xC0\xAF\"]", "invalid UTF-8 at line 1, column 3 (byte 2)"},
        {"[\"\xED\xA0\x80\"]", "invalid UTF-8 at line 1, column 3 (byte 2)"},
        {"[\"\xF4\x90\x80\x80\"]", "invalid UTF-8 at line 1, column 3 (byte 2)"},
        {"[[", "the document ends early at line 1, column 3 (byte 2)"},
        {"[[]", "unterminated array at line 1, column 4 (byte 3)"},
        {"{\"a\":1", "unterminated object at line 1, column 7 (byte 6)"},
        // Lines end at LF (a CR before it is the line's); a column counts characters.
        {"\xEF\xBB\xBF[\r\n \"\xE5\xAE\x8B\xE4\xBD\x93\" 1]", "expected ',' or ']' at line 2, column 7 (byte 16)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        JsonValue v;
        std::string error;
        EXPECT_FALSE(ParseJson(row.json, v, error));
        EXPECT_EQ(error, row.error);
    }
}

TEST(JsonValue, BoundsTheNesting)
{
    for (const char* open : {"[", "{\"k\":"}) {
        std::string ok, deep;
        for (std::size_t i = 0; i < kJsonMaxDepth; ++i)
            ok += open;
        const std::string close(kJsonMaxDepth, open[0] == '[' ? ']' : '}');
        JsonValue v;
        std::string error;
        EXPECT_TRUE(ParseJson(ok + "0" + close, v, error)) << error;
        // A million levels: refused at the first level too many, no stack overflow.
        for (int i = 0; i < 1000000; ++i)
            deep += open;
        EXPECT_FALSE(ParseJson(deep, v, error));
        const std::size_t at = kJsonMaxDepth * std::strlen(open);
        EXPECT_EQ(error, "nested too deeply at line 1, column " + std::to_string(at + 1) + " (byte " +
                             std::to_string(at) + ")");
    }
}
