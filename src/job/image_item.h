// LoadImageItem: completes an image record with its decoded picture.
#pragma once

#include "job/page_item.h"

namespace vexlan {

// The record's szText names a ".bpg" packed JPEG or a ".jpg" JPEG (the last
// 4 bytes, any ASCII case; ".bpg" is tested first). pBits and pBmi must be
// null on entry. Returns TRUE with pBits/pBmi set to image blocks that the
// caller now owns; FALSE on any failure, with nothing left allocated.
BOOL LoadImageItem(PageItem& item);

} // namespace vexlan
