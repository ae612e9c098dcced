// SPDX-License-Identifier: MIT
// The large-page hint on Win32 (see large_pages.h): Windows backs memory
// with large pages only when it is allocated so (VirtualAlloc with
// MEM_LARGE_PAGES, which needs the lock-pages privilege); memory already
// allocated takes no hint, so there is nothing to ask.
#include "os/large_pages.h"

namespace vexlan {

void AdviseLargePages(void* /*block*/, std::size_t /*bytes*/) {}

} // namespace vexlan
