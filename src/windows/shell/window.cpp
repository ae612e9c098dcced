// SPDX-License-Identifier: MIT
// The window base (see window.h).
#include "windows/shell/window.h"

namespace vexlan {

HINSTANCE AppInstance()
{
    return GetModuleHandleW(nullptr);
}

CWindow::~CWindow()
{
    DestroyWindow();
}

void CWindow::DestroyWindow()
{
    if (m_hWnd != nullptr) {
        HWND hwnd = m_hWnd;
        ::DestroyWindow(hwnd);
        // WM_NCDESTROY cleared it; a window of another thread would not have.
        m_hWnd = nullptr;
    }
}

bool CWindow::Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
                     int cx, int cy, HWND parent, HMENU menuOrId, HICON icon, UINT classStyle)
{
    WNDCLASSEXW wc = {};
    if (!GetClassInfoExW(AppInstance(), className, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = classStyle;
        wc.lpfnWndProc = StaticProc;
        wc.hInstance = AppInstance();
        wc.hIcon = icon;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = className;
        if (RegisterClassExW(&wc) == 0)
            return false;
    }
    CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent, menuOrId, AppInstance(), this);
    return m_hWnd != nullptr;
}

LRESULT CWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Default(msg, wParam, lParam);
}

LRESULT CWindow::Default(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWindow::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    const LRESULT result = self->WindowProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

} // namespace vexlan
