// The check that stands in for decoding a picture whose JPEG data goes into
// the output as it is: over the JPEG corpora (the fuzz target's, every
// packed file of the packed-stream corpus that unpacks, and the encoder's
// variants), whole and damaged, it must give the decoding's verdict, and
// the pixels made later must be the decoding's.
#include "core/dib/image_block.h"
#include "core/dib/pending_pixels.h"
#include "core/job/packed_file.h"
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

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<Sample> Corpus()
{
    namespace fs = std::filesystem;
    const fs::path fuzz = fs::path(VEXLAN_TEST_DATA) / ".." / "fuzz" / "corpus";
    std::vector<Sample> out;
    for (const auto& e : fs::directory_iterator(fuzz / "fuzz_jpeg"))
        out.push_back({e.path().filename().string(), Bytes(test::ReadFile(e.path().string()))});
    for (const auto& e : fs::directory_iterator(fuzz / "fuzz_packed_stream")) {
        const std::vector<uint8_t> packed = Bytes(test::ReadFile(e.path().string()));
        CMemFile file(packed.data(), packed.size());
        std::vector<uint8_t> unpacked;
        if (ReadPackedBytes(&file, unpacked, [](const PackedSizes&) { return true; }) == PackedRead::kOk)
            out.push_back({"packed " + e.path().filename().string(), std::move(unpacked)});
    }
    std::vector<uint8_t> pixels(96 * 80 * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 7 % 251);
    test::JpegOptions progressive, restarts, h2v1, grey;
    progressive.progressive = true;
    restarts.restartInterval = 3;
    h2v1.lumaV = 1;
    grey.input = JCS_GRAYSCALE;
    grey.stored = JCS_GRAYSCALE;
    std::vector<uint8_t> greyPixels(96 * 80);
    for (std::size_t i = 0; i < greyPixels.size(); ++i)
        greyPixels[i] = static_cast<uint8_t>(i * 13 % 256);
    out.push_back({"progressive", Bytes(test::EncodeJpeg(96, 80, pixels, progressive))});
    out.push_back({"restarts", Bytes(test::EncodeJpeg(96, 80, pixels, restarts))});
    out.push_back({"h2v1", Bytes(test::EncodeJpeg(96, 80, pixels, h2v1))});
    out.push_back({"grey", Bytes(test::EncodeJpeg(96, 80, greyPixels, grey))});
    return out;
}

