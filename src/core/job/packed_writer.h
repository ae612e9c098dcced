// SPDX-License-Identifier: MIT
// The producer's side of packed files: compress, scramble, add the header.
// Used by the vexlan-job tool; the layout is in packed_file.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexlan {

// Packs `size` bytes of `data` (may be null when size is 0) into `out`:
// seed, unpacked size, then the data as one zlib stream (compression level
// 9) scrambled with XorBuffer and the key seed XOR N. Returns false, with
// `out` emptied, when the data exceeds what a reader accepts
// (PACKED_MAX_SIZE) or zlib fails.
bool PackBytes(const uint8_t* data, std::size_t size, uint32_t seed, std::vector<uint8_t>& out);

} // namespace vexlan
