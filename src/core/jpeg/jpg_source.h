// SPDX-License-Identifier: MIT
// A libjpeg data source that reads the compressed stream through a CFile,
// from the file's current position, in fixed-size chunks. Memory stays at
// one chunk however long the file is, so a hostile file size costs nothing
// (the chunk's pages are touched only as far as the file fills them).
// At the end of the data the source hands libjpeg a fake EOI marker (with
// one "premature end" warning), as libjpeg's own sources do, so a truncated
// stream ends decoding instead of stalling it.
#pragma once

#include "os/file.h"

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace vexlan {

// Bytes read from the file per refill. libjpeg-turbo's fast Huffman
// decoder wants a few KB of data ahead of it in the buffer and takes its
// slow path near the end of each chunk; a chunk this size keeps that share
// small (measured: within 1% of decoding straight from memory).
constexpr std::size_t kJpgSourceChunk = 256 * 1024;

// Installs the source on `cinfo` (after jpeg_create_decompress). Its memory
// comes from libjpeg's permanent pool and goes with jpeg_destroy_decompress.
// `file` must stay valid until decoding ends; it is never closed here.
void JpgSourceFromFile(j_decompress_ptr cinfo, CFile* file);

} // namespace vexlan
