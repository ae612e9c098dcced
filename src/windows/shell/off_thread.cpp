// SPDX-License-Identifier: MIT
// Work off the GUI thread (see off_thread.h).
#include "windows/shell/off_thread.h"

#include "windows/base/windows_api.h"

namespace vexlan {

namespace {

WIN_DWORD WINAPI RunWork(void* param)
{
    const auto* work = static_cast<const std::function<void()>*>(param);
    try {
        (*work)();
    } catch (...) {
        // The work reports its own failures; nothing may cross the thread.
    }
    return 0;
}

} // namespace

void RunWhilePumping(const std::function<void()>& work)
{
    HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (thread == nullptr) {
        work();
        return;
    }
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        const WIN_DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break; // the thread ended (or the wait failed: the join below waits)
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (quit)
        PostQuitMessage(quitCode);
}

} // namespace vexlan
