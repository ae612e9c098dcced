// SPDX-License-Identifier: MIT
// Where Print Preview puts the page: the zoom steps and the one- or two-page
// view of the toolbar, and from them the scale, the page rectangles in the
// page area and how far that area scrolls. Plain arithmetic, no window: the
// preview window asks it on every size change, zoom and scroll.
#pragma once

namespace vexlan {

struct PreviewRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CPreviewLayout {
public:
    // Zoom steps: the whole page in the window, then two and four times that.
    enum ZoomState { ZOOM_OUT = 0, ZOOM_MIDDLE = 1, ZOOM_IN = 2 };

    // The paper in printer pixels (whatever its resolution), and how many
    // pages the document has.
    void SetPaper(int paperWidth, int paperHeight) { m_nPaperCx = paperWidth; m_nPaperCy = paperHeight; }
    void SetPageCount(int pages) { m_nPages = pages < 1 ? 1 : pages; }
    // The page area's size in screen pixels, and a margin (screen pixels)
    // kept around the paper.
    void SetView(int width, int height, int margin);

    // Toolbar steps. Zooming in shows one page (only the whole-page view
    // shows two); the two-page switch works only at the whole-page zoom.
    // Each returns false, changing nothing, when the step is not possible.
    bool ZoomIn();
    bool ZoomOut();
    bool ToggleTwoPage();
    bool NextPage();
    bool PrevPage();

    bool CanZoomIn() const { return m_nZoom != ZOOM_IN; }
    bool CanZoomOut() const { return m_nZoom != ZOOM_OUT; }
    bool CanToggleTwoPage() const { return m_nZoom == ZOOM_OUT; }
    bool CanNextPage() const { return m_nPage + Shown() - 1 < m_nPages; }
    bool CanPrevPage() const { return m_nPage > 1; }
    ZoomState Zoom() const { return m_nZoom; }
    bool IsTwoPage() const { return m_bTwoPage; }
    int CurrentPage() const { return m_nPage; }

    // Screen pixels per printer pixel; 0 while the paper or the view is empty.
    double Scale() const;
    // The whole content (paper and margins) in screen pixels; larger than the
    // view when zoomed in, which is when the area scrolls.
    int ContentWidth() const;
    int ContentHeight() const;
    // The scroll position, kept within the content.
    void ScrollTo(int x, int y);
    int ScrollX() const { return m_nScrollX; }
    int ScrollY() const { return m_nScrollY; }

    // Slot 0 or 1 (the second page of the two-page view), in view
    // coordinates with the scroll applied; the page it shows is
    // CurrentPage() + slot. False when the slot shows no page.
    bool PageRect(int slot, PreviewRect& rect) const;

private:
    int Shown() const { return m_bTwoPage ? 2 : 1; }
    int PageCx() const;
    int PageCy() const;
    void ClampScroll();

    int m_nPaperCx = 0, m_nPaperCy = 0;
    int m_nViewCx = 0, m_nViewCy = 0, m_nMargin = 0;
    int m_nPages = 1;
    int m_nPage = 1;
    ZoomState m_nZoom = ZOOM_OUT;
    bool m_bTwoPage = false;
    int m_nScrollX = 0, m_nScrollY = 0;
};

} // namespace vexlan
