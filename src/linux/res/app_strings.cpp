// SPDX-License-Identifier: MIT
// Qt-facing helpers over the string table: loading an entry as a QString and
// splitting the newline-separated fields of prompts and of the document
// template string.
#include "linux/res/app_strings.h"

#include <QStringList>

namespace vexlan {

QString LoadString(UINT nID)
{
    const char* text = FindStringEntry(nID);
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

QString ExtractSubString(const QString& full, int nSubString)
{
    if (nSubString < 0)
        return QString();
    const QStringList fields = full.split(QLatin1Char('\n'));
    return nSubString < fields.size() ? fields.at(nSubString) : QString();
}

QString GetDocString(DocStringIndex index)
{
    return ExtractSubString(LoadString(IDR_MAINFRAME), index);
}

QString CommandPrompt(UINT nID)
{
    return ExtractSubString(LoadString(nID), 0);
}

QString CommandTip(UINT nID)
{
    const QString full = LoadString(nID);
    const int newline = full.indexOf(QLatin1Char('\n'));
    return newline < 0 ? full : full.mid(newline + 1);
}

QString ComposeFrameCaption(const QString& docTitle, const QString& appTitle)
{
    if (docTitle.isEmpty())
        return appTitle;
    return docTitle + QStringLiteral(" - ") + appTitle;
}

} // namespace vexlan
