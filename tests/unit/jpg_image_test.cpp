// SPDX-License-Identifier: MIT
// Tests of the JPEG decoding component: the JPEG variants it reads, the DIB
// it delivers (orientation, padding, header, grey table), damaged and
// hostile input, the size and scan limits, and the CMYK conversion.
#include "core/jpeg/cmyk_to_bgr.h"
#include "core/jpeg/dib_geometry.h"
#include "core/jpeg/jpg_decoder.h"
#include "core/jpeg/jpg_image.h"
#include "os/file.h"
#include "core/dib/image_block.h"

#include "jpeg_writer.h"
#include "image_block_books.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace vexlan {
namespace {

using test::EncodeJpeg;
using test::JpegOptions;

struct Rgb {
    int r, g, b;
};

// The four quadrants of the test picture, top-left, top-right,
// bottom-left, bottom-right.
constexpr std::array<Rgb, 4> kQuadrantRgb{{{220, 30, 40}, {30, 200, 60}, {40, 50, 210}, {128, 128, 128}}};
constexpr std::array<int, 4> kQuadrantGrey{30, 90, 160, 230};

int Quadrant(int x, int y, int w, int h) { return (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1); }

// The test picture in the layout `input` asks for. CMYK inks are the
// complements of the RGB colours, except the bottom-right grey, which is
// made of black ink alone; `invertCmyk` stores them the Adobe way.
std::vector<uint8_t> QuadrantPixels(int w, int h, J_COLOR_SPACE input, bool invertCmyk = false)
{
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int q = Quadrant(x, y, w, h);
            const Rgb c = kQuadrantRgb[q];
            if (input == JCS_GRAYSCALE) {
                px.push_back(static_cast<uint8_t>(kQuadrantGrey[q]));
            } else if (input == JCS_CMYK) {
                std::array<int, 4> ink = q == 3 ? std::array<int, 4>{0, 0, 0, 127}
                                                : std::array<int, 4>{255 - c.r, 255 - c.g, 255 - c.b, 0};
                for (int v : ink)
                    px.push_back(static_cast<uint8_t>(invertCmyk ? 255 - v : v));
            } else {
                px.push_back(static_cast<uint8_t>(c.r));
                px.push_back(static_cast<uint8_t>(c.g));
                px.push_back(static_cast<uint8_t>(c.b));
            }
        }
    return px;
}

// A decoded picture that releases its blocks; checks the allocator's books.
struct Decoded {
    int result = 0;
    void* bits = nullptr;
    BITMAPINFO* bmi = nullptr;
    ~Decoded()
    {
        if (result != 0) {
            ImageBlockFree(bits);
            ImageBlockFree(bmi);
        }
    }
    const BITMAPINFOHEADER& header() const { return bmi->bmiHeader; }
    uint32_t stride() const { return static_cast<uint32_t>(DibRowBytes(header().biWidth, header().biBitCount)); }
    // The pixel at (x, y), y counted from the top, as RGB.
    Rgb At(int x, int y) const
    {
        const auto* row = static_cast<const uint8_t*>(bits) +
            static_cast<std::size_t>(header().biHeight - 1 - y) * stride();
        if (header().biBitCount == 8) {
            const int v = row[x];
            return {v, v, v};
        }
        const uint8_t* p = row + 3 * x;
        return {p[2], p[1], p[0]};
    }
};

