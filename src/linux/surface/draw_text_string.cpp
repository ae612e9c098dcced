// SPDX-License-Identifier: MIT
// ANSI-to-Unicode conversion for drawing, and the '&' prefix rule.
#include "linux/surface/draw_text_string.h"

#include "core/text/codepage.h"

#include <string_view>

namespace vexlan {

QString AnsiToDrawString(const char* text, int length, qsizetype limit, bool* whole)
{
    if (whole != nullptr)
        *whole = true;
    if (text == nullptr || length <= 0)
        return {};
    QString s;
    AnsiToUtf8Pieces(std::string_view(text, static_cast<std::size_t>(length)), AnsiCodePage(),
                     [&](std::string_view piece) {
                         if (limit >= 0 && s.size() >= limit) {
                             if (whole != nullptr)
                                 *whole = false;
                             return false;
                         }
                         s += QString::fromUtf8(piece.data(), qsizetype(piece.size()));
                         return true;
                     });
    for (QChar& c : s) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    return s;
}

PrefixedString ApplyPrefixRule(const QString& text)
{
    PrefixedString out;
    out.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out.text += text[i];
            continue;
        }
        if (i + 1 >= text.size())
            break; // a lone '&' at the end draws nothing
        ++i;
        if (text[i] != u'&')
            out.underlined.append(static_cast<int>(out.text.size()));
        out.text += text[i];
        // A surrogate pair is one character: keep its second half with it.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            out.text += text[++i];
    }
    return out;
}

} // namespace vexlan
