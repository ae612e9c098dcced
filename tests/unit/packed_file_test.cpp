// SPDX-License-Identifier: MIT
// Packed files: XorBuffer, the block decompressor, ReadPackedStream /
// ReadPackedFile / ReadPackedText on good and damaged files, and the
// vexlan-job tool's pack and unpack. Files are built here with zlib and a
// byte-by-byte scrambler of the test's own, independent of the code under
// test.
#include "array_alloc_counter.h"
#include "test_support.h"

#include "core/job/packed_file.h"
#include "core/job/packed_writer.h"
#include "os/file.h"
#include "core/zzlib/zzlib.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vexlan {
namespace {

using Bytes = std::vector<uint8_t>;
using test::ArrayAllocScope;

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes RandomBytes(std::size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<uint8_t>(rng());
    return b;
}

// The scrambling written out byte by byte: byte 4i+j of the whole words
// takes key byte j, the tail takes the key's lowest byte.
void ReferenceXor(Bytes& data, std::size_t from, uint32_t key)
{
    const std::size_t n = data.size() - from;
    const std::size_t whole = n / 4 * 4;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned shift = i < whole ? 8 * static_cast<unsigned>(i % 4) : 0;
        data[from + i] ^= static_cast<uint8_t>(key >> shift);
    }
}

Bytes Compress(const Bytes& data)
{
    uLongf len = compressBound(static_cast<uLong>(data.size()));
    Bytes out(len);
    EXPECT_EQ(compress2(out.data(), &len, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
    out.resize(len);
    return out;
}

void PutU32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A packed file around an already compressed payload.
Bytes PackStream(const Bytes& stream, uint32_t seed, uint32_t unpackedSize)
{
    Bytes file;
    PutU32(file, seed);
    PutU32(file, unpackedSize);
    file.insert(file.end(), stream.begin(), stream.end());
    ReferenceXor(file, 8, seed ^ static_cast<uint32_t>(stream.size()));
    return file;
}

Bytes Pack(const Bytes& data, uint32_t seed = 0x5EED1234u)
{
    return PackStream(Compress(data), seed, static_cast<uint32_t>(data.size()));
}

struct ReadResult {
    BOOL ok = FALSE;
    Bytes data;          // the first `size` bytes of the buffer
    bool bufferNull = true;
    uint32_t size = 0;
    long liveArrays = 0; // array allocations left by the call
};

ReadResult ReadMem(const Bytes& file)
{
    ReadResult r;
    uint8_t* buffer = nullptr;
    {
        ArrayAllocScope scope;
        CMemFile mem(file.data(), file.size());
        r.ok = ReadPackedStream(&mem, &buffer, &r.size);
        r.liveArrays = scope.stats().live;
    }
    r.bufferNull = buffer == nullptr;
    if (buffer != nullptr)
        r.data.assign(buffer, buffer + r.size);
    delete[] buffer;
    return r;
}

void ExpectFailure(const ReadResult& r)
{
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.bufferNull);
    EXPECT_EQ(r.size, 0u);
    EXPECT_EQ(r.liveArrays, 0);
}

// ---------------------------------------------------------------- XorBuffer

TEST(XorBuffer, MatchesTheByteWiseRuleForEveryLengthAndOffset)
{
    const uint32_t keys[] = {0u, 0xFFFFFFFFu, 0x11223344u, 0x80000001u};
    for (uint32_t key : keys) {
        for (std::size_t n = 0; n <= 40; ++n) {
            // Offsets 0..3 from an aligned base exercise unaligned words.
            for (std::size_t off = 0; off < 4; ++off) {
                Bytes buf = RandomBytes(n + off, static_cast<uint32_t>(n * 7 + off));
                Bytes expected = buf;
                Bytes tail(expected.begin() + static_cast<long>(off), expected.end());
                ReferenceXor(tail, 0, key);
                std::copy(tail.begin(), tail.end(), expected.begin() + static_cast<long>(off));
                XorBuffer(buf.data() + off, static_cast<uint32_t>(n), key);
                ASSERT_EQ(buf, expected) << "key " << key << " n " << n << " off " << off;
            }
        }
    }
}

TEST(XorBuffer, SixBytePayloadTailTakesLowestKeyByte)
{
    Bytes buf(6, 0);
    XorBuffer(buf.data(), 6, 0xA1B2C3D4u);
    EXPECT_EQ(buf, (Bytes{0xD4, 0xC3, 0xB2, 0xA1, 0xD4, 0xD4}));
}

TEST(XorBuffer, IsItsOwnInverseAndIgnoresNullOrEmpty)
{
    Bytes before = RandomBytes(1001, 1);
    Bytes buf = before;
    XorBuffer(buf.data(), 1001, 0xDEADBEEF);
    EXPECT_NE(buf, before);
    XorBuffer(buf.data(), 1001, 0xDEADBEEF);
    EXPECT_EQ(buf, before);

    XorBuffer(nullptr, 100, 0xDEADBEEF);
    XorBuffer(buf.data(), 0, 0xDEADBEEF);
    EXPECT_EQ(buf, before);
}

// -------------------------------------------------------- ZzUncompressBlock

TEST(ZzUncompressBlock, InflatesInPlaceAndStaysInsideTheBuffer)
{
    const Bytes data = ToBytes(std::string(5000, 'x') + "end");
    const Bytes stream = Compress(data);
    const uint32_t bufferSize = static_cast<uint32_t>(data.size()) + 16;
    // Guard bytes after the buffer must survive.
    Bytes area(bufferSize + 64, 0xAB);
    std::memcpy(area.data(), stream.data(), stream.size());
    int rc = ZzUncompressBlock(area.data(), static_cast<uint32_t>(stream.size()), bufferSize,
                               static_cast<uint32_t>(data.size()) + 16);
    ASSERT_EQ(rc, static_cast<int>(data.size()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), area.begin()));
    for (uint32_t i = static_cast<uint32_t>(data.size()); i < bufferSize; ++i)
        ASSERT_EQ(area[i], 0) << "unwritten byte " << i << " not zeroed";
    for (std::size_t i = bufferSize; i < area.size(); ++i)
        ASSERT_EQ(area[i], 0xAB) << "written past the buffer at " << i;
}

