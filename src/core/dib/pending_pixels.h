// SPDX-License-Identifier: MIT
// Pixels made when something first draws them. A picture whose JPEG data
// goes into the output as it is (a PDF, the print spool) is checked when
// the job is read but not decoded: its pixel block is allocated and left
// untouched (no memory behind it yet) and recorded here with its JPEG data.
// Whatever reads the pixels calls MakePicturePixels first; the first caller
// decodes them into the block, later and concurrent callers wait for that
// and find them made. A drawing that shows the picture smaller can ask for
// it decoded at a fraction of its size instead (PendingPicturePixelsAtLeast),
// which leaves the block untouched. ImageBlockFree forgets a block's entry with the block.
// All functions are safe to call from any thread.
#pragma once

#include "core/jpeg/jpg_decoder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vexlan {

// Records that the live pixel block `bits` of `blockBytes` bytes, allocated
// by CheckJpgToDib from `jpeg` with `limits`, still lacks its pixels;
// `small`, when given, is the picture already decoded at a fraction of its
// size (the check's thumb).
void RememberPendingPixels(const void* bits, uint64_t blockBytes, std::shared_ptr<const std::vector<uint8_t>> jpeg,
                           const JpgDecodeLimits& limits, std::shared_ptr<const ScaledJpg> small = nullptr);

// Makes the pixels of `bits` when they are pending. Returns false only when
// they were pending and the decoding failed (out of memory): the block then
// stays as allocated (black), and is not tried again.
bool MakePicturePixels(const void* bits);

// For a picture whose pixels are pending, the picture decoded at 1/2^shift
// of its size or finer (see ScaledJpg), made now unless a decoding as fine
// is kept; each picture keeps the finest it was asked for. Null when its
// pixels are not pending (the block holds them) or the decoding failed
// (then read the block after MakePicturePixels). Concurrent callers wait for
// one decoding.
std::shared_ptr<const ScaledJpg> PendingPicturePixelsAtLeast(const void* bits, int shift);

// Whether drawing `bits` at 1/2^shift needs a decoding: its pixels are
// pending and no decoding as fine is kept (shift 0: the whole picture).
bool PicturePixelsToMake(const void* bits, int shift);

// Whether `bits` is a live block whose pixels are still to be made.
bool PicturePixelsPending(const void* bits);

// Drops what is recorded for `bits`, if anything.
void ForgetPendingPixels(const void* bits) noexcept;

} // namespace vexlan
