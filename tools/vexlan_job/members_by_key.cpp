// SPDX-License-Identifier: MIT
// Sorts an object's members by key in UTF-16 order and drops all but the
// last of a repeated key.
#include "members_by_key.h"

#include "core/text/codepage.h"
#include "core/text/utf8_code_point.h"

#include <algorithm>
#include <string_view>

namespace vexlan::tool {
namespace {

// A weight per character that orders as UTF-16 code units do: characters
// above U+FFFF (written as surrogates, D800 to DFFF) come before U+E000 to
// U+FFFF.
std::vector<char32_t> Utf16Weights(std::string_view key)
{
    std::vector<char32_t> w;
    for (std::size_t i = 0; i < key.size();) {
        const std::size_t n = std::max<std::size_t>(1, Utf8SequenceLength(key, i));
        const char32_t cp = Utf8CodePoint(key, i);
        w.push_back(cp >= 0xE000 && cp <= 0xFFFF ? cp + 0x200000 : cp);
        i += n;
    }
    return w;
}

} // namespace

std::vector<const JsonMember*> MembersByKey(const JsonValue& object)
{
    struct Entry {
        std::vector<char32_t> weights;
        const JsonMember* member;
    };
    std::vector<Entry> entries;
    entries.reserve(object.members.size());
    for (const JsonMember& m : object.members)
        entries.push_back({Utf16Weights(m.key), &m});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.weights < b.weights; });
    std::vector<const JsonMember*> out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // Of equal keys, stable sorting leaves the last written last.
        if (i + 1 < entries.size() && entries[i + 1].member->key == entries[i].member->key)
            continue;
        out.push_back(entries[i].member);
    }
    return out;
}

} // namespace vexlan::tool
