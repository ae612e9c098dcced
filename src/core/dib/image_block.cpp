// SPDX-License-Identifier: MIT
// Image-block allocator with a registry of live blocks, their holders and
// sizes.
#include "core/dib/image_block.h"

#include "core/dib/pending_pixels.h"
#include "core/dib/stored_jpeg.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace vexlan {
namespace {

struct Block {
    std::size_t bytes;
    std::size_t holders;
    uint64_t serial;
};

struct Registry {
    std::mutex lock;
    std::unordered_map<const void*, Block> live;
    uint64_t liveBytes = 0;
    uint64_t lastSerial = 0;
    std::size_t badFrees = 0;
};

Registry& registry()
{
    static Registry r;
    return r;
}

} // namespace

void* ImageBlockAlloc(std::size_t bytes)
{
    const std::size_t size = bytes == 0 ? 1 : bytes;
    void* p = std::calloc(size, 1);
    if (p == nullptr)
        return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    try {
        r.live.emplace(p, Block{size, 1, ++r.lastSerial});
    } catch (...) {
        std::free(p);
        return nullptr;
    }
    r.liveBytes += size;
    return p;
}

void ImageBlockFree(void* block)
{
    if (block == nullptr)
        return;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    const auto it = r.live.find(block);
    if (it == r.live.end()) {
        ++r.badFrees;
        return;
    }
    if (--it->second.holders > 0)
        return;
    r.liveBytes -= it->second.bytes;
    r.live.erase(it);
    ForgetStoredJpeg(block);
    ForgetPendingPixels(block);
    std::free(block);
}

uint64_t ImageBlockSerial(const void* block)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    const auto it = r.live.find(block);
    return it == r.live.end() ? 0 : it->second.serial;
}

bool ImageBlockShare(void* block, uint64_t serial)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    const auto it = r.live.find(block);
    if (it == r.live.end() || serial == 0 || it->second.serial != serial)
        return false;
    ++it->second.holders;
    return true;
}

std::size_t ImageBlockLiveCount()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.live.size();
}

uint64_t ImageBlockLiveBytes()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.liveBytes;
}

std::size_t ImageBlockBadFrees()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.badFrees;
}

} // namespace vexlan
