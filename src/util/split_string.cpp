// SplitString: trim the whole text, then cut it at each delimiter.
#include "util/split_string.h"

namespace vexlan {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int SplitString(std::string text, std::string delimiter, std::vector<std::string>* pieces)
{
    std::size_t first = 0;
    while (first < text.size() && IsSpace(text[first]))
        ++first;
    std::size_t last = text.size();
    while (last > first && IsSpace(text[last - 1]))
        --last;
    text = text.substr(first, last - first);

    if (pieces != nullptr)
        pieces->clear();
    if (text.empty())
        return 0;
    if (delimiter.empty() || text.find(delimiter) == std::string::npos) {
        if (pieces != nullptr)
            pieces->push_back(text);
        return 1;
    }

    int count = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t p = text.find(delimiter, start);
        if (p == std::string::npos)
            break;
        ++count;
        if (pieces != nullptr)
            pieces->push_back(text.substr(start, p - start));
        start = p + delimiter.size();
    }
    if (start < text.size()) {
        if (pieces != nullptr)
            pieces->push_back(text.substr(start));
        ++count;
    }
    return count;
}

} // namespace vexlan
