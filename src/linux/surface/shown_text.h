// SPDX-License-Identifier: MIT
// How much of a long left-aligned DrawText line needs converting and
// laying out: the part that can show, once it is known that what follows
// cannot move it (DrawText takes more of the line until these say so).
#pragma once

#include <QFont>
#include <QString>

namespace vexlan {

// UTF-16 units at the end of a cut-off line that may be shaped otherwise
// than within the whole line.
inline constexpr qsizetype kSettleUnits = 64;

// How much of the start of a longer text shows when laid out in `font`:
// up to where the pen passes `hiddenFrom` (layout units), and kSettleUnits
// more, whose shaping may depend on what follows; -1 when the text ends
// before that.
qsizetype ShownLength(const QString& text, const QFont& font, double hiddenFrom);

// How a text is ordered within a longer line, by its characters' bidi
// classes. Right-to-left runs and explicit embeddings, overrides and
// isolates reorder; without them the line's first strong character sets
// the paragraph's direction.
enum class TextOrder {
    LeftToRight, // first strong character left-to-right: laid out in its own order whatever follows
    Neutral,     // no strong character: what follows decides
    Reordered,   // right-to-left characters, Arabic digits or explicit controls
};

// The order of `s` within any longer line it starts.
TextOrder OrderOf(const QString& s);

} // namespace vexlan
