// SPDX-License-Identifier: MIT
// LoadImageItem: completes an image record with its decoded picture.
#pragma once

#include "core/job/page_item.h"

#include <string>

namespace vexlan {

// The record's szText names a ".bpg" packed JPEG or a ".jpg" JPEG (the last
// 4 bytes, any ASCII case; ".bpg" is tested first). pBits and pBmi must be
// null on entry. Returns TRUE with pBits/pBmi set to image blocks that the
// caller now holds (release each with ImageBlockFree, as FreePageItems
// does); FALSE on any failure, with nothing left allocated.
//
// Memory: an item naming the same file as an earlier item whose picture is
// still held shares that picture (image_cache.h). The file is read into
// memory once and decoded from there; a new picture, with those bytes beside
// it, must fit in what the page's image budget has left (image_budget.h), or
// the item fails before its blocks are allocated. The bytes (a ".bpg" file's
// unpacked ones) are kept with the picture when a PDF can embed them as they
// are (stored_jpeg.h), and released once decoded otherwise. LoadPrintJob
// loads a page's pictures together through CImageLoader (image_loader.h),
// with the same results.
//
// On FALSE, a non-null `problem` receives why, in a few words: "extension
// not .jpg/.bpg", a file problem ("no such file", "permission denied", "not
// a regular file"), "not a packed file, or damaged", "not a JPEG, or damaged",
// "unpacked data is not a JPEG, or damaged", "over the page's image memory
// budget", "picture too large to decode" or "out of memory". On TRUE it
// receives what the picture lacks ("image data ends early; what it holds is
// drawn": a JPEG cut short, drawn as far as its data goes), or "".
BOOL LoadImageItem(PageItem& item, std::string* problem = nullptr);

} // namespace vexlan
