// SPDX-License-Identifier: MIT
// CPreviewRenderer: draws the preview's page on a thread of its own, one
// drawing at a time, and keeps the latest finished one. The GUI thread asks
// for the scale the page has on the screen and is told when a page at that
// scale is ready; it never waits for a drawing, so the window answers its
// window manager however long a page takes. Only destroying the renderer
// while it draws waits for the drawing to stop (abandoned drawings skip the
// items still to come).
#pragma once

#include "linux/surface/preview_image.h"

#include <QObject>

#include <memory>

namespace vexlan {

class CPreviewRenderer : public QObject {
    Q_OBJECT

public:
    // `items` must outlive the renderer and stay unchanged while it lives.
    CPreviewRenderer(const CPageItemArray& items, const PreviewPrinter& printer, QObject* parent = nullptr);
    // Abandons a drawing under way and waits for its thread to end.
    ~CPreviewRenderer() override;

    // Asks for the page at `scale` image pixels per printer pixel. A drawing
    // under way at another scale is abandoned; once it has stopped, the page
    // is drawn at the latest scale asked for. The same scale as the finished
    // page, or as the drawing under way, asks for nothing.
    void Request(double scale);

    // Abandons a drawing under way and draws no more pages; the renderer
    // deletes itself once its thread is idle (at once when it is).
    void Retire();

    // The latest finished page; a null image before the first.
    const PreviewImage& Page() const { return m_page; }
    bool IsDrawing() const { return m_job != nullptr; }

signals:
    // Page() holds a newly drawn page.
    void pageReady();

private:
    struct Job;
    void Start(double scale);
    void OnJobDone();

    const CPageItemArray& m_items;
    const PreviewPrinter m_printer;
    std::unique_ptr<Job> m_job;
    double m_wanted = 0;    // the scale asked for last
    double m_lastDrawn = 0; // the scale asked for by the last drawing that ended
    PreviewImage m_page;
    bool m_retired = false;
};

} // namespace vexlan
