// SPDX-License-Identifier: MIT
// JPEG to DIB decoding with libjpeg.
//
// libjpeg reports fatal errors through error_exit, which must not return;
// here it longjmps back into RunDecode. RunDecode therefore holds no C++
// object with a destructor, and everything it allocates lives either in
// libjpeg's pools (released by jpeg_destroy_decompress) or in the Decode
// record owned by the caller, which releases the image blocks on failure.
#include "core/jpeg/jpg_decoder.h"

#include "core/jpeg/cmyk_to_bgr.h"
#include "core/jpeg/jpg_source.h"
#include "core/dib/image_block.h"
#include "os/large_pages.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace vexlan {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;  // first member: libjpeg sees only this part
    std::jmp_buf jump;
    bool endedEarly;     // the source ran out of data (JWRN_JPEG_EOF)
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings are counted and trace messages dropped, never printed: the
// caller says what matters to the producer (data that ends early).
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<ErrorManager*>(cinfo->err)->endedEarly = true;
}

void OnOutputMessage(j_common_ptr) {}

struct ScanGuard {
    jpeg_progress_mgr pub;  // first member: libjpeg sees only this part
    int maxScans;
};

// Called by libjpeg while it takes in the data of multi-scan files: stops
// the decoding once the file has more scans than any real encoder writes.
void OnProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* guard = reinterpret_cast<ScanGuard*>(cinfo->progress);
    if (dinfo->input_scan_number > guard->maxScans) {
        cinfo->err->msg_code = JERR_BAD_PROGRESSION;
        (*cinfo->err->error_exit)(cinfo);
    }
}

// Everything one decoding needs, kept outside RunDecode's frame.
struct Decode {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ScanGuard guard;
    CFile* file = nullptr;
    JpgDecodeLimits limits;
    void* bits = nullptr;
    BITMAPINFO* bmi = nullptr;
    JpgFailure failure = JpgFailure::kData;
    bool workCappedByBudget = false;  // the budget, not maxWorkMemory, bounds libjpeg's memory
    JpgHeader* probe = nullptr;       // non-null: read the header into it, decode nothing
    bool checkOnly = false;           // read the coded data whole, leave the pixel block as allocated
    ScaledJpg* scaled = nullptr;      // non-null: decode at its scale into it (nothing allocated)
    ScaledJpg* thumb = nullptr;       // with checkOnly: the small picture to decode the check into
    void* into = nullptr;             // non-null: the pixel block to decode into (nothing allocated)
    uint64_t intoBytes = 0;           // its size, which the picture's pixels must fill exactly
};

// Caps libjpeg's working memory (0 would mean no cap to libjpeg).
void SetWorkMemory(jpeg_decompress_struct* cinfo, uint64_t bytes)
{
    constexpr auto kMaxLong = static_cast<uint64_t>(std::numeric_limits<long>::max());
    cinfo->mem->max_memory_to_use = bytes == 0 ? 1 : static_cast<long>(bytes > kMaxLong ? kMaxLong : bytes);
}

// Why libjpeg gave up: its memory cap is the only error that is not about
// the data.
JpgFailure FailureOfError(const Decode& d)
{
    const int code = d.err.pub.msg_code;
    if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
        return d.workCappedByBudget ? JpgFailure::kOverBudget : JpgFailure::kTooLarge;
    return JpgFailure::kData;
}

// The output colour space for a stream, or JCS_UNKNOWN when it cannot be
// turned into a DIB.
J_COLOR_SPACE OutputSpaceFor(const jpeg_decompress_struct& cinfo)
{
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        return cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_UNKNOWN;
    case JCS_YCbCr:
    case JCS_RGB:
        return cinfo.num_components == 3 ? JCS_EXT_BGR : JCS_UNKNOWN;
    case JCS_CMYK:
    case JCS_YCCK:
        return cinfo.num_components == 4 ? JCS_CMYK : JCS_UNKNOWN;
    default:
        return JCS_UNKNOWN;
    }
}

