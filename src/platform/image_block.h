// Allocator for decoded image blocks (the DIB header and the pixel array).
// It plays the part of Windows' locked global-memory blocks: the JPEG
// decoder allocates with ImageBlockAlloc, FreePageItems releases with
// ImageBlockFree. A live-block count lets tests prove that every block is
// released exactly once.
#pragma once

#include <cstddef>

namespace vexlan {

// Allocates `bytes` bytes (at least one), zero-filled. Returns nullptr when
// the memory cannot be had; never throws.
void* ImageBlockAlloc(std::size_t bytes);

// Releases a block from ImageBlockAlloc. Null is ignored. A pointer that is
// not a live block (never allocated, or already released) is not touched and
// is counted in ImageBlockBadFrees().
void ImageBlockFree(void* block);

// Number of blocks allocated and not yet released.
std::size_t ImageBlockLiveCount();

// Number of ImageBlockFree calls with a pointer that was not a live block.
std::size_t ImageBlockBadFrees();

} // namespace vexlan
