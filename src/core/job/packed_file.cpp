// SPDX-License-Identifier: MIT
// Packed resource files: unscrambling and reading into one unpacked buffer.
#include "core/job/packed_file.h"

#include "core/base/bytes.h"
#include "core/zzlib/zzlib.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace vexlan {

void XorBuffer(uint8_t* data, uint32_t count, uint32_t key)
{
    if (data == nullptr || count == 0)
        return;
    // The key laid out as its four little-endian bytes, twice: XORing native
    // 64-bit words with this pattern is the same as XORing each 32-bit
    // little-endian word with the key, on any host byte order.
    uint8_t pattern[8];
    WriteU32LE(pattern, key);
    WriteU32LE(pattern + 4, key);
    uint64_t k64;
    std::memcpy(&k64, pattern, sizeof k64);

    const uint32_t words = count / 4;
    const uint32_t wholeBytes = words * 4;
    uint32_t i = 0;
    // memcpy loads and stores compile to plain unaligned moves; the loop
    // body has no dependency between iterations, so it vectorises.
    for (; i + 8 <= wholeBytes; i += 8) {
        uint64_t w;
        std::memcpy(&w, data + i, sizeof w);
        w ^= k64;
        std::memcpy(data + i, &w, sizeof w);
    }
    for (; i < wholeBytes; ++i)
        data[i] ^= pattern[i % 4];
    // The tail of count % 4 bytes takes the key's lowest byte only.
    const uint8_t low = static_cast<uint8_t>(key & 0xFF);
    for (; i < count; ++i)
        data[i] ^= low;
}

namespace {

struct PackedHeader {
    PackedSizes sizes;
    uint32_t key = 0;
    uint32_t bufferSize = 0;
};

// Reads and checks the 8-byte header (the file at offset 0).
bool ReadHeader(CFile* file, PackedHeader& h)
{
    uint8_t field[4];
    if (file->Read(field, 4) != 4)
        return false;
    const uint32_t seed = ReadU32LE(field);
    if (file->Read(field, 4) != 4)
        return false;
    const uint32_t unpackedSize = ReadU32LE(field);

    // N and the key come from the whole file's length, so the file must
    // have stood at offset 0 when it was handed in.
    const uint64_t length = file->GetLength();
    if (length < PACKED_HEADER_SIZE || length - PACKED_HEADER_SIZE > PACKED_MAX_SIZE)
        return false;
    const uint32_t n = static_cast<uint32_t>(length - PACKED_HEADER_SIZE);
    if (unpackedSize > PACKED_MAX_SIZE ||
        static_cast<uint64_t>(unpackedSize) > static_cast<uint64_t>(n) * PACKED_MAX_RATIO)
        return false;
    h.key = seed ^ n;
    h.bufferSize = std::max(n, unpackedSize);
    h.sizes = PackedSizes{n, unpackedSize, uint64_t{h.bufferSize} + n};
    return true;
}

// Reads the payload into `block` (bufferSize bytes), unscrambles it and
// inflates it in place.
PackedRead Unpack(CFile* file, const PackedHeader& h, uint8_t* block)
{
    if (file->Read(block, h.sizes.packed) != h.sizes.packed)
        return PackedRead::kDamaged;
    XorBuffer(block, h.sizes.packed, h.key);
    const int got = ZzUncompressBlock(block, h.sizes.packed, h.bufferSize, h.sizes.unpacked);
    if (got == ZZ_ERR_MEM)
        return PackedRead::kNoMemory;
    return got < 0 ? PackedRead::kDamaged : PackedRead::kOk;
}

// ReadPackedStream with `room` asked before the block is allocated.
PackedRead ReadIntoNewBlock(CFile* file, uint8_t** buffer, uint32_t* size, uint32_t* capacity,
                            const PackedRoom* room)
{
    if (buffer != nullptr) {
        delete[] *buffer;
        *buffer = nullptr;
    }
    if (size != nullptr)
        *size = 0;
    if (capacity != nullptr)
        *capacity = 0;
    PackedHeader h;
    if (file == nullptr || buffer == nullptr || size == nullptr || !ReadHeader(file, h))
        return PackedRead::kDamaged;
    if (room != nullptr && *room && !(*room)(h.sizes))
        return PackedRead::kRefused;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[h.bufferSize]);
    if (!block)
        return PackedRead::kNoMemory;
    const PackedRead got = Unpack(file, h, block.get());
    if (got != PackedRead::kOk)
        return got;
    *buffer = block.release();
    *size = h.sizes.unpacked;
    if (capacity != nullptr)
        *capacity = h.bufferSize;
    return PackedRead::kOk;
}

} // namespace

BOOL ReadPackedStream(CFile* file, uint8_t** buffer, uint32_t* size, uint32_t* capacity)
{
    return ReadIntoNewBlock(file, buffer, size, capacity, nullptr) == PackedRead::kOk;
}

PackedRead ReadPackedBytes(CFile* file, std::vector<uint8_t>& out, const PackedRoom& room)
{
    std::vector<uint8_t>().swap(out);
    PackedHeader h;
    if (file == nullptr || !ReadHeader(file, h))
        return PackedRead::kDamaged;
    if (room && !room(h.sizes))
        return PackedRead::kRefused;
    try {
        out.resize(h.bufferSize);
    } catch (const std::exception&) {
        return PackedRead::kNoMemory;
    }
    const PackedRead got = Unpack(file, h, out.data());
    if (got != PackedRead::kOk) {
        std::vector<uint8_t>().swap(out);
        return got;
    }
    out.resize(h.sizes.unpacked);
    // Only a payload longer than its unpacked data leaves spare room; the
    // copy that gives it back is smaller than what was just released.
    if (out.capacity() > out.size())
        out.shrink_to_fit();
    return PackedRead::kOk;
}

PackedRead ReadPackedFile(const std::string& path, uint8_t** buffer, uint32_t* size, uint32_t* capacity,
                          const PackedRoom& room)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary)) {
        ReadIntoNewBlock(nullptr, buffer, size, capacity, nullptr);
        return PackedRead::kDamaged;
    }
    return ReadIntoNewBlock(&file, buffer, size, capacity, &room);
}

BOOL ReadPackedFile(std::string path, uint8_t** buffer, uint32_t* size, uint32_t* capacity)
{
    if (buffer != nullptr) {
        delete[] *buffer;
        *buffer = nullptr;
    }
    if (size != nullptr)
        *size = 0;
    if (capacity != nullptr)
        *capacity = 0;
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
        return FALSE;
    return ReadPackedStream(&file, buffer, size, capacity);
}

std::string ReadPackedText(std::string path)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
        return std::string();
    uint8_t* block = nullptr;
    uint32_t size = 0;
    if (!ReadPackedStream(&file, &block, &size))
        return std::string();
    std::unique_ptr<uint8_t[]> owned(block);
    // Up to the first NUL, and never past the unpacked bytes.
    const char* text = reinterpret_cast<const char*>(block);
    return std::string(text, strnlen(text, size));
}

} // namespace vexlan
