// SPDX-License-Identifier: MIT
// GdiDC's calls (see gdi_dc.h): each one GDI's own, with the renderer's
// handles mapped to GDI objects and texts read in the core's code page.
#include "windows/surface/gdi_dc.h"

#include "core/text/codepage.h"
#include "windows/surface/draw_cut.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <string>

namespace vexlan {

namespace {

constexpr int kHimetricPerInch = 2540;
// GDI keeps at most this many bytes of a face name (LF_FACESIZE less the
// terminating zero).
constexpr std::size_t kFaceBytes = LF_FACESIZE - 1;

// `bytes` in `codePage` as UTF-16; empty when the system cannot convert.
std::wstring Widen(const char* bytes, int length, int codePage)
{
    if (length <= 0)
        return {};
    const int units = MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes, length, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes, length, wide.data(), units);
    return wide;
}

WIN_RECT ToWin(const RECT& r) { return WIN_RECT{r.left, r.top, r.right, r.bottom}; }

} // namespace

GdiDC::GdiDC(HDC dc, int dpiX, int dpiY, int originX, int originY)
    : m_dc(dc), m_originX(originX), m_originY(originY), m_codePage(AnsiCodePage()), m_systemCodePage(static_cast<UINT>(AnsiCodePage()) == GetACP())
{
    m_dpiX = dpiX > 0 ? dpiX : GetDeviceCaps(dc, LOGPIXELSX);
    m_dpiY = dpiY > 0 ? dpiY : GetDeviceCaps(dc, LOGPIXELSY);
    if (m_dpiX <= 0)
        m_dpiX = 96;
    if (m_dpiY <= 0)
        m_dpiY = 96;
    m_saved = SaveDC(dc);
    // A fresh device context's drawing state, whatever the caller's DC had.
    SetMapMode(MM_TEXT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    m_stockFont = GetStockObject(SYSTEM_FONT);
    m_stockPen = GetStockObject(BLACK_PEN);
    m_callerFont = SelectObject(dc, m_stockFont);
    m_callerPen = SelectObject(dc, m_stockPen);
    m_callerBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
}

GdiDC::~GdiDC()
{
    // The caller's objects go back in before this surface's are deleted.
    SelectObject(m_dc, m_callerFont);
    SelectObject(m_dc, m_callerPen);
    SelectObject(m_dc, m_callerBrush);
    if (m_saved != 0)
        RestoreDC(m_dc, m_saved);
    for (const auto& [id, font] : m_fonts)
        DeleteObject(font);
    for (const auto& [id, pen] : m_pens)
        DeleteObject(pen);
}

int GdiDC::SetMapMode(int mode)
{
    if (mode != MM_TEXT && mode != MM_HIMETRIC)
        return 0;
    const int previous = m_mapMode;
    if (mode == MM_TEXT) {
        ::SetMapMode(m_dc, MM_TEXT);
    } else {
        ::SetMapMode(m_dc, MM_ANISOTROPIC);
        SetWindowExtEx(m_dc, kHimetricPerInch, kHimetricPerInch, nullptr);
        SetViewportExtEx(m_dc, m_dpiX, -m_dpiY, nullptr);
    }
    SetWindowOrgEx(m_dc, 0, 0, nullptr);
    SetViewportOrgEx(m_dc, m_originX, m_originY, nullptr);
    m_mapMode = mode;
    return previous;
}

int GdiDC::SetStretchBltMode(int mode)
{
    const int previous = ::SetStretchBltMode(m_dc, mode);
    // HALFTONE samples relative to the brush origin, which must be set after.
    if (mode == HALFTONE)
        SetBrushOrgEx(m_dc, 0, 0, nullptr);
    return previous;
}

HFONT GdiDC::CreateFont(const FontRequest& r)
{
    // A Chinese system maps DEFAULT_CHARSET to GB2312 itself; asking for it
    // by name keeps a face without Chinese glyphs from being taken.
    const int charSet = r.charSet == DEFAULT_CHARSET && m_codePage == CP_GBK ? GB2312_CHARSET : r.charSet;
    const std::string face = r.face.substr(0, std::min(r.face.size(), kFaceBytes));
    const auto charSetByte = static_cast<WIN_DWORD>(charSet & 0xFF);
    ::HFONT font = nullptr;
    if (m_systemCodePage) {
        font = CreateFontA(r.height, r.width, r.escapement, r.orientation, r.weight, r.italic, r.underline,
                           r.strikeOut, charSetByte, static_cast<WIN_DWORD>(r.outPrecision),
                           static_cast<WIN_DWORD>(r.clipPrecision), static_cast<WIN_DWORD>(r.quality),
                           static_cast<WIN_DWORD>(r.pitchAndFamily), face.c_str());
    } else {
        const std::wstring wide = Widen(face.data(), static_cast<int>(face.size()), m_codePage);
        font = CreateFontW(r.height, r.width, r.escapement, r.orientation, r.weight, r.italic, r.underline,
                           r.strikeOut, charSetByte, static_cast<WIN_DWORD>(r.outPrecision),
                           static_cast<WIN_DWORD>(r.clipPrecision), static_cast<WIN_DWORD>(r.quality),
                           static_cast<WIN_DWORD>(r.pitchAndFamily), wide.c_str());
    }
    if (font == nullptr)
        return HFONT{};
    const uint32_t id = m_nextId++;
    try {
        m_fonts.emplace(id, font);
    } catch (const std::bad_alloc&) {
        DeleteObject(font);
        throw;
    }
    return HFONT{id};
}

HFONT GdiDC::SelectFont(HFONT font) noexcept
{
    HGDIOBJ object = m_stockFont;
    if (font.id != kStockFont) {
        const auto it = m_fonts.find(font.id);
        if (it == m_fonts.end())
            return HFONT{};
        object = it->second;
    }
    SelectObject(m_dc, object);
    const HFONT previous{m_font};
    m_font = font.id;
    return previous;
}

void GdiDC::DeleteFont(HFONT font) noexcept
{
    const auto it = m_fonts.find(font.id);
    if (it == m_fonts.end())
        return;
    if (m_font == font.id) {
        SelectObject(m_dc, m_stockFont);
        m_font = kStockFont;
    }
    DeleteObject(it->second);
    m_fonts.erase(it);
}

int GdiDC::DrawText(const char* text, int length, const RECT& rect, UINT format)
{
    if (text == nullptr || length < 0)
        length = 0;
    const DrawnPart part = PartToDraw(text, static_cast<std::size_t>(length), format, m_codePage);
    const char* drawn = text == nullptr ? "" : text + part.offset;
    const int bytes = static_cast<int>(part.length);
    WIN_RECT box = ToWin(rect);
    const bool clipped = !(format & (DT_NOCLIP | DT_CALCRECT));
    if (m_mapMode == MM_HIMETRIC && (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) &&
        !(format & DT_CALCRECT)) {
        // A single line centred or at the bottom of a rectangle whose y
        // grows upward: the cell (tmHeight, logical units) placed here, as
        // Windows places it; Wine's DrawText places it as if y grew
        // downward under an anisotropic mapping, a cell too low.
        TEXTMETRICW tm{};
        if (GetTextMetricsW(m_dc, &tm)) {
            const int64_t cell = tm.tmHeight;
            const int64_t top = (format & DT_VCENTER)
                                    ? int64_t(box.top) + (int64_t(box.bottom) - box.top + cell) / 2
                                    : int64_t(box.bottom) + cell;
            if (clipped) {
                SaveDC(m_dc);
                IntersectClipRect(m_dc, std::min(box.left, box.right), std::min(box.top, box.bottom),
                                  std::max(box.left, box.right), std::max(box.top, box.bottom));
            }
            box.top = static_cast<LONG>(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX));
            box.bottom = static_cast<LONG>(std::clamp<int64_t>(top - cell, INT32_MIN, INT32_MAX));
            const UINT placed = (format & ~(DT_VCENTER | DT_BOTTOM)) | DT_NOCLIP;
            const int height = DrawTextAsked(drawn, bytes, box, placed);
            if (clipped)
                RestoreDC(m_dc, -1);
            return height;
        }
    }
    return DrawTextAsked(drawn, bytes, box, format);
}

