// SPDX-License-Identifier: MIT
// The JPEG data a decoded picture came from, found by the picture's pixel
// block. A PDF surface embeds these bytes as they are instead of encoding
// the decoded pixels again, so a printed photo is the producer's own data.
//
// The job layer records the bytes when it decodes a picture that a PDF
// reader can take as it is (8-bit, greyscale or three components, Huffman
// coded); ImageBlockFree forgets them with the block's last holder. Lookups
// check the block's serial, so a new block at a reused address never finds
// an old picture's bytes. All functions are safe to call from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vexlan {

struct StoredJpeg {
    std::shared_ptr<const std::vector<uint8_t>> bytes; // the whole JPEG stream
    int width = 0;      // pixels, as the decoded picture has them
    int height = 0;
    int components = 0; // 1 (greyscale) or 3
};

// Records `jpeg` as the source of the picture whose pixel block is `bits`
// (a live block from ImageBlockAlloc). Replaces what was recorded before.
void RememberStoredJpeg(const void* bits, StoredJpeg jpeg);

// Drops what is recorded for `bits`, if anything.
void ForgetStoredJpeg(const void* bits) noexcept;

// The JPEG recorded for the live block `bits`, or nothing.
std::optional<StoredJpeg> FindStoredJpeg(const void* bits);

} // namespace vexlan
