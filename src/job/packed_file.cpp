// Packed resource files: unscrambling and reading into one unpacked buffer.
#include "job/packed_file.h"

#include "platform/bytes.h"
#include "zzlib/zzlib.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

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

BOOL ReadPackedStream(CFile* file, uint8_t** buffer, uint32_t* size, uint32_t* capacity)
{
    if (buffer != nullptr) {
        delete[] *buffer;
        *buffer = nullptr;
    }
    if (size != nullptr)
        *size = 0;
    if (capacity != nullptr)
        *capacity = 0;
    if (file == nullptr || buffer == nullptr || size == nullptr)
        return FALSE;

    uint8_t field[4];
    if (file->Read(field, 4) != 4)
        return FALSE;
    const uint32_t seed = ReadU32LE(field);
    if (file->Read(field, 4) != 4)
        return FALSE;
    const uint32_t unpackedSize = ReadU32LE(field);

    // N and the key come from the whole file's length, so the file must
    // have stood at offset 0 when it was handed in.
    const uint64_t length = file->GetLength();
    if (length < PACKED_HEADER_SIZE || length - PACKED_HEADER_SIZE > PACKED_MAX_SIZE)
        return FALSE;
    const uint32_t n = static_cast<uint32_t>(length - PACKED_HEADER_SIZE);
    const uint32_t key = seed ^ n;
    if (unpackedSize > PACKED_MAX_SIZE ||
        static_cast<uint64_t>(unpackedSize) > static_cast<uint64_t>(n) * PACKED_MAX_RATIO)
        return FALSE;

    const uint32_t bufferSize = std::max(n, unpackedSize);
    uint8_t* block = new (std::nothrow) uint8_t[bufferSize];
    if (block == nullptr)
        return FALSE;
    std::unique_ptr<uint8_t[]> owned(block);
    if (file->Read(block, n) != n)
        return FALSE;
    XorBuffer(block, n, key);
    if (ZzUncompressBlock(block, n, bufferSize, unpackedSize) < 0)
        return FALSE;
    *buffer = owned.release();
    *size = unpackedSize;
    if (capacity != nullptr)
        *capacity = bufferSize;
    return TRUE;
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
