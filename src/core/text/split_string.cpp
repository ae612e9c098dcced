// SPDX-License-Identifier: MIT
// SplitString: trim the whole text, then cut it at each delimiter.
#include "core/text/split_string.h"

namespace vexlan {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

StringPieces::StringPieces(std::string_view text, std::string_view delimiter) : m_delimiter(delimiter)
{
    std::size_t first = 0;
    while (first < text.size() && IsSpace(text[first]))
        ++first;
    std::size_t last = text.size();
    while (last > first && IsSpace(text[last - 1]))
        --last;
    m_rest = text.substr(first, last - first);
    m_done = m_rest.empty();
}

bool StringPieces::Next(std::string_view* piece)
{
    if (m_done)
        return false;
    const std::size_t p = m_delimiter.empty() ? std::string_view::npos : m_rest.find(m_delimiter);
    if (p == std::string_view::npos) {
        *piece = m_rest;
        m_done = true;
        return true;
    }
    *piece = m_rest.substr(0, p);
    m_rest.remove_prefix(p + m_delimiter.size());
    m_done = m_rest.empty(); // a delimiter at the very end ends no empty piece
    return true;
}

int SplitString(std::string text, std::string delimiter, std::vector<std::string>* pieces)
{
    if (pieces != nullptr)
        pieces->clear();
    StringPieces cut(text, delimiter);
    int count = 0;
    for (std::string_view piece; cut.Next(&piece); ++count) {
        if (pieces != nullptr)
            pieces->emplace_back(piece);
    }
    return count;
}

} // namespace vexlan
