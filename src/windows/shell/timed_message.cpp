// SPDX-License-Identifier: MIT
// The self-closing message box (see timed_message.h). MessageBoxW runs its
// own modal loop; a thread timer, dispatched by that loop, finds the box
// among the thread's windows, counts down on its OK button and ends it.
#include "windows/shell/timed_message.h"

#include "windows/base/windows_api.h"

namespace vexlan {

int CountdownSecondsLeft(std::chrono::milliseconds length, std::chrono::milliseconds elapsed)
{
    if (elapsed >= length)
        return 0;
    return static_cast<int>(((length - elapsed).count() + 999) / 1000);
}

namespace {

// The one box shown at a time (the GUI thread shows one, modally).
struct Countdown {
    std::chrono::milliseconds length{0};
    ULONGLONG started = 0;
    std::wstring okText;
    HWND box = nullptr;
};
Countdown* g_pCountdown = nullptr;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM)
{
    wchar_t cls[16] = {};
    // The message box is the thread's dialog (#32770) with an OK button.
    if (GetClassNameW(hwnd, cls, 16) > 0 && wcscmp(cls, L"#32770") == 0 && GetDlgItem(hwnd, IDOK) != nullptr) {
        g_pCountdown->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, WIN_DWORD)
{
    Countdown* c = g_pCountdown;
    if (c == nullptr)
        return;
    if (c->box == nullptr || !IsWindow(c->box)) {
        c->box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
        if (c->box == nullptr)
            return;
        wchar_t text[64] = {};
        GetDlgItemTextW(c->box, IDOK, text, 64);
        c->okText = text;
    }
    const std::chrono::milliseconds elapsed(GetTickCount64() - c->started);
    const int left = CountdownSecondsLeft(c->length, elapsed);
    if (left == 0) {
        PostMessageW(c->box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return;
    }
    const std::wstring label = c->okText + L" (" + std::to_wstring(left) + L")";
    SetDlgItemTextW(c->box, IDOK, label.c_str());
}

} // namespace

void ShowTimedMessage(HWND owner, const std::wstring& title, const std::wstring& text,
                      std::chrono::milliseconds length)
{
    if (length.count() <= 0 || g_pCountdown != nullptr)
        return;
    Countdown countdown;
    countdown.length = length;
    countdown.started = GetTickCount64();
    g_pCountdown = &countdown;
    // A few ticks a second keep the countdown within a tick of the clock.
    // Without its timer the box could stay up for ever: it is not shown
    // (the reason is on the console already).
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, Tick);
    if (timer != 0) {
        MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        KillTimer(nullptr, timer);
    }
    g_pCountdown = nullptr;
}

} // namespace vexlan
