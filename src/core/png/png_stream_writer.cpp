// SPDX-License-Identifier: MIT
// CPngStreamWriter: PNG chunks around one zlib stream of filtered rows.
//
// The zlib stream is written as raw deflate data between a zlib header and
// an Adler-32 trailer of our own, so that two encoders can take turns in
// it: zlib compresses the rows that change in many pixels, and rows equal
// to the row above (all zeros after the Up filter; most rows of a page at
// a high resolution) or changing in few pixels are encoded here directly,
// as fixed-Huffman blocks of literals and runs of zeros, without zlib
// scanning them byte by byte. zlib's part ends with a full flush before
// such a block (byte aligned, no references back across it), and the block
// ends with an empty stored block, which realigns the stream to a byte for
// zlib to continue.
#include "core/png/png_stream_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace vexlan {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kFilterNone = 0;
constexpr uint8_t kFilterUp = 2;
constexpr uint32_t kMaxDimension = 0x7FFFFFFFu; // PNG's limit for width and height
constexpr std::size_t kIdatBytes = 1 << 18;     // compressed bytes per IDAT chunk
constexpr int kMaxMatch = 258;                  // longest deflate match
constexpr std::size_t kSparseShare = 64;        // rows changing in 1/64 of pixels or fewer are encoded here

void PutU32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// A Huffman code of the fixed deflate table, bit-reversed for LSB-first
// output.
struct Code {
    uint32_t bits;
    int length;
};

uint32_t Reverse(uint32_t code, int length)
{
    uint32_t r = 0;
    for (int i = 0; i < length; ++i)
        r |= ((code >> i) & 1u) << (length - 1 - i);
    return r;
}

Code FixedLiteral(int symbol)
{
    if (symbol < 144)
        return {Reverse(0x30 + symbol, 8), 8};
    if (symbol < 256)
        return {Reverse(0x190 + symbol - 144, 9), 9};
    if (symbol < 280)
        return {Reverse(symbol - 256, 7), 7};
    return {Reverse(0xC0 + symbol - 280, 8), 8};
}

// Length symbol and extra bits of a match of `length` (3..258) bytes.
struct LengthCode {
    int symbol;
    int extraBits;
    int extraValue;
};

LengthCode MatchLength(int length)
{
    static constexpr int kBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    int i = 28;
    while (kBase[i] > length)
        --i;
    return {257 + i, kExtra[i], length - kBase[i]};
}

} // namespace

struct CPngStreamWriter::Stream {
    z_stream z{};
    bool open = false;
    ~Stream()
    {
        if (open)
            deflateEnd(&z);
    }
};

CPngStreamWriter::CPngStreamWriter(Sink sink) : m_sink(std::move(sink)), m_z(std::make_unique<Stream>()) {}

CPngStreamWriter::~CPngStreamWriter() = default;

bool CPngStreamWriter::Chunk(const char type[4], const uint8_t* data, std::size_t size)
{
    uint8_t head[8];
    PutU32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0)
        crc = crc32(crc, data, static_cast<uInt>(size));
    uint8_t tail[4];
    PutU32(tail, static_cast<uint32_t>(crc));
    if (!m_sink(head, 8) || (size > 0 && !m_sink(data, size)) || !m_sink(tail, 4))
        m_failed = true;
    return !m_failed;
}

bool CPngStreamWriter::Open(uint32_t width, uint32_t height)
{
    if (m_z->open || m_failed || width == 0 || height == 0 || width > kMaxDimension ||
        height > kMaxDimension || uint64_t(width) > (SIZE_MAX - 1) / 4) { // (a row's bytes where size_t is 32 bits)
        m_failed = true;
        return false;
    }
    // Raw deflate: the zlib header and trailer are written here.
    if (deflateInit2(&m_z->z, 1, Z_DEFLATED, -15, 9, Z_RLE) != Z_OK) {
        m_failed = true;
        return false;
    }
    m_z->open = true;
    m_width = width;
    m_height = height;
    m_filtered.resize(std::size_t(width) * 3 + 1);
    m_lastPixels.assign(width, 0xFF000000u); // black: the first row is its own difference
    m_out.resize(kIdatBytes);
    m_used = 0;

    // The Adler-32 of a row equal to the one above: the filter byte and zeros.
    std::fill(m_filtered.begin(), m_filtered.end(), 0);
    m_filtered[0] = kFilterUp;
    m_repeatAdler = adler32(adler32(0, nullptr, 0), m_filtered.data(), static_cast<uInt>(m_filtered.size()));
    m_adler = adler32(0, nullptr, 0);
    return true;
}

bool CPngStreamWriter::BeginSegment(uint32_t width)
{
    m_segment = true;
    return Open(width, kMaxDimension);
}

bool CPngStreamWriter::FinishSegment()
{
    if (m_failed || !m_segment || !m_z->open) {
        m_failed = true;
        return false;
    }
    // Back on a byte boundary, with all of zlib's data out.
    if (!FlushRepeats() || !EndOwnBlock())
        return false;
    if (m_mode == Mode::Zlib && !Deflate(nullptr, 0, Z_SYNC_FLUSH))
        return false;
    m_mode = Mode::Aligned;
    return EmitIdat();
}