// Each sample whole, cut short at several places, and with bytes flipped
// in its coded data (where damage is met while decoding rows).
std::vector<Sample> Damaged(const std::vector<Sample>& whole)
{
    std::vector<Sample> out;
    for (const Sample& s : whole) {
        out.push_back(s);
        const std::size_t n = s.bytes.size();
        for (const std::size_t keep : {n / 3, n / 2, n * 9 / 10, n > 2 ? n - 2 : 0}) {
            Sample cut{s.name + " cut at " + std::to_string(keep), s.bytes};
            cut.bytes.resize(keep);
            out.push_back(std::move(cut));
        }
        for (const std::size_t at : {n * 2 / 3, n * 4 / 5, n > 3 ? n - 3 : 0}) {
            Sample flipped{s.name + " flipped at " + std::to_string(at), s.bytes};
            if (at < n)
                flipped.bytes[at] ^= 0x5A;
            out.push_back(std::move(flipped));
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
};

using Runner = int (*)(CFile*, const JpgDecodeLimits&, void*&, BITMAPINFO*&, JpgFailure*, JpgDamage*);

Outcome RunOn(Runner run, const std::vector<uint8_t>& bytes, const JpgDecodeLimits& limits)
{
    Outcome o;
    CMemFile file(bytes.data(), bytes.size());
    o.ok = run(&file, limits, o.bits, o.bmi, &o.failure, &o.damage);
    return o;
}

int Check(CFile* file, const JpgDecodeLimits& limits, void*& bits, BITMAPINFO*& bmi, JpgFailure* failure,
          JpgDamage* damage)
{
    return CheckJpgToDib(file, limits, bits, bmi, failure, damage);
}

ScaledJpg g_thumb;  // what CheckWithThumb made, at 1/2^g_thumb.shift

int CheckWithThumb(CFile* file, const JpgDecodeLimits& limits, void*& bits, BITMAPINFO*& bmi, JpgFailure* failure,
                   JpgDamage* damage)
{
    return CheckJpgToDib(file, limits, bits, bmi, failure, damage, &g_thumb);
}

using JpgCheckTest = test::ImageBlockBooksTest;

TEST_F(JpgCheckTest, GivesTheDecodingsVerdictAndItsPixelsLater)
{
    const std::vector<Sample> samples = Damaged(Corpus());
    ASSERT_GT(samples.size(), 300u);
    JpgDecodeLimits roomy;
    JpgDecodeLimits tight;  // libjpeg's working memory runs out for progressive pictures
    tight.maxWorkMemory = 64 << 10;
    int decoded = 0, damaged = 0, failed = 0, thumbs = 0;
    for (const JpgDecodeLimits& limits : {roomy, tight}) {
        for (const Sample& s : samples) {
            SCOPED_TRACE(s.name + (limits.maxWorkMemory == tight.maxWorkMemory ? " (tight)" : ""));
            Outcome full = RunOn(DecodeJpgToDib, s.bytes, limits);
            for (const int thumbShift : {0, 1, 2, 3}) {
                const Runner checker = thumbShift == 0 ? Check : CheckWithThumb;
                g_thumb.shift = thumbShift;
                Outcome check = RunOn(checker, s.bytes, limits);
                EXPECT_EQ(check.ok, full.ok);
                EXPECT_EQ(check.failure, full.failure);
                EXPECT_EQ(check.damage.any, full.damage.any);
                EXPECT_EQ(check.damage.endedEarly, full.damage.endedEarly);
                if (full.ok && check.ok) {
                    const BITMAPINFOHEADER& h = full.bmi->bmiHeader;
                    ASSERT_EQ(std::memcmp(&check.bmi->bmiHeader, &h, sizeof h), 0);
                    const std::size_t colours = h.biBitCount == 8 ? 256 : 0;
                    EXPECT_EQ(std::memcmp(check.bmi->bmiColors, full.bmi->bmiColors, colours * sizeof(RGBQUAD)), 0);
                    // The thumb is the picture decoded at its scale.
                    if (checker == CheckWithThumb && !g_thumb.pixels.empty()) {
                        ScaledJpg scaled;
                        CMemFile file(s.bytes.data(), s.bytes.size());
                        ASSERT_TRUE(DecodeJpgScaled(&file, limits, thumbShift, &scaled));
                        EXPECT_EQ(std::memcmp(&g_thumb.dib, &scaled.dib, sizeof scaled.dib), 0);
                        EXPECT_EQ(g_thumb.pixels, scaled.pixels);
                        ++thumbs;
                    }
                    // What a drawing makes later is what the decoding made.
                    RememberPendingPixels(check.bits, h.biSizeImage,
                                          std::make_shared<const std::vector<uint8_t>>(s.bytes), limits);
                    EXPECT_TRUE(PicturePixelsPending(check.bits));
                    EXPECT_TRUE(MakePicturePixels(check.bits));
                    EXPECT_FALSE(PicturePixelsPending(check.bits));
                    EXPECT_EQ(std::memcmp(check.bits, full.bits, h.biSizeImage), 0);
                }
                ImageBlockFree(check.bits);
                ImageBlockFree(check.bmi);
            }
            if (full.ok)
                ++(full.damage.any ? damaged : decoded);
            else
                ++failed;
            ImageBlockFree(full.bits);
            ImageBlockFree(full.bmi);
        }
    }
    // The corpus reaches every kind of verdict.
    EXPECT_GT(decoded, 20);
    EXPECT_GT(damaged, 20);
    EXPECT_GT(failed, 20);
    EXPECT_GT(thumbs, 60);
}

// A full decoding's pixel, component `c`, counted top-down.
int Level(const Outcome& o, int x, int y, int c)
{
    const BITMAPINFOHEADER& h = o.bmi->bmiHeader;
    const int bytes = h.biBitCount / 8;
    const std::size_t stride = (std::size_t(h.biWidth) * bytes + 3) / 4 * 4;
    return static_cast<const uint8_t*>(o.bits)[std::size_t(h.biHeight - 1 - y) * stride + std::size_t(x) * bytes + c];
}

// Photo-like pictures: smooth gradients with a little grain, in the
// layouts cameras and producers write.
std::vector<Sample> Photos()
{
    constexpr int w = 320, h = 240;
    std::vector<uint8_t> rgb, grey;
    uint32_t grain = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            grain = grain * 1103515245u + 12345u;
            const int g = int(grain >> 28) - 8;
            rgb.push_back(static_cast<uint8_t>(std::clamp(40 + x * 160 / w + g, 0, 255)));
            rgb.push_back(static_cast<uint8_t>(std::clamp(200 - y * 150 / h + g, 0, 255)));
            rgb.push_back(static_cast<uint8_t>(std::clamp(int(128 + 60 * std::sin(x / 23.0 + y / 37.0)) + g, 0, 255)));
            grey.push_back(rgb[rgb.size() - 2]);
        }
    test::JpegOptions yuv420, yuv422, yuv444, progressive, mono;
    yuv420.quality = yuv422.quality = yuv444.quality = progressive.quality = mono.quality = 90;
    yuv422.lumaV = 1;
    yuv444.lumaH = yuv444.lumaV = 1;
    progressive.progressive = true;
    mono.input = mono.stored = JCS_GRAYSCALE;
    return {{"4:2:0", Bytes(test::EncodeJpeg(w, h, rgb, yuv420))},
            {"4:2:2", Bytes(test::EncodeJpeg(w, h, rgb, yuv422))},
            {"4:4:4", Bytes(test::EncodeJpeg(w, h, rgb, yuv444))},
            {"progressive", Bytes(test::EncodeJpeg(w, h, rgb, progressive))},
            {"grey", Bytes(test::EncodeJpeg(w, h, grey, mono))}};
}

// DCT-scaled decoding against the full decoding scaled down by the mean of
// each 2^shift square: over the samples of a picture the mean difference
// stays within 3 levels of 255 (under 1 but for 4:2:2 at 1/8, whose chroma
// libjpeg scales its own way) and none differs by more than 16 (the scaled
// decoding keeps a block's low frequencies; the mean weighs all pixels
// alike).
TEST_F(JpgCheckTest, ScaledDecodingIsTheFullOneScaledDown)
{
    for (const Sample& s : Photos()) {
        Outcome full = RunOn(DecodeJpgToDib, s.bytes, JpgDecodeLimits{});
        ASSERT_TRUE(full.ok) << s.name;
        const BITMAPINFOHEADER& h = full.bmi->bmiHeader;
        for (int shift = 1; shift <= 3; ++shift) {
            SCOPED_TRACE(s.name + " at 1/" + std::to_string(1 << shift));
            ScaledJpg scaled;
            CMemFile file(s.bytes.data(), s.bytes.size());
            ASSERT_TRUE(DecodeJpgScaled(&file, JpgDecodeLimits{}, shift, &scaled));
            const BITMAPINFOHEADER& sh = scaled.dib.header;
            ASSERT_EQ(sh.biBitCount, h.biBitCount);
            ASSERT_EQ(sh.biWidth, h.biWidth >> shift);
            ASSERT_EQ(sh.biHeight, h.biHeight >> shift);
            Outcome small;
            small.bmi = const_cast<BITMAPINFO*>(&scaled.Info());
            small.bits = scaled.pixels.data();
            const int side = 1 << shift;
            double sum = 0;
            int worst = 0, n = 0;
            for (int y = 0; y < sh.biHeight; ++y)
                for (int x = 0; x < sh.biWidth; ++x)
                    for (int c = 0; c < h.biBitCount / 8; ++c, ++n) {
                        int total = 0;
                        for (int v = y * side; v < (y + 1) * side; ++v)
                            for (int u = x * side; u < (x + 1) * side; ++u)
                                total += Level(full, u, v, c);
                        const int d = std::abs(Level(small, x, y, c) - (total + side * side / 2) / (side * side));
                        sum += d;
                        worst = std::max(worst, d);
                    }
            EXPECT_LE(sum / n, 3.0);
            EXPECT_LE(worst, 16);
        }
        ImageBlockFree(full.bits);
        ImageBlockFree(full.bmi);
    }
}

} // namespace
} // namespace vexlan
