// SPDX-License-Identifier: MIT
// Registry of pixel blocks whose pixels are made on first use, keyed by the
// block and checked against its serial.
#include "core/dib/pending_pixels.h"

#include "core/dib/image_block.h"
#include "os/file.h"

#include <mutex>
#include <unordered_map>

namespace vexlan {
namespace {

struct Pending {
    uint64_t serial = 0;
    uint64_t blockBytes = 0;
    std::shared_ptr<const std::vector<uint8_t>> jpeg;
    JpgDecodeLimits limits;
    std::mutex making;  // held while the pixels are made
    bool done = false;
    bool ok = false;
    std::shared_ptr<const ScaledJpg> scaled;  // the finest scaled decoding made (under `making`)
    bool scaledFailed = false;
};

struct Table {
    std::mutex lock;
    std::unordered_map<const void*, std::shared_ptr<Pending>> entries;
};

Table& table()
{
    static Table t;
    return t;
}

std::shared_ptr<Pending> Find(const void* bits)
{
    const uint64_t serial = ImageBlockSerial(bits);
    if (serial == 0)
        return nullptr;
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    const auto it = t.entries.find(bits);
    if (it == t.entries.end() || it->second->serial != serial)
        return nullptr;
    return it->second;
}

} // namespace

void RememberPendingPixels(const void* bits, uint64_t blockBytes, std::shared_ptr<const std::vector<uint8_t>> jpeg,
                           const JpgDecodeLimits& limits, std::shared_ptr<const ScaledJpg> small)
{
    const uint64_t serial = ImageBlockSerial(bits);
    if (serial == 0 || !jpeg)
        return;
    auto entry = std::make_shared<Pending>();
    entry->serial = serial;
    entry->blockBytes = blockBytes;
    entry->jpeg = std::move(jpeg);
    entry->limits = limits;
    if (small && !small->pixels.empty())
        entry->scaled = std::move(small);
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    t.entries[bits] = std::move(entry);
}

bool MakePicturePixels(const void* bits)
{
    const std::shared_ptr<Pending> entry = Find(bits);
    if (!entry)
        return true;
    {
        std::lock_guard<std::mutex> g(entry->making);
        if (!entry->done) {
            CMemFile file(entry->jpeg->data(), entry->jpeg->size());
            entry->ok = DecodeJpgInto(&file, entry->limits, const_cast<void*>(bits), entry->blockBytes);
            entry->done = true;
        }
    }
    ForgetPendingPixels(bits);
    return entry->ok;
}

std::shared_ptr<const ScaledJpg> PendingPicturePixelsAtLeast(const void* bits, int shift)
{
    const std::shared_ptr<Pending> entry = Find(bits);
    if (!entry)
        return nullptr;
    std::lock_guard<std::mutex> g(entry->making);
    if (entry->done || entry->scaledFailed)
        return nullptr;
    if (entry->scaled && entry->scaled->shift <= shift)
        return entry->scaled;
    try {
        auto scaled = std::make_shared<ScaledJpg>();
        CMemFile file(entry->jpeg->data(), entry->jpeg->size());
        if (!DecodeJpgScaled(&file, entry->limits, shift, scaled.get())) {
            entry->scaledFailed = true;
            return nullptr;
        }
        entry->scaled = std::move(scaled);
    } catch (const std::exception&) {
        entry->scaledFailed = true;
        return nullptr;
    }
    return entry->scaled;
}

bool PicturePixelsToMake(const void* bits, int shift)
{
    const std::shared_ptr<Pending> entry = Find(bits);
    if (!entry)
        return false;
    std::lock_guard<std::mutex> g(entry->making);
    return !entry->done && (shift <= 0 || entry->scaledFailed || !entry->scaled || entry->scaled->shift > shift);
}

bool PicturePixelsPending(const void* bits) { return Find(bits) != nullptr; }

void ForgetPendingPixels(const void* bits) noexcept
{
    Table& t = table();
    std::shared_ptr<Pending> dropped; // released outside the lock
    std::lock_guard<std::mutex> g(t.lock);
    const auto it = t.entries.find(bits);
    if (it == t.entries.end())
        return;
    dropped = std::move(it->second);
    t.entries.erase(it);
}

} // namespace vexlan
