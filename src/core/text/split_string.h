// SPDX-License-Identifier: MIT
// SplitString: cuts a text into pieces at every occurrence of a delimiter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexlan {

// Trims white space (space, tab, LF, VT, FF, CR) from both ends of the text,
// empties `pieces` (when given), then cuts the trimmed text at every
// non-overlapping occurrence of `delimiter`, left to right. A delimiter at the
// start or two in a row give empty pieces; one at the very end gives no empty
// last piece. An empty delimiter, or one that does not occur, gives the whole
// trimmed text as one piece; an empty (or all white space) text gives none.
// Returns the number of pieces; with `pieces` null nothing is stored and the
// same number is returned.
int SplitString(std::string text, std::string delimiter, std::vector<std::string>* pieces);

// The pieces SplitString cuts, handed out one at a time as views into the
// text, which must outlive this object (nothing is copied: a text block can
// be hundreds of megabytes).
class StringPieces {
public:
    StringPieces(std::string_view text, std::string_view delimiter);
    // Sets `piece` to the next piece; false when none is left.
    bool Next(std::string_view* piece);

private:
    std::string_view m_rest;
    std::string_view m_delimiter;
    bool m_done;
};

} // namespace vexlan
