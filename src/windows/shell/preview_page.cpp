// SPDX-License-Identifier: MIT
// The preview's page picture (see preview_page.h).
#include "windows/shell/preview_page.h"

#include "core/render/page_renderer.h"
#include "windows/surface/gdi_dc.h"

#include <cmath>
#include <new>

namespace vexlan {

namespace {

// The largest picture drawn: 64 megapixels (256 MB at 32 bits). Closer
// views of a large sheet are drawn no larger; the page then looks coarser,
// but memory stays bounded.
constexpr double kMaxPixels = 64.0 * 1024 * 1024;

} // namespace

CPreviewPage::~CPreviewPage()
{
    Release();
}

void CPreviewPage::Release()
{
    if (m_memDC != nullptr) {
        SelectObject(m_memDC, m_oldBitmap);
        DeleteDC(m_memDC);
        m_memDC = nullptr;
    }
    if (m_bitmap != nullptr) {
        DeleteObject(m_bitmap);
        m_bitmap = nullptr;
    }
    m_cx = m_cy = 0;
}

bool CPreviewPage::Render(HDC screen, int cx, int cy, double scale)
{
    if (m_memDC != nullptr && cx == m_cx && cy == m_cy)
        return true;
    Release();
    if (cx <= 0 || cy <= 0 || static_cast<double>(cx) * cy > kMaxPixels)
        return false;
    BITMAPINFO bmi;
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy; // top-down
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(screen, reinterpret_cast<const WIN_BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &bits,
                                nullptr, 0);
    m_memDC = CreateCompatibleDC(screen);
    if (m_bitmap == nullptr || m_memDC == nullptr) {
        Release();
        return false;
    }
    m_oldBitmap = SelectObject(m_memDC, m_bitmap);
    m_cx = cx;
    m_cy = cy;
    PatBlt(m_memDC, 0, 0, cx, cy, WHITENESS);
    // The page in MM_HIMETRIC at the printer's resolution times the scale:
    // the same drawing as on the printer, smaller.
    const int dpiX = std::max(1, static_cast<int>(std::lround(m_paper.dpiX * scale)));
    const int dpiY = std::max(1, static_cast<int>(std::lround(m_paper.dpiY * scale)));
    try {
        GdiDC dc(m_memDC, dpiX, dpiY);
        RenderPage(&dc, m_items);
    } catch (const std::exception&) {
        // A page that cannot be drawn whole (a pen or memory refused) shows
        // what was drawn before it failed.
    }
    GdiFlush();
    return true;
}

void CPreviewPage::Paint(HDC dc, const WIN_RECT& sheet, double scale)
{
    // The paper, with a thin border and a shadow.
    const int shadow = std::max(2, static_cast<int>((sheet.right - sheet.left) / 200));
    WIN_RECT shade = {sheet.left + shadow, sheet.top + shadow, sheet.right + shadow, sheet.bottom + shadow};
    FillRect(dc, &shade, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
    FillRect(dc, &sheet, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &sheet, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (scale <= 0)
        return;
    const int cx = static_cast<int>(std::lround(m_paper.printableCx * scale));
    const int cy = static_cast<int>(std::lround(m_paper.printableCy * scale));
    if (!Render(dc, cx, cy, scale))
        return;
    const int x = sheet.left + static_cast<int>(std::lround(m_paper.offsetX * scale));
    const int y = sheet.top + static_cast<int>(std::lround(m_paper.offsetY * scale));
    // Only the part inside the sheet (the border stays).
    const int w = std::min(cx, static_cast<int>(sheet.right - 1 - x));
    const int h = std::min(cy, static_cast<int>(sheet.bottom - 1 - y));
    if (w > 0 && h > 0)
        BitBlt(dc, x, y, w, h, m_memDC, 0, 0, SRCCOPY);
}

} // namespace vexlan
