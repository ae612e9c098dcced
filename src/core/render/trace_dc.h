// SPDX-License-Identifier: MIT
// CTraceDC: the device-context surface that draws nothing and records every
// call, in call order, as one JSON object per call (key "op" names the
// operation). `vexlan --trace` prints these lines; the renderer's tests
// compare them to the exact numbers the page must produce.
//
// Recorded operations and their keys:
//   SetStretchBltMode {mode, previous}      SetMapMode {mode, previous}
//   CreateFont {height, width, escapement, orientation, weight, italic,
//               underline, strikeOut, charSet, outPrecision, clipPrecision,
//               quality, pitchAndFamily, face, handle}
//   SelectFont {handle, previous}           DeleteFont {handle}
//   DrawText {text, rect:[l,t,r,b], format}
//   StretchDIBits {dest:[x,y,w,h], src:[x,y,w,h], image:[w,h,bits], usage, rop}
//   CreatePen {style, width, color, handle} SelectPen {handle, previous}
//   DeletePen {handle}                      MoveTo {x, y}    LineTo {x, y}
// Texts and face names are converted from the ANSI code page to UTF-8.
// Handles: the stock font is 1, the stock pen 2, created objects count up
// from 3.
#pragma once

#include "core/render/cdc.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vexlan {

class CTraceDC : public CDC {
public:
    static constexpr uint32_t kStockFont = 1;
    static constexpr uint32_t kStockPen = 2;

    // Keeps the recorded calls (Lines()).
    CTraceDC() = default;
    // Writes each call to `out` as it is made, one line each ending in
    // '\n', and keeps none; a long text is converted and written in
    // pieces, so a call takes memory of its own bounded by a constant.
    // Write errors are left in the stream's error indicator. A DrawText
    // that throws writes nothing.
    explicit CTraceDC(std::FILE* out);

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

    // The recorded calls, one JSON object per entry, in call order (none
    // when they are written out).
    const std::vector<std::string>& Lines() const { return m_lines; }
    // Fonts and pens created and not yet deleted.
    std::size_t LiveObjects() const { return m_live.size(); }
    int MapMode() const { return m_mapMode; }
    HFONT SelectedFont() const { return m_font; }
    HPEN SelectedPen() const { return m_pen; }

protected:
    // Adds one recorded call (subclasses that fake failures use it too).
    void Record(std::string json);
    uint32_t NewHandle();
    void Forget(uint32_t handle);

private:
    std::FILE* m_out = nullptr;
    std::vector<std::string> m_lines;
    std::vector<uint32_t> m_live;
    uint32_t m_nextHandle = 3;
    int m_mapMode = MM_TEXT;
    int m_stretchMode = 1; // BLACKONWHITE, the device default
    HFONT m_font{kStockFont};
    HPEN m_pen{kStockPen};
};

} // namespace vexlan
