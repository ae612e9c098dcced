// SPDX-License-Identifier: MIT
// Huge-page hint for large blocks (see large_pages.h).
#include "os/large_pages.h"

#include <cstdint>

#include <sys/mman.h>

namespace vexlan {

void AdviseLargePages(void* block, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<uintptr_t>(block);
    const uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t last = (begin + bytes) & ~(kHuge - 1);
    if (block != nullptr && last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

} // namespace vexlan