// Whether a PDF reader shows the stream as it is, as the DIB shows it (see
// JpgHeader::embeddable).
bool Embeddable(const jpeg_decompress_struct& cinfo)
{
    if (cinfo.data_precision != 8 || cinfo.arith_code)
        return false;
    return (cinfo.jpeg_color_space == JCS_GRAYSCALE && cinfo.num_components == 1) ||
           (cinfo.jpeg_color_space == JCS_YCbCr && cinfo.num_components == 3);
}

// About what libjpeg allocates while it decodes: a band of rows per
// component for the inverse DCT, upsampling and colour conversion, and for
// a multi-scan (progressive) stream the coefficients of the whole image.
uint64_t WorkEstimate(jpeg_decompress_struct* cinfo)
{
    uint64_t bytes = 64 << 10;
    bytes += uint64_t{cinfo->output_width} * static_cast<uint64_t>(cinfo->num_components) *
             static_cast<uint64_t>(cinfo->max_v_samp_factor) * DCTSIZE * 4;
    if (jpeg_has_multiple_scans(cinfo)) {
        for (int c = 0; c < cinfo->num_components; ++c) {
            const jpeg_component_info& comp = cinfo->comp_info[c];
            const auto up = [](uint64_t n, uint64_t m) { return m == 0 ? n : (n + m - 1) / m * m; };
            bytes += up(comp.width_in_blocks, static_cast<uint64_t>(comp.h_samp_factor)) *
                     up(comp.height_in_blocks, static_cast<uint64_t>(comp.v_samp_factor)) * sizeof(JBLOCK);
        }
    }
    return bytes;
}

// Size of the BITMAPINFO block: the header and the colour table it needs.
std::size_t HeaderBytes(int bitCount)
{
    return bitCount == 8 ? sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) : sizeof(BITMAPINFO);
}

// Writes the header of a DIB, and its grey table when 8-bit, into `bmi`
// (HeaderBytes(bitCount) bytes).
void FillHeader(BITMAPINFO* bmi, uint32_t width, uint32_t height, int bitCount, uint32_t imageBytes)
{
    const std::size_t colours = bitCount == 8 ? 256 : 0;
    BITMAPINFOHEADER& h = bmi->bmiHeader;
    h = BITMAPINFOHEADER{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = static_cast<int32_t>(width);
    h.biHeight = static_cast<int32_t>(height);
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = imageBytes;
    h.biClrUsed = static_cast<uint32_t>(colours);
    // The colour table follows the header directly in the block.
    auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(bmi) + sizeof(BITMAPINFOHEADER));
    for (std::size_t i = 0; i < colours; ++i) {
        const auto v = static_cast<uint8_t>(i);
        table[i] = RGBQUAD{v, v, v, 0};
    }
}

BITMAPINFO* MakeHeader(uint32_t width, uint32_t height, int bitCount, uint32_t imageBytes)
{
    auto* bmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(HeaderBytes(bitCount)));
    if (bmi != nullptr)
        FillHeader(bmi, width, height, bitCount, imageBytes);
    return bmi;
}

// Makes room for a scaled picture's pixels. Returns false when there is
// none. (No libjpeg call runs while the vector may throw.)
bool SizeScaled(ScaledJpg* scaled, uint64_t bytes)
{
    try {
        scaled->pixels.assign(static_cast<std::size_t>(bytes), 0);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Takes in the coded data as the row-by-row decoding below does, without
// making the rows: libjpeg entropy-decodes the rows it skips (a multi-scan
// stream was taken in whole by jpeg_start_decompress already) and runs the
// inverse DCT and colour conversion only for the last one, which is read to
// end the decoding where reading every row ends it. (Skipping the last row
// too would end the input pass without decoding what is left.) So the same
// warnings and errors are met, at the same places in the data.
bool CheckRows(jpeg_decompress_struct* cinfo)
{
    const JDIMENSION height = cinfo->output_height;
    if (height > 1)
        jpeg_skip_scanlines(cinfo, height - 1);
    const JDIMENSION rowBytes = cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components);
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, rowBytes, 1);
    while (cinfo->output_scanline < height) {
        if (jpeg_read_scanlines(cinfo, row, 1) == 0)
            return false;  // kData: the source never suspends; guard against a stall anyway
    }
    return true;
}