int GdiDC::DrawTextAsked(const char* text, int length, WIN_RECT& box, UINT format)
{
    if (m_systemCodePage)
        return DrawTextA(m_dc, text, length, &box, format);
    const std::wstring wide = Widen(text, length, m_codePage);
    return DrawTextW(m_dc, wide.c_str(), static_cast<int>(wide.size()), &box, format);
}

int GdiDC::StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                         const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop)
{
    if (bits == nullptr || bmi == nullptr)
        return 0;
    // The page model's BITMAPINFO is GDI's, byte for byte (windows_api.h).
    const int lines = ::StretchDIBits(m_dc, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, bits,
                                      reinterpret_cast<const WIN_BITMAPINFO*>(bmi), usage, rop);
    return lines == static_cast<int>(GDI_ERROR) || lines < 0 ? 0 : lines;
}

HPEN GdiDC::CreatePen(int style, int width, COLORREF color)
{
    ::HPEN pen = ::CreatePen(style, width, color);
    if (pen == nullptr)
        throw CResourceException("GDI cannot create the pen");
    const uint32_t id = m_nextId++;
    try {
        m_pens.emplace(id, pen);
    } catch (const std::bad_alloc&) {
        DeleteObject(pen);
        throw;
    }
    return HPEN{id};
}

HPEN GdiDC::SelectPen(HPEN pen) noexcept
{
    HGDIOBJ object = m_stockPen;
    if (pen.id != kStockPen) {
        const auto it = m_pens.find(pen.id);
        if (it == m_pens.end())
            return HPEN{};
        object = it->second;
    }
    SelectObject(m_dc, object);
    const HPEN previous{m_pen};
    m_pen = pen.id;
    return previous;
}

void GdiDC::DeletePen(HPEN pen) noexcept
{
    const auto it = m_pens.find(pen.id);
    if (it == m_pens.end())
        return;
    if (m_pen == pen.id) {
        SelectObject(m_dc, m_stockPen);
        m_pen = kStockPen;
    }
    DeleteObject(it->second);
    m_pens.erase(it);
}

void GdiDC::MoveTo(int x, int y) { MoveToEx(m_dc, x, y, nullptr); }

void GdiDC::LineTo(int x, int y) { ::LineTo(m_dc, x, y); }

} // namespace vexlan
