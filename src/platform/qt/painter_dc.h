// CPainterDC: the device-context surface that draws through QPainter on any
// paint device (printer, print preview, PDF writer, image). It maps logical
// units to the painter's pixels itself (MM_TEXT: one pixel; MM_HIMETRIC:
// 0.01 mm at the device's resolution, y up), realises fonts through
// CFontMapper, and behaves like a fresh GDI device context: black text on an
// opaque white text background, black one-pixel stock pen, no brush.
#pragma once

#include "platform/cdc.h"
#include "platform/qt/font_mapper.h"

#include <QHash>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace vexlan {

class CPainterDC : public CDC {
public:
    // Draws on `painter`, which must be active for the whole life of this
    // object. The device's resolution comes from painter.device() unless
    // `dpiX`/`dpiY` are given (> 0).
    explicit CPainterDC(QPainter& painter, double dpiX = 0, double dpiY = 0);
    ~CPainterDC() override;

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

    double PixelsPerUnitX() const;
    double PixelsPerUnitY() const; // negative when y grows upward
    QRectF DeviceBounds() const;
    const MappedFont& RealisedFont();

    QPainter& m_painter;
    double m_dpiX;
    double m_dpiY;
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
    int m_curX = 0;
    int m_curY = 0;
};

} // namespace vexlan
