// SPDX-License-Identifier: MIT
// WritePagePng: the page's bands painted and compressed by a few workers at
// once, each with the page laid out on a painter surface of its own, and
// joined in order into one CPngStreamWriter.
#include "linux/headless/png_output.h"

#include "core/png/png_stream_writer.h"
#include "os/atomic_file.h"
#include "linux/surface/painter_dc.h"
#include "core/render/page_renderer.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace vexlan {

namespace {

// Most workers: each holds a band and a layout of the page.
constexpr unsigned kMaxWorkers = 4;

// One band's rows as a segment of the PNG's deflate data.
struct Segment {
    std::vector<uint8_t> bytes;
    uint32_t rows = 0;
    unsigned long adler = 0;
};

// The bands shared out among the workers (worker w takes bands w, w + n,
// ...) and handed back to the writer in order. A worker runs at most two
// rounds ahead of the writer, so few finished segments wait in memory.
class CBandWork {
public:
    CBandWork(int bands, int workers) : m_bands(bands), m_workers(workers) {}

    // A worker may start band `k`; false once the work has stopped.
    bool MayStart(int k)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || k - m_next < 2 * m_workers; });
        return !m_stopped;
    }
    void Done(int k, Segment&& segment)
    {
        {
            std::lock_guard lock(m_mutex);
            m_done.emplace(k, std::move(segment));
        }
        m_changed.notify_all();
    }
    // The next band's segment, once done; false when the work stopped
    // first (`failure` then says why, when a worker failed).
    bool Next(Segment& segment, std::string& failure)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || m_done.count(m_next) > 0; });
        const auto it = m_done.find(m_next);
        if (it == m_done.end()) {
            failure = m_failure;
            return false;
        }
        segment = std::move(it->second);
        m_done.erase(it);
        ++m_next;
        lock.unlock();
        m_changed.notify_all();
        return true;
    }
    void Stop(const std::string& failure = {})
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_stopped)
                m_failure = failure;
            m_stopped = true;
        }
        m_changed.notify_all();
    }

    const int m_bands;
    const int m_workers;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, Segment> m_done;
    int m_next = 0;
    bool m_stopped = false;
    std::string m_failure;
};

// Worker `w`: lays the page out (fonts belong to the thread that makes
// them), then paints and compresses its bands.
void PaintBands(CBandWork& work, int w, const CPageItemArray& items, QSize pixels, QPoint origin, int dpi,
                int bandRows)
{
    const int width = pixels.width(), height = pixels.height();
    try {
        QImage band(width, bandRows, QImage::Format_RGB32);
        if (band.isNull())
            return work.Stop("not enough memory for a band of " + std::to_string(width) + " pixels");
        CPainterDC page(QRect(-origin.x(), -origin.y(), width, height), dpi);
        RenderPage(&page, items);
        for (int k = w; k < work.m_bands && work.MayStart(k); k += work.m_workers) {
            const int top = k * bandRows, rows = std::min(bandRows, height - top);
            band.fill(Qt::white);
            QPainter painter(&band);
            painter.translate(origin.x(), origin.y() - top);
            page.PaintHeld(painter, QRectF(-origin.x(), top - origin.y(), width, rows));
            painter.end();
            Segment segment;
            CPngStreamWriter png([&segment](const void* data, std::size_t size) {
                const auto* bytes = static_cast<const uint8_t*>(data);
                segment.bytes.insert(segment.bytes.end(), bytes, bytes + size);
                return true;
            });
            bool ok = png.BeginSegment(uint32_t(width));
            for (int r = 0; ok && r < rows; ++r)
                ok = png.WriteRow(reinterpret_cast<const uint32_t*>(band.constScanLine(r)));
            if (!ok || !png.FinishSegment())
                return work.Stop("the PNG encoder failed");
            segment.rows = png.Rows();
            segment.adler = png.Adler();
            work.Done(k, std::move(segment));
        }
    } catch (const std::exception&) {
        work.Stop("the page could not be drawn completely (out of memory)");
    }
}

} // namespace

bool WritePagePng(const CPageItemArray& items, QSize pixels, QPoint origin, int dpi, CAtomicFile& file,
                  std::string& error, int bandRows)
{
    const int width = pixels.width(), height = pixels.height();
    if (width < 1 || height < 1 || dpi < 1) {
        error = "empty page";
        return false;
    }
    if (bandRows <= 0)
        bandRows = static_cast<int>(std::max<std::size_t>(1, kPngBandPixels / std::size_t(width)));
    bandRows = std::min(bandRows, height);
    const int bands = (height - 1) / bandRows + 1;
    const int workers = int(std::clamp(std::min(std::thread::hardware_concurrency(), kMaxWorkers), 1u, unsigned(bands)));

    CPngStreamWriter png([&file](const void* data, std::size_t size) { return file.Write(data, size); });
    const auto writeFailed = [&] {
        error = file.Error().empty() ? "the PNG encoder failed" : file.Error();
        return false;
    };
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    if (!png.Begin(uint32_t(width), uint32_t(height), uint32_t(dotsPerMeter)))
        return writeFailed();
    CBandWork work(bands, workers);
    std::vector<std::thread> threads;
    try {
        for (int w = 0; w < workers; ++w)
            threads.emplace_back(PaintBands, std::ref(work), w, std::cref(items), pixels, origin, dpi, bandRows);
    } catch (const std::exception&) {
        work.Stop("cannot start a thread to draw the page");
    }
    bool ok = true;
    Segment segment;
    for (int k = 0; ok && k < bands; ++k) {
        ok = work.Next(segment, error) &&
             (png.AppendSegment(segment.bytes.data(), segment.bytes.size(), segment.rows, segment.adler) ||
              writeFailed());
    }
    work.Stop();
    for (std::thread& thread : threads)
        thread.join();
    return ok && (png.Finish() || writeFailed());
}

} // namespace vexlan
