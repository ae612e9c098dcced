// SPDX-License-Identifier: MIT
// Face names that no font matches. A text or text-block item whose face is
// neither a name of the font substitution table nor an installed family is
// drawn in the default face; its producer hears of it once per name, as a
// job warning ("no font matches face ..."), whatever the output (preview,
// --print, --pdf, --png, --trace). Needs a running Qt application (the
// installed families come from the font database).
#pragma once

#include "core/job/load_diagnostics.h"
#include "core/job/page_item.h"

#include <cstdio>

namespace vexlan {

// One warning per face name that drawn text items use and no font
// matches, with the family they are drawn in; the item of a warning is the
// first that names the face. The text is in the console's character set.
LoadDiagnostics UnmatchedFaces(const CPageItemArray& items);

// Prints UnmatchedFaces(items) on `out` as job warnings and adds them to
// `warnings` (so that --strict counts them).
void WarnUnmatchedFaces(const CPageItemArray& items, LoadDiagnostics& warnings, std::FILE* out = stderr);

} // namespace vexlan
