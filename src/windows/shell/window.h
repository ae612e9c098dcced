// SPDX-License-Identifier: MIT
// CWindow: a Win32 window owned by a C++ object. The object registers its
// window class once, creates the window, and gets its messages through the
// virtual WindowProc; messages it leaves go to DefWindowProcW. The window is
// destroyed with the object at the latest.
#pragma once

#include "windows/base/windows_api.h"

namespace vexlan {

class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Destroys the window if it still exists.
    void DestroyWindow();

protected:
    // Registers `className` (once per process) and creates the window;
    // false when either fails.
    bool Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
                int cx, int cy, HWND parent, HMENU menuOrId, HICON icon = nullptr, UINT classStyle = 0);

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// The module's instance handle.
HINSTANCE AppInstance();

} // namespace vexlan
