// SPDX-License-Identifier: MIT
// A hint for large blocks about to be written whole (decoded pictures,
// converted image regions): backing them with 2 MiB pages saves the kernel
// hundreds of page faults per megapixel.
#pragma once

#include <cstddef>

namespace vexlan {

// Asks the kernel to back the whole 2 MiB pages inside [block, block +
// bytes) with huge pages when they are first touched. Only a hint: does
// nothing where the system has no such pages, on a null block, or for
// blocks too small to hold one.
void AdviseLargePages(void* block, std::size_t bytes);

} // namespace vexlan