// Runs one decoding into d->bits / d->bmi. Returns false on any failure;
// the caller then releases whatever d holds.
bool RunDecode(Decode* d)
{
    jpeg_decompress_struct* cinfo = &d->cinfo;
    if (setjmp(d->err.jump) != 0) {
        d->failure = FailureOfError(*d);
        return false;
    }

    jpeg_create_decompress(cinfo);
    SetWorkMemory(cinfo, d->limits.maxWorkMemory);
    cinfo->progress = &d->guard.pub;
    JpgSourceFromFile(cinfo, d->file);

    jpeg_read_header(cinfo, TRUE);

    const J_COLOR_SPACE outSpace = OutputSpaceFor(*cinfo);
    if (outSpace == JCS_UNKNOWN)
        return false;  // kData
    cinfo->out_color_space = outSpace;
    if (d->scaled != nullptr) {
        cinfo->scale_num = 1;
        cinfo->scale_denom = 1u << d->scaled->shift;
    }
    jpeg_calc_output_dimensions(cinfo);

    const int bitCount = outSpace == JCS_GRAYSCALE ? 8 : 24;
    const DibGeometry geo =
        ComputeDibGeometry(cinfo->output_width, cinfo->output_height, bitCount, d->limits.maxPixelBytes);
    if (!geo.ok) {
        d->failure = JpgFailure::kTooLarge;
        return false;
    }
    // What the picture keeps, then what libjpeg may use beside it while it
    // decodes (its coefficient buffers are allocated in start_decompress).
    const uint64_t blocks = uint64_t{geo.imageBytes} + HeaderBytes(bitCount);
    if (blocks > d->limits.budgetBytes) {
        d->failure = JpgFailure::kOverBudget;
        return false;
    }
    if (d->probe != nullptr) {
        d->probe->width = cinfo->output_width;
        d->probe->height = cinfo->output_height;
        d->probe->components = cinfo->num_components;
        d->probe->blockBytes = blocks;
        d->probe->workBytes = WorkEstimate(cinfo);
        d->probe->embeddable = Embeddable(*cinfo);
        return true;
    }
    uint64_t workCap = d->limits.maxWorkMemory;
    if (d->limits.budgetBytes - blocks < d->limits.maxWorkMemory) {
        d->workCappedByBudget = true;
        workCap = d->limits.budgetBytes - blocks;
        SetWorkMemory(cinfo, workCap);
    }
    // A check asked for a small picture decodes at its scale instead of
    // skipping rows, when libjpeg's working memory is far from its cap (so
    // the smaller decoding cannot get through where the whole one would run
    // out of it): the same coded data is read either way.
    const bool thumb = d->checkOnly && d->thumb != nullptr && WorkEstimate(cinfo) * 2 + (1 << 20) <= workCap;
    const uint32_t width = cinfo->output_width;
    const uint32_t height = cinfo->output_height;
    if (thumb) {
        cinfo->scale_num = 1;
        cinfo->scale_denom = 1u << d->thumb->shift;
        jpeg_calc_output_dimensions(cinfo);
    }

    jpeg_start_decompress(cinfo);

    if (d->scaled != nullptr) {
        FillHeader(reinterpret_cast<BITMAPINFO*>(&d->scaled->dib), width, height, bitCount, geo.imageBytes);
        if (!SizeScaled(d->scaled, geo.imageBytes)) {
            d->failure = JpgFailure::kNoMemory;
            return false;
        }
        d->bits = d->scaled->pixels.data();
    } else if (d->into != nullptr) {
        if (geo.imageBytes != d->intoBytes)
            return false;  // kData: not the picture the block was made for
        d->bits = d->into;
    } else {
        d->bmi = MakeHeader(width, height, bitCount, geo.imageBytes);
        d->bits = ImageBlockAlloc(geo.imageBytes);
        if (d->bmi == nullptr || d->bits == nullptr) {
            d->failure = JpgFailure::kNoMemory;
            return false;
        }
    }
    if (d->checkOnly && !thumb)
        return CheckRows(cinfo);
    // Where the rows go: the picture's pixel block, or the small picture.
    void* target = d->bits;
    uint32_t outWidth = width, outHeight = height;
    std::size_t rowBytes = geo.rowBytes;
    if (thumb) {
        outWidth = cinfo->output_width;
        outHeight = cinfo->output_height;
        const DibGeometry small = ComputeDibGeometry(outWidth, outHeight, bitCount, geo.imageBytes);
        if (!small.ok) {  // no larger than the whole picture: cannot fail
            d->failure = JpgFailure::kData;
            return false;
        }
        FillHeader(reinterpret_cast<BITMAPINFO*>(&d->thumb->dib), outWidth, outHeight, bitCount, small.imageBytes);
        if (!SizeScaled(d->thumb, small.imageBytes)) {
            d->failure = JpgFailure::kNoMemory;
            return false;
        }
        target = d->thumb->pixels.data();
        rowBytes = small.rowBytes;
    } else if (d->scaled == nullptr) {
        // Written whole, row by row: a 12-megapixel picture then costs about
        // twenty page faults instead of nine thousand.
        AdviseLargePages(d->bits, geo.imageBytes);
    }

    auto* pixels = static_cast<uint8_t*>(target);
    const bool cmyk = outSpace == JCS_CMYK;
    // Adobe applications write CMYK and YCCK inverted and say so with their
    // APP14 marker; other writers store plain ink amounts.
    const bool inverted = cmyk && cinfo->saw_Adobe_marker;
    const JDIMENSION batch = static_cast<JDIMENSION>(cinfo->rec_outbuf_height > 0 ? cinfo->rec_outbuf_height : 1);
    JSAMPARRAY cmykRows = nullptr;
    if (cmyk)
        cmykRows = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                               outWidth * 4, batch);
    JSAMPROW rows[16];
    const JDIMENSION want = batch < 16 ? batch : 16;

    while (cinfo->output_scanline < outHeight) {
        JDIMENSION got;
        if (cmyk) {
            got = jpeg_read_scanlines(cinfo, cmykRows, want);
        } else {
            // Scanline y (top-down) is DIB row height - 1 - y.
            for (JDIMENSION i = 0; i < want; ++i) {
                const uint32_t y = cinfo->output_scanline + i;
                const uint32_t row = y < outHeight ? outHeight - 1 - y : 0;
                rows[i] = pixels + static_cast<std::size_t>(row) * rowBytes;
            }
            got = jpeg_read_scanlines(cinfo, rows, want);
        }
        if (got == 0) {  // the source never suspends; guard against a stall anyway
            d->failure = JpgFailure::kData;
            return false;
        }
        if (cmyk) {
            const uint32_t first = cinfo->output_scanline - got;
            for (JDIMENSION i = 0; i < got; ++i) {
                const uint32_t row = outHeight - 1 - (first + i);
                CmykRowToBgr(cmykRows[i], pixels + static_cast<std::size_t>(row) * rowBytes, outWidth,
                             inverted);
            }
        }
    }
    return true;
}

