// SPDX-License-Identifier: MIT
// Test helper: writes JPEGs at test time with libjpeg-turbo's encoder, in
// the variants a decoder must read (grey, YCbCr at any sampling, RGB, CMYK
// and YCCK with or without the Adobe marker, progressive, arithmetic
// coding, restart markers), plus the byte-level helpers the tests use to
// find markers in the result. Header-only so any test can include it.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace vexlan::test {

struct JpegOptions {
    J_COLOR_SPACE input = JCS_RGB;     // layout of the pixels handed in
    int inputComponents = 0;           // 0: implied by `input`
    J_COLOR_SPACE stored = JCS_YCbCr;  // colour space written to the file
    int lumaH = 2, lumaV = 2;          // sampling of component 0 (2,2 = 4:2:0; 1,1 = 4:4:4)
    bool progressive = false;
    bool arithmetic = false;
    int restartInRows = 0;             // restart marker every N MCU rows
    int restartInterval = 0;           // restart marker every N MCUs
    bool adobeMarker = true;           // keep libjpeg's APP14 for RGB/CMYK/YCCK
    int quality = 95;
};

namespace detail {

struct WriterError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] inline void WriterErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<WriterError*>(cinfo->err)->jump, 1);
}

inline void WriterQuiet(j_common_ptr, int) {}

struct WriterState {
    jpeg_compress_struct cinfo;
    WriterError err;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
};

// No object with a destructor lives here: libjpeg may longjmp out.
inline bool RunWrite(WriterState* s, int width, int height, const uint8_t* pixels, int components,
                     const JpegOptions* o)
{
    jpeg_compress_struct* c = &s->cinfo;
    if (setjmp(s->err.jump) != 0)
        return false;
    jpeg_create_compress(c);
    jpeg_mem_dest(c, &s->out, &s->outSize);
    c->image_width = static_cast<JDIMENSION>(width);
    c->image_height = static_cast<JDIMENSION>(height);
    c->input_components = components;
    c->in_color_space = o->input;
    jpeg_set_defaults(c);
    jpeg_set_colorspace(c, o->stored);
    jpeg_set_quality(c, o->quality, TRUE);
    if (c->num_components > 0) {
        c->comp_info[0].h_samp_factor = o->lumaH;
        c->comp_info[0].v_samp_factor = o->lumaV;
        for (int i = 1; i < c->num_components; ++i) {
            c->comp_info[i].h_samp_factor = 1;
            c->comp_info[i].v_samp_factor = 1;
        }
    }
    if (!o->adobeMarker)
        c->write_Adobe_marker = FALSE;
    if (o->progressive)
        jpeg_simple_progression(c);
    c->arith_code = o->arithmetic ? TRUE : FALSE;
    c->restart_in_rows = o->restartInRows;
    c->restart_interval = static_cast<unsigned int>(o->restartInterval);
    jpeg_start_compress(c, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    while (c->next_scanline < c->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + c->next_scanline * stride);
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

} // namespace detail

// Encodes width x height pixels given top-down, rows tightly packed, with
// the components of options.input. Returns the JPEG's bytes, or "" when
// libjpeg refuses the combination.
inline std::string EncodeJpeg(int width, int height, const std::vector<uint8_t>& pixels,
                              const JpegOptions& options = {})
{
    int components = options.inputComponents;
    if (components == 0)
        components = options.input == JCS_GRAYSCALE ? 1 : (options.input == JCS_CMYK ? 4 : 3);
    if (pixels.size() != static_cast<std::size_t>(width) * height * components)
        return {};
    auto* s = new detail::WriterState{};
    s->cinfo.err = jpeg_std_error(&s->err.pub);
    s->err.pub.error_exit = detail::WriterErrorExit;
    s->err.pub.emit_message = detail::WriterQuiet;
    const bool ok = detail::RunWrite(s, width, height, pixels.data(), components, &options);
    std::string bytes;
    if (ok && s->out != nullptr)
        bytes.assign(reinterpret_cast<const char*>(s->out), s->outSize);
    jpeg_destroy_compress(&s->cinfo);
    std::free(s->out);
    delete s;
    return bytes;
}

// Offset of the first marker FF <code> in a JPEG, or npos.
inline std::size_t FindMarker(const std::string& jpeg, uint8_t code, std::size_t from = 0)
{
    for (std::size_t i = from; i + 1 < jpeg.size(); ++i)
        if (static_cast<uint8_t>(jpeg[i]) == 0xFF && static_cast<uint8_t>(jpeg[i + 1]) == code)
            return i;
    return std::string::npos;
}

// Offset of the first byte of entropy-coded data: just after the first SOS
// segment. npos when there is none.
inline std::size_t FirstScanDataOffset(const std::string& jpeg)
{
    const std::size_t sos = FindMarker(jpeg, 0xDA);
    if (sos == std::string::npos || sos + 4 > jpeg.size())
        return std::string::npos;
    const std::size_t len = (static_cast<uint8_t>(jpeg[sos + 2]) << 8) | static_cast<uint8_t>(jpeg[sos + 3]);
    return sos + 2 + len;
}

} // namespace vexlan::test
