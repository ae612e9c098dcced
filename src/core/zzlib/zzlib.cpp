// SPDX-License-Identifier: MIT
// ZzUncompressBlock on zlib's inflate.
#include "core/zzlib/zzlib.h"

#include <zlib.h>

#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace vexlan {

namespace {

// Frees zlib's inflate state on every path out.
struct InflateStream {
    z_stream zs{};
    bool open = false;
    ~InflateStream()
    {
        if (open)
            inflateEnd(&zs);
    }
};

} // namespace

int ZzUncompressBlock(uint8_t* block, uint32_t blockLength, uint32_t bufferSize,
                      uint32_t unpackedSize)
{
    if (block == nullptr || blockLength > bufferSize || unpackedSize > bufferSize ||
        unpackedSize > static_cast<uint32_t>(INT_MAX))
        return ZZ_ERR_ARGS;
    if (blockLength == 0)
        return ZZ_ERR_DATA;

    // The output starts where the input starts and grows faster than the
    // input is consumed, so the input has to be read from a copy.
    std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[blockLength]);
    if (!input)
        return ZZ_ERR_MEM;
    std::memcpy(input.get(), block, blockLength);

    InflateStream s;
    if (inflateInit(&s.zs) != Z_OK)
        return ZZ_ERR_MEM;
    s.open = true;
    s.zs.next_in = input.get();
    s.zs.avail_in = blockLength;
    s.zs.next_out = block;
    s.zs.avail_out = unpackedSize;

    int rc = inflate(&s.zs, Z_FINISH);
    if (rc != Z_STREAM_END && s.zs.avail_out == 0 && (rc == Z_OK || rc == Z_BUF_ERROR)) {
        // The unpacked area is full but the stream has not ended: either the
        // trailer is still to be checked, or the stream holds more than
        // unpackedSize bytes. A one-byte probe tells which.
        uint8_t probe = 0;
        s.zs.next_out = &probe;
        s.zs.avail_out = 1;
        rc = inflate(&s.zs, Z_FINISH);
        if (s.zs.avail_out == 0)
            return ZZ_ERR_TOO_LONG;
    }
    if (rc == Z_MEM_ERROR)
        return ZZ_ERR_MEM;
    if (rc != Z_STREAM_END)
        return ZZ_ERR_DATA;

    const uint32_t produced = static_cast<uint32_t>(s.zs.total_out);
    if (produced > unpackedSize)
        return ZZ_ERR_TOO_LONG;
    std::memset(block + produced, 0, bufferSize - produced);
    return static_cast<int>(produced);
}

} // namespace vexlan
