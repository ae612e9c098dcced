// Image-block allocator with a registry of live blocks.
#include "platform/image_block.h"

#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace vexlan {
namespace {

struct Registry {
    std::mutex lock;
    std::unordered_set<void*> live;
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
    void* p = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (p == nullptr)
        return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    try {
        r.live.insert(p);
    } catch (...) {
        std::free(p);
        return nullptr;
    }
    return p;
}

void ImageBlockFree(void* block)
{
    if (block == nullptr)
        return;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    if (r.live.erase(block) == 0) {
        ++r.badFrees;
        return;
    }
    std::free(block);
}

std::size_t ImageBlockLiveCount()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.live.size();
}

std::size_t ImageBlockBadFrees()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.badFrees;
}

} // namespace vexlan
