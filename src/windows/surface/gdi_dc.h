// SPDX-License-Identifier: MIT
// GdiDC: the device-context surface on Windows, drawing with GDI itself on
// a device context it does not own (a printer's, a window's, a memory DC
// over a DIB section). The renderer's calls keep their Windows meanings:
// CreateFontA's cell and character heights and average width, DrawText's
// DT_* flags, StretchDIBits with the stretch mode asked for, pens whose
// width 0 is one device pixel.
//
// MM_HIMETRIC is 0.01 mm at the resolution the surface is given (or the
// device's LOGPIXELSX/Y), y upward, logical (0, 0) at the device origin. It
// is set as an anisotropic mapping of exactly that scale: GDI's own
// MM_HIMETRIC scales by the device's size in whole millimetres, which is
// not exact on a screen or a memory DC, and differs from printer to printer.
//
// Fonts and pens are GDI objects, named to the renderer by small ids. The
// device context's state is saved on construction and restored, with the
// objects it had selected, by the destructor; fonts and pens still alive
// then are deleted.
#pragma once

#include "core/render/cdc.h"
#include "windows/base/windows_api.h"

#include <cstdint>
#include <unordered_map>

namespace vexlan {

class GdiDC : public CDC {
public:
    // Draws on `dc`, which must outlive this object. `dpiX`/`dpiY` (> 0)
    // set the resolution of MM_HIMETRIC; 0 takes the device's LOGPIXELSX/Y.
    // Logical (0, 0) lands on device pixel (`originX`, `originY`): a band
    // of a larger image is drawn with the band's corner as the origin.
    explicit GdiDC(HDC dc, int dpiX = 0, int dpiY = 0, int originX = 0, int originY = 0);
    ~GdiDC() override;
    GdiDC(const GdiDC&) = delete;
    GdiDC& operator=(const GdiDC&) = delete;

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

    // The ANSI code page texts and face names are read in: the core's
    // (VEXLAN_CODEPAGE may set it apart from the system's).
    int CodePage() const { return m_codePage; }

private:
    // DrawTextA, or DrawTextW of the text read in the core's code page.
    int DrawTextAsked(const char* text, int length, WIN_RECT& box, UINT format);

    static constexpr uint32_t kStockFont = 1;
    static constexpr uint32_t kStockPen = 2;

    HDC m_dc;
    int m_saved = 0;
    int m_dpiX;
    int m_dpiY;
    int m_originX;
    int m_originY;
    int m_codePage;
    bool m_systemCodePage; // the core's code page is GDI's: the A functions serve
    int m_mapMode = MM_TEXT;
    HGDIOBJ m_stockFont = nullptr;
    HGDIOBJ m_stockPen = nullptr;
    HGDIOBJ m_callerFont = nullptr;
    HGDIOBJ m_callerPen = nullptr;
    HGDIOBJ m_callerBrush = nullptr;
    uint32_t m_nextId = 3;
    uint32_t m_font = kStockFont;
    uint32_t m_pen = kStockPen;
    std::unordered_map<uint32_t, ::HFONT> m_fonts;
    std::unordered_map<uint32_t, ::HPEN> m_pens;
};

} // namespace vexlan
