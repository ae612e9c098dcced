// SPDX-License-Identifier: MIT
// libjpeg data source over a CFile.
#include "core/jpeg/jpg_source.h"

#include <jerror.h>

namespace vexlan {
namespace {

struct FileSource {
    jpeg_source_mgr pub;  // first member: libjpeg sees only this part
    CFile* file;
    JOCTET* buffer;
    bool atEnd;  // the data is used up; the buffer holds the fake EOI
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    UINT n = src->file->Read(src->buffer, static_cast<UINT>(kJpgSourceChunk));
    if (n > kJpgSourceChunk)  // a file object that claims more than asked for
        n = 0;
    if (n == 0) {
        if (!src->atEnd)
            WARNMS(cinfo, JWRN_JPEG_EOF);
        src->atEnd = true;
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long numBytes)
{
    if (numBytes <= 0)
        return;
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    jpeg_source_mgr* pub = &src->pub;
    auto remaining = static_cast<std::size_t>(numBytes);
    while (remaining > pub->bytes_in_buffer) {
        remaining -= pub->bytes_in_buffer;
        FillInputBuffer(cinfo);
        // Skipping past the end of the data stops at the fake EOI, so the
        // decoder sees the end instead of skipping it too.
        if (src->atEnd)
            return;
    }
    pub->next_input_byte += remaining;
    pub->bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

} // namespace

void JpgSourceFromFile(j_decompress_ptr cinfo, CFile* file)
{
    auto* src = static_cast<FileSource*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileSource)));
    src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kJpgSourceChunk));
    src->file = file;
    src->atEnd = false;
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
}

} // namespace vexlan