// A decoding record set up for `file` and `limits`, or null when memory runs
// out. Release with Destroy.
Decode* NewDecode(CFile* file, const JpgDecodeLimits& limits)
{
    auto* d = new (std::nothrow) Decode;
    if (d == nullptr)
        return nullptr;
    std::memset(&d->cinfo, 0, sizeof(d->cinfo));
    d->file = file;
    d->limits = limits;
    d->cinfo.err = jpeg_std_error(&d->err.pub);
    d->err.pub.error_exit = OnError;
    d->err.pub.emit_message = OnMessage;
    d->err.pub.output_message = OnOutputMessage;
    d->err.endedEarly = false;
    std::memset(&d->guard.pub, 0, sizeof(d->guard.pub));
    d->guard.pub.progress_monitor = OnProgress;
    d->guard.maxScans = limits.maxScans;
    return d;
}

void Destroy(Decode* d)
{
    jpeg_destroy_decompress(&d->cinfo);
    delete d;
}

} // namespace

JpgFailure ProbeJpg(CFile* file, const JpgDecodeLimits& limits, JpgHeader* header)
{
    if (file == nullptr)
        return JpgFailure::kData;
    Decode* d = NewDecode(file, limits);
    if (d == nullptr)
        return JpgFailure::kNoMemory;
    JpgHeader got;
    d->probe = &got;
    const bool ok = RunDecode(d);
    const JpgFailure failure = ok ? JpgFailure::kNone : d->failure;
    Destroy(d);
    if (ok && header != nullptr)
        *header = got;
    return failure;
}

