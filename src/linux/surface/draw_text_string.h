// SPDX-License-Identifier: MIT
// The string that DrawText draws: ANSI code-page bytes converted to
// Unicode (the only place where page text becomes Unicode for drawing),
// and the '&' prefix rule of DrawText.
#pragma once

#include <QList>
#include <QString>

namespace vexlan {

// `length` bytes of `text` in the process's ANSI code page, as Unicode.
// Invalid bytes become U+FFFD. Line breaks and tabs become spaces: a
// single-line DrawText shows them as blanks. With `limit` >= 0 only the
// start is converted: the conversion stops once the string holds `limit`
// UTF-16 units or more (whole characters, the start of what the whole text
// gives); `*whole` (when given) tells whether all of the text was converted.
QString AnsiToDrawString(const char* text, int length, qsizetype limit = -1, bool* whole = nullptr);

// The text after the prefix rule: an '&' is not drawn and underlines the
// character after it, "&&" draws one '&', a lone '&' at the end is dropped.
struct PrefixedString {
    QString text;
    QList<int> underlined; // positions in `text`, ascending
};
PrefixedString ApplyPrefixRule(const QString& text);

} // namespace vexlan
