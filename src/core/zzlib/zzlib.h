// SPDX-License-Identifier: MIT
// The block decompressor behind packed files. A block is one zlib stream
// (RFC 1950: 2-byte header, deflate data, Adler-32 trailer) standing at the
// start of a buffer; it is inflated so that the unpacked bytes end up at the
// start of that same buffer.
#pragma once

#include <cstdint>

namespace vexlan {

// Results of ZzUncompressBlock below zero.
constexpr int ZZ_ERR_ARGS = -1;     // null block, or lengths that do not fit the buffer
constexpr int ZZ_ERR_DATA = -2;     // not a zlib stream, damaged, truncated or empty
constexpr int ZZ_ERR_MEM = -3;      // working memory could not be had
constexpr int ZZ_ERR_TOO_LONG = -4; // the stream holds more than unpackedSize bytes

// Inflates the zlib stream held in block[0, blockLength) into
// block[0, unpackedSize). Both lengths must lie within bufferSize, the size
// of the whole buffer, and unpackedSize must fit a non-negative int
// (ZZ_ERR_ARGS otherwise); nothing outside block[0, bufferSize) is read or
// written, whatever the stream holds.
//
// Returns the number of bytes the stream produced (0 to unpackedSize) on
// success, a negative ZZ_ERR_* value on failure. Bytes after the end of the
// stream are ignored. A stream that ends early leaves the rest of the buffer
// after the bytes it produced zero-filled, so the buffer never holds stale
// compressed bytes inside the unpacked area. On failure the buffer's content
// is unspecified.
//
// An empty block (blockLength 0) is not a zlib stream: ZZ_ERR_DATA.
//
// The compressed bytes are copied aside into one temporary of blockLength
// bytes, released before returning, because the unpacked data overwrites
// them as it is produced; zlib itself needs about 40 KiB of state.
int ZzUncompressBlock(uint8_t* block, uint32_t blockLength, uint32_t bufferSize,
                      uint32_t unpackedSize);

} // namespace vexlan
