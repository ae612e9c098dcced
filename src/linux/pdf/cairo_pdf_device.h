// SPDX-License-Identifier: MIT
// CCairoPdfDevice: a Qt paint device that makes a one-page PDF with
// cairo's PDF surface, written to a QIODevice as it is made.
//
// The device looks to a painter like Qt's PDF writer: its size is the
// page layout's printable area in device units at the given resolution,
// and the painter's origin is that area's top-left corner, so a page
// drawn through CPainterDC lands where it would on QPdfWriter. Cairo's
// PDF space is 72 units per inch; the device maps to it. Unlike QPdfWriter
// it keeps pictures whose JPEG data is known as that data (no second
// encoding) and text as text in the very font file Qt laid it out in,
// which cairo subsets (see CPdfSink, CCairoPaintEngine).
#pragma once

#include "linux/pdf/cairo_paint_engine.h"
#include "linux/surface/pdf_sink.h"

#include <cairo.h>

#include <QPageLayout>
#include <QPaintDevice>
#include <QRect>
#include <QString>

#include <memory>

class QIODevice;

namespace vexlan {

class CCairoPdfDevice final : public QPaintDevice, public CPdfSink {
public:
    // A page of `layout` (paper, orientation, margins) at `resolution`
    // device units per inch, written to `out` (open for writing). Every
    // write is checked: one that fails fails Finish().
    CCairoPdfDevice(QIODevice& out, const QPageLayout& layout, int resolution);
    ~CCairoPdfDevice() override;
    CCairoPdfDevice(const CCairoPdfDevice&) = delete;
    CCairoPdfDevice& operator=(const CCairoPdfDevice&) = delete;

    // False when the PDF could not be started (bad layout or resolution).
    bool IsValid() const { return m_cr != nullptr; }
    // The document's title and creator (before Finish()).
    void SetMetadata(const QString& title, const QString& creator);
    // Writes the page and the end of the document; call once, after the
    // painter has ended. False with `error` set when a write failed,
    // cairo failed, or drawing ran out of memory.
    bool Finish(QString& error);

    QPaintEngine* paintEngine() const override { return m_engine.get(); }

    void ExpectGlyphRun(const QGlyphRun& run, const QPointF& origin) override;
    bool ExpectStoredJpeg(const void* bits, const QSize& pixels, bool mirrorX, bool mirrorY, bool invert) override;
    void ExpectNothing() override;
    bool DesignGlyphBox(const QRawFont& font, quint32 glyph, QRectF& box) override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    static cairo_status_t Write(void* closure, const unsigned char* data, unsigned int length);

    QIODevice& m_out;
    int m_resolution;
    QRect m_paint; // the printable area, device units
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    std::unique_ptr<CCairoPaintEngine> m_engine;
    bool m_writeFailed = false;
};

} // namespace vexlan