TEST(ZzUncompressBlock, RejectsBadArgumentsAndBadStreams)
{
    const Bytes stream = Compress(ToBytes("hello hello hello"));
    Bytes buf(64, 0);
    std::memcpy(buf.data(), stream.data(), stream.size());
    const uint32_t n = static_cast<uint32_t>(stream.size());

    EXPECT_EQ(ZzUncompressBlock(nullptr, n, 64, 17), ZZ_ERR_ARGS);
    EXPECT_EQ(ZzUncompressBlock(buf.data(), 65, 64, 17), ZZ_ERR_ARGS);
    EXPECT_EQ(ZzUncompressBlock(buf.data(), n, 64, 65), ZZ_ERR_ARGS);
    EXPECT_EQ(ZzUncompressBlock(buf.data(), 0, 64, 17), ZZ_ERR_DATA);
    Bytes copy = buf;
    EXPECT_EQ(ZzUncompressBlock(copy.data(), n, 64, 16), ZZ_ERR_TOO_LONG);
    copy = buf;
    EXPECT_EQ(ZzUncompressBlock(copy.data(), n - 1, 64, 17), ZZ_ERR_DATA);
    copy = buf;
    copy[0] ^= 0xFF; // header
    EXPECT_EQ(ZzUncompressBlock(copy.data(), n, 64, 17), ZZ_ERR_DATA);
    copy = buf;
    copy[n - 1] ^= 0x01; // Adler-32 trailer
    EXPECT_EQ(ZzUncompressBlock(copy.data(), n, 64, 17), ZZ_ERR_DATA);
    copy = buf;
    EXPECT_EQ(ZzUncompressBlock(copy.data(), n, 64, 17), 17);
}

// --------------------------------------------------------- ReadPackedStream

TEST(ReadPackedStream, RoundTripsDataOfManySizesAndSeeds)
{
    const std::size_t sizes[] = {1, 3, 4, 5, 255, 4096, 100000};
    const uint32_t seeds[] = {0u, 1u, 0xFFFFFFFFu, 0x89ABCDEFu};
    for (std::size_t n : sizes) {
        for (uint32_t seed : seeds) {
            // Random bytes do not compress, so the payload exceeds the data
            // for the small sizes; text compresses well.
            for (bool random : {true, false}) {
                Bytes data = random ? RandomBytes(n, seed) : ToBytes(std::string(n, 'q'));
                ReadResult r = ReadMem(Pack(data, seed));
                ASSERT_TRUE(r.ok) << n << " " << seed;
                EXPECT_EQ(r.size, n);
                EXPECT_EQ(r.data, data);
                EXPECT_EQ(r.liveArrays, 1); // the one block handed to the caller
            }
        }
    }
}

