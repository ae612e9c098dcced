// SPDX-License-Identifier: MIT
// Packed-file speed: XorBuffer against memcpy of the same size, and
// ReadPackedFile (from disk, page cache warm) and ReadPackedStream (from
// memory) against a bare zlib inflate of the same stream held in memory into
// an output buffer allocated once outside the loop.
#include "core/job/packed_file.h"
#include "core/job/packed_writer.h"
#include "os/file.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using vexlan::PackBytes;
using vexlan::ReadPackedFile;
using vexlan::XorBuffer;

void BM_XorBuffer(benchmark::State& state)
{
    std::vector<uint8_t> buf(static_cast<std::size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        XorBuffer(buf.data(), static_cast<uint32_t>(buf.size()), 0x89ABCDEF);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<uint8_t> src(static_cast<std::size_t>(state.range(0)), 0x5A);
    std::vector<uint8_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// Something like a page resource: text-like bytes with some repetition, so
// the stream compresses about 3:1.
std::vector<uint8_t> SampleData(std::size_t n)
{
    std::mt19937 rng(42);
    static const char* words[] = {"打印", "page ", "item ", "text ", "line\r\n", "0123 ", "Vexlan "};
    std::string s;
    while (s.size() < n)
        s += words[rng() % 7];
    s.resize(n);
    return std::vector<uint8_t>(s.begin(), s.end());
}

struct PackedSample {
    std::vector<uint8_t> data;
    std::vector<uint8_t> file;   // the packed file
    std::vector<uint8_t> stream; // the plain zlib stream
    std::string path;
};

PackedSample MakeSample(std::size_t n)
{
    PackedSample s;
    s.data = SampleData(n);
    PackBytes(s.data.data(), s.data.size(), 0x1234, s.file);
    uLongf len = compressBound(static_cast<uLong>(n));
    s.stream.resize(len);
    compress2(s.stream.data(), &len, s.data.data(), static_cast<uLong>(n), 9);
    s.stream.resize(len);
    s.path = "/tmp/vexlan-packed-bench-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".bin";
    std::FILE* f = std::fopen(s.path.c_str(), "wb");
    if (f != nullptr) {
        std::fwrite(s.file.data(), 1, s.file.size(), f);
        std::fclose(f);
    }
    return s;
}

void BM_ReadPackedFile(benchmark::State& state)
{
    PackedSample s = MakeSample(static_cast<std::size_t>(state.range(0)));
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    for (auto _ : state) {
        if (!ReadPackedFile(s.path, &buffer, &size))
            state.SkipWithError("ReadPackedFile failed");
        benchmark::DoNotOptimize(buffer);
    }
    delete[] buffer;
    std::remove(s.path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// The same without the file system: what the unpacking itself costs.
void BM_ReadPackedStreamMemory(benchmark::State& state)
{
    PackedSample s = MakeSample(static_cast<std::size_t>(state.range(0)));
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    for (auto _ : state) {
        vexlan::CMemFile file(s.file.data(), s.file.size());
        if (!vexlan::ReadPackedStream(&file, &buffer, &size))
            state.SkipWithError("ReadPackedStream failed");
        benchmark::DoNotOptimize(buffer);
    }
    delete[] buffer;
    std::remove(s.path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_ZlibInflate(benchmark::State& state)
{
    PackedSample s = MakeSample(static_cast<std::size_t>(state.range(0)));
    std::vector<uint8_t> out(s.data.size());
    for (auto _ : state) {
        uLongf len = static_cast<uLongf>(out.size());
        if (uncompress(out.data(), &len, s.stream.data(), static_cast<uLong>(s.stream.size())) != Z_OK)
            state.SkipWithError("uncompress failed");
        benchmark::DoNotOptimize(out.data());
    }
    std::remove(s.path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(BM_XorBuffer)->Arg(4 << 10)->Arg(256 << 10)->Arg(16 << 20);
BENCHMARK(BM_Memcpy)->Arg(4 << 10)->Arg(256 << 10)->Arg(16 << 20);
BENCHMARK(BM_ReadPackedFile)->Arg(16 << 10)->Arg(1 << 20)->Arg(16 << 20);
BENCHMARK(BM_ReadPackedStreamMemory)->Arg(16 << 10)->Arg(1 << 20)->Arg(16 << 20);
BENCHMARK(BM_ZlibInflate)->Arg(16 << 10)->Arg(1 << 20)->Arg(16 << 20);

BENCHMARK_MAIN();
