// SPDX-License-Identifier: MIT
// The page's image memory budget: how much memory the decoded pictures of
// one page may take together. The process holds one page, so the pictures
// it holds are the live image blocks (ImageBlockLiveBytes); a picture shared
// by several items counts once. The JPEG data kept beside a picture (for a
// PDF that embeds it as it is) counts too, as long as anything holds it.
//
// By default the budget is 1 GiB, or half of the machine's physical memory
// when that is less, so that a page of many large pictures ends in a short
// page instead of exhausting the machine.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vexlan {

constexpr uint64_t kMaxPageImageBudget = 1ull << 30;  // 1 GiB

// min(kMaxPageImageBudget, half of `physicalBytes`); physicalBytes 0 (not
// known) gives kMaxPageImageBudget.
uint64_t PageImageBudgetFor(uint64_t physicalBytes);

// The budget in force: the one set with SetPageImageBudget, else
// PageImageBudgetFor(this machine's physical memory).
uint64_t PageImageBudget();

// Sets the budget for the rest of the process (tests use a small one);
// 0 returns to the default.
void SetPageImageBudget(uint64_t bytes);

// What the page can still spend on pictures: the budget less the live image
// blocks and the counted bytes, 0 when they already take it all.
uint64_t PageImageBudgetLeft();

// Takes `bytes` over as data counted against the budget until the last
// holder of the result lets it go. Throws std::bad_alloc when memory runs out
// (the bytes are then released).
std::shared_ptr<const std::vector<uint8_t>> CountedImageBytes(std::vector<uint8_t> bytes);

// Total size of the counted bytes alive.
uint64_t CountedImageBytesLive();

} // namespace vexlan
