// SPDX-License-Identifier: MIT
// A one-page PDF made by cairo behind a Qt paint device (see
// cairo_pdf_device.h).
#include "linux/pdf/cairo_pdf_device.h"

#include <cairo-pdf.h>

#include <QIODevice>
#include <QPageSize>
#include <QSizeF>

#include <climits>

namespace vexlan {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMmPerInch = 25.4;

// The sheet's size in points, unrounded: Qt gives points as whole numbers
// (A4 would become 595 x 842 instead of 595.276 x 841.89), so the size is
// taken from the paper's own definition where its unit converts exactly.
QSizeF SheetPoints(const QPageLayout& layout)
{
    const QPageSize& paper = layout.pageSize();
    double perUnit = 0;
    switch (paper.definitionUnits()) {
    case QPageSize::Millimeter: perUnit = kPointsPerInch / kMmPerInch; break;
    case QPageSize::Point: perUnit = 1; break;
    case QPageSize::Inch: perUnit = kPointsPerInch; break;
    case QPageSize::Pica: perUnit = 12; break;
    default: return layout.fullRect(QPageLayout::Point).size(); // Didot, Cicero: whole points
    }
    QSizeF size = paper.definitionSize() * perUnit;
    if (layout.orientation() == QPageLayout::Landscape)
        size.transpose();
    return size;
}

} // namespace

CCairoPdfDevice::CCairoPdfDevice(QIODevice& out, const QPageLayout& layout, int resolution)
    : m_out(out), m_resolution(resolution)
{
    if (!layout.isValid() || resolution <= 0)
        return;
    const QSizeF sheet = SheetPoints(layout);
    m_paint = layout.paintRectPixels(resolution);
    if (sheet.isEmpty() || m_paint.isEmpty())
        return;
    m_surface = cairo_pdf_surface_create_for_stream(Write, this, sheet.width(), sheet.height());
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS)
        return;
    cairo_t* cr = cairo_create(m_surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        return;
    }
    // Device units to points, the origin at the printable area's corner
    // (on the device's own pixel grid, as Qt's PDF writer places it).
    const double scale = kPointsPerInch / resolution;
    // The sheet is painted white first. It is white anyway, and cairo adds
    // each operation's extents to a region while it works out how to write
    // the page: with the first already covering the page each addition is
    // immediate, where a page of a thousand text lines made the region a
    // thousand rectangles long and every addition walked through it.
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    m_cr = cr;
    m_engine = std::make_unique<CCairoPaintEngine>(
        m_cr, QTransform(scale, 0, 0, scale, m_paint.left() * scale, m_paint.top() * scale));
}

CCairoPdfDevice::~CCairoPdfDevice()
{
    if (m_cr != nullptr)
        cairo_destroy(m_cr);
    if (m_surface != nullptr) {
        m_writeFailed = true; // an unfinished page is not written out
        cairo_surface_destroy(m_surface);
    }
    if (m_engine)
        m_engine->ReleaseImages(); // after the surface, as in Finish()
}

cairo_status_t CCairoPdfDevice::Write(void* closure, const unsigned char* data, unsigned int length)
{
    auto* self = static_cast<CCairoPdfDevice*>(closure);
    if (self->m_writeFailed || self->m_out.write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length)) {
        self->m_writeFailed = true;
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

void CCairoPdfDevice::SetMetadata(const QString& title, const QString& creator)
{
    if (m_cr == nullptr)
        return;
    if (!title.isEmpty())
        cairo_pdf_surface_set_metadata(m_surface, CAIRO_PDF_METADATA_TITLE, title.toUtf8().constData());
    if (!creator.isEmpty())
        cairo_pdf_surface_set_metadata(m_surface, CAIRO_PDF_METADATA_CREATOR, creator.toUtf8().constData());
}

bool CCairoPdfDevice::Finish(QString& error)
{
    if (m_cr == nullptr) {
        error = QStringLiteral("the PDF could not be started");
        return false;
    }
    const cairo_status_t drawn = cairo_status(m_cr);
    cairo_destroy(m_cr);
    m_cr = nullptr;
    // The page (cairo emits the first page even when nothing was drawn),
    // the fonts and images, the cross-reference table.
    cairo_surface_finish(m_surface);
    const cairo_status_t written = cairo_surface_status(m_surface);
    // The surface goes before the pictures: while its recording of the page
    // lives, a picture let go is copied for it first (48 MB of untouched
    // pages for a 12-megapixel JPEG's stand-in surface).
    cairo_surface_destroy(m_surface);
    m_surface = nullptr;
    const bool outOfMemory = m_engine->Failed();
    m_engine->ReleaseImages();
    if (m_writeFailed)
        error = QStringLiteral("writing the PDF failed");
    else if (drawn != CAIRO_STATUS_SUCCESS || written != CAIRO_STATUS_SUCCESS)
        error = QString::fromUtf8(cairo_status_to_string(drawn != CAIRO_STATUS_SUCCESS ? drawn : written));
    else if (outOfMemory)
        error = QStringLiteral("out of memory while drawing the page");
    else
        return true;
    return false;
}

int CCairoPdfDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return m_paint.width();
    case PdmHeight: return m_paint.height();
    case PdmWidthMM: return qRound(m_paint.width() * kMmPerInch / m_resolution);
    case PdmHeightMM: return qRound(m_paint.height() * kMmPerInch / m_resolution);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return m_resolution;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    default: return 0;
    }
}

void CCairoPdfDevice::ExpectGlyphRun(const QGlyphRun& run, const QPointF& origin)
{
    if (m_engine)
        m_engine->ExpectGlyphRun(run, origin);
}

bool CCairoPdfDevice::ExpectStoredJpeg(const void* bits, const QSize& pixels, bool mirrorX, bool mirrorY,
                                       bool invert)
{
    return m_engine && m_engine->ExpectStoredJpeg(bits, pixels, mirrorX, mirrorY, invert);
}

bool CCairoPdfDevice::DesignGlyphBox(const QRawFont& font, quint32 glyph, QRectF& box)
{
    return m_engine && m_engine->Fonts().DesignBox(font, glyph, box);
}

void CCairoPdfDevice::ExpectNothing()
{
    if (m_engine)
        m_engine->ExpectNothing();
}

} // namespace vexlan