TEST(ReadPackedStream, PayloadLengthsOfEveryRemainderModFour)
{
    // Grow the text until the compressed stream has each length mod 4: the
    // last 1 to 3 bytes (part of the Adler-32 trailer) must unscramble with
    // the key's lowest byte or the stream is rejected.
    bool seen[4] = {};
    for (std::size_t len = 1; len < 400 && !(seen[0] && seen[1] && seen[2] && seen[3]); ++len) {
        Bytes data = RandomBytes(len, static_cast<uint32_t>(len));
        const std::size_t rem = Compress(data).size() % 4;
        if (seen[rem])
            continue;
        seen[rem] = true;
        ReadResult r = ReadMem(Pack(data, 0xC0FFEE00u + static_cast<uint32_t>(len)));
        ASSERT_TRUE(r.ok) << "payload length mod 4 = " << rem;
        EXPECT_EQ(r.data, data);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
}

TEST(ReadPackedStream, ShortFilesFailBeforeAnyAllocation)
{
    const Bytes good = Pack(ToBytes("abc"));
    for (std::size_t len = 0; len < 8; ++len) {
        ReadResult r = ReadMem(Bytes(good.begin(), good.begin() + static_cast<long>(len)));
        SCOPED_TRACE(len);
        ExpectFailure(r);
    }
}

TEST(ReadPackedStream, EmptyPayloadIsADamagedBlock)
{
    // 8 bytes: N = 0. The buffer would be dwUnpackedSize bytes, but an empty
    // block is no zlib stream, whatever the header says.
    for (uint32_t unpacked : {0u, 1u, 100u}) {
        Bytes file;
        PutU32(file, 0x12345678u);
        PutU32(file, unpacked);
        SCOPED_TRACE(unpacked);
        ExpectFailure(ReadMem(file));
    }
}

TEST(ReadPackedStream, EmptyDataPacksAndReadsBack)
{
    ReadResult r = ReadMem(Pack(Bytes()));
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.bufferNull);
    EXPECT_EQ(r.size, 0u);
}

TEST(ReadPackedStream, DamagedFilesFailAndLeaveNothingAllocated)
{
    const Bytes data = ToBytes(std::string(3000, 'a') + "the end of the text");
    const Bytes stream = Compress(data);
    const uint32_t n = static_cast<uint32_t>(data.size());
    const uint32_t seed = 777;

    struct Case {
        const char* name;
        Bytes file;
    };
    Bytes wrongSeed = PackStream(stream, seed, n);
    wrongSeed[0] ^= 0x01;
    Bytes flipped = PackStream(stream, seed, n);
    flipped[8 + stream.size() / 2] ^= 0x40;
    Bytes truncatedByOne = PackStream(Bytes(stream.begin(), stream.end() - 1), seed, n);
    Bytes truncatedHalf =
        PackStream(Bytes(stream.begin(), stream.begin() + static_cast<long>(stream.size() / 2)), seed, n);
    // A file cut short after packing: N (and so the key) no longer match.
    Bytes cut = PackStream(stream, seed, n);
    cut.pop_back();
    Bytes plain; // not compressed at all
    PutU32(plain, seed);
    PutU32(plain, 5);
    for (char c : std::string("hello"))
        plain.push_back(static_cast<uint8_t>(c));
    ReferenceXor(plain, 8, seed ^ 5u);

    const Case cases[] = {
        {"wrong seed", wrongSeed},
        {"flipped bit in the body", flipped},
        {"stream truncated by one byte", truncatedByOne},
        {"stream truncated to half", truncatedHalf},
        {"file cut after packing", cut},
        {"inflates to more than dwUnpackedSize", PackStream(stream, seed, n - 1)},
        {"dwUnpackedSize zero for non-empty data", PackStream(stream, seed, 0)},
        {"uncompressed payload", plain},
        {"dwUnpackedSize 0xFFFFFFFF", PackStream(stream, seed, 0xFFFFFFFFu)},
        {"dwUnpackedSize above the ratio limit",
         PackStream(stream, seed, static_cast<uint32_t>(stream.size()) * PACKED_MAX_RATIO + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFailure(ReadMem(c.file));
    }
}

TEST(ReadPackedStream, ShorterStreamIsZeroFilledUpToDwUnpackedSize)
{
    const Bytes data = ToBytes("short text");
    const Bytes stream = Compress(data);
    // Still within the ratio limit for this payload.
    const uint32_t unpacked = 4000;
    ReadResult r = ReadMem(PackStream(stream, 42, unpacked));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.size, unpacked);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), r.data.begin()));
    for (std::size_t i = data.size(); i < unpacked; ++i)
        ASSERT_EQ(r.data[i], 0) << i;
}

