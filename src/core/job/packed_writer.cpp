// SPDX-License-Identifier: MIT
// PackBytes: zlib compress2 at level 9, then the XOR scrambling.
#include "core/job/packed_writer.h"

#include "core/job/packed_file.h"
#include "core/base/bytes.h"

#include <zlib.h>

namespace vexlan {

bool PackBytes(const uint8_t* data, std::size_t size, uint32_t seed, std::vector<uint8_t>& out)
{
    out.clear();
    if (size > PACKED_MAX_SIZE || (data == nullptr && size != 0))
        return false;
    static const uint8_t kEmpty = 0;
    const uLong sourceLen = static_cast<uLong>(size);
    uLongf bound = compressBound(sourceLen);
    out.resize(PACKED_HEADER_SIZE + bound);
    if (compress2(out.data() + PACKED_HEADER_SIZE, &bound, size == 0 ? &kEmpty : data,
                  sourceLen, 9) != Z_OK) {
        out.clear();
        return false;
    }
    if (bound > PACKED_MAX_SIZE) {
        out.clear();
        return false;
    }
    out.resize(PACKED_HEADER_SIZE + bound);
    const uint32_t n = static_cast<uint32_t>(bound);
    WriteU32LE(out.data(), seed);
    WriteU32LE(out.data() + 4, static_cast<uint32_t>(size));
    XorBuffer(out.data() + PACKED_HEADER_SIZE, n, seed ^ n);
    return true;
}

} // namespace vexlan
