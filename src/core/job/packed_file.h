// SPDX-License-Identifier: MIT
// Packed resource files: a scrambled, compressed file read into one buffer.
//
// Layout (little-endian uint32):
//   0  dwKeySeed       seed of the scrambling key
//   4  dwUnpackedSize  length of the data once unpacked
//   8  payload         N = file length - 8 bytes: one zlib stream, XOR-scrambled
// Key K = dwKeySeed XOR N (32-bit). docs/packed-format.md describes the
// format for producers.
#pragma once

#include "os/file.h"
#include "core/base/wintypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vexlan {

// XORs `count` bytes in place: each whole 32-bit little-endian word with
// `key`, each of the last count % 4 bytes with the key's lowest byte. Null
// data or a zero count do nothing. Its own inverse.
void XorBuffer(uint8_t* data, uint32_t count, uint32_t key);

constexpr uint32_t PACKED_HEADER_SIZE = 8;

// Limits that keep a damaged or hostile header from asking for memory the
// file cannot fill. Deflate turns at most 2 bits into 258 bytes, so N
// payload bytes never unpack to more than 1032 * N bytes; a dwUnpackedSize
// above that is refused before anything is allocated. Independently of the
// ratio, neither the payload nor the unpacked data may exceed 1 GiB (a page
// resource is a JPEG or a text; nothing a page holds comes near that).
constexpr uint32_t PACKED_MAX_RATIO = 1032;
constexpr uint32_t PACKED_MAX_SIZE = 1u << 30;

// Reads a packed file from `file` (positioned at offset 0). A non-null
// *buffer is released first. On success returns 1, *buffer holds a new[]
// block of max(N, dwUnpackedSize) bytes (owned by the caller, release with
// delete[]) whose first *size = dwUnpackedSize bytes are the unpacked data;
// when the stream unpacks to fewer bytes, the rest of the block is zero.
// On failure returns 0 with *buffer null and *size 0; nothing stays
// allocated. Fails when: file is null; the file is shorter than 8 bytes;
// N or dwUnpackedSize exceed the limits above; fewer than N payload bytes
// can be read; the unscrambled payload is not one zlib stream that unpacks
// to at most dwUnpackedSize bytes (an empty payload included); memory runs
// out. Never throws.
//
// Memory: the block above, plus a temporary copy of the N compressed bytes
// while they are inflated (released before returning).
//
// A non-null `capacity` receives the size of the whole block on success (0
// on failure), for a caller that goes on using the block.
BOOL ReadPackedStream(CFile* file, uint8_t** buffer, uint32_t* size, uint32_t* capacity = nullptr);

// What a packed file's header says, and what reading it takes at its peak:
// the block of max(N, dwUnpackedSize) bytes and the copy of the N packed
// bytes beside it while they are inflated.
struct PackedSizes {
    uint32_t packed = 0;    // N
    uint32_t unpacked = 0;  // dwUnpackedSize
    uint64_t peak = 0;
};

// Asked once the header is read and found within the limits above: true
// lets the reading go on, false stops it before anything is allocated.
using PackedRoom = std::function<bool(const PackedSizes&)>;

enum class PackedRead { kOk, kDamaged, kRefused, kNoMemory };

// Reads a packed file from `file` (positioned at offset 0) into `out`, which
// then holds exactly the dwUnpackedSize unpacked bytes (zero after the end of
// a stream that unpacks to fewer). kRefused when `room` said no; kDamaged for
// everything ReadPackedStream fails on but memory; kNoMemory when memory runs
// out. `out` is empty on failure. Never throws (nor may `room`).
PackedRead ReadPackedBytes(CFile* file, std::vector<uint8_t>& out, const PackedRoom& room);

// ReadPackedStream from a path with `room` asked as above; on kRefused and
// kNoMemory nothing stays allocated either.
PackedRead ReadPackedFile(const std::string& path, uint8_t** buffer, uint32_t* size, uint32_t* capacity,
                          const PackedRoom& room);

// The same from a path, opened in binary mode; a non-null *buffer is
// released first, also when the path cannot be opened. The file is closed
// before returning.
BOOL ReadPackedFile(std::string path, uint8_t** buffer, uint32_t* size, uint32_t* capacity = nullptr);

// The unpacked bytes of a packed file up to the first NUL (at most
// dwUnpackedSize bytes), or "" on any failure.
std::string ReadPackedText(std::string path);

} // namespace vexlan
