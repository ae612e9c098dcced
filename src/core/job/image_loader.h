// SPDX-License-Identifier: MIT
// CImageLoader: loads the pictures of a page's image items, decoding several
// at once while the page comes out exactly as if each had been decoded where
// its item was read.
//
// Start runs on the caller's thread, one item after another in item order:
// it checks the path, reads the file once into memory (a ".bpg" unpacked),
// reads the JPEG's header and charges what the picture keeps against the
// page's image budget, in that order. Only the decoding of the pixels runs
// on the worker threads, from those same bytes. Take hands the pictures back
// in item order. So every decision (which item fails, over the budget or
// not, which picture is shared) is taken in item order from what the items
// before have charged, never from which decoding happened to end first.
//
// Charges: a new picture charges its two image blocks, plus its JPEG bytes
// when they are kept for a PDF surface (stored_jpeg.h; only streams a PDF
// reader takes as they are, decoded without damage). Its file must fit in
// what is left, and so must the blocks with the file beside them; a ".bpg"
// is unpacked only when its unpacking's peak (the unpacked bytes and the
// packed ones beside them) fits, straight into the one buffer the picture is
// then decoded from. A picture shared with an earlier item charges nothing.
//
// Pixels: see SetPixelsOnDemand.
//
// Memory: decodings run together only while the memory they take for the
// time being (bytes not kept, libjpeg's working memory) fits in what the
// budget has left beside the charges; otherwise Start waits for them.
#pragma once

#include "core/job/image_cache.h"
#include "core/job/page_item.h"
#include "core/jpeg/jpg_decoder.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexlan {

// Decoding threads a page uses: the machine's processors, 1 to 8.
unsigned ImageDecodeThreads();

// With pixels on demand, a picture a PDF takes as its JPEG data is checked
// (CheckJpgToDib: the same verdict as decoding it) instead of decoded, and
// its pixels are made when something first draws them (pending_pixels.h);
// everything that reads a picture's pixels then calls MakePicturePixels
// first. A picture the check finds damaged is decoded as before. With
// `thumbnails`, the check also keeps the picture at a fraction of its size
// for a drawing that shows it smaller (a preview or a PNG): at 1/8, or, when
// `shownPxPerUnit` (device pixels per unit of an item's rectangle) is
// given, at the largest reduction (JpgReduction) that still has a pixel for
// each one its rectangle covers; a picture its rectangle shows at half its
// size or more is then decoded whole at once. Off unless the program turns
// it on; set it before loading.
void SetPixelsOnDemand(bool on, bool thumbnails = false, double shownPxPerUnit = 0);
bool PixelsOnDemand();

class CImageLoader {
public:
    // Decodes on up to `threads` threads, started when needed; 0 decodes
    // each picture inside Start. The budget left is taken now.
    explicit CImageLoader(unsigned threads);
    // Waits for the decodings still running (those not yet begun are
    // dropped) and releases every picture that was not taken.
    ~CImageLoader();
    CImageLoader(const CImageLoader&) = delete;
    CImageLoader& operator=(const CImageLoader&) = delete;

    // Starts loading the picture of the image record `item` (its szText
    // names the file, as LoadImageItem reads it) as picture number Count().
    // Returns false when the item fails already, with why in a non-null
    // `problem` (LoadImageItem's words); nothing is then started, and the
    // caller starts nothing more. Running out of memory may also end it
    // with an exception; nothing is started then either.
    bool Start(const PageItem& item, std::string* problem);

    // Pictures started.
    std::size_t Count() const { return m_slots.size(); }

    // Waits for picture `k` and hands it over: TRUE with pBits/pBmi set to
    // holders the caller now owns, or FALSE with why in a non-null `problem`.
    // On TRUE, a non-null `problem` receives what the picture lacks ("image
    // data ends early", said for the item that decoded it), or "".
    // Pictures are taken in order, each once, and the caller still holds the
    // pictures it took when it takes a later one (a later item may share
    // them).
    BOOL Take(std::size_t k, void*& pBits, BITMAPINFO*& pBmi, std::string* problem);

private:
    struct Slot;

    uint64_t Left() const;
    void WaitForRoom(std::unique_lock<std::mutex>& lock, uint64_t need);
    void Queue(Slot* slot);
    void Work();
    void Decode(Slot* slot);
    void PixelsLater(Slot& slot);

    const unsigned m_maxThreads;
    const uint64_t m_base;   // the budget left when loading began
    uint64_t m_charged = 0;  // charges of the pictures started
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::map<ImageFileKey, std::size_t> m_decodedFrom; // file -> first slot decoding it

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Slot*> m_queue;
    std::vector<std::thread> m_threads;
    unsigned m_idle = 0;
    std::size_t m_running = 0;         // queued or decoding
    uint64_t m_passing = 0;            // memory they take for the time being
    std::size_t m_firstFailed = SIZE_MAX;
    bool m_stop = false;
};

} // namespace vexlan
