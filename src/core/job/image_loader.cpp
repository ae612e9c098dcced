// SPDX-License-Identifier: MIT
// Loading a page's pictures: files read and charged in item order, pixels
// decoded on worker threads (see image_loader.h).
#include "core/job/image_loader.h"

#include "core/job/image_budget.h"
#include "core/job/packed_file.h"
#include "core/text/codepage.h"
#include "os/file.h"
#include "os/file_problem.h"
#include "core/dib/image_block.h"
#include "core/dib/pending_pixels.h"
#include "core/dib/stored_jpeg.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

namespace vexlan {
namespace {

constexpr char kNotPacked[] = "not a packed file, or damaged";
constexpr char kNotJpeg[] = "not a JPEG, or damaged";
constexpr char kEndsEarly[] = "image data ends early; what it holds is drawn";

// Fails the item, saying why when asked. With `checkFile`, the file itself
// is looked at first: when it is missing, unreadable or not a regular file,
// that is the reason; otherwise `reason` is.
bool Fail(std::string* problem, const std::string& path, bool checkFile, const char* reason)
{
    if (problem != nullptr) {
        *problem = checkFile ? FileProblem(path) : std::string();
        if (problem->empty())
            *problem = reason;
    }
    return false;
}

// Why a picture could not be had, in the words of a warning.
const char* FailureReason(JpgFailure failure, bool packed)
{
    switch (failure) {
    case JpgFailure::kOverBudget:
        return "over the page's image memory budget";
    case JpgFailure::kTooLarge:
        return "picture too large to decode";
    case JpgFailure::kNoMemory:
        return "out of memory";
    default:
        return packed ? "unpacked data is not a JPEG, or damaged" : kNotJpeg;
    }
}

// Reads `file` from its current position to its end into `data`. Returns
// false, with `data` in any state, when it holds more than `limit` bytes.
// A read error ends the data there, as the end of the file would.
bool ReadAll(CFile& file, uint64_t limit, std::vector<uint8_t>& data)
{
    constexpr std::size_t kMaxRead = 1u << 30;
    const uint64_t length = file.GetLength();
    if (length > limit)
        return false;
    data.resize(static_cast<std::size_t>(length));
    std::size_t have = 0;
    while (have < data.size()) {
        const UINT n = file.Read(data.data() + have, static_cast<UINT>(std::min(data.size() - have, kMaxRead)));
        if (n == 0)
            break;
        have += n;
    }
    data.resize(have);
    if (have < length)
        return true;
    // The file may have grown since its length was taken.
    uint8_t chunk[16 * 1024];
    for (;;) {
        const UINT n = file.Read(chunk, sizeof chunk);
        if (n == 0)
            return true;
        if (data.size() + n > limit)
            return false;
        data.insert(data.end(), chunk, chunk + n);
    }
}

} // namespace

namespace {

std::atomic<bool> g_pixelsOnDemand{false};
std::atomic<bool> g_thumbnails{false};
std::atomic<double> g_shownPxPerUnit{0};

// The reduction of a thumbnail for a picture of `width` x `height` pixels in
// the item rectangle `rc`: 3 (1/8) unless the rectangle's size on the output
// is known, -1 when that shows the picture at half its size or more.
int ThumbShift(const RECT& rc, uint32_t width, uint32_t height)
{
    const double perUnit = g_shownPxPerUnit.load();
    if (!(perUnit > 0) || width == 0 || height == 0)
        return 3;
    const double w = std::fabs(double(rc.right) - double(rc.left)) * perUnit + 1;
    const double h = std::fabs(double(rc.bottom) - double(rc.top)) * perUnit + 1;
    const int shift = JpgReduction(w / width, h / height);
    return shift > 0 ? shift : -1;
}

} // namespace

void SetPixelsOnDemand(bool on, bool thumbnails, double shownPxPerUnit)
{
    g_pixelsOnDemand.store(on);
    g_thumbnails.store(on && thumbnails);
    g_shownPxPerUnit.store(shownPxPerUnit > 0 ? shownPxPerUnit : 0);
}
bool PixelsOnDemand() { return g_pixelsOnDemand.load(); }

unsigned ImageDecodeThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

struct CImageLoader::Slot {
    enum class Kind { kDecode, kShared, kSharesSlot };

