// SPDX-License-Identifier: MIT
// CCairoPaintEngine: QPainter's calls carried out on a cairo context (the
// PDF device's page). QPainter hands over untransformed geometry with its
// current transform, clip, pen, brush and hints; the engine sets the same
// on cairo, in device units mapped to PDF points by a base transform.
//
// What the page drawing uses is drawn natively: rectangles, lines and
// polygons, paths (fill rule kept), images (in tiles cairo can hold), and
// pens as Qt means them (a cosmetic pen is its width in device pixels, at
// least one; dash lengths are in pen widths; caps and joins as set).
// Brushes other than solid colours are drawn in their colour. Text items
// are drawn as text when the device announced their glyph run (see
// CPdfSink), otherwise as Qt's glyph outlines; an image announced as a
// stored JPEG is drawn from the JPEG data.
#pragma once

#include "linux/pdf/cairo_fonts.h"
#include "core/dib/stored_jpeg.h"

#include <cairo.h>

#include <QBrush>
#include <QGlyphRun>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QTransform>

#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vexlan {

class CCairoPaintEngine final : public QPaintEngine {
public:
    // Draws on `cr` (borrowed; it must outlive the engine's drawing).
    // `base` maps device units to cairo's user space (PDF points).
    CCairoPaintEngine(cairo_t* cr, const QTransform& base);
    ~CCairoPaintEngine() override;

    bool begin(QPaintDevice* device) override;
    bool end() override;
    void updateState(const QPaintEngineState& state) override;
    void drawRects(const QRectF* rects, int rectCount) override;
    void drawLines(const QLineF* lines, int lineCount) override;
    void drawPath(const QPainterPath& path) override;
    void drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) override;
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                   Qt::ImageConversionFlags flags = Qt::AutoColor) override;
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override;
    Type type() const override { return QPaintEngine::User; }

    // See CPdfSink.
    void ExpectGlyphRun(const QGlyphRun& run, const QPointF& origin);
    bool ExpectStoredJpeg(const void* bits, const QSize& pixels, bool mirrorX, bool mirrorY, bool invert);
    void ExpectNothing();
    // The font faces the engine draws glyph runs in.
    CCairoFonts& Fonts() { return m_fonts; }

    // True when an image could not be drawn for want of memory.
    bool Failed() const { return m_failed; }
    // Lets go of the pictures cairo was given. Call after the PDF surface
    // is destroyed: until it is finished cairo reads them to write the
    // page, and until it is gone cairo copies a picture that goes.
    void ReleaseImages() noexcept;

private:
    // A stored JPEG announced for the next image.
    struct ExpectedJpeg {
        cairo_surface_t* surface = nullptr;
        bool mirrorX = false, mirrorY = false, invert = false;
    };

    // Brings cairo's clip up to date and sets its matrix to the painter's
    // transform; false when that cannot be inverted (nothing is drawn).
    bool Prepare();
    bool UseTransform();
    void UseDeviceSpace();
    void ApplyClip();
    // Adds `path` to cairo's path in the current user space.
    void AddPath(const QPainterPath& path);
    // Fills (when `fill`) with the brush, then strokes with the pen, the
    // path `build` adds in the painter's space.
    void FillAndStroke(const std::function<void()>& build, bool fill, Qt::FillRule rule);
    void SetSource(const QColor& color);
    void Stroke();
    // Paints the part `part` (image pixels) of `surface`, whose pixel
    // (0, 0) is at `at` in image space, in the current user space (image
    // space).
    void PaintSurface(cairo_surface_t* surface, const QPointF& at, const QRectF& part);
    void DrawGlyphs(const QGlyphRun& run, const QPointF& origin);
    cairo_surface_t* JpegSurface(const StoredJpeg& jpeg);
    // One white pixel (made once), painted over an inverted JPEG.
    cairo_surface_t* WhitePixel();

    cairo_t* m_cr;
    QTransform m_base;
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    double m_opacity = 1;
    bool m_smooth = false;
    bool m_clipEnabled = false;
    bool m_clipDirty = false;
    bool m_failed = false;
    std::vector<QPainterPath> m_clips; // in device units, intersected

    CCairoFonts m_fonts;
    const QGlyphRun* m_expectedRun = nullptr;
    QPointF m_runOrigin;
    ExpectedJpeg m_expectedJpeg;
    // Pictures handed to cairo, kept until the document is written (cairo
    // copies a picture it is given the moment the picture goes away).
    std::vector<QImage> m_images;
    std::vector<cairo_surface_t*> m_surfaces;
    std::unordered_map<const void*, cairo_surface_t*> m_jpegs; // by JPEG data
    cairo_surface_t* m_white = nullptr;                        // see WhitePixel()
    std::unordered_set<cairo_surface_t*> m_onPage; // carriers painted on the page, not in a group
};

} // namespace vexlan
