// SPDX-License-Identifier: MIT
// The page renderer: walks the item list and draws each item through CDC.
//
// Geometry is signed 32-bit as the job file stores it. Where a hostile
// rectangle would overflow 32 bits (negating INT_MIN, a height above
// INT_MAX, a line slot far below the page), the value is computed in 64 bits
// and saturated to the 32-bit range instead of wrapping.
#include "core/render/page_renderer.h"

#include "core/text/split_string.h"
#include "core/render/rect_fit.h"

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

namespace vexlan {

namespace {

int Saturate(int64_t v)
{
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

// Item y to page y.
int Negate(int32_t y) { return Saturate(-static_cast<int64_t>(y)); }

// hi - lo for hi > lo, exact: the difference of two int32 fits in uint32.
uint32_t Span(int32_t lo, int32_t hi) { return static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo); }

// MulDiv(v, 3, 4) for v >= 0: three quarters rounded, halves up.
uint32_t ThreeQuarters(uint32_t v) { return static_cast<uint32_t>((3ull * v + 2ull) / 4ull); }

// A string field of the item, to its NUL or the end of the field.
std::string FieldString(const char* field, std::size_t width)
{
    const void* nul = std::memchr(field, '\0', width);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string(field, n);
}

// A font made for one item: selected while the object lives, then the
// previous font selected back and the created one deleted.
class ItemFont {
public:
    ItemFont(CDC* dc, const FontRequest& request) : m_dc(dc), m_font(dc->CreateFont(request))
    {
        if (m_font)
            m_previous = m_dc->SelectFont(m_font);
    }
    ~ItemFont()
    {
        if (m_previous)
            m_dc->SelectFont(m_previous);
        if (m_font)
            m_dc->DeleteFont(m_font);
    }
    ItemFont(const ItemFont&) = delete;
    ItemFont& operator=(const ItemFont&) = delete;

private:
    CDC* m_dc;
    HFONT m_font;
    HFONT m_previous;
};

// The pen of one frame, with the same life as ItemFont. CreatePen throws
// when the pen cannot be made; nothing is then selected or deleted.
class ItemPen {
public:
    ItemPen(CDC* dc, int width, COLORREF color) : m_dc(dc), m_pen(dc->CreatePen(PS_SOLID, width, color))
    {
        m_previous = m_dc->SelectPen(m_pen);
    }
    ~ItemPen()
    {
        if (m_previous)
            m_dc->SelectPen(m_previous);
        m_dc->DeletePen(m_pen);
    }
    ItemPen(const ItemPen&) = delete;
    ItemPen& operator=(const ItemPen&) = delete;

private:
    CDC* m_dc;
    HPEN m_pen;
    HPEN m_previous;
};

FontRequest ItemFontRequest(int height, int width, int outPrecision, const PageItem& item)
{
    FontRequest r;
    r.height = height;
    r.width = width;
    r.escapement = 0;
    r.orientation = 0;
    r.weight = FW_NORMAL;
    r.charSet = DEFAULT_CHARSET;
    r.outPrecision = outPrecision;
    r.clipPrecision = CLIP_DEFAULT_PRECIS;
    r.quality = PROOF_QUALITY;
    r.pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    r.face = FieldString(item.szFaceName, record::kFaceNameSize);
    return r;
}

void DrawTextLine(CDC* dc, const PageItem& item, RECT rc)
{
    const int height = Saturate(Span(rc.top, rc.bottom));
    rc.top = Negate(rc.top);
    rc.bottom = Negate(rc.bottom);

    ItemFont font(dc, ItemFontRequest(height, 0, OUT_DEFAULT_PRECIS, item));
    const std::string text = FieldString(item.szText, record::kTextSize);
    dc->DrawText(text.c_str(), static_cast<int>(text.size()), rc,
                 item.nAlign | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
}

void DrawImage(CDC* dc, const PageItem& item, RECT rc)
{
    if (item.pBmi == nullptr || item.pBits == nullptr)
        return; // an image item always carries its image; never draw a null one
    const int srcWidth = item.pBmi->bmiHeader.biWidth;
    const int srcHeight = item.pBmi->bmiHeader.biHeight;
    if (item.bKeepAspect)
        FitRectAspect(&rc, 0, srcWidth, srcHeight);

    const int top = Negate(rc.top);
    const int bottom = Negate(rc.bottom);
    const int width = Saturate(static_cast<int64_t>(rc.right) - rc.left);
    const int height = Saturate(static_cast<int64_t>(bottom) - top);
    dc->StretchDIBits(rc.left, top, width, height, 0, 0, srcWidth, srcHeight, item.pBits, item.pBmi,
                      DIB_RGB_COLORS, item.bInvert ? NOTSRCCOPY : SRCCOPY);
}

void DrawTextBlock(CDC* dc, const PageItem& item, const RECT& rc)
{
    if (item.nLineCount == 0 || item.nMaxLineLen == 0)
        return;

    const uint32_t charWidth = Span(rc.left, rc.right) / item.nMaxLineLen;
    const uint32_t lineHeight = Span(rc.top, rc.bottom) / item.nLineCount;
    ItemFont font(dc, ItemFontRequest(Saturate(ThreeQuarters(lineHeight)), Saturate(charWidth),
                                      OUT_TT_PRECIS, item));

    // The lines are drawn straight from the block, which may be hundreds of
    // megabytes: no line is copied.
    StringPieces lines(item.pszBlock ? item.pszBlock : "", "\n");
    std::string_view line;
    for (std::size_t i = 0; i < item.nLineCount && lines.Next(&line); ++i) {
        const int64_t slotTop = rc.top + static_cast<int64_t>(i) * lineHeight;
        const RECT slot{rc.left, Saturate(-slotTop), rc.right, Saturate(-(slotTop + lineHeight))};
        dc->DrawText(line.data(), Saturate(static_cast<int64_t>(line.size())), slot, DT_SINGLELINE | DT_NOCLIP);
    }
}

void DrawFrame(CDC* dc, const PageItem& item, RECT rc)
{
    rc.top = Negate(rc.top);
    rc.bottom = Negate(rc.bottom);

    ItemPen pen(dc, item.nPenWidth, item.crColor);
    dc->MoveTo(rc.left, rc.top);
    dc->LineTo(rc.right, rc.top);
    dc->LineTo(rc.right, rc.bottom);
    dc->LineTo(rc.left, rc.bottom);
    dc->LineTo(rc.left, rc.top);
}

void DrawItem(CDC* dc, const PageItem& stored)
{
    const PageItem item = stored; // the renderer works on a copy, never the list
    const RECT rc = item.rcItem;
    if (IsRectEmpty(rc))
        return;
    switch (item.nType) {
    case ITEM_TEXT:
        DrawTextLine(dc, item, rc);
        break;
    case ITEM_IMAGE:
        DrawImage(dc, item, rc);
        break;
    case ITEM_TEXTBLOCK:
        DrawTextBlock(dc, item, rc);
        break;
    case ITEM_FRAME:
        DrawFrame(dc, item, rc);
        break;
    default:
        break;
    }
}

} // namespace

void RenderPage(CDC* pDC, const CPageItemArray& items)
{
    pDC->SetStretchBltMode(COLORONCOLOR);
    pDC->SetMapMode(MM_HIMETRIC);
    const std::size_t count = items.GetSize();
    for (std::size_t i = 0; i < count; ++i)
        DrawItem(pDC, items.GetAt(i));
    pDC->SetMapMode(MM_TEXT);
}

} // namespace vexlan