bool CPngStreamWriter::AppendSegment(const void* data, std::size_t size, uint32_t rows, unsigned long adler)
{
    if (m_failed || m_segment || !m_z->open || m_mode != Mode::Aligned || m_repeats != 0 ||
        rows > m_height - m_rowsWritten) {
        m_failed = true;
        return false;
    }
    m_adler = adler32_combine(m_adler, adler, static_cast<z_off_t>(uint64_t(rows) * m_filtered.size()));
    m_rowsWritten += rows;
    return PutBytes(static_cast<const uint8_t*>(data), size);
}

bool CPngStreamWriter::Begin(uint32_t width, uint32_t height, uint32_t dotsPerMeter)
{
    if (!Open(width, height))
        return false;

    uint8_t ihdr[13];
    PutU32(ihdr, width);
    PutU32(ihdr + 4, height);
    ihdr[8] = 8;  // bits per sample
    ihdr[9] = 2;  // colour type: RGB
    ihdr[10] = 0; // deflate
    ihdr[11] = 0; // adaptive filtering
    ihdr[12] = 0; // not interlaced
    if (!m_sink(kSignature, sizeof kSignature)) {
        m_failed = true;
        return false;
    }
    if (!Chunk("IHDR", ihdr, sizeof ihdr))
        return false;
    if (dotsPerMeter > 0) {
        uint8_t phys[9];
        PutU32(phys, dotsPerMeter);
        PutU32(phys + 4, dotsPerMeter);
        phys[8] = 1; // unit: metre
        if (!Chunk("pHYs", phys, sizeof phys))
            return false;
    }
    static constexpr uint8_t kZlibHeader[2] = {0x78, 0x01}; // deflate, 32 KiB window, fastest
    return PutBytes(kZlibHeader, sizeof kZlibHeader);
}

bool CPngStreamWriter::EmitIdat()
{
    if (m_used == 0)
        return true;
    const std::size_t n = m_used;
    m_used = 0;
    if (!m_segment)
        return Chunk("IDAT", m_out.data(), n);
    if (!m_sink(m_out.data(), n))
        m_failed = true;
    return !m_failed;
}

bool CPngStreamWriter::PutBytes(const uint8_t* data, std::size_t size)
{
    while (size > 0) {
        if (m_used == kIdatBytes && !EmitIdat())
            return false;
        const std::size_t n = std::min(size, kIdatBytes - m_used);
        std::memcpy(m_out.data() + m_used, data, n);
        m_used += n;
        data += n;
        size -= n;
    }
    return true;
}

bool CPngStreamWriter::PutBits(uint32_t bits, int count)
{
    m_bitBuffer |= uint64_t(bits) << m_bitCount;
    m_bitCount += count;
    while (m_bitCount >= 8) {
        if (m_used == kIdatBytes && !EmitIdat())
            return false;
        m_out[m_used++] = uint8_t(m_bitBuffer);
        m_bitBuffer >>= 8;
        m_bitCount -= 8;
    }
    return true;
}

bool CPngStreamWriter::Deflate(const uint8_t* data, std::size_t size, int flush)
{
    z_stream& z = m_z->z;
    z.next_in = const_cast<uint8_t*>(data);
    z.avail_in = static_cast<uInt>(size);
    for (;;) {
        if (m_used == kIdatBytes && !EmitIdat())
            return false;
        z.next_out = m_out.data() + m_used;
        z.avail_out = static_cast<uInt>(kIdatBytes - m_used);
        const int rc = deflate(&z, flush);
        m_used = kIdatBytes - z.avail_out;
        if (rc == Z_STREAM_END)
            return true;
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            m_failed = true;
            return false;
        }
        // Done once zlib took all input and had room left for its output.
        if (z.avail_in == 0 && z.avail_out > 0)
            return true;
    }
}

bool CPngStreamWriter::StartOwnBlock()
{
    if (m_mode == Mode::Own)
        return true;
    // End zlib's part on a byte boundary with no references across it.
    if (m_mode == Mode::Zlib && !Deflate(nullptr, 0, Z_FULL_FLUSH))
        return false;
    m_mode = Mode::Own;
    return PutBits(0b010, 3); // not the last block; fixed Huffman codes
}

bool CPngStreamWriter::EndOwnBlock()
{
    if (m_mode != Mode::Own)
        return true;
    m_mode = Mode::Aligned;
    // End of block, then an empty stored block: back on a byte boundary.
    static const Code kEndOfBlock = FixedLiteral(256);
    if (!PutBits(kEndOfBlock.bits, kEndOfBlock.length) || !PutBits(0b000, 3))
        return false;
    if (m_bitCount > 0 && !PutBits(0, 8 - m_bitCount))
        return false;
    static constexpr uint8_t kEmptyStored[4] = {0x00, 0x00, 0xFF, 0xFF};
    return PutBytes(kEmptyStored, sizeof kEmptyStored);
}