    std::size_t index = 0;
    Kind kind = Kind::kDecode;
    bool packed = false;
    ImageFileKey key;
    std::size_t source = 0;  // kSharesSlot: the slot decoding the same file

    // kDecode: the JPEG, how to decode it, and what it takes meanwhile.
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    JpgHeader header;
    JpgDecodeLimits limits;
    uint64_t passing = 0;
    bool counted = false;    // in m_running / m_passing until it is done

    // The outcome; written by the decoding before `done` is set.
    bool done = false;
    bool ok = false;
    bool endedEarly = false;  // drawn from data that ends before the picture does
    bool pending = false;     // checked, not decoded: the pixels are made when drawn
    std::shared_ptr<ScaledJpg> thumb;  // pending: the picture at a fraction, when the check made it
    int thumbShift = 3;                // the fraction asked for; -1: decode whole, no check
    bool taken = false;
    JpgFailure failure = JpgFailure::kNone;
    void* bits = nullptr;
    BITMAPINFO* bmi = nullptr;
};

CImageLoader::CImageLoader(unsigned threads) : m_maxThreads(threads), m_base(PageImageBudgetLeft()) {}

CImageLoader::~CImageLoader()
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    for (const auto& slot : m_slots) {
        if (slot->taken || !slot->ok)
            continue;
        ImageBlockFree(slot->bits);
        ImageBlockFree(slot->bmi);
    }
}

uint64_t CImageLoader::Left() const { return m_charged < m_base ? m_base - m_charged : 0; }

void CImageLoader::WaitForRoom(std::unique_lock<std::mutex>& lock, uint64_t need)
{
    // Waiting changes no decision: it only keeps decodings from running
    // together beyond the budget. With none running, what is left is what
    // a decoding one after another would have had.
    m_changed.wait(lock, [&] { return m_running == 0 || m_passing + need <= Left(); });
}

bool CImageLoader::Start(const PageItem& item, std::string* problem)
{
    // szText always ends in a NUL within its storage, even when the record
    // filled the whole field.
    const std::string path(item.szText);
    // Room for the slot first: once a picture is shared or decoding, adding
    // its slot must not fail. (Out of memory here fails the item through
    // the exception, with nothing started.)
    m_slots.reserve(m_slots.size() + 1);
    auto slot = std::make_unique<Slot>();
    slot->index = m_slots.size();
    slot->packed = HasExtension(path, ".bpg");
    const bool packed = slot->packed;
    if (!packed && !HasExtension(path, ".jpg"))
        return Fail(problem, path, false, "extension not .jpg/.bpg");

    CIdentifiedFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
        return Fail(problem, path, true, packed ? kNotPacked : kNotJpeg);
    slot->key = file.Key(packed);
    if (const auto it = m_decodedFrom.find(slot->key); it != m_decodedFrom.end()) {
        slot->kind = Slot::Kind::kSharesSlot;
        slot->source = it->second;
        slot->done = true;
        m_slots.push_back(std::move(slot));
        return true;
    }
    if (PageImageCache().Share(slot->key, slot->bits, slot->bmi)) {
        slot->kind = Slot::Kind::kShared;
        slot->done = slot->ok = true;
        m_slots.push_back(std::move(slot));
        return true;
    }

    std::unique_lock<std::mutex> lock(m_lock);
    std::vector<uint8_t> data;
    if (packed) {
        // The unpacked bytes are read straight into the buffer the picture
        // is decoded from, and only once the reading's peak fits in what is
        // left beside the decodings running.
        const PackedRead got = ReadPackedBytes(&file, data, [&](const PackedSizes& sizes) {
            WaitForRoom(lock, sizes.peak);
            lock.unlock();
            return sizes.peak <= Left();
        });
        if (lock.owns_lock())
            lock.unlock();
        if (got == PackedRead::kDamaged)
            return Fail(problem, path, true, kNotPacked);
        if (got != PackedRead::kOk) {
            const JpgFailure why = got == PackedRead::kRefused ? JpgFailure::kOverBudget : JpgFailure::kNoMemory;
            return Fail(problem, path, false, FailureReason(why, packed));
        }
    } else {
        WaitForRoom(lock, file.GetLength());
        lock.unlock();
        try {
            if (!ReadAll(file, Left(), data))
                return Fail(problem, path, false, FailureReason(JpgFailure::kOverBudget, packed));
        } catch (const std::exception&) {
            return Fail(problem, path, false, FailureReason(JpgFailure::kNoMemory, packed));
        }
    }
    const uint64_t left = Left();
    file.Close();

    // The bytes stay in memory while the pixels are decoded.
    slot->limits.budgetBytes = left - data.size();
    CMemFile header(data.data(), data.size());
    const JpgFailure failure = ProbeJpg(&header, slot->limits, &slot->header);
    if (failure != JpgFailure::kNone)
        return Fail(problem, path, false, FailureReason(failure, packed));
    slot->thumbShift = ThumbShift(item.rcItem, slot->header.width, slot->header.height);
    const uint64_t kept = slot->header.embeddable ? data.size() : 0;
    const uint64_t work = std::min(slot->header.workBytes, slot->limits.budgetBytes - slot->header.blockBytes);
    slot->passing = data.size() - kept + work;
    try {
        slot->bytes = kept != 0 ? CountedImageBytes(std::move(data))
                                : std::make_shared<const std::vector<uint8_t>>(std::move(data));
        m_decodedFrom.emplace(slot->key, slot->index);
    } catch (const std::exception&) {
        m_decodedFrom.erase(slot->key);
        return Fail(problem, path, false, FailureReason(JpgFailure::kNoMemory, packed));
    }
    m_charged += slot->header.blockBytes + kept;

    Slot* const started = slot.get();
    m_slots.push_back(std::move(slot));
    if (m_maxThreads == 0) {
        Decode(started);
        return true;
    }
    lock.lock();
    WaitForRoom(lock, started->passing);
    ++m_running;
    m_passing += started->passing;
    started->counted = true;
    lock.unlock();
    Queue(started);
    return true;
}

