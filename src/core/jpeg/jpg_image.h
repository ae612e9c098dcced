// SPDX-License-Identifier: MIT
// JpgImage: the JPEG decoding component. bImportJPG turns a JPEG file into
// a device-independent bitmap: a BITMAPINFO block and a pixel block, both
// allocated with ImageBlockAlloc and owned by the caller on success (release
// each with ImageBlockFree; FreePageItems does so for page items).
//
// Format delivered: bottom-up rows padded to 4 bytes; grey JPEGs give an
// 8-bit DIB with a 256-entry grey colour table, every other JPEG a 24-bit
// BGR DIB without a colour table. Which JPEGs are accepted, how damaged
// data is handled and the size limits are described in jpg_decoder.h.
#pragma once

#include "os/file.h"
#include "core/base/wintypes.h"

#include <string>

namespace vexlan {

// Decodes the JPEG file at `path` (used as given; relative to the current
// directory when relative). Returns nonzero with pBits/pBmi set on success;
// 0 on failure (file missing, unreadable, not a JPEG, too large), with
// nothing allocated and pBits/pBmi unchanged.
int bImportJPG(std::string path, void*& pBits, BITMAPINFO*& pBmi);

// The same, reading the JPEG through `file` from its current position. The
// object is only read during the call; no reference to it is kept.
int bImportJPG(CFile* file, void*& pBits, BITMAPINFO*& pBmi);

} // namespace vexlan