void DecodeBytes(const std::string& bytes, Decoded& out, const JpgDecodeLimits* limits = nullptr)
{
    CMemFile file(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    out.result = limits ? DecodeJpgToDib(&file, *limits, out.bits, out.bmi)
                        : bImportJPG(&file, out.bits, out.bmi);
}

::testing::AssertionResult Near(Rgb got, Rgb want, int tolerance)
{
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << got.r << "," << got.g << "," << got.b << ") want ("
                                         << want.r << "," << want.g << "," << want.b << ")";
}

class JpgImageTest : public test::ImageBlockBooksTest {};

// --- the variants that must decode -----------------------------------------

struct Variant {
    const char* name;
    JpegOptions options;
    bool invertCmyk;
    int bitCount;
};

std::vector<Variant> Variants()
{
    auto opt = [](J_COLOR_SPACE in, J_COLOR_SPACE stored) {
        JpegOptions o;
        o.input = in;
        o.stored = stored;
        return o;
    };
    std::vector<Variant> v;
    v.push_back({"grey", opt(JCS_GRAYSCALE, JCS_GRAYSCALE), false, 8});
    v.push_back({"ycbcr_420", opt(JCS_RGB, JCS_YCbCr), false, 24});
    JpegOptions o444 = opt(JCS_RGB, JCS_YCbCr);
    o444.lumaH = o444.lumaV = 1;
    v.push_back({"ycbcr_444", o444, false, 24});
    JpegOptions o422 = opt(JCS_RGB, JCS_YCbCr);
    o422.lumaV = 1;
    v.push_back({"ycbcr_422", o422, false, 24});
    JpegOptions prog = opt(JCS_RGB, JCS_YCbCr);
    prog.progressive = true;
    v.push_back({"progressive_420", prog, false, 24});
    JpegOptions progGrey = opt(JCS_GRAYSCALE, JCS_GRAYSCALE);
    progGrey.progressive = true;
    v.push_back({"progressive_grey", progGrey, false, 8});
    JpegOptions rstRows = opt(JCS_RGB, JCS_YCbCr);
    rstRows.restartInRows = 1;
    v.push_back({"restart_every_row", rstRows, false, 24});
    JpegOptions rstMcus = opt(JCS_RGB, JCS_YCbCr);
    rstMcus.restartInterval = 3;
    rstMcus.lumaH = rstMcus.lumaV = 1;
    v.push_back({"restart_every_3_mcus", rstMcus, false, 24});
    v.push_back({"rgb_adobe", opt(JCS_RGB, JCS_RGB), false, 24});
    JpegOptions cmykAdobe = opt(JCS_CMYK, JCS_CMYK);
    cmykAdobe.lumaH = cmykAdobe.lumaV = 1;
    v.push_back({"cmyk_adobe_inverted", cmykAdobe, true, 24});
    JpegOptions ycck = opt(JCS_CMYK, JCS_YCCK);
    v.push_back({"ycck_adobe_inverted", ycck, true, 24});
    JpegOptions ycckProg = ycck;
    ycckProg.progressive = true;
    v.push_back({"ycck_progressive", ycckProg, true, 24});
    JpegOptions cmykPlain = cmykAdobe;
    cmykPlain.adobeMarker = false;
    v.push_back({"cmyk_plain", cmykPlain, false, 24});
    JpegOptions arith = opt(JCS_RGB, JCS_YCbCr);
    arith.arithmetic = true;
    v.push_back({"arithmetic_coded", arith, false, 24});
    return v;
}

TEST_F(JpgImageTest, DecodesEveryVariantWithColoursInPlace)
{
    // Odd sizes, so rows need padding and MCUs are partial at the edges.
    const int w = 37, h = 29;
    for (const Variant& v : Variants()) {
        SCOPED_TRACE(v.name);
        const std::string jpeg = EncodeJpeg(w, h, QuadrantPixels(w, h, v.options.input, v.invertCmyk), v.options);
        ASSERT_FALSE(jpeg.empty());
        Decoded d;
        DecodeBytes(jpeg, d);
        ASSERT_NE(d.result, 0);
        ASSERT_NE(d.bits, nullptr);
        ASSERT_NE(d.bmi, nullptr);
        const BITMAPINFOHEADER& hd = d.header();
        EXPECT_EQ(hd.biSize, 40u);
        EXPECT_EQ(hd.biWidth, w);
        EXPECT_EQ(hd.biHeight, h);  // positive: bottom-up
        EXPECT_EQ(hd.biPlanes, 1);
        EXPECT_EQ(hd.biBitCount, v.bitCount);
        EXPECT_EQ(hd.biCompression, BI_RGB);
        EXPECT_EQ(hd.biSizeImage, d.stride() * static_cast<uint32_t>(h));
        EXPECT_EQ(hd.biClrUsed, v.bitCount == 8 ? 256u : 0u);
        EXPECT_EQ(d.stride() % 4, 0u);

        // Quadrant centres, well away from the edges that subsampling blurs.
        const int xs[2] = {w / 4, 3 * w / 4};
        const int ys[2] = {h / 4, 3 * h / 4};
        for (int q = 0; q < 4; ++q) {
            const Rgb got = d.At(xs[q % 2], ys[q / 2]);
            const Rgb want = v.bitCount == 8 ? Rgb{kQuadrantGrey[q], kQuadrantGrey[q], kQuadrantGrey[q]}
                                             : kQuadrantRgb[q];
            EXPECT_TRUE(Near(got, want, 12)) << "quadrant " << q;
        }

        // Padding at the end of every row is zero.
        const uint32_t used = static_cast<uint32_t>(w) * (v.bitCount / 8);
        for (int y = 0; y < h; ++y) {
            const auto* row = static_cast<const uint8_t*>(d.bits) + static_cast<std::size_t>(y) * d.stride();
            for (uint32_t i = used; i < d.stride(); ++i)
                ASSERT_EQ(row[i], 0) << "row " << y << " byte " << i;
        }
    }
}

TEST_F(JpgImageTest, GreyImageCarriesAFullGreyColourTable)
{
    const std::string jpeg = EncodeJpeg(5, 3, std::vector<uint8_t>(15, 77), {JCS_GRAYSCALE, 0, JCS_GRAYSCALE});
    Decoded d;
    DecodeBytes(jpeg, d);
    ASSERT_NE(d.result, 0);
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(d.bmi) + 40);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(table[i].rgbRed, i);
        EXPECT_EQ(table[i].rgbGreen, i);
        EXPECT_EQ(table[i].rgbBlue, i);
        EXPECT_EQ(table[i].rgbReserved, 0);
    }
}

