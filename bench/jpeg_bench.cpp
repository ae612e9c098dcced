// SPDX-License-Identifier: MIT
// Decoding speed of bImportJPG next to a bare libjpeg-turbo decode
// (tjDecompress2 to BGR) of the same data. The pictures are made at start:
// a 4000 x 3000 noise JPEG (the worst case for entropy decoding, about what
// a 12-megapixel photo costs at its most detailed) and a smooth one of the
// same size. bImportJPG should stay within 10% of the bare decode.
#include "core/jpeg/jpg_image.h"
#include "os/file.h"
#include "core/dib/image_block.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

std::vector<uint8_t> Encode(const std::vector<uint8_t>& rgb)
{
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(tj, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0) != 0) {
        std::fprintf(stderr, "encode failed: %s\n", tjGetErrorStr2(tj));
        std::abort();
    }
    std::vector<uint8_t> jpeg(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

const std::vector<uint8_t>& Picture(int kind)
{
    static std::vector<uint8_t> noise, smooth;
    std::vector<uint8_t>& slot = kind == 0 ? noise : smooth;
    if (slot.empty()) {
        std::vector<uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
        if (kind == 0) {
            std::mt19937 rng(1);
            for (auto& b : rgb)
                b = static_cast<uint8_t>(rng());
        } else {
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
                    p[0] = static_cast<uint8_t>(x * 255 / kWidth);
                    p[1] = static_cast<uint8_t>(y * 255 / kHeight);
                    p[2] = static_cast<uint8_t>((x + y) / 32);
                }
        }
        slot = Encode(rgb);
    }
    return slot;
}

// The fastest repetition is the least disturbed by other work on the machine.
double Fastest(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}

void SetLabel(benchmark::State& state, int kind)
{
    state.SetLabel((kind == 0 ? "noise " : "smooth ") + std::to_string(Picture(kind).size() / 1024) + " KiB");
    state.counters["Mpx/s"] =
        benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The bare library, into a fresh buffer per decode as a one-shot caller has.
void BM_TurboJpegBare(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const std::vector<uint8_t>& jpeg = Picture(kind);
    tjhandle tj = tjInitDecompress();
    const int pitch = (kWidth * 3 + 3) & ~3;
    for (auto _ : state) {
        auto* out = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(pitch) * kHeight, 1));
        if (tjDecompress2(tj, jpeg.data(), jpeg.size(), out, kWidth, pitch, kHeight, TJPF_BGR, TJFLAG_BOTTOMUP) != 0)
            state.SkipWithError("tjDecompress2 failed");
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    tjDestroy(tj);
    SetLabel(state, kind);
}
BENCHMARK(BM_TurboJpegBare)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_bImportJPG_MemFile(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const std::vector<uint8_t>& jpeg = Picture(kind);
    for (auto _ : state) {
        vexlan::CMemFile file(jpeg.data(), jpeg.size());
        void* bits = nullptr;
        BITMAPINFO* bmi = nullptr;
        if (vexlan::bImportJPG(&file, bits, bmi) == 0)
            state.SkipWithError("bImportJPG failed");
        benchmark::DoNotOptimize(bits);
        vexlan::ImageBlockFree(bits);
        vexlan::ImageBlockFree(bmi);
    }
    SetLabel(state, kind);
}
BENCHMARK(BM_bImportJPG_MemFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_bImportJPG_Path(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const std::vector<uint8_t>& jpeg = Picture(kind);
    char name[] = "/tmp/vexlan_jpeg_bench_XXXXXX";
    const int fd = mkstemp(name);
    std::FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (f == nullptr || std::fwrite(jpeg.data(), 1, jpeg.size(), f) != jpeg.size()) {
        state.SkipWithError("cannot write the temporary file");
        return;
    }
    std::fclose(f);
    for (auto _ : state) {
        void* bits = nullptr;
        BITMAPINFO* bmi = nullptr;
        if (vexlan::bImportJPG(std::string(name), bits, bmi) == 0)
            state.SkipWithError("bImportJPG failed");
        benchmark::DoNotOptimize(bits);
        vexlan::ImageBlockFree(bits);
        vexlan::ImageBlockFree(bmi);
    }
    std::remove(name);
    SetLabel(state, kind);
}
BENCHMARK(BM_bImportJPG_Path)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

} // namespace

BENCHMARK_MAIN();
