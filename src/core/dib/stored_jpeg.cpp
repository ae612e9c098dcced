// SPDX-License-Identifier: MIT
// Registry of the JPEG data behind decoded pictures, keyed by pixel block
// and checked against the block's serial.
#include "core/dib/stored_jpeg.h"

#include "core/dib/image_block.h"

#include <mutex>
#include <unordered_map>

namespace vexlan {
namespace {

struct Entry {
    uint64_t serial = 0;
    StoredJpeg jpeg;
};

struct Table {
    std::mutex lock;
    std::unordered_map<const void*, Entry> entries;
};

Table& table()
{
    static Table t;
    return t;
}

} // namespace

void RememberStoredJpeg(const void* bits, StoredJpeg jpeg)
{
    const uint64_t serial = ImageBlockSerial(bits);
    if (serial == 0 || !jpeg.bytes)
        return;
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    t.entries[bits] = Entry{serial, std::move(jpeg)};
}

void ForgetStoredJpeg(const void* bits) noexcept
{
    Table& t = table();
    std::shared_ptr<const std::vector<uint8_t>> dropped; // released outside the lock
    std::lock_guard<std::mutex> g(t.lock);
    const auto it = t.entries.find(bits);
    if (it == t.entries.end())
        return;
    dropped = std::move(it->second.jpeg.bytes);
    t.entries.erase(it);
}

std::optional<StoredJpeg> FindStoredJpeg(const void* bits)
{
    const uint64_t serial = ImageBlockSerial(bits);
    if (serial == 0)
        return std::nullopt;
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    const auto it = t.entries.find(bits);
    if (it == t.entries.end() || it->second.serial != serial)
        return std::nullopt;
    return it->second.jpeg;
}

} // namespace vexlan
