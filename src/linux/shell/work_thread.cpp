// SPDX-License-Identifier: MIT
// Work of the window on a thread of its own (see work_thread.h).
#include "linux/shell/work_thread.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace vexlan {

void RunOffGuiThread(const std::function<void()>& work)
{
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::exception_ptr thrown;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                thrown = std::current_exception();
            }
            done = true;
            // Queued to the loop's own thread; dropped if the loop is gone.
            QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        work();
        return;
    }
    // The loop also ends early when the application is told to quit; the
    // work is then waited for without events.
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (thrown)
        std::rethrow_exception(thrown);
}

} // namespace vexlan
