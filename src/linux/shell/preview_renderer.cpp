// SPDX-License-Identifier: MIT
// The preview's drawing thread (see preview_renderer.h).
#include "linux/shell/preview_renderer.h"

#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>

namespace vexlan {

namespace {

// Scales that give the same image to within a pixel on the largest one.
bool SameScale(double a, double b)
{
    return std::fabs(a - b) <= 1e-4 * std::fmax(a, b);
}

} // namespace

// One drawing: written by its thread until it ends, then read by the GUI
// thread once the thread has been joined.
struct CPreviewRenderer::Job {
    std::atomic<bool> cancel{false};
    double scale = 0;
    PreviewImage result;
    std::thread thread;
};

CPreviewRenderer::CPreviewRenderer(const CPageItemArray& items, const PreviewPrinter& printer, QObject* parent)
    : QObject(parent), m_items(items), m_printer(printer)
{
}

CPreviewRenderer::~CPreviewRenderer()
{
    if (m_job == nullptr)
        return;
    m_job->cancel = true;
    if (m_job->thread.joinable())
        m_job->thread.join();
    // The thread's report of its end may be queued: it goes with this object.
}

void CPreviewRenderer::Request(double scale)
{
    if (m_retired || !(scale > 0) || !std::isfinite(scale))
        return;
    m_wanted = scale;
    if (m_job != nullptr) {
        if (!SameScale(m_job->scale, scale))
            m_job->cancel = true;
        return;
    }
    if (!SameScale(scale, m_lastDrawn))
        Start(scale);
}

void CPreviewRenderer::Retire()
{
    m_retired = true;
    if (m_job != nullptr)
        m_job->cancel = true;
    else
        deleteLater();
}

void CPreviewRenderer::Start(double scale)
{
    m_job = std::make_unique<Job>();
    m_job->scale = scale;
    Job* job = m_job.get();
    auto draw = [this, job] {
        job->result = RenderPreviewImage(m_items, m_printer, job->scale, job->cancel);
        QMetaObject::invokeMethod(this, &CPreviewRenderer::OnJobDone, Qt::QueuedConnection);
    };
    try {
        job->thread = std::thread(draw);
    } catch (const std::system_error&) {
        // No thread to be had: draw here rather than show no page.
        draw();
    }
}

void CPreviewRenderer::OnJobDone()
{
    if (m_job == nullptr)
        return;
    if (m_job->thread.joinable())
        m_job->thread.join();
    const std::unique_ptr<Job> job = std::move(m_job);
    if (m_retired) {
        deleteLater();
        return;
    }
    if (!job->cancel) {
        m_lastDrawn = job->scale;
        if (!job->result.image.isNull()) {
            m_page = std::move(job->result);
            emit pageReady();
        }
    }
    if (m_job == nullptr && !SameScale(m_wanted, m_lastDrawn))
        Start(m_wanted);
}

} // namespace vexlan
