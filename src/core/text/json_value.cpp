// SPDX-License-Identifier: MIT
// A recursive-descent JSON reader. Recursion goes one level per nested
// container and stops at kJsonMaxDepth, so its stack use is bounded
// whatever the input's size.
#include "core/text/json_value.h"

#include "core/text/codepage.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace vexlan {

const JsonValue* JsonValue::Find(std::string_view key) const
{
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        if (it->key == key)
            return &it->value;
    }
    return nullptr;
}

namespace {

class JsonReader {
public:
    explicit JsonReader(std::string_view json) : m_s(json) {}

    bool Document(JsonValue& out)
    {
        if (m_s.substr(0, 3) == "\xEF\xBB\xBF")
            m_pos = 3;
        if (!Value(out, 0))
            return false;
        SkipSpace();
        return m_pos == m_s.size() || Fail("text after the end of the document");
    }

    const std::string& Error() const { return m_error; }

private:
    // The error names the place as an editor shows it (line and column,
    // both from 1, a column counting characters, the byte order mark none),
    // and the byte offset for tools.
    bool Fail(const char* what)
    {
        std::size_t line = 1;
        std::size_t column = 1;
        const std::size_t end = std::min(m_pos, m_s.size());
        for (std::size_t i = m_s.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; i < end; ++i) {
            if (m_s[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(m_s[i]) & 0xC0) != 0x80) {
                ++column; // UTF-8 continuation bytes belong to the character before
            }
        }
        m_error = std::string(what) + " at line " + std::to_string(line) + ", column " + std::to_string(column) +
                  " (byte " + std::to_string(m_pos) + ")";
        return false;
    }

    bool AtEnd() const { return m_pos >= m_s.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_s[m_pos]; }

    void SkipSpace()
    {
        while (!AtEnd() && (m_s[m_pos] == ' ' || m_s[m_pos] == '\t' || m_s[m_pos] == '\n' ||
                            m_s[m_pos] == '\r'))
            ++m_pos;
    }

    // Skips space, then `c` if it is next.
    bool Take(char c)
    {
        SkipSpace();
        if (Peek() != c)
            return false;
        ++m_pos;
        return true;
    }

    bool Value(JsonValue& v, std::size_t depth)
    {
        SkipSpace();
        if (AtEnd())
            return Fail(depth == 0 ? "a value is missing" : "the document ends early");
        switch (m_s[m_pos]) {
        case '{':
            return Object(v, depth + 1);
        case '[':
            return Array(v, depth + 1);
        case '"':
            v.type = JsonType::String;
            return String(v.text);
        case 't':
            v.type = JsonType::Bool;
            v.boolean = true;
            return Literal("true");
        case 'f':
            v.type = JsonType::Bool;
            return Literal("false");
        case 'n':
            v.type = JsonType::Null;
            return Literal("null");
        default:
            return Number(v);
        }
    }

    bool Literal(std::string_view word)
    {
        if (m_s.substr(m_pos, word.size()) != word)
            return Fail("invalid value");
        m_pos += word.size();
        return true;
    }

    bool Array(JsonValue& v, std::size_t depth)
    {
        if (depth > kJsonMaxDepth)
            return Fail("nested too deeply");
        v.type = JsonType::Array;
        ++m_pos; // '['
        if (Take(']'))
            return true;
        do {
            v.items.emplace_back();
            if (!Value(v.items.back(), depth))
                return false;
        } while (Take(','));
        return Take(']') || Fail(AtEnd() ? "unterminated array" : "expected ',' or ']'");
    }

    bool Object(JsonValue& v, std::size_t depth)
    {
        if (depth > kJsonMaxDepth)
            return Fail("nested too deeply");
        v.type = JsonType::Object;
        ++m_pos; // '{'
        if (Take('}'))
            return true;
        do {
            SkipSpace();
            if (Peek() != '"')
                return Fail(AtEnd() ? "unterminated object" : "expected a member name");
            v.members.emplace_back();
            JsonMember& m = v.members.back();
            if (!String(m.key))
                return false;
            if (!Take(':'))
                return Fail("expected ':'");
            if (!Value(m.value, depth))
                return false;
        } while (Take(','));
        return Take('}') || Fail(AtEnd() ? "unterminated object" : "expected ',' or '}'");
    }

