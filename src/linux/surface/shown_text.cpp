// SPDX-License-Identifier: MIT
// The shown part of a long DrawText line (see the header).
#include "linux/surface/shown_text.h"

#include <QTextLayout>

namespace vexlan {

qsizetype ShownLength(const QString& text, const QFont& font, double hiddenFrom)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return -1;
    }
    line.setLineWidth(1e6);
    layout.endLayout();
    if (line.naturalTextWidth() <= hiddenFrom)
        return -1;
    qsizetype at = line.xToCursor(hiddenFrom, QTextLine::CursorOnCharacter);
    while (at < text.size() && line.cursorToX(int(at)) < hiddenFrom)
        ++at; // the first position at or past it
    at += kSettleUnits;
    if (at < text.size() && text[at - 1].isHighSurrogate())
        ++at; // never half a character
    return at <= text.size() ? at : -1;
}

TextOrder OrderOf(const QString& s)
{
    bool strongL = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(s[i], s[i + 1]), ++i;
        switch (QChar::direction(c)) {
        case QChar::DirL:
            strongL = true;
            break;
        case QChar::DirR: case QChar::DirAL: case QChar::DirAN: case QChar::DirLRE: case QChar::DirLRO:
        case QChar::DirRLE: case QChar::DirRLO: case QChar::DirPDF: case QChar::DirLRI: case QChar::DirRLI:
        case QChar::DirFSI: case QChar::DirPDI:
            return TextOrder::Reordered;
        default:
            break;
        }
    }
    return strongL ? TextOrder::LeftToRight : TextOrder::Neutral;
}

} // namespace vexlan
