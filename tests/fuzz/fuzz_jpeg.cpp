// SPDX-License-Identifier: MIT
// libFuzzer target for the JPEG decoder: the input is read as a JPEG
// through a memory file, as a packed picture is, and the decoded blocks are
// released. The decoder's size caps are lowered to the fuzzer's scale (the
// code path is bImportJPG's own; only the numbers differ), so that a header
// claiming a huge picture costs milliseconds instead of seconds per run.
// The check that stands in for decoding runs on the same input and must
// agree with it.
#include "core/jpeg/jpg_decoder.h"
#include "os/file.h"
#include "core/dib/image_block.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vexlan;
    JpgDecodeLimits limits;
    limits.maxPixelBytes = 16u << 20;
    limits.maxWorkMemory = 64u << 20;
    CMemFile file(data, size);
    void* bits = nullptr;
    BITMAPINFO* bmi = nullptr;
    const std::size_t live = ImageBlockLiveCount();
    // The check that stands in for decoding (keeping a thumb at a scale the
    // input picks) must give the decoding's verdict.
    CMemFile again(data, size);
    void* checkBits = nullptr;
    BITMAPINFO* checkBmi = nullptr;
    ScaledJpg thumb;
    thumb.shift = size > 0 ? data[size - 1] % 4 : 0;
    JpgFailure failures[2];
    JpgDamage damages[2];
    const int checked = CheckJpgToDib(&again, limits, checkBits, checkBmi, &failures[1], &damages[1], &thumb);
    ImageBlockFree(checkBits);
    ImageBlockFree(checkBmi);
    const int decoded = DecodeJpgToDib(&file, limits, bits, bmi, &failures[0], &damages[0]);
    if (checked != decoded || failures[0] != failures[1] || damages[0].any != damages[1].any ||
        damages[0].endedEarly != damages[1].endedEarly)
        std::abort();
    if (decoded != 0) {
        if (bits == nullptr || bmi == nullptr || bmi->bmiHeader.biWidth <= 0 || bmi->bmiHeader.biHeight <= 0)
            std::abort();
        // Touch every byte of the pixel block so that the sanitizers see any
        // byte outside it or left uninitialised.
        const auto* p = static_cast<const uint8_t*>(bits);
        unsigned sum = 0;
        for (uint32_t i = 0; i < bmi->bmiHeader.biSizeImage; ++i)
            sum += p[i];
        asm volatile("" : : "r"(sum));  // keep the reads
        ImageBlockFree(bits);
        ImageBlockFree(bmi);
    }
    if (ImageBlockLiveCount() != live)
        std::abort();
    return 0;
}
