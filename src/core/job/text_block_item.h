// SPDX-License-Identifier: MIT
// LoadTextBlockItem: completes a text-block record with its lines.
#pragma once

#include "core/job/page_item.h"

#include <string>

namespace vexlan {

// The most text a block loads: a ".txt" file, or a ".bin" file's packed or
// unpacked bytes. A page holds a handful of lines per centimetre; a larger
// file is a mistake or an attack, and refused before anything is allocated.
constexpr uint64_t kMaxBlockTextBytes = 256ull << 20; // 256 MiB

// The record's szText names a ".bin" packed text or a ".txt" text file (the
// last 4 bytes, any ASCII case; ".bin" is tested first). nLineCount and
// nMaxLineLen must be 0 on entry. On TRUE, pszBlock holds a new[] buffer of
// exactly length + 1 bytes (only the NUL when nothing was loaded) that the
// caller now owns, and nLineCount / nMaxLineLen are set. Returns FALSE when
// a ".txt" file cannot be read (it cannot be opened, or it is longer than
// kMaxBlockTextBytes) or memory runs out; nothing is allocated then. Never
// throws.
// A non-null `problem` receives, on FALSE, why ("no such file", "permission
// denied", "not a regular file", "larger than 256 MiB, the limit for text",
// "out of memory"); on TRUE, why the block draws nothing ("extension not
// .txt/.bin", a file problem, "not a packed file, or damaged" or the limit
// for ".bin", "no text to draw (empty or blank)"), or the empty string when
// it draws its text.
BOOL LoadTextBlockItem(PageItem& item, std::string* problem = nullptr);

} // namespace vexlan