    // The four hex digits of a \u escape at m_pos.
    bool Hex4(unsigned& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i, ++m_pos) {
            const char c = Peek();
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (d < 0)
                return Fail("invalid \\u escape");
            unit = unit * 16 + static_cast<unsigned>(d);
        }
        return true;
    }

    // A \u escape (m_pos after the 'u'), a surrogate pair taken whole.
    bool UnicodeEscape(std::string& out)
    {
        const std::size_t start = m_pos - 2;
        unsigned unit = 0;
        if (!Hex4(unit))
            return false;
        char32_t cp = unit;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            m_pos = start;
            return Fail("unpaired surrogate escape");
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            unsigned low = 0;
            if (m_s.substr(m_pos, 2) != "\\u" || (m_pos += 2, !Hex4(low)) || low < 0xDC00 ||
                low > 0xDFFF) {
                m_pos = start;
                return Fail("unpaired surrogate escape");
            }
            cp = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, cp);
        return true;
    }

    static void AppendUtf8(std::string& out, char32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    // A string literal at m_pos (its opening quote), decoded into `out`.
    bool String(std::string& out)
    {
        ++m_pos; // '"'
        for (;;) {
            if (AtEnd())
                return Fail("unterminated string");
            const auto c = static_cast<unsigned char>(m_s[m_pos]);
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c < 0x20)
                return Fail("control character in a string (write it as an escape)");
            if (c >= 0x80) {
                const std::size_t n = Utf8SequenceLength(m_s, m_pos);
                if (n == 0)
                    return Fail("invalid UTF-8");
                out.append(m_s, m_pos, n);
                m_pos += n;
                continue;
            }
            if (c != '\\') {
                out += static_cast<char>(c);
                ++m_pos;
                continue;
            }
            ++m_pos;
            static constexpr std::string_view kFrom = "\"\\/bfnrt";
            static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
            const std::size_t e = kFrom.find(Peek());
            if (Peek() == 'u') {
                ++m_pos;
                if (!UnicodeEscape(out))
                    return false;
            } else if (AtEnd()) {
                return Fail("unterminated string");
            } else if (e != std::string_view::npos) {
                out += kTo[e];
                ++m_pos;
            } else {
                --m_pos;
                return Fail("invalid escape");
            }
        }
    }

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
    bool Number(JsonValue& v)
    {
        const std::size_t start = m_pos;
        if (Peek() == '-')
            ++m_pos;
        if (Peek() == '0') {
            ++m_pos;
        } else if (IsDigit(Peek())) {
            while (IsDigit(Peek()))
                ++m_pos;
        } else {
            m_pos = start;
            return Fail("invalid value");
        }
        bool integer = true;
        if (Peek() == '.') {
            integer = false;
            ++m_pos;
            if (!IsDigit(Peek()))
                return Fail("a digit must follow the decimal point");
            while (IsDigit(Peek()))
                ++m_pos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            integer = false;
            ++m_pos;
            if (Peek() == '+' || Peek() == '-')
                ++m_pos;
            if (!IsDigit(Peek()))
                return Fail("a digit must follow the exponent");
            while (IsDigit(Peek()))
                ++m_pos;
        }
        v.type = JsonType::Number;
        v.integer = integer;
        const char* first = m_s.data() + start;
        const char* last = m_s.data() + m_pos;
        const std::from_chars_result r = std::from_chars(first, last, v.number);
        if (r.ec != std::errc() || r.ptr != last) {
            m_pos = start;
            return Fail("number out of range");
        }
        return true;
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
    std::string m_error;
};

} // namespace

bool ParseJson(std::string_view json, JsonValue& out, std::string& error)
{
    out = JsonValue();
    JsonReader reader(json);
    if (reader.Document(out))
        return true;
    error = reader.Error();
    return false;
}

} // namespace vexlan
