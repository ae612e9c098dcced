// SPDX-License-Identifier: MIT
// The page drawn by GDI into a PNG: the image is made in bands of bounded
// memory, each a DIB section the whole page is drawn on with the band's
// corner as the origin, and streamed row by row into the PNG encoder.
#pragma once

#include "core/job/page_item.h"

#include <cstddef>
#include <string>

namespace vexlan {

class CAtomicFile;

// Pixels of one band at most (32-bit pixels: 32 MiB).
constexpr std::size_t kGdiBandPixels = std::size_t(1) << 23;

// Draws `items` on a white `width` x `height` image at `dpi`, item (0, 0)
// at pixel (`originX`, `originY`), and writes it as a PNG into `file`
// (open, not committed). False with `error` set when a band cannot be made
// or drawn, or a write fails.
bool WriteGdiPagePng(const CPageItemArray& items, int width, int height, int originX, int originY, int dpi,
                     CAtomicFile& file, std::string& error);

} // namespace vexlan