void CImageLoader::Queue(Slot* slot)
{
    std::unique_lock<std::mutex> lock(m_lock);
    try {
        m_queue.push_back(slot);
    } catch (const std::exception&) {
        // No room in the queue: decode here, as without threads.
        lock.unlock();
        Decode(slot);
        return;
    }
    if (m_idle == 0 && m_threads.size() < m_maxThreads) {
        try {
            m_threads.emplace_back([this] { Work(); });
        } catch (const std::exception&) {
            // No thread to be had: decode here when no other can.
            if (m_threads.empty()) {
                m_queue.pop_back();
                lock.unlock();
                Decode(slot);
                return;
            }
        }
    }
    lock.unlock();
    m_changed.notify_all();
}

void CImageLoader::Work()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        ++m_idle;
        m_changed.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        --m_idle;
        if (m_queue.empty())
            return;  // stopping
        Slot* slot = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        Decode(slot);
        lock.lock();
    }
}

void CImageLoader::Decode(Slot* slot)
{
    bool skip;
    {
        std::lock_guard<std::mutex> g(m_lock);
        // Past a picture that failed, or when the loader is going away, the
        // page will not hold the picture: spare the work.
        skip = m_stop || slot->index > m_firstFailed;
    }
    bool ok = false;
    JpgDamage damage;
    JpgFailure failure = JpgFailure::kData;
    bool pending = false;
    const bool thumbnails = g_thumbnails.load();
    if (!skip && slot->header.embeddable && PixelsOnDemand() && !(thumbnails && slot->thumbShift < 0)) {
        // Its JPEG data is what a PDF shows: check it, keep the pixels for
        // later. A damaged stream is drawn from its pixels: decode it.
        CMemFile file(slot->bytes->data(), slot->bytes->size());
        std::shared_ptr<ScaledJpg> thumb;
        if (thumbnails) {
            try {
                thumb = std::make_shared<ScaledJpg>();
                thumb->shift = slot->thumbShift;
            } catch (const std::exception&) {
                thumb.reset();  // a check without one
            }
        }
        ok = CheckJpgToDib(&file, slot->limits, slot->bits, slot->bmi, &failure, &damage, thumb.get()) != 0;
        pending = ok && !damage.any;
        if (pending && thumb && !thumb->pixels.empty())
            slot->thumb = std::move(thumb);
        if (ok && !pending) {
            ImageBlockFree(slot->bits);
            ImageBlockFree(slot->bmi);
            slot->bits = nullptr;
            slot->bmi = nullptr;
        }
    }
    if (!skip && !pending) {
        CMemFile file(slot->bytes->data(), slot->bytes->size());
        ok = DecodeJpgToDib(&file, slot->limits, slot->bits, slot->bmi, &failure, &damage) != 0;
    }
    // Only an undamaged stream is the picture its decoding shows: a PDF
    // draws a damaged one from its pixels, as the preview does.
    if (!ok || damage.any || !slot->header.embeddable)
        slot->bytes.reset();
    {
        std::lock_guard<std::mutex> g(m_lock);
        slot->ok = ok;
        slot->endedEarly = damage.endedEarly;
        slot->pending = pending;
        slot->failure = failure;
        slot->done = true;
        if (!ok)
            m_firstFailed = std::min(m_firstFailed, slot->index);
        if (slot->counted) {
            --m_running;
            m_passing -= slot->passing;
        }
    }
    m_changed.notify_all();
}

