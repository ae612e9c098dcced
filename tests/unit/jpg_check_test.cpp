// SPDX-License-Identifier: MIT
// The check that stands in for decoding a picture a PDF takes as its JPEG
// data: over the fuzz target's JPEG corpus and photo-like pictures, whole
// and damaged, it gives the decoding's verdict; the pixels made later and
// the small picture kept on the way are the decodings'; a scaled decoding
// is the full one scaled down, closely.
#include "core/dib/image_block.h"
#include "core/dib/pending_pixels.h"
#include "core/jpeg/jpg_decoder.h"
#include "os/file.h"

#include "image_block_books.h"
#include "jpeg_writer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace vexlan {
namespace {

using Bytes = std::vector<uint8_t>;
using Samples = std::vector<std::pair<std::string, Bytes>>;

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// 320 x 240 smooth gradients with grain, in the layouts cameras write.
Samples Photos()
{
    std::vector<uint8_t> rgb, grey;
    for (uint32_t i = 0, grain = 1; i < 320 * 240; ++i, grain = grain * 1103515245u + 12345u) {
        const int x = int(i % 320), y = int(i / 320), g = int(grain >> 28) - 8;
        for (const int v : {40 + x / 2, 200 - y * 5 / 8, int(128 + 60 * std::sin(x / 23.0 + y / 37.0))})
            rgb.push_back(static_cast<uint8_t>(std::clamp(v + g, 0, 255)));
        grey.push_back(rgb[rgb.size() - 2]);
    }
    test::JpegOptions o[5];  // 4:2:0, 4:2:2, 4:4:4, progressive 4:2:0, grey
    o[1].lumaV = o[2].lumaV = o[2].lumaH = 1;
    o[3].progressive = true;
    o[4].input = o[4].stored = JCS_GRAYSCALE;
    Samples out;
    for (int k = 0; k < 5; ++k)
        out.push_back({"photo " + std::to_string(k), Of(test::EncodeJpeg(320, 240, k < 4 ? rgb : grey, o[k]))});
    return out;
}

// Each sample whole, cut short at four places, with a byte flipped at three.
Samples Damaged()
{
    Samples whole = Photos(), out;
    namespace fs = std::filesystem;
    for (const auto& e : fs::directory_iterator(fs::path(VEXLAN_TEST_DATA) / "../fuzz/corpus/fuzz_jpeg"))
        whole.push_back({e.path().filename().string(), Of(test::ReadFile(e.path().string()))});
    for (const auto& [name, bytes] : whole) {
        const std::size_t n = bytes.size();
        out.push_back({name, bytes});
        for (const std::size_t at : {n / 3, n / 2, n * 9 / 10, n - std::min<std::size_t>(n, 2)})
            out.push_back({name + " cut at " + std::to_string(at), Bytes(bytes.begin(), bytes.begin() + at)});
        for (const std::size_t at : {n * 2 / 3, n * 4 / 5, n - std::min<std::size_t>(n, 3)}) {
            out.push_back({name + " flipped at " + std::to_string(at), bytes});
            out.back().second[std::min(at, n - 1)] ^= 0x5A;
        }
    }
    return out;
}

struct Outcome {
    int ok = 0;
    JpgFailure failure = JpgFailure::kNone;
    JpgDamage damage;
    void* bits = nullptr;
    BITMAPINFO* bmi = nullptr;
    ScaledJpg thumb;
    // thumbShift < 0: the decoding; 0: the check; 1 to 3: the check keeping a thumb.
    Outcome(const Bytes& bytes, const JpgDecodeLimits& limits, int thumbShift)
    {
        CMemFile f(bytes.data(), bytes.size());
        thumb.shift = thumbShift;
        ok = thumbShift < 0 ? DecodeJpgToDib(&f, limits, bits, bmi, &failure, &damage)
                            : CheckJpgToDib(&f, limits, bits, bmi, &failure, &damage, thumbShift ? &thumb : nullptr);
    }
    ~Outcome() { ImageBlockFree(bits), ImageBlockFree(bmi); }
};

ScaledJpg Scaled(const Bytes& bytes, const JpgDecodeLimits& limits, int shift)
{
    ScaledJpg out;
    CMemFile f(bytes.data(), bytes.size());
    EXPECT_TRUE(DecodeJpgScaled(&f, limits, shift, &out));
    return out;
}

using JpgCheckTest = test::ImageBlockBooksTest;

TEST_F(JpgCheckTest, GivesTheDecodingsVerdictAndItsPixelsLater)
{
    JpgDecodeLimits roomy, tight;  // tight: libjpeg runs out of working memory for progressive pictures
    tight.maxWorkMemory = 64 << 10;
    int verdicts[3] = {}, thumbs = 0;  // decoded, damaged, failed
    for (const auto& [name, bytes] : Damaged())
        for (const JpgDecodeLimits& limits : {roomy, tight}) {
            SCOPED_TRACE(name + (limits.maxWorkMemory == tight.maxWorkMemory ? " (tight)" : ""));
            const Outcome full(bytes, limits, -1);
            ++verdicts[!full.ok ? 2 : full.damage.any ? 1 : 0];
            for (int shift = 0; shift <= 3; ++shift) {
                const Outcome check(bytes, limits, shift);
                ASSERT_EQ(check.ok, full.ok);
                EXPECT_EQ(check.failure, full.failure);
                EXPECT_EQ(check.damage.any, full.damage.any);
                EXPECT_EQ(check.damage.endedEarly, full.damage.endedEarly);
                if (!full.ok)
                    continue;
                const BITMAPINFOHEADER& h = full.bmi->bmiHeader;
                ASSERT_EQ(std::memcmp(check.bmi, full.bmi, h.biBitCount == 8 ? 1064 : sizeof h), 0);
                if (!check.thumb.pixels.empty() && ++thumbs) {
                    EXPECT_EQ(check.thumb.pixels, Scaled(bytes, limits, shift).pixels);
                }
                RememberPendingPixels(check.bits, h.biSizeImage, std::make_shared<const Bytes>(bytes), limits);
                EXPECT_TRUE(MakePicturePixels(check.bits));
                EXPECT_EQ(std::memcmp(check.bits, full.bits, h.biSizeImage), 0);
            }
        }
    EXPECT_GT(*std::min_element(verdicts, verdicts + 3), 40);
    EXPECT_GT(thumbs, 100);
    // Just short of the working memory the progressive photo's decoding
    // needs, where a scaled decoding would get through, the check keeping a
    // thumb fails too (libjpeg caps only multi-scan streams' buffers).
    const Bytes progressive = Photos()[3].second;
    JpgDecodeLimits edge;
    for (uint64_t lo = 0, hi = 64 << 20; hi - lo > 1; edge.maxWorkMemory = lo)
        (Outcome(progressive, JpgDecodeLimits{.maxWorkMemory = (lo + hi) / 2}, -1).ok ? hi : lo) = (lo + hi) / 2;
    EXPECT_FALSE(Outcome(progressive, edge, -1).ok);
    EXPECT_FALSE(Outcome(progressive, edge, 3).ok);
}

// A sample of a DIB, counted top-down.
int Level(const BITMAPINFOHEADER& h, const void* bits, int x, int y, int c)
{
    const std::size_t bytes = h.biBitCount / 8, stride = (std::size_t(h.biWidth) * bytes + 3) / 4 * 4;
    return static_cast<const uint8_t*>(bits)[std::size_t(h.biHeight - 1 - y) * stride + x * bytes + c];
}

// Against the full decoding scaled down by the mean of each 2^shift square,
// a scaled one differs by 3 levels of 255 at most on average (under 1 but
// for 4:2:2 at 1/8, whose chroma libjpeg scales its own way), 16 at most.
TEST_F(JpgCheckTest, ScaledDecodingIsTheFullOneScaledDown)
{
    for (const auto& [name, bytes] : Photos()) {
        const Outcome full(bytes, JpgDecodeLimits{}, -1);
        const BITMAPINFOHEADER& h = full.bmi->bmiHeader;
        for (int shift = 1, side = 2; shift <= 3; ++shift, side *= 2) {
            SCOPED_TRACE(name + " at 1/" + std::to_string(side));
            const ScaledJpg scaled = Scaled(bytes, JpgDecodeLimits{}, shift);
            const BITMAPINFOHEADER& sh = scaled.dib.header;
            ASSERT_TRUE(sh.biBitCount == h.biBitCount && sh.biWidth == h.biWidth / side &&
                        sh.biHeight == h.biHeight / side);
            double sum = 0;
            int worst = 0, n = 0;
            for (int y = 0; y < sh.biHeight; ++y)
                for (int x = 0; x < sh.biWidth; ++x)
                    for (int c = 0; c < h.biBitCount / 8; ++c, ++n) {
                        int total = side * side / 2;
                        for (int i = 0; i < side * side; ++i)
                            total += Level(h, full.bits, x * side + i % side, y * side + i / side, c);
                        const int d = std::abs(Level(sh, scaled.pixels.data(), x, y, c) - total / (side * side));
                        sum += d;
                        worst = std::max(worst, d);
                    }
            EXPECT_LE(sum / n, 3.0);
            EXPECT_LE(worst, 16);
        }
    }
}

} // namespace
} // namespace vexlan
