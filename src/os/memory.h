// SPDX-License-Identifier: MIT
// How much memory the machine has, for budgets that scale with it.
#pragma once

#include <cstdint>

namespace vexlan {

// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

} // namespace vexlan