// --- reading through files ---------------------------------------------------

TEST_F(JpgImageTest, FileOverloadReadsFromTheCurrentPosition)
{
    const std::string jpeg = EncodeJpeg(9, 9, QuadrantPixels(9, 9, JCS_RGB));
    const std::string bytes = "leading junk" + jpeg;
    CMemFile file(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    char skip[12];
    ASSERT_EQ(file.Read(skip, sizeof skip), sizeof skip);
    Decoded d;
    d.result = bImportJPG(&file, d.bits, d.bmi);
    EXPECT_NE(d.result, 0);
}

TEST_F(JpgImageTest, PathOverloadDecodesAFileAndFailsOnMissingOrDirectory)
{
    test::TempDir dir;
    const std::string path = dir.file("a.jpg");
    test::WriteFile(path, EncodeJpeg(9, 7, QuadrantPixels(9, 7, JCS_RGB)));
    {
        Decoded d;
        d.result = bImportJPG(path, d.bits, d.bmi);
        ASSERT_NE(d.result, 0);
        EXPECT_EQ(d.header().biWidth, 9);
    }
    for (const std::string& bad : {dir.file("missing.jpg"), dir.path().string(), std::string()}) {
        void* bits = nullptr;
        BITMAPINFO* bmi = nullptr;
        EXPECT_EQ(bImportJPG(bad, bits, bmi), 0) << bad;
        EXPECT_EQ(bits, nullptr);
        EXPECT_EQ(bmi, nullptr);
    }
}

TEST_F(JpgImageTest, NullFileFails)
{
    void* bits = nullptr;
    BITMAPINFO* bmi = nullptr;
    EXPECT_EQ(bImportJPG(static_cast<CFile*>(nullptr), bits, bmi), 0);
}

// --- damaged and hostile input -----------------------------------------------

TEST_F(JpgImageTest, NonJpegInputFailsAndLeavesReferencesAlone)
{
    std::mt19937 rng(7);
    std::string noise(4096, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    const std::vector<std::string> inputs = {
        "",
        "\xFF",
        "\xFF\xD8",                       // SOI and nothing else
        "\xFF\xD8\xFF\xD9",               // SOI, EOI: no image
        std::string("\x89PNG\r\n\x1a\n", 8) + noise,
        "plain text, not a picture\n",
        noise,
        "\xFF\xD8" + noise,
    };
    int sentinel = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        void* bits = &sentinel;
        auto* bmi = reinterpret_cast<BITMAPINFO*>(&sentinel);
        CMemFile file(reinterpret_cast<const uint8_t*>(inputs[i].data()), inputs[i].size());
        EXPECT_EQ(bImportJPG(&file, bits, bmi), 0) << "input " << i;
        EXPECT_EQ(bits, &sentinel);
        EXPECT_EQ(bmi, reinterpret_cast<BITMAPINFO*>(&sentinel));
    }
}

TEST_F(JpgImageTest, AbbreviatedTablesOnlyStreamFails)
{
    // Everything up to the first scan, then EOI: tables without an image.
    const std::string jpeg = EncodeJpeg(16, 16, QuadrantPixels(16, 16, JCS_RGB));
    const std::size_t sos = test::FindMarker(jpeg, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    Decoded d;
    DecodeBytes(jpeg.substr(0, sos) + "\xFF\xD9", d);
    EXPECT_EQ(d.result, 0);
}

TEST_F(JpgImageTest, UnsupportedColourSpaceFails)
{
    // Two components: neither grey, colour nor CMYK.
    JpegOptions o;
    o.input = JCS_UNKNOWN;
    o.inputComponents = 2;
    o.stored = JCS_UNKNOWN;
    o.lumaH = o.lumaV = 1;
    const std::string jpeg = EncodeJpeg(8, 8, std::vector<uint8_t>(128, 50), o);
    ASSERT_FALSE(jpeg.empty());
    Decoded d;
    DecodeBytes(jpeg, d);
    EXPECT_EQ(d.result, 0);
}

TEST_F(JpgImageTest, TruncationBeforeTheScanFailsAndInsideTheScanKeepsTheDecodedPart)
{
    const int w = 64, h = 64;
    const std::string jpeg = EncodeJpeg(w, h, QuadrantPixels(w, h, JCS_RGB));
    const std::size_t sos = test::FindMarker(jpeg, 0xDA);
    const std::size_t data = test::FirstScanDataOffset(jpeg);
    ASSERT_NE(data, std::string::npos);

    // Every prefix is safe to decode; the allocator's books are checked by
    // the fixture and by ASan.
    for (std::size_t n = 0; n <= jpeg.size(); ++n) {
        Decoded d;
        DecodeBytes(jpeg.substr(0, n), d);
        if (n <= sos) {
            EXPECT_EQ(d.result, 0) << "prefix " << n;  // no scan at all
        }
        if (n >= data) {
            EXPECT_NE(d.result, 0) << "prefix " << n;  // damage inside the image data is recovered
        }
    }

    // Cut in the middle of the data: the top half is intact.
    Decoded d;
    DecodeBytes(jpeg.substr(0, data + (jpeg.size() - data) * 3 / 4), d);
    ASSERT_NE(d.result, 0);
    EXPECT_TRUE(Near(d.At(w / 4, h / 4), kQuadrantRgb[0], 12));
    EXPECT_TRUE(Near(d.At(3 * w / 4, h / 4), kQuadrantRgb[1], 12));
}

TEST_F(JpgImageTest, RandomlyDamagedJpegsNeverCrashOrLeak)
{
    std::vector<std::string> seeds;
    JpegOptions prog;
    prog.progressive = true;
    seeds.push_back(EncodeJpeg(40, 24, QuadrantPixels(40, 24, JCS_RGB), prog));
    JpegOptions rst;
    rst.restartInterval = 2;
    seeds.push_back(EncodeJpeg(40, 24, QuadrantPixels(40, 24, JCS_RGB), rst));
    seeds.push_back(EncodeJpeg(40, 24, QuadrantPixels(40, 24, JCS_CMYK, true), {JCS_CMYK, 0, JCS_YCCK}));
    std::mt19937 rng(12345);
    int decoded = 0;
    for (const std::string& seed : seeds) {
        ASSERT_FALSE(seed.empty());
        for (int round = 0; round < 150; ++round) {
            std::string bytes = seed;
            const int flips = 1 + static_cast<int>(rng() % 8);
            for (int f = 0; f < flips; ++f)
                bytes[rng() % bytes.size()] = static_cast<char>(rng());
            Decoded d;
            DecodeBytes(bytes, d);
            if (d.result != 0) {
                ++decoded;
                ASSERT_GT(d.header().biWidth, 0);
                ASSERT_GT(d.header().biHeight, 0);
            }
        }
    }
    EXPECT_GT(decoded, 0);  // damage in the data is mostly recovered
}

// --- limits --------------------------------------------------------------------

TEST_F(JpgImageTest, PixelLimitRefusesLargerImages)
{
    const std::string jpeg = EncodeJpeg(100, 100, std::vector<uint8_t>(30000, 99));
    JpgDecodeLimits limits;
    limits.maxPixelBytes = 100 * 300;  // exactly the block this image needs
    {
        Decoded d;
        DecodeBytes(jpeg, d, &limits);
        EXPECT_NE(d.result, 0);
    }
    limits.maxPixelBytes = 100 * 300 - 1;
    Decoded d;
    DecodeBytes(jpeg, d, &limits);
    EXPECT_EQ(d.result, 0);
}

TEST_F(JpgImageTest, HugeDeclaredSizeIsRefusedWithoutDecoding)
{
    // Patch the frame header of a small JPEG to claim 65000 x 65000 pixels
    // (12 GB as a DIB): refused by the size cap.
    std::string jpeg = EncodeJpeg(16, 16, QuadrantPixels(16, 16, JCS_RGB));
    const std::size_t sof = test::FindMarker(jpeg, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    jpeg[sof + 5] = static_cast<char>(0xFD);
    jpeg[sof + 6] = static_cast<char>(0xE8);
    jpeg[sof + 7] = static_cast<char>(0xFD);
    jpeg[sof + 8] = static_cast<char>(0xE8);
    Decoded d;
    DecodeBytes(jpeg, d);
    EXPECT_EQ(d.result, 0);
}

TEST_F(JpgImageTest, ScanLimitStopsFilesWithTooManyScans)
{
    JpegOptions o;
    o.progressive = true;  // libjpeg's simple progression: 10 scans for colour
    const std::string jpeg = EncodeJpeg(32, 32, QuadrantPixels(32, 32, JCS_RGB), o);
    JpgDecodeLimits limits;
    limits.maxScans = 10;
    {
        Decoded d;
        DecodeBytes(jpeg, d, &limits);
        EXPECT_NE(d.result, 0);
    }
    limits.maxScans = 9;
    Decoded d;
    DecodeBytes(jpeg, d, &limits);
    EXPECT_EQ(d.result, 0);
}

TEST_F(JpgImageTest, WorkMemoryLimitStopsLargeProgressiveImages)
{
    // A progressive 512 x 512 image keeps all its coefficients: about 768 KB.
    JpegOptions o;
    o.progressive = true;
    const std::string jpeg = EncodeJpeg(512, 512, std::vector<uint8_t>(512 * 512 * 3, 128), o);
    JpgDecodeLimits limits;
    limits.maxWorkMemory = 256 * 1024;
    Decoded d;
    DecodeBytes(jpeg, d, &limits);
    EXPECT_EQ(d.result, 0);
    Decoded ok;
    DecodeBytes(jpeg, ok);
    EXPECT_NE(ok.result, 0);
}

TEST_F(JpgImageTest, BudgetRefusesBeforeAllocatingAndSaysWhy)
{
    // 100 x 100 in colour keeps 30000 pixel bytes and a BITMAPINFO; decoded
    // progressively, libjpeg also holds its coefficients while it runs.
    const std::vector<uint8_t> px(30000, 99);
    JpegOptions prog;
    prog.progressive = true;
    const std::string baseline = EncodeJpeg(100, 100, px);
    const std::string progressive = EncodeJpeg(100, 100, px, prog);
    const uint64_t blocks = 30000 + sizeof(BITMAPINFO);
    constexpr uint64_t kGiB = 1ull << 30;
    const struct {
        const char* name;
        std::string jpeg;
        uint64_t budget, maxWork;
        JpgFailure want;
    } rows[] = {
        {"exactly its blocks", baseline, blocks, kGiB, JpgFailure::kNone},
        {"one byte short", baseline, blocks - 1, kGiB, JpgFailure::kOverBudget},
        {"progressive, no room to decode", progressive, blocks, kGiB, JpgFailure::kOverBudget},
        {"progressive, room to decode", progressive, blocks + (1 << 20), kGiB, JpgFailure::kNone},
        {"progressive, its own cap is lower", progressive, blocks + (1 << 20), 16 << 10, JpgFailure::kTooLarge},
        {"not a JPEG", "not a JPEG at all", kGiB, kGiB, JpgFailure::kData},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        JpgDecodeLimits limits;
        limits.budgetBytes = r.budget;
        limits.maxWorkMemory = r.maxWork;
        const uint64_t liveBytes = ImageBlockLiveBytes();
        CMemFile file(reinterpret_cast<const uint8_t*>(r.jpeg.data()), r.jpeg.size());
        Decoded d;
        JpgFailure failure = JpgFailure::kNoMemory;
        d.result = DecodeJpgToDib(&file, limits, d.bits, d.bmi, &failure);
        EXPECT_EQ(failure, r.want);
        EXPECT_EQ(d.result != 0, r.want == JpgFailure::kNone);
        EXPECT_EQ(ImageBlockLiveBytes() - liveBytes, d.result != 0 ? blocks : 0);
    }
}

// --- pure helpers --------------------------------------------------------------

TEST(DibGeometryTest, RowsAndSizesAndRefusals)
{
    struct Case {
        uint64_t w, h;
        int bits;
        uint64_t cap;
        bool ok;
        uint32_t row, total;
    };
    const uint64_t big = ~0ull;
    const Case cases[] = {
        {1, 1, 24, big, true, 4, 4},
        {37, 2, 24, big, true, 112, 224},
        {37, 2, 8, big, true, 40, 80},
        {4, 3, 24, big, true, 12, 36},
        {100, 100, 24, 30000, true, 300, 30000},
        {100, 101, 24, 30000, false, 0, 0},        // over the cap
        {0, 5, 24, big, false, 0, 0},
        {5, 0, 8, big, false, 0, 0},
        {65500, 65500, 24, kDefaultMaxPixelBytes, false, 0, 0},
        {65500, 65500, 24, big, false, 0, 0},      // does not fit biSizeImage
        {715827882, 1, 24, big, false, 0, 0},      // row of 2^31 bytes
        {1ull << 31, 1, 8, big, false, 0, 0},      // width beyond int32
        {1, 1ull << 31, 8, big, false, 0, 0},      // height beyond int32
        {10, 10, 32, big, false, 0, 0},            // not a format we make
    };
    for (const Case& c : cases) {
        const DibGeometry g = ComputeDibGeometry(c.w, c.h, c.bits, c.cap);
        EXPECT_EQ(g.ok, c.ok) << c.w << "x" << c.h << "x" << c.bits;
        if (c.ok) {
            EXPECT_EQ(g.rowBytes, c.row);
            EXPECT_EQ(g.imageBytes, c.total);
        }
    }
}

TEST(CmykToBgrTest, PlainAndAdobeInvertedInks)
{
    struct Case {
        std::array<uint8_t, 4> cmyk;
        bool inverted;
        std::array<uint8_t, 3> bgr;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, false, {255, 255, 255}},        // no ink: white
        {{0, 0, 0, 255}, false, {0, 0, 0}},            // full black
        {{255, 0, 0, 0}, false, {255, 255, 0}},        // cyan
        {{0, 255, 255, 0}, false, {0, 0, 255}},        // red
        {{0, 0, 0, 128}, false, {127, 127, 127}},
        {{128, 0, 0, 128}, false, {127, 127, 63}},     // 127 * 127 / 255 = 63.25
        {{255, 255, 255, 255}, true, {255, 255, 255}}, // Adobe: 255 is no ink
        {{255, 0, 0, 255}, true, {0, 0, 255}},         // red
        {{255, 255, 255, 0}, true, {0, 0, 0}},
        {{200, 100, 50, 128}, true, {25, 50, 100}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 3> out{};
        CmykRowToBgr(c.cmyk.data(), out.data(), 1, c.inverted);
        EXPECT_EQ(out, c.bgr) << int(c.cmyk[0]) << "," << int(c.cmyk[1]) << "," << int(c.cmyk[2]) << ","
                              << int(c.cmyk[3]) << (c.inverted ? " inverted" : "");
    }
}

} // namespace
} // namespace vexlan