TEST(ReadPackedStream, UnpackedSmallerThanPayloadReportsDwUnpackedSize)
{
    // Three random bytes make an 11-byte stream: the buffer is N bytes, the
    // size reported stays 3.
    const Bytes data = RandomBytes(3, 9);
    ASSERT_GT(Compress(data).size(), data.size());
    ReadResult r = ReadMem(Pack(data));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.size, 3u);
    EXPECT_EQ(r.data, data);
}

TEST(ReadPackedStream, BytesAfterTheStreamAreIgnored)
{
    const Bytes data = ToBytes("padded payload");
    Bytes stream = Compress(data);
    stream.insert(stream.end(), {0, 0, 0});
    ReadResult r = ReadMem(PackStream(stream, 5, static_cast<uint32_t>(data.size())));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, data);
}

TEST(ReadPackedStream, ReleasesAnEarlierBufferOnSuccessAndOnFailure)
{
    const Bytes good = Pack(ToBytes("again"));
    const Bytes bad(5, 0);
    for (const Bytes* file : {&good, &bad}) {
        ArrayAllocScope scope;
        uint8_t* buffer = new uint8_t[32];
        uint32_t size = 99;
        CMemFile mem(file->data(), file->size());
        const BOOL ok = ReadPackedStream(&mem, &buffer, &size);
        EXPECT_EQ(ok, file == &good ? TRUE : FALSE);
        EXPECT_EQ(scope.stats().live, ok ? 1 : 0);
        EXPECT_EQ(buffer == nullptr, !ok);
        delete[] buffer;
    }
    uint8_t* buffer = new uint8_t[4];
    uint32_t size = 7;
    {
        ArrayAllocScope scope;
        EXPECT_FALSE(ReadPackedStream(nullptr, &buffer, &size));
        EXPECT_EQ(scope.stats().live, -1);
    }
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(ReadPackedStream, NeedsTheFileAtOffsetZero)
{
    // The key comes from the whole length: the same bytes read through a
    // larger file object unscramble with a different key and fail.
    Bytes file = Pack(ToBytes(std::string(200, 'z')));
    Bytes longer = file;
    longer.push_back(0);
    ExpectFailure(ReadMem(longer));
}

// ---------------------------------------------------------- ReadPackedFile

TEST(ReadPackedFile, ReadsTheSameBytesTwiceAndReleasesOnBadPaths)
{
    test::TempDir dir;
    const Bytes data = RandomBytes(20000, 3);
    const Bytes packed = Pack(data);
    const std::string path = dir.file("image.bpg");
    test::WriteFile(path, std::string(packed.begin(), packed.end()));

    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    for (int pass = 0; pass < 2; ++pass) {
        ArrayAllocScope scope;
        ASSERT_TRUE(ReadPackedFile(path, &buffer, &size));
        EXPECT_EQ(scope.stats().live, pass == 0 ? 1 : 0); // second pass released the first
        ASSERT_EQ(size, data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer));
    }
    for (const std::string& bad : {dir.file("missing.bpg"), dir.path().string()}) {
        ArrayAllocScope scope;
        EXPECT_FALSE(ReadPackedFile(bad, &buffer, &size));
        EXPECT_EQ(buffer, nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(scope.stats().live, -1);
        buffer = new uint8_t[8]; // an earlier buffer for the next case
    }
    delete[] buffer;
}

// ---------------------------------------------------------- ReadPackedText

TEST(ReadPackedText, ReturnsBytesUpToTheFirstNulUnchanged)
{
    test::TempDir dir;
    struct Case {
        const char* name;
        std::string unpacked;
        std::string expected;
    };
    const Case cases[] = {
        {"plain text keeps CR LF", "abc\r\nde\r\n", "abc\r\nde\r\n"},
        {"NUL inside", std::string("abc\0def", 7), "abc"},
        {"NUL first", std::string("\0abc", 4), ""},
        {"double-byte text", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes packed = Pack(ToBytes(c.unpacked));
        const std::string path = dir.file("t.bin");
        test::WriteFile(path, std::string(packed.begin(), packed.end()));
        ArrayAllocScope scope;
        EXPECT_EQ(ReadPackedText(path), c.expected);
        EXPECT_EQ(scope.stats().live, 0);
    }
}

TEST(ReadPackedText, CutsTextWithoutNulAtDwUnpackedSize)
{
    // The stream holds 10 bytes, dwUnpackedSize says 4: that is a stream
    // longer than announced and fails; with 10 the text is all 10 bytes and
    // nothing of the buffer's remaining payload bytes leaks into it.
    test::TempDir dir;
    const Bytes data = RandomBytes(10, 1234);
    Bytes noNul = data;
    for (auto& c : noNul)
        c = static_cast<uint8_t>(c | 1);
    const Bytes packed = Pack(noNul);
    ASSERT_GT(packed.size() - 8, noNul.size()); // buffer larger than the text
    test::WriteFile(dir.file("x.bin"), std::string(packed.begin(), packed.end()));
    EXPECT_EQ(ReadPackedText(dir.file("x.bin")), std::string(noNul.begin(), noNul.end()));

    const Bytes shortSize = PackStream(Compress(noNul), 1, 4);
    test::WriteFile(dir.file("y.bin"), std::string(shortSize.begin(), shortSize.end()));
    EXPECT_EQ(ReadPackedText(dir.file("y.bin")), "");
    EXPECT_EQ(ReadPackedText(dir.file("missing.bin")), "");
}

// -------------------------------------------------------- PackBytes / tool

TEST(PackBytes, WritesTheHeaderAndAScrambledZlibStream)
{
    const Bytes data = ToBytes(std::string(1000, 'm') + "tail");
    Bytes out;
    ASSERT_TRUE(PackBytes(data.data(), data.size(), 0x01020304u, out));
    ASSERT_GT(out.size(), 8u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 8),
              (Bytes{0x04, 0x03, 0x02, 0x01, 0xEC, 0x03, 0x00, 0x00}));
    Bytes stream(out.begin(), out.end());
    ReferenceXor(stream, 8, 0x01020304u ^ static_cast<uint32_t>(out.size() - 8));
    Bytes inflated(data.size());
    uLongf len = static_cast<uLongf>(inflated.size());
    ASSERT_EQ(uncompress(inflated.data(), &len, stream.data() + 8,
                         static_cast<uLong>(stream.size() - 8)),
              Z_OK);
    EXPECT_EQ(inflated, data);
}

TEST(VexlanJobTool, PackAndUnpackRoundTrip)
{
    test::TempDir dir;
    const Bytes data = RandomBytes(70000, 8);
    test::WriteFile(dir.file("in"), std::string(data.begin(), data.end()));

    auto r = test::Run({VEXLAN_JOB_TOOL, "pack", dir.file("in"), "-o", dir.file("p.bin"),
                        "--seed", "0xCAFEF00D"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string packed = test::ReadFile(dir.file("p.bin"));
    ASSERT_GE(packed.size(), 8u);
    EXPECT_EQ(packed.substr(0, 4), "\x0D\xF0\xFE\xCA");

    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(ReadPackedFile(dir.file("p.bin"), &buffer, &size));
    EXPECT_EQ(Bytes(buffer, buffer + size), data);
    delete[] buffer;

    r = test::Run({VEXLAN_JOB_TOOL, "unpack", dir.file("p.bin"), "-o", dir.file("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir.file("out")), std::string(data.begin(), data.end()));

    // Without --seed the seed is random: two packs differ but both unpack.
    ASSERT_EQ(test::Run({VEXLAN_JOB_TOOL, "pack", dir.file("in"), "-o", dir.file("a")}).status, 0);
    ASSERT_EQ(test::Run({VEXLAN_JOB_TOOL, "pack", dir.file("in"), "-o", dir.file("b")}).status, 0);
    EXPECT_NE(test::ReadFile(dir.file("a")), test::ReadFile(dir.file("b")));
}

TEST(VexlanJobTool, ReportsBadUsageAndBadFiles)
{
    test::TempDir dir;
    test::WriteFile(dir.file("in"), "data");
    test::WriteFile(dir.file("junk.bin"), "12345678 not a stream");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"pack", dir.file("in")}, 2},
        {{"pack", "-o", dir.file("x")}, 2},
        {{"pack", dir.file("in"), "-o", dir.file("x"), "--seed", "-3"}, 2},
        {{"pack", dir.file("in"), "-o", dir.file("x"), "--seed", "4294967296"}, 2},
        {{"pack", dir.file("in"), "-o", dir.file("x"), "--seed", "12ab"}, 2},
        {{"unpack", dir.file("in"), "-o", dir.file("x"), "--seed", "1"}, 2},
        {{"pack", dir.file("missing"), "-o", dir.file("x")}, 1},
        {{"pack", dir.file("in"), "-o", dir.file("no/such/dir/x")}, 1},
        {{"unpack", dir.file("junk.bin"), "-o", dir.file("x")}, 1},
        {{"unpack", dir.file("missing"), "-o", dir.file("x")}, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{VEXLAN_JOB_TOOL};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        auto r = test::Run(argv);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args.back();
        EXPECT_FALSE(r.err.empty());
    }
}

} // namespace
} // namespace vexlan
