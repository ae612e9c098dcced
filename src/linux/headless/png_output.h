// SPDX-License-Identifier: MIT
// WritePagePng: the page rendered into a PNG of any size the command line
// allows, in horizontal bands of bounded memory painted and compressed on
// up to four threads, streamed into the file in order as bands are done.
#pragma once

#include "core/job/page_item.h"

#include <QPoint>
#include <QSize>

#include <cstddef>
#include <string>

namespace vexlan {

class CAtomicFile;

// Pixels of one band at most (a band is this many 32-bit pixels: 32 MiB;
// each thread drawing the page holds one, and up to two of its bands
// compressed and waiting to be written).
constexpr std::size_t kPngBandPixels = std::size_t(1) << 23;

// Draws `items` on a white `pixels`-sized image at `dpi`, item coordinate
// (0, 0) at pixel `origin`, and writes it as an RGB PNG into `file` (open,
// not committed). The page is laid out once per thread; each band of
// `bandRows` rows (0: as many as fit in kPngBandPixels) paints what
// touches it, with the painter moved up by the band's first row, so items
// crossing a band edge join without a seam. Returns false with `error` set when the page could
// not be drawn completely or a write failed.
bool WritePagePng(const CPageItemArray& items, QSize pixels, QPoint origin, int dpi, CAtomicFile& file,
                  std::string& error, int bandRows = 0);

} // namespace vexlan
