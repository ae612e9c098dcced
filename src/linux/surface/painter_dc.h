// SPDX-License-Identifier: MIT
// CPainterDC: the device-context surface that draws through QPainter on any
// paint device (printer, print preview, PDF writer, image). It maps logical
// units to the painter's pixels itself (MM_TEXT: one pixel; MM_HIMETRIC:
// 0.01 mm at the device's resolution, y up), realises fonts through
// CFontMapper, and behaves like a fresh GDI device context: black text on an
// opaque white text background, black one-pixel stock pen, no brush.
//
// Drawing is held back until Flush() (PaintPage calls it when the page is
// complete; the destructor does too): what lies wholly off the device is
// dropped as it is asked for, before any text is laid out, and of the rest
// only what later opaque drawing does not paint over is drawn
// (COcclusionQueue), in the order it was asked for. A page that draws one
// place a hundred thousand times costs what its visible drawing costs.
//
// Its members are defined by concern: painter_dc.cpp (the device face:
// construction, mapping, selected objects, device pixels), painter_text.cpp
// (fonts realised, DrawText and its drawing; text_cache.h, shown_text.h),
// painter_image.cpp (StretchDIBits and its drawing; dib_pixels.h),
// painter_lines.cpp (LineTo; segment_clip.h, hairline_track.h) and
// painter_held.cpp (what is held back, and drawing it).
#pragma once

#include "core/render/cdc.h"
#include "linux/surface/font_mapper.h"
#include "linux/surface/occlusion_queue.h"
#include "linux/surface/text_cache.h"

#include <QHash>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <atomic>
#include <cmath>
#include <deque>
#include <future>
#include <unordered_set>
#include <vector>

class QPainter;

namespace vexlan {

class CPdfSink;

class CPainterDC : public CDC {
public:
    // Draws on `painter`, which must be active for the whole life of this
    // object. The device's resolution comes from painter.device() unless
    // `dpiX`/`dpiY` are given (> 0).
    explicit CPainterDC(QPainter& painter, double dpiX = 0, double dpiY = 0);
    // Records a page for an image too large to draw at once: `pixels` is
    // the image in device pixels, placed so that logical (0, 0) is device
    // (0, 0); nothing is drawn until PaintHeld().
    CPainterDC(const QRect& pixels, double dpi);
    // Flushes what is held back (an allocation failure then drops the rest).
    ~CPainterDC() override;

    // Draws what is held back, in order, leaving out what later opaque
    // drawing covers, and lets go of it. May throw std::bad_alloc.
    void Flush();
    // Draws, through `painter` (which maps device pixels to its own
    // device), what is held back and touches `area`, leaving out what later
    // opaque drawing covers. Keeps what is held, so that an image can be
    // painted piece by piece. May throw std::bad_alloc.
    void PaintHeld(QPainter& painter, const QRectF& area);
    // Stops painting what is held once `*cancel` becomes true: PaintHeld()
    // and Flush() look at it between operations and between rows of a
    // picture, so that a drawing given up (the preview's, when the page is
    // asked for at another scale or the window closes) ends at once
    // instead of painting what it already holds. `cancel` must outlive
    // this object; null (the default) never stops.
    void SetCancel(const std::atomic<bool>* cancel) { m_cancel = cancel; }

    int SetMapMode(int mode) override;
    int SetStretchBltMode(int mode) override;
    HFONT CreateFont(const FontRequest& request) override;
    HFONT SelectFont(HFONT font) noexcept override;
    void DeleteFont(HFONT font) noexcept override;
    int DrawText(const char* text, int length, const RECT& rect, UINT format) override;
    int StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                      int hSrc, const void* bits, const BITMAPINFO* bmi, UINT usage,
                      DWORD rop) override;
    HPEN CreatePen(int style, int width, COLORREF color) override;
    HPEN SelectPen(HPEN pen) noexcept override;
    void DeletePen(HPEN pen) noexcept override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;

    // Background mode for text: true (OPAQUE, the default) fills the text's
    // cell box with white before the glyphs are drawn.
    void SetOpaqueTextBackground(bool opaque) { m_opaqueText = opaque; }

    // The painter position of a logical point (rounded to whole pixels, as
    // a device context maps points).
    QPointF ToDevice(int x, int y) const;

private:
    struct PenRecord {
        int style = PS_SOLID;
        int width = 0;
        COLORREF color = 0;
    };
    // One held-back DrawText.
    struct TextOp {
        QString text;
        QList<int> underlined;
        MappedFont font;
        UINT format = 0;
        QTransform place; // layout space to the painter's space
        double ascent = 0;
        QRectF clip;      // the rectangle when the text is clipped to it
        QRectF fill;      // the opaque background box, or empty
        QRectF visible;   // the device (and clip) the text can show in
        bool outlines = false; // filled as outlines, not through Qt's text drawing
        bool farOff = false;   // beyond Qt's coordinate range: outlines cut to the device
        QList<QGlyphRun> runs; // the line laid out, when its measuring kept it (a PDF's)
    };
    // One held-back StretchDIBits: source pixel (i, j) of the source
    // rectangle (top-down, `sx0`, `sy0`, `sw` x `sh`) covers the cell
    // (i, j) of `dest`, counted from the far edge when mirrored.
    struct ImageOp {
        const BITMAPINFO* bmi = nullptr;
        const uint8_t* bits = nullptr;
        bool invert = false, mirrorX = false, mirrorY = false, smooth = false;
        QRectF dest;
        int64_t sx0 = 0, sy0 = 0, sw = 1, sh = 1;
        int imageW = 0, imageH = 0;
    };
    // The source pixels of an image that land in an area, and where.
    struct ImageCut {
        int col0 = 0, col1 = 0, row0 = 0, row1 = 0;
        QRectF target;
        bool empty() const { return col0 >= col1 || row0 >= row1; }
    };
    struct LineOp {
        QPen pen;
        QLineF line;
    };
    enum class Kind : uint8_t { Text, Image, Line };
    // SetStretchBltMode's smoothing mode (GDI's value).
    static constexpr int HALFTONE = 4;