namespace {

int RunToDib(CFile* file, const JpgDecodeLimits& limits, bool checkOnly, ScaledJpg* thumb, void*& pBits,
             BITMAPINFO*& pBmi, JpgFailure* failure, JpgDamage* damage)
{
    if (failure != nullptr)
        *failure = file == nullptr ? JpgFailure::kData : JpgFailure::kNoMemory;
    if (damage != nullptr)
        *damage = JpgDamage{};
    if (file == nullptr)
        return 0;
    Decode* d = NewDecode(file, limits);
    if (d == nullptr)
        return 0;
    d->checkOnly = checkOnly;
    d->thumb = thumb;
    if (thumb != nullptr) {
        thumb->dib = {};
        thumb->pixels = std::vector<uint8_t>();
    }

    const bool ok = RunDecode(d);
    if (thumb != nullptr && !ok)
        thumb->pixels = std::vector<uint8_t>();
    if (failure != nullptr)
        *failure = ok ? JpgFailure::kNone : d->failure;
    if (damage != nullptr && ok)
        *damage = JpgDamage{d->err.pub.num_warnings != 0, d->err.endedEarly};
    if (ok) {
        pBits = d->bits;
        pBmi = d->bmi;
    } else {
        ImageBlockFree(d->bits);
        ImageBlockFree(d->bmi);
    }
    Destroy(d);
    return ok ? 1 : 0;
}

} // namespace

int DecodeJpgToDib(CFile* file, const JpgDecodeLimits& limits, void*& pBits, BITMAPINFO*& pBmi,
                   JpgFailure* failure, JpgDamage* damage)
{
    return RunToDib(file, limits, false, nullptr, pBits, pBmi, failure, damage);
}

int CheckJpgToDib(CFile* file, const JpgDecodeLimits& limits, void*& pBits, BITMAPINFO*& pBmi,
                  JpgFailure* failure, JpgDamage* damage, ScaledJpg* thumb)
{
    return RunToDib(file, limits, true, thumb, pBits, pBmi, failure, damage);
}

bool DecodeJpgInto(CFile* file, const JpgDecodeLimits& limits, void* bits, uint64_t bytes)
{
    if (file == nullptr || bits == nullptr)
        return false;
    Decode* d = NewDecode(file, limits);
    if (d == nullptr)
        return false;
    d->into = bits;
    d->intoBytes = bytes;
    const bool ok = RunDecode(d);
    Destroy(d);
    return ok;
}

int JpgReduction(double xScale, double yScale)
{
    int shift = 0;
    while (shift < 3 && xScale * double(2 << shift) <= 1.0 && yScale * double(2 << shift) <= 1.0)
        ++shift;
    return shift;
}

bool DecodeJpgScaled(CFile* file, const JpgDecodeLimits& limits, int shift, ScaledJpg* out)
{
    if (file == nullptr || out == nullptr || shift < 0 || shift > 3)
        return false;
    Decode* d = NewDecode(file, limits);
    if (d == nullptr)
        return false;
    out->shift = shift;
    d->scaled = out;
    const bool ok = RunDecode(d);
    Destroy(d);
    if (!ok)
        out->pixels = std::vector<uint8_t>();
    return ok;
}

} // namespace vexlan
