// SPDX-License-Identifier: MIT
// The preview's page placement (see preview_layout.h).
#include "windows/shell/preview_layout.h"

#include <algorithm>
#include <cmath>

namespace vexlan {

void CPreviewLayout::SetView(int width, int height, int margin)
{
    m_nViewCx = std::max(0, width);
    m_nViewCy = std::max(0, height);
    m_nMargin = std::max(0, margin);
    ClampScroll();
}

bool CPreviewLayout::ZoomIn()
{
    if (!CanZoomIn())
        return false;
    m_bTwoPage = false;
    m_nZoom = static_cast<ZoomState>(m_nZoom + 1);
    ClampScroll();
    return true;
}

bool CPreviewLayout::ZoomOut()
{
    if (!CanZoomOut())
        return false;
    m_nZoom = static_cast<ZoomState>(m_nZoom - 1);
    ClampScroll();
    return true;
}

bool CPreviewLayout::ToggleTwoPage()
{
    if (!CanToggleTwoPage())
        return false;
    m_bTwoPage = !m_bTwoPage;
    return true;
}

bool CPreviewLayout::NextPage()
{
    if (!CanNextPage())
        return false;
    ++m_nPage;
    return true;
}

bool CPreviewLayout::PrevPage()
{
    if (!CanPrevPage())
        return false;
    --m_nPage;
    return true;
}

double CPreviewLayout::Scale() const
{
    if (m_nPaperCx <= 0 || m_nPaperCy <= 0)
        return 0;
    // The whole-page zoom fits every page shown, side by side, within the
    // margins; the closer steps multiply it.
    const int shown = Shown();
    const double roomX = (m_nViewCx - m_nMargin * (shown + 1)) / static_cast<double>(shown);
    const double roomY = m_nViewCy - 2.0 * m_nMargin;
    if (roomX <= 0 || roomY <= 0)
        return 0;
    const double fit = std::min(roomX / m_nPaperCx, roomY / m_nPaperCy);
    return fit * (m_nZoom == ZOOM_OUT ? 1 : m_nZoom == ZOOM_MIDDLE ? 2 : 4);
}

int CPreviewLayout::PageCx() const
{
    return static_cast<int>(std::lround(m_nPaperCx * Scale()));
}

int CPreviewLayout::PageCy() const
{
    return static_cast<int>(std::lround(m_nPaperCy * Scale()));
}

int CPreviewLayout::ContentWidth() const
{
    return std::max(m_nViewCx, Shown() * PageCx() + (Shown() + 1) * m_nMargin);
}

int CPreviewLayout::ContentHeight() const
{
    return std::max(m_nViewCy, PageCy() + 2 * m_nMargin);
}

void CPreviewLayout::ScrollTo(int x, int y)
{
    m_nScrollX = x;
    m_nScrollY = y;
    ClampScroll();
}

void CPreviewLayout::ClampScroll()
{
    m_nScrollX = std::clamp(m_nScrollX, 0, std::max(0, ContentWidth() - m_nViewCx));
    m_nScrollY = std::clamp(m_nScrollY, 0, std::max(0, ContentHeight() - m_nViewCy));
}

bool CPreviewLayout::PageRect(int slot, PreviewRect& rect) const
{
    if (slot < 0 || slot >= Shown() || m_nPage + slot > m_nPages || Scale() <= 0)
        return false;
    // The pages are centred in the content, which is centred in the view
    // when it is smaller than the view.
    const int cx = PageCx(), cy = PageCy();
    const int used = Shown() * cx + (Shown() - 1) * m_nMargin;
    const int left = (ContentWidth() - used) / 2 + slot * (cx + m_nMargin);
    const int top = (ContentHeight() - cy) / 2;
    rect = {left - m_nScrollX, top - m_nScrollY, left - m_nScrollX + cx, top - m_nScrollY + cy};
    return true;
}

} // namespace vexlan