    // A device coordinate rounded to a whole pixel, halves up.
    static double RoundPx(double v) { return std::floor(v + 0.5); }

    // Device pixels per logical unit in the current mapping mode.
    double PixelsPerUnitX() const;
    double PixelsPerUnitY() const; // negative when y grows upward
    // The device in the painter's space, whole pixels.
    QRectF DeviceBounds() const;
    // The selected font realised for the current mapping mode.
    const MappedFont& RealisedFont();
    // The device pixels a rectangle may touch (rounded outward, kept to the
    // device) and those it certainly covers (rounded inward).
    QRect OuterPixels(const QRectF& r) const;
    QRect InnerPixels(const QRectF& r) const;
    // The pixels a fill of `r` without antialiasing covers on an image.
    QRect RoundedPixels(const QRectF& r) const;
    // Queues an operation: `ink` bounds what it may touch, `opaque` is the
    // device pixels it certainly paints over (may be empty).
    void Hold(Kind kind, std::size_t index, const QRectF& ink, const QRect& opaque,
              const COcclusionQueue::LineKey* line = nullptr, const COcclusionQueue::Track* track = nullptr);
    // The painter's state every operation starts from (no antialiasing
    // but for text, no brush).
    static void SetUpPainter(QPainter& painter);
    // The source pixels of `op` that land in `area`, and where.
    static ImageCut CutOut(const ImageOp& op, const QRectF& area);
    // Draws a held DrawText; its opaque background only with `background`.
    void PaintText(QPainter& painter, const TextOp& op, bool background = true);
    // For each held operation, whether it is a text whose opaque
    // background nothing held before it reaches: on a page that starts
    // white, such a background changes nothing.
    std::vector<bool> BareBackgrounds() const;
    // Draws a line's glyph runs on a PDF, from `origin` in the painter's
    // current space.
    static void PaintRuns(QPainter& painter, CPdfSink& sink, const QList<QGlyphRun>& runs, const QPointF& origin);
    // Starts decoding a picture the preview will draw, at the size it will
    // draw it, on a thread of its own (a few at a time).
    void Prefetch(const ImageOp& op);
    // Draws the part of a held StretchDIBits that lands in `area`.
    void PaintImage(QPainter& painter, const ImageOp& op, const QRectF& area);
    // An image on pixels at their own resolution: each device pixel shows
    // the source pixel under its centre, converted straight from the DIB.
    void PaintSampled(QPainter& painter, const ImageOp& op, const QRectF& area);
    // Lets go of everything held.
    void DropHeld() noexcept;
    bool Cancelled() const { return m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed); }

    QPainter* m_painter = nullptr; // none when recording for PaintHeld()
    const std::atomic<bool>* m_cancel = nullptr;
    double m_dpiX;
    double m_dpiY;
    bool m_raster = false; // drawing into pixels (an image), not a vector device
    // Drawing into an image through a painter that scales (the preview): the
    // device's pixels are mapped by `m_toImage` onto the image's pixels.
    bool m_scaledRaster = false;
    QTransform m_toImage;
    QRectF m_device;       // the device in the painter's space
    int m_mapMode = MM_TEXT;
    int m_stretchMode = 1;
    bool m_opaqueText = true;
    uint32_t m_nextHandle = 3;
    uint32_t m_font = 1;  // stock font
    uint32_t m_pen = 2;   // stock pen
    QHash<uint32_t, FontRequest> m_fonts;
    QHash<uint32_t, PenRecord> m_pens;
    bool m_haveRealised = false;
    uint32_t m_realisedFont = 0;
    int m_realisedMode = 0;
    MappedFont m_realised;
    CTextCache m_textCache;
    int m_curX = 0;
    int m_curY = 0;

    COcclusionQueue m_queue;
    std::vector<std::pair<Kind, std::size_t>> m_held; // per queued operation
    std::vector<TextOp> m_texts;
    qsizetype m_heldRunGlyphs = 0;  // glyphs of the runs m_texts holds
    std::vector<ImageOp> m_images;
    // Pictures being decoded at the size they will be drawn, while the page
    // is still being read (the preview's; see Prefetch), and those asked for.
    std::deque<std::future<void>> m_prefetches;
    std::unordered_set<const void*> m_prefetched;
    std::vector<LineOp> m_lines;
    std::vector<COcclusionQueue::Verdict> m_verdicts; // once decided
    bool m_verdictsCut = true;                         // with the parts that show
};

} // namespace vexlan
