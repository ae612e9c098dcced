// SPDX-License-Identifier: MIT
// The preview window, its toolbar and its page area (see print_preview.h).
#include "windows/shell/print_preview.h"

#include "core/app/command_ids.h"
#include "windows/shell/win_text.h"

#include <algorithm>

namespace vexlan {

namespace {

constexpr const wchar_t* kTwoPageText = L"两页(&T)";
constexpr const wchar_t* kOnePageText = L"一页(&O)";

// The toolbar, left to right.
struct ButtonDef {
    UINT nID;
    const wchar_t* text;
};
constexpr ButtonDef kButtons[] = {
    {AFX_ID_PREVIEW_PRINT, L"打印(&P)..."}, {AFX_ID_PREVIEW_NEXT, L"下一页(&N)"},
    {AFX_ID_PREVIEW_PREV, L"上一页(&V)"},   {AFX_ID_PREVIEW_NUMPAGE, kTwoPageText},
    {AFX_ID_PREVIEW_ZOOMIN, L"放大(&I)"},   {AFX_ID_PREVIEW_ZOOMOUT, L"缩小(&O)"},
    {AFX_ID_PREVIEW_CLOSE, L"关闭(&C)"},
};

} // namespace

// The scrolling page area under the toolbar.
class CPreviewArea : public CWindow {
public:
    explicit CPreviewArea(CPrintPreview& owner) : m_owner(owner) {}
    bool Create(HWND parent)
    {
        return CWindow::Create(L"VexlanPreviewArea", L"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0, 0,
                               0, 0, parent, nullptr, nullptr, CS_HREDRAW | CS_VREDRAW);
    }
    void UpdateScrollBars()
    {
        const CPreviewLayout& l = m_owner.m_layout;
        WIN_RECT rc;
        GetClientRect(m_hWnd, &rc);
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        si.nMax = l.ContentWidth() - 1;
        si.nPage = static_cast<UINT>(rc.right);
        si.nPos = l.ScrollX();
        SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
        si.nMax = l.ContentHeight() - 1;
        si.nPage = static_cast<UINT>(rc.bottom);
        si.nPos = l.ScrollY();
        SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    }

private:
    void Scroll(int bar, int code)
    {
        CPreviewLayout& l = m_owner.m_layout;
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        GetScrollInfo(m_hWnd, bar, &si);
        int pos = si.nPos;
        const int line = m_owner.Scaled(40);
        switch (code) {
        case SB_LINEUP: pos -= line; break;
        case SB_LINEDOWN: pos += line; break;
        case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
        case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = si.nMax; break;
        default: return;
        }
        if (bar == SB_HORZ)
            l.ScrollTo(pos, l.ScrollY());
        else
            l.ScrollTo(l.ScrollX(), pos);
        UpdateScrollBars();
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        switch (msg) {
        case WM_ERASEBKGND:
            return 1; // WM_PAINT fills everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            WIN_RECT rc;
            GetClientRect(m_hWnd, &rc);
            m_owner.PaintArea(dc, rc);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
        case WM_HSCROLL:
            Scroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_VSCROLL:
            Scroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            Scroll(SB_VERT, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN);
            return 0;
        default:
            return Default(msg, wParam, lParam);
        }
    }

    CPrintPreview& m_owner;
};

CPrintPreview::CPrintPreview(const CPageItemArray& items, const PreviewPaper& paper) : m_page(items, paper)
{
    m_layout.SetPaper(paper.paperCx, paper.paperCy);
    // Every page number shows the same page; the document has one.
    m_layout.SetPageCount(1);
}

CPrintPreview::~CPrintPreview()
{
    DestroyWindow();
    m_pArea.reset();
    if (m_font != nullptr)
        DeleteObject(m_font);
}

bool CPrintPreview::Create(HWND parent)
{
    WIN_RECT rc;
    GetClientRect(parent, &rc);
    if (!CWindow::Create(L"VexlanPrintPreview", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, rc.right,
                         rc.bottom, parent, nullptr))
        return false;
    m_pArea = std::make_unique<CPreviewArea>(*this);
    if (!m_pArea->Create(m_hWnd))
        return false;
    CreateButtons();
    LayoutChildren();
    UpdateButtons();
    return true;
}

int CPrintPreview::Scaled(int pixels) const
{
    // Per-monitor DPI: sizes follow the monitor the window is on.
    const UINT dpi = m_hWnd != nullptr ? GetDpiForWindow(m_hWnd) : 96;
    return MulDiv(pixels, dpi == 0 ? 96 : static_cast<int>(dpi), 96);
}

void CPrintPreview::CreateButtons()
{
    for (const Button& b : m_buttons)
        ::DestroyWindow(b.hwnd);
    m_buttons.clear();
    if (m_font != nullptr)
        DeleteObject(m_font);
    // The system's message font at this window's DPI.
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    const UINT dpi = GetDpiForWindow(m_hWnd);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0, dpi == 0 ? 96 : dpi))
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    m_font = CreateFontIndirectW(&ncm.lfMessageFont);
    for (const ButtonDef& def : kButtons) {
        HWND hwnd = CreateWindowExW(0, L"BUTTON", def.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                    0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(def.nID)),
                                    AppInstance(), nullptr);
        if (hwnd == nullptr)
            continue;
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        m_buttons.push_back({def.nID, hwnd, MnemonicOf(def.text)});
    }
}