void CImageLoader::PixelsLater(Slot& slot)
{
    const uint64_t blockBytes = slot.bmi->bmiHeader.biSizeImage;
    try {
        RememberPendingPixels(slot.bits, blockBytes, slot.bytes, slot.limits, std::move(slot.thumb));
        return;
    } catch (const std::exception&) {
        // Not recorded: nothing would make them later, so make them now.
    }
    CMemFile file(slot.bytes->data(), slot.bytes->size());
    DecodeJpgInto(&file, slot.limits, slot.bits, blockBytes);
}

BOOL CImageLoader::Take(std::size_t k, void*& pBits, BITMAPINFO*& pBmi, std::string* problem)
{
    Slot& slot = *m_slots.at(k);
    {
        const Slot& from = *m_slots.at(slot.kind == Slot::Kind::kSharesSlot ? slot.source : k);
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return slot.done && from.done; });
    }
    if (slot.kind == Slot::Kind::kSharesSlot) {
        const Slot& from = *m_slots.at(slot.source);
        const uint64_t bitsSerial = from.ok ? ImageBlockSerial(from.bits) : 0;
        const uint64_t bmiSerial = from.ok ? ImageBlockSerial(from.bmi) : 0;
        if (!ImageBlockShare(from.bits, bitsSerial)) {
            if (problem != nullptr)
                *problem = FailureReason(from.ok ? JpgFailure::kNoMemory : from.failure, slot.packed);
            return FALSE;
        }
        if (!ImageBlockShare(from.bmi, bmiSerial)) {
            ImageBlockFree(from.bits);
            if (problem != nullptr)
                *problem = FailureReason(JpgFailure::kNoMemory, slot.packed);
            return FALSE;
        }
        slot.bits = from.bits;
        slot.bmi = from.bmi;
        slot.ok = true;
    }
    if (!slot.ok) {
        if (problem != nullptr)
            *problem = FailureReason(slot.failure, slot.packed);
        return FALSE;
    }
    slot.taken = true;
    pBits = slot.bits;
    pBmi = slot.bmi;
    if (problem != nullptr)
        problem->clear();
    if (slot.kind != Slot::Kind::kDecode)
        return TRUE;
    if (slot.endedEarly && problem != nullptr) {
        try {
            *problem = kEndsEarly;
        } catch (const std::exception&) {
            // Out of memory: the picture is had, the note about it is not.
        }
    }
    if (slot.pending)
        PixelsLater(slot);
    PageImageCache().Remember(slot.key, slot.bits, slot.bmi);
    if (slot.bytes) {
        try {
            RememberStoredJpeg(slot.bits, StoredJpeg{std::move(slot.bytes), static_cast<int>(slot.header.width),
                                                     static_cast<int>(slot.header.height), slot.header.components});
        } catch (const std::exception&) {
            // Not kept: a PDF then holds the decoded pixels.
        }
        slot.bytes.reset();
    }
    return TRUE;
}

} // namespace vexlan
