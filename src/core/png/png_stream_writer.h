// SPDX-License-Identifier: MIT
// CPngStreamWriter: writes an 8-bit RGB PNG one row at a time, so that an
// image far larger than memory (a page at 2400 dpi is 557 M pixels) can be
// rendered in bands and streamed out band by band.
//
// The file is the signature, IHDR, pHYs (the resolution), IDAT chunks cut
// from one zlib stream over the filtered rows, and IEND. Rows use the "Up"
// filter (each byte minus the byte above it), which turns the unchanged
// rows and columns of a printed page into zeros; zlib compresses the rows
// that change in many pixels with its run-length strategy at its fastest
// level, and unchanged rows and rows that change in few pixels are encoded
// without zlib (see the .cpp): a page is mostly white, and this keeps the
// encoder near memory speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vexlan {

class CPngStreamWriter {
public:
    // Receives the file's bytes in order; returns false when they could not
    // be written, which fails the writer.
    using Sink = std::function<bool(const void* data, std::size_t size)>;

    explicit CPngStreamWriter(Sink sink);
    ~CPngStreamWriter();
    CPngStreamWriter(const CPngStreamWriter&) = delete;
    CPngStreamWriter& operator=(const CPngStreamWriter&) = delete;

    // Writes the header of a `width` x `height` image (each 1 to 2^31 - 1)
    // with `dotsPerMeter` as its resolution (0: none recorded). Returns
    // false on a bad size or a sink failure.
    bool Begin(uint32_t width, uint32_t height, uint32_t dotsPerMeter);
    // Appends the next row: `width` pixels as 0xAARRGGBB words (QImage's
    // RGB32), alpha ignored. Returns false after a failure or when all rows
    // were already written.
    bool WriteRow(const uint32_t* pixels);
    // Ends the image. Returns false unless every row was written and every
    // byte reached the sink.
    bool Finish();

    // Segments: runs of rows encoded on their own (on other threads) and
    // put into an image in order. A segment's first row is filtered as an
    // image's first row is, so it needs no row above it, and its deflate
    // data refers to nothing before it and ends on a byte boundary.
    // Starts a segment of `width`-pixel rows (given by WriteRow); the sink
    // receives its raw deflate data.
    bool BeginSegment(uint32_t width);
    // Ends the segment. Returns false unless every byte reached the sink.
    bool FinishSegment();
    uint32_t Rows() const { return m_rowsWritten; }
    unsigned long Adler() const { return m_adler; } // of the filtered rows
    // Puts the `data` of a finished segment of `rows` rows, whose filtered
    // rows have Adler-32 `adler`, next into this image (begun, its rows
    // given only by segments).
    bool AppendSegment(const void* data, std::size_t size, uint32_t rows, unsigned long adler);

private:
    bool Open(uint32_t width, uint32_t height);
    bool Chunk(const char type[4], const uint8_t* data, std::size_t size);
    bool EmitIdat();
    bool PutBytes(const uint8_t* data, std::size_t size);
    bool PutBits(uint32_t bits, int count);
    bool Deflate(const uint8_t* data, std::size_t size, int flush);
    bool StartOwnBlock();
    bool EndOwnBlock();
    bool PutLiteral(uint8_t byte);
    bool PutZeros(uint64_t count);
    bool PutOwnRow(const uint8_t* row, std::size_t size);
    bool FlushRepeats();

    // Who writes the deflate stream now: zlib, this class (inside an open
    // fixed-Huffman block), or nobody since the last byte boundary.
    enum class Mode { Aligned, Zlib, Own };

    struct Stream;
    Sink m_sink;
    std::unique_ptr<Stream> m_z;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_rowsWritten = 0;
    uint32_t m_repeats = 0;          // rows equal to the row above, not yet encoded
    Mode m_mode = Mode::Aligned;
    bool m_failed = false;
    bool m_segment = false;          // the sink takes raw deflate data, not chunks
    unsigned long m_adler = 1;       // Adler-32 of the filtered rows so far
    unsigned long m_repeatAdler = 1; // Adler-32 of one repeated row
    uint64_t m_bitBuffer = 0;
    int m_bitCount = 0;
    std::vector<uint32_t> m_lastPixels; // the row above, as given
    std::vector<uint8_t> m_filtered;    // filter byte + the row's differences
    std::vector<uint8_t> m_out;         // compressed bytes waiting for an IDAT
    std::size_t m_used = 0;             // bytes of m_out in use
};

} // namespace vexlan