void CPrintPreview::LayoutChildren()
{
    WIN_RECT rc;
    GetClientRect(m_hWnd, &rc);
    const int pad = Scaled(4);
    const int buttonCy = Scaled(26);
    m_nToolbarCy = buttonCy + 2 * pad;
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(dc, m_font);
    int x = pad;
    for (const Button& b : m_buttons) {
        wchar_t text[64] = {};
        GetWindowTextW(b.hwnd, text, 64);
        SIZE size = {};
        GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
        const int cx = std::max(Scaled(72), static_cast<int>(size.cx) + Scaled(16));
        MoveWindow(b.hwnd, x, pad, cx, buttonCy, TRUE);
        x += cx + pad;
    }
    SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);
    if (m_pArea) {
        MoveWindow(m_pArea->GetSafeHwnd(), 0, m_nToolbarCy, rc.right, static_cast<int>(std::max(0L, rc.bottom - m_nToolbarCy)), TRUE);
        WIN_RECT area;
        GetClientRect(m_pArea->GetSafeHwnd(), &area);
        m_layout.SetView(area.right, area.bottom, Scaled(12));
        m_pArea->UpdateScrollBars();
        InvalidateRect(m_pArea->GetSafeHwnd(), nullptr, FALSE);
    }
}

void CPrintPreview::UpdateButtons()
{
    for (const Button& b : m_buttons) {
        bool enable = true;
        switch (b.nID) {
        case AFX_ID_PREVIEW_NEXT: enable = m_layout.CanNextPage(); break;
        case AFX_ID_PREVIEW_PREV: enable = m_layout.CanPrevPage(); break;
        case AFX_ID_PREVIEW_NUMPAGE:
            enable = m_layout.CanToggleTwoPage();
            SetWindowTextW(b.hwnd, m_layout.IsTwoPage() ? kOnePageText : kTwoPageText);
            break;
        case AFX_ID_PREVIEW_ZOOMIN: enable = m_layout.CanZoomIn(); break;
        case AFX_ID_PREVIEW_ZOOMOUT: enable = m_layout.CanZoomOut(); break;
        default: break;
        }
        // A button about to be disabled gives its focus back to the preview.
        if (!enable && GetFocus() == b.hwnd)
            SetFocus(m_hWnd);
        EnableWindow(b.hwnd, enable ? TRUE : FALSE);
    }
}

void CPrintPreview::OnCommand(UINT nID)
{
    bool changed = false;
    switch (nID) {
    case AFX_ID_PREVIEW_PRINT:
    case AFX_ID_PREVIEW_CLOSE:
        PostMessageW(GetParent(m_hWnd), WM_COMMAND, nID, 0);
        return;
    case AFX_ID_PREVIEW_NEXT: changed = m_layout.NextPage(); break;
    case AFX_ID_PREVIEW_PREV: changed = m_layout.PrevPage(); break;
    case AFX_ID_PREVIEW_NUMPAGE: changed = m_layout.ToggleTwoPage(); break;
    case AFX_ID_PREVIEW_ZOOMIN: changed = m_layout.ZoomIn(); break;
    case AFX_ID_PREVIEW_ZOOMOUT: changed = m_layout.ZoomOut(); break;
    default: return;
    }
    if (!changed)
        return;
    UpdateButtons();
    if (m_pArea) {
        m_pArea->UpdateScrollBars();
        InvalidateRect(m_pArea->GetSafeHwnd(), nullptr, FALSE);
    }
}

bool CPrintPreview::PreTranslateMessage(const MSG& msg)
{
    if (m_hWnd == nullptr || !IsWindowEnabled(GetAncestor(m_hWnd, GA_ROOT)))
        return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        OnCommand(AFX_ID_PREVIEW_CLOSE);
        return true;
    }
    if (msg.message != WM_SYSKEYDOWN || (GetKeyState(VK_CONTROL) & 0x8000) != 0)
        return false;
    const wchar_t key = static_cast<wchar_t>(msg.wParam); // VK_A.. are 'A'..
    for (const Button& b : m_buttons) {
        if (b.mnemonic == 0)
            continue;
        wchar_t text[64] = {};
        GetWindowTextW(b.hwnd, text, 64);
        if (MnemonicOf(text) == key && IsWindowEnabled(b.hwnd)) {
            OnCommand(b.nID);
            return true;
        }
    }
    return false;
}

void CPrintPreview::PaintArea(HDC dc, const WIN_RECT& client)
{
    // Paint off screen, then copy, so that the page does not flicker.
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, std::max(1, static_cast<int>(client.right)),
                                         std::max(1, static_cast<int>(client.bottom)));
    HDC target = (mem != nullptr && bmp != nullptr) ? mem : dc;
    HGDIOBJ old = target == mem ? SelectObject(mem, bmp) : nullptr;
    FillRect(target, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
    for (int slot = 0; slot < 2; ++slot) {
        PreviewRect r;
        if (!m_layout.PageRect(slot, r))
            continue;
        const WIN_RECT sheet = {r.left, r.top, r.right, r.bottom};
        m_page.Paint(target, sheet, m_layout.Scale());
    }
    if (target == mem) {
        BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    }
    if (bmp != nullptr)
        DeleteObject(bmp);
    if (mem != nullptr)
        DeleteDC(mem);
}

LRESULT CPrintPreview::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        // The toolbar's strip, in the colour of the buttons' face.
        WIN_RECT rc;
        GetClientRect(m_hWnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_SIZE:
        LayoutChildren();
        return 0;
    case WM_DPICHANGED_AFTERPARENT:
        CreateButtons();
        LayoutChildren();
        UpdateButtons();
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            OnCommand(LOWORD(wParam));
            return 0;
        }
        break;
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

} // namespace vexlan
