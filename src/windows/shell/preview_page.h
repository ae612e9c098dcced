// SPDX-License-Identifier: MIT
// The preview's picture of the page: the page renderer's drawing, through
// GdiDC, into a DIB section at the size the page has on the screen. Drawn
// again only when that size changes, so that scrolling and repainting the
// window only copy pixels.
#pragma once

#include "core/job/page_item.h"
#include "windows/base/windows_api.h"

namespace vexlan {

// The printer's page the preview shows: paper and printable area in the
// printer's pixels, and its resolution.
struct PreviewPaper {
    int paperCx = 0, paperCy = 0;       // the whole sheet
    int offsetX = 0, offsetY = 0;       // the printable area's top-left on the sheet
    int printableCx = 0, printableCy = 0;
    int dpiX = 0, dpiY = 0;
};

class CPreviewPage {
public:
    CPreviewPage(const CPageItemArray& items, const PreviewPaper& paper) : m_items(items), m_paper(paper) {}
    ~CPreviewPage();
    CPreviewPage(const CPreviewPage&) = delete;
    CPreviewPage& operator=(const CPreviewPage&) = delete;

    const PreviewPaper& Paper() const { return m_paper; }

    // Paints the sheet into `sheet` (screen pixels; `scale` screen pixels per
    // printer pixel): white paper with a border, and the page drawn at that
    // scale over the printable area.
    void Paint(HDC dc, const WIN_RECT& sheet, double scale);

private:
    bool Render(HDC screen, int cx, int cy, double scale);
    void Release();

    const CPageItemArray& m_items;
    PreviewPaper m_paper;
    HDC m_memDC = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    int m_cx = 0, m_cy = 0;   // the size drawn at
};

} // namespace vexlan
