// libFuzzer target for the JPEG decoder: the input is read as a JPEG
// through a memory file, as a packed picture is, and the decoded blocks are
// released. The decoder's size caps are lowered to the fuzzer's scale (the
// code path is bImportJPG's own; only the numbers differ), so that a header
// claiming a huge picture costs milliseconds instead of seconds per run.
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
    if (DecodeJpgToDib(&file, limits, bits, bmi) != 0) {
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
