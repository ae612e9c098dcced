// SPDX-License-Identifier: MIT
// Physical memory from sysconf (see memory.h).
#include "os/memory.h"

#include <unistd.h>

namespace vexlan {

uint64_t PhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

} // namespace vexlan
