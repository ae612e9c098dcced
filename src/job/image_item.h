// LoadImageItem: completes an image record with its decoded picture.
#pragma once

#include "job/page_item.h"

#include <string>

namespace vexlan {

// The record's szText names a ".bpg" packed JPEG or a ".jpg" JPEG (the last
// 4 bytes, any ASCII case; ".bpg" is tested first). pBits and pBmi must be
// null on entry. Returns TRUE with pBits/pBmi set to image blocks that the
// caller now owns; FALSE on any failure, with nothing left allocated.
// On FALSE, a non-null `problem` receives why, in a few words: "extension
// not .jpg/.bpg", a file problem ("no such file", "permission denied", "not
// a regular file"), "not a packed file, or damaged", "not a JPEG, or damaged"
// or "unpacked data is not a JPEG, or damaged".
BOOL LoadImageItem(PageItem& item, std::string* problem = nullptr);

} // namespace vexlan
