// SPDX-License-Identifier: MIT
// The page's image memory budget.
#include "core/job/image_budget.h"

#include "core/dib/image_block.h"
#include "os/memory.h"

#include <algorithm>
#include <atomic>

namespace vexlan {
namespace {

std::atomic<uint64_t> g_budgetSet{0};
std::atomic<uint64_t> g_countedBytes{0};

} // namespace

uint64_t PageImageBudgetFor(uint64_t physicalBytes)
{
    if (physicalBytes == 0)
        return kMaxPageImageBudget;
    return std::min(kMaxPageImageBudget, physicalBytes / 2);
}

uint64_t PageImageBudget()
{
    const uint64_t set = g_budgetSet.load(std::memory_order_relaxed);
    if (set != 0)
        return set;
    static const uint64_t byMachine = PageImageBudgetFor(PhysicalMemoryBytes());
    return byMachine;
}

void SetPageImageBudget(uint64_t bytes) { g_budgetSet.store(bytes, std::memory_order_relaxed); }

uint64_t PageImageBudgetLeft()
{
    const uint64_t budget = PageImageBudget();
    const uint64_t used = ImageBlockLiveBytes() + CountedImageBytesLive();
    return used < budget ? budget - used : 0;
}

std::shared_ptr<const std::vector<uint8_t>> CountedImageBytes(std::vector<uint8_t> bytes)
{
    bytes.shrink_to_fit();
    const uint64_t size = bytes.capacity();
    auto* held = new std::vector<uint8_t>(std::move(bytes));
    const auto release = [size](const std::vector<uint8_t>* b) {
        g_countedBytes.fetch_sub(size, std::memory_order_relaxed);
        delete b;
    };
    g_countedBytes.fetch_add(size, std::memory_order_relaxed);
    // On failure shared_ptr calls `release` itself.
    return std::shared_ptr<const std::vector<uint8_t>>(held, release);
}

uint64_t CountedImageBytesLive() { return g_countedBytes.load(std::memory_order_relaxed); }

} // namespace vexlan
