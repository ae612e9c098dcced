// SPDX-License-Identifier: MIT
// Warnings for face names that no font matches (see face_check.h).
#include "linux/shell/face_check.h"

#include "core/app/job_warnings.h"
#include "core/text/codepage.h"
#include "core/text/console_text.h"
#include "linux/surface/font_mapper.h"

#include <cstring>
#include <set>
#include <string>

namespace vexlan {

LoadDiagnostics UnmatchedFaces(const CPageItemArray& items)
{
    LoadDiagnostics found;
    std::set<std::string> seen; // each name is looked up once
    for (std::size_t i = 0; i < items.GetSize(); ++i) {
        const PageItem& item = items.GetAt(i);
        // Only the items that draw text realise their font.
        const bool drawsText = item.nType == ITEM_TEXT ||
                               (item.nType == ITEM_TEXTBLOCK && item.nLineCount != 0 && item.nMaxLineLen != 0);
        if (!drawsText || IsRectEmpty(item.rcItem))
            continue;
        std::string face(item.szFaceName, strnlen(item.szFaceName, record::kFaceNameSize));
        if (!seen.insert(face).second)
            continue;
        const std::string utf8 = AnsiToUtf8(face);
        const QString name = QString::fromStdString(utf8);
        if (CFontMapper::MatchesFace(name))
            continue;
        // Text blocks ask for an outline face; the family is the one drawn.
        const QString family = CFontMapper::SubstituteFamily(name, item.nType == ITEM_TEXTBLOCK);
        found.Add(static_cast<int32_t>(i), ConsoleText("no font matches face " + QuotedPath(utf8, CP_UTF8) +
                                                       "; drawn in \"" + family.toStdString() + "\""));
    }
    return found;
}

void WarnUnmatchedFaces(const CPageItemArray& items, LoadDiagnostics& warnings, std::FILE* out)
{
    const LoadDiagnostics faces = UnmatchedFaces(items);
    PrintJobWarnings(faces, out);
    warnings.warnings.insert(warnings.warnings.end(), faces.warnings.begin(), faces.warnings.end());
}

} // namespace vexlan
