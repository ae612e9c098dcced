// A libjpeg data source that reads the compressed stream through a CFile,
// from the file's current position, in fixed-size chunks. Memory stays at
// one chunk however long the file is, so a hostile file size costs nothing.
// At the end of the data the source hands libjpeg a fake EOI marker (with
// one "premature end" warning), as libjpeg's own sources do, so a truncated
// stream ends decoding instead of stalling it.
#pragma once

#include "platform/file.h"

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace vexlan {

// Bytes read from the file per refill.
constexpr std::size_t kJpgSourceChunk = 64 * 1024;

// Installs the source on `cinfo` (after jpeg_create_decompress). Its memory
// comes from libjpeg's permanent pool and goes with jpeg_destroy_decompress.
// `file` must stay valid until decoding ends; it is never closed here.
void JpgSourceFromFile(j_decompress_ptr cinfo, CFile* file);

} // namespace vexlan
