// SPDX-License-Identifier: MIT
// Allocator for decoded image blocks (the DIB header and the pixel array).
// It plays the part of Windows' locked global-memory blocks: the JPEG
// decoder allocates with ImageBlockAlloc, FreePageItems releases with
// ImageBlockFree. A live-block count lets tests prove that every block is
// released exactly once.
//
// Blocks are reference-counted, so that several page items naming the same
// picture can hold one decoded copy: ImageBlockShare adds a holder, each
// holder releases with ImageBlockFree, and the memory goes with the last.
// The allocator also keeps the total size of the live blocks, the memory the
// page's pictures take (the page's image budget is counted against it).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexlan {

// Allocates `bytes` bytes (at least one), zero-filled, with one holder.
// Returns nullptr when the memory cannot be had; never throws.
void* ImageBlockAlloc(std::size_t bytes);

// Drops one holder of a block from ImageBlockAlloc; the block is released
// with its last holder. Null is ignored. A pointer that is not a live block
// (never allocated, or already released) is not touched and is counted in
// ImageBlockBadFrees().
void ImageBlockFree(void* block);

// A number that names one allocation for as long as it lives: no two blocks
// ever get the same serial, even when one reuses the other's address.
// Returns 0 for a pointer that is not a live block.
uint64_t ImageBlockSerial(const void* block);

// Adds a holder to `block` when it is still the live allocation that
// `serial` names (see ImageBlockSerial) and returns true; otherwise changes
// nothing and returns false. The new holder releases with ImageBlockFree.
bool ImageBlockShare(void* block, uint64_t serial);

// Number of blocks allocated and not yet released (a shared block counts once).
std::size_t ImageBlockLiveCount();

// Total bytes of the live blocks (a shared block counts once).
uint64_t ImageBlockLiveBytes();

// Number of ImageBlockFree calls with a pointer that was not a live block.
std::size_t ImageBlockBadFrees();

} // namespace vexlan
