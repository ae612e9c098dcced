// ANSI-to-Unicode conversion for drawing, and the '&' prefix rule.
#include "platform/qt/draw_text_string.h"

#include "platform/codepage.h"

#include <string>

namespace vexlan {

QString AnsiToDrawString(const char* text, int length)
{
    if (text == nullptr || length <= 0)
        return {};
    QString s = QString::fromStdString(AnsiToUtf8(std::string(text, static_cast<std::size_t>(length))));
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
