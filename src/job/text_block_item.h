// LoadTextBlockItem: completes a text-block record with its lines.
#pragma once

#include "job/page_item.h"

#include <string>

namespace vexlan {

// The record's szText names a ".bin" packed text or a ".txt" text file (the
// last 4 bytes, any ASCII case; ".bin" is tested first). nLineCount and
// nMaxLineLen must be 0 on entry. On TRUE, pszBlock holds a new[] buffer of
// exactly length + 1 bytes (only the NUL when nothing was loaded) that the
// caller now owns, and nLineCount / nMaxLineLen are set. Returns FALSE only
// when a ".txt" file cannot be opened; nothing is allocated then.
// A non-null `problem` receives, on FALSE, why the file could not be opened
// ("no such file", "permission denied", "not a regular file"); on TRUE, why
// the block draws nothing ("extension not .txt/.bin", a file problem or "not
// a packed file, or damaged" for ".bin", "no text to draw (empty or
// blank)"), or the empty string when it draws its text.
BOOL LoadTextBlockItem(PageItem& item, std::string* problem = nullptr);

} // namespace vexlan