bool CPngStreamWriter::PutLiteral(uint8_t byte)
{
    static const std::array<Code, 256> kLiterals = [] {
        std::array<Code, 256> codes{};
        for (int i = 0; i < 256; ++i)
            codes[i] = FixedLiteral(i);
        return codes;
    }();
    return PutBits(kLiterals[byte].bits, kLiterals[byte].length);
}

bool CPngStreamWriter::PutZeros(uint64_t count)
{
    // After a zero: matches of the byte before (distance code 0, 5 bits).
    static const Code kLongest = FixedLiteral(MatchLength(kMaxMatch).symbol);
    for (; count >= kMaxMatch; count -= kMaxMatch) {
        if (!PutBits(kLongest.bits, kLongest.length) || !PutBits(0, 5))
            return false;
    }
    if (count >= 3) {
        const LengthCode code = MatchLength(int(count));
        const Code symbol = FixedLiteral(code.symbol);
        return PutBits(symbol.bits, symbol.length) && PutBits(uint32_t(code.extraValue), code.extraBits) &&
               PutBits(0, 5);
    }
    for (; count > 0; --count) {
        if (!PutLiteral(0))
            return false;
    }
    return true;
}

bool CPngStreamWriter::PutOwnRow(const uint8_t* row, std::size_t size)
{
    std::size_t i = 0;
    while (i < size) {
        if (row[i] != 0) {
            if (!PutLiteral(row[i++]))
                return false;
            continue;
        }
        std::size_t j = i + 1;
        while (j + 8 <= size) { // eight bytes at a time through long runs
            uint64_t word;
            std::memcpy(&word, row + j, 8);
            if (word != 0)
                break;
            j += 8;
        }
        while (j < size && row[j] == 0)
            ++j;
        // The first zero follows a byte that is not: a literal.
        if (!PutLiteral(0) || !PutZeros(j - i - 1))
            return false;
        i = j;
    }
    return true;
}

bool CPngStreamWriter::FlushRepeats()
{
    if (m_repeats == 0)
        return true;
    if (!StartOwnBlock())
        return false;
    // A repeated row: the filter byte, then zeros only.
    const uint64_t zeros = uint64_t(m_width) * 3;
    for (; m_repeats > 0; --m_repeats) {
        m_adler = adler32_combine(m_adler, m_repeatAdler, static_cast<z_off_t>(m_filtered.size()));
        if (!PutLiteral(kFilterUp) || !PutLiteral(0) || !PutZeros(zeros - 1))
            return false;
    }
    return true;
}

bool CPngStreamWriter::WriteRow(const uint32_t* pixels)
{
    if (m_failed || !m_z->open || m_rowsWritten >= m_height) {
        m_failed = true;
        return false;
    }
    const std::size_t width = m_width;
    if (m_rowsWritten > 0 && std::memcmp(pixels, m_lastPixels.data(), width * 4) == 0) {
        ++m_repeats;
        ++m_rowsWritten;
        return true;
    }
    if (!FlushRepeats())
        return false;

    // Up filter straight from the 32-bit pixels: the bytes of each pixel
    // minus those of the pixel above, four lanes at once without carries
    // between them, then stored in R, G, B order.
    // The first row (of the image or of a segment) is its difference from
    // black, which is the row itself: filter "None", as a reader takes it
    // without the row above.
    uint32_t* above = m_lastPixels.data();
    uint8_t* out = m_filtered.data() + 1;
    m_filtered[0] = m_rowsWritten == 0 ? kFilterNone : kFilterUp;
    std::size_t changed = 0;
    for (std::size_t x = 0; x < width; ++x) {
        const uint32_t p = pixels[x], q = above[x];
        const uint32_t d = ((p | 0x80808080u) - (q & 0x7F7F7F7Fu)) ^ ((p ^ ~q) & 0x80808080u);
        out[3 * x] = uint8_t(d >> 16);
        out[3 * x + 1] = uint8_t(d >> 8);
        out[3 * x + 2] = uint8_t(d);
        changed += (d & 0x00FFFFFFu) != 0;
        above[x] = p;
    }
    m_adler = adler32(m_adler, m_filtered.data(), static_cast<uInt>(m_filtered.size()));
    ++m_rowsWritten;
    // A row that changes in few pixels is mostly runs of zeros: encoded
    // here at memory speed. Other rows go to zlib, which compresses them
    // better.
    if (changed * kSparseShare <= width)
        return StartOwnBlock() && PutOwnRow(m_filtered.data(), m_filtered.size());
    if (!EndOwnBlock())
        return false;
    m_mode = Mode::Zlib;
    return Deflate(m_filtered.data(), m_filtered.size(), Z_NO_FLUSH);
}

bool CPngStreamWriter::Finish()
{
    if (m_failed || m_segment || !m_z->open || m_rowsWritten != m_height) {
        m_failed = true;
        return false;
    }
    if (!FlushRepeats() || !EndOwnBlock() || !Deflate(nullptr, 0, Z_FINISH))
        return false;
    uint8_t trailer[4];
    PutU32(trailer, static_cast<uint32_t>(m_adler));
    if (!PutBytes(trailer, sizeof trailer) || !EmitIdat())
        return false;
    return Chunk("IEND", nullptr, 0);
}

} // namespace vexlan
