// SPDX-License-Identifier: MIT
// libFuzzer target: ReadPackedStream over arbitrary bytes held in memory.
// On success the unpacked bytes must all be readable (ASan checks them).
#include "core/job/packed_file.h"
#include "os/file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vexlan::CMemFile file(data, size);
    uint8_t* buffer = nullptr;
    uint32_t unpacked = 0;
    if (vexlan::ReadPackedStream(&file, &buffer, &unpacked)) {
        volatile uint8_t sink = 0;
        for (uint32_t i = 0; i < unpacked; ++i)
            sink = sink ^ buffer[i];
        (void)sink;
    } else if (buffer != nullptr || unpacked != 0) {
        __builtin_trap(); // a failure must hand back nothing
    }
    delete[] buffer;
    return 0;
}
