// SPDX-License-Identifier: MIT
// The JPEG decoder behind bImportJPG: libjpeg-turbo's libjpeg API, reading
// through a CFile and writing a bottom-up DIB into two image blocks.
//
// What it accepts: baseline, extended, progressive and arithmetic-coded
// 8-bit JPEGs; one component (grey), three (YCbCr or RGB), four (CMYK or
// YCCK, Adobe-inverted or not); any sampling; restart markers.
//
// What it delivers:
//   grey        8-bit DIB with a 256-entry grey colour table (entry i is i,i,i)
//   all others  24-bit BGR DIB, no colour table
// Rows are bottom-up and padded to 4 bytes; padding bytes are zero.
//
// Damaged data: when libjpeg-turbo recovers from damage inside the
// compressed image data (corrupt entropy data, bad or missing restart
// markers, data that ends early), it warns and goes on, and so does this
// decoder: the picture is delivered, its lost part filled the way
// libjpeg-turbo fills it (grey, or the last good rows). Damage that libjpeg
// treats as an error fails the decoding: no SOI, headers that are damaged
// or end before the first scan, an unsupported precision or colour space.
//
// Limits, all checked before the image blocks are allocated: the pixel
// block may not exceed maxPixelBytes (and must fit the DIB's 32-bit
// fields), libjpeg's working memory (the coefficient buffer of progressive
// images) may not exceed maxWorkMemory, and a file may hold at most
// maxScans scans (many tiny progressive scans are a known way to make a
// decoder run for minutes).
//
// Budget: budgetBytes is what the caller can still spend on this picture
// (the page's image budget less the pictures it already holds). The two
// blocks the decoding keeps, together with libjpeg's working memory while it
// runs, must fit in it; the size of the blocks is known from the JPEG's
// header, so a picture over the budget fails before they are allocated.
//
// ProbeJpg reads only the header and tells what a decoding would keep and
// need, so a caller can plan its memory before decoding (and decode several
// pictures at once).
#pragma once

#include "core/jpeg/dib_geometry.h"
#include "os/file.h"
#include "core/base/wintypes.h"

#include <cstdint>
#include <vector>

namespace vexlan {

struct JpgDecodeLimits {
    uint64_t maxPixelBytes = kDefaultMaxPixelBytes;
    uint64_t maxWorkMemory = 1024ull << 20;  // 1 GiB
    int maxScans = 256;
    uint64_t budgetBytes = UINT64_MAX;       // see Budget above
};

// Why a decoding failed.
enum class JpgFailure {
    kNone,
    kData,       // not a JPEG, damaged or unsupported (or a null file)
    kTooLarge,   // over the decoder's own limits (sides, maxPixelBytes, maxWorkMemory)
    kOverBudget, // the blocks, or the working memory with them, exceed budgetBytes
    kNoMemory,   // the image blocks could not be allocated
};

// What a JPEG's header says about the picture it decodes to.
struct JpgHeader {
    uint32_t width = 0;       // of the DIB, in pixels (the JPEG's own size)
    uint32_t height = 0;
    int components = 0;       // in the stream: 1, 3 or 4
    uint64_t blockBytes = 0;  // the two image blocks a decoding keeps
    uint64_t workBytes = 0;   // about what libjpeg works in beside them while decoding
    // The stream is one a PDF reader shows as it is, and the DIB shows just
    // that: 8-bit samples, Huffman coded (baseline, extended or progressive),
    // grey or YCbCr (turned into RGB the standard way). Not CMYK/YCCK (our
    // own conversion), RGB-coded or arithmetic-coded streams.
    bool embeddable = false;
};

// Reads the header of the JPEG at `file`'s current position (up to its
// first scan) and fills `header`. Returns kNone, or the failure a decoding
// with the same limits would meet before allocating its blocks: kData,
// kTooLarge, kOverBudget (the blocks alone exceed budgetBytes). Allocates
// no image block.
JpgFailure ProbeJpg(CFile* file, const JpgDecodeLimits& limits, JpgHeader* header);

// What a decoding met in the data it delivered a picture from.
struct JpgDamage {
    bool any = false;         // libjpeg warned: the picture may not be the whole stream
    bool endedEarly = false;  // the data ended before the picture did (a truncated file)
};

// A picture decoded at 1/2^shift of its size (libjpeg's DCT scaling, which
// computes each output pixel from the coefficients of the block it lies in:
// close to the mean of the 2^shift x 2^shift pixels the full decoding gives
// there). Pixel (x, y) covers the full picture's pixels from (x, y) << shift;
// the sides are the full sides divided by 2^shift, rounded up. The DIB is
// laid out as DecodeJpgToDib's (bottom-up, 8-bit grey with its table or
// 24-bit BGR).
struct ScaledJpg {
    int shift = 0;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } dib{};
    std::vector<uint8_t> pixels;
    const BITMAPINFO& Info() const { return *reinterpret_cast<const BITMAPINFO*>(&dib); }
};

// Decodes the JPEG read from `file` at its current position. Returns 1 and
// sets pBits/pBmi to two new blocks from ImageBlockAlloc (owned by the
// caller) on success. Returns 0 on failure, with nothing left allocated and
// pBits/pBmi unchanged. A null file fails. A non-null `failure` receives
// why (kNone on success). A non-null `damage` receives what damage libjpeg
// met on the way (none on failure).
int DecodeJpgToDib(CFile* file, const JpgDecodeLimits& limits, void*& pBits, BITMAPINFO*& pBmi,
                   JpgFailure* failure = nullptr, JpgDamage* damage = nullptr);

// DecodeJpgToDib without making the pixels: the same blocks are allocated
// and the same verdict given (return value, failure, damage), from reading
// the coded data whole as the decoding does, but the pixel block is left as
// allocated (zero; its pages untouched) and no inverse DCT or colour
// conversion runs but for one row. For a picture whose JPEG data goes into
// the output as it is, so its pixels may never be needed; DecodeJpgInto
// makes them when they are.
//
// With `thumb`, the check decodes the picture at 1/2^thumb->shift of its
// size into it on the way (almost free at 1/8, where each block gives one
// pixel), unless libjpeg's working memory comes near its cap; `thumb` is
// left without pixels when it did not, or when the check fails.
int CheckJpgToDib(CFile* file, const JpgDecodeLimits& limits, void*& pBits, BITMAPINFO*& pBmi,
                  JpgFailure* failure = nullptr, JpgDamage* damage = nullptr, ScaledJpg* thumb = nullptr);

// Decodes the JPEG into `bits`, a pixel block of `bytes` bytes that
// CheckJpgToDib allocated for the same data and limits. Returns false, with
// the block in any state, when the decoding fails or the picture does not
// fill exactly `bytes`.
bool DecodeJpgInto(CFile* file, const JpgDecodeLimits& limits, void* bits, uint64_t bytes);

// The largest reduction 1/2^shift (shift 0 to 3) of a picture shown at
// `xScale` x `yScale` of its size that still has a pixel for each one
// shown: 2^shift pixels of the picture or more to each shown, on both axes.
int JpgReduction(double xScale, double yScale);

// Decodes the JPEG at 1/2^shift of its size (shift 0 to 3) into `out`.
// Returns false, with no pixels in `out`, when the decoding fails.
bool DecodeJpgScaled(CFile* file, const JpgDecodeLimits& limits, int shift, ScaledJpg* out);

} // namespace vexlan
