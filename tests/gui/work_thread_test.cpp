// SPDX-License-Identifier: MIT
// Work off the GUI thread: the GUI thread's events keep flowing while it
// runs, the call returns only once it has ended, and what it throws comes
// back to the caller.
#include "linux/shell/work_thread.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace vexlan;

TEST(RunOffGuiThread, EventsFlowWhileTheWorkRunsAndItsEndIsWaitedFor)
{
    std::atomic<bool> timerRan{false};
    bool sawTimer = false, workEnded = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    RunOffGuiThread([&] {
        // Only the GUI thread's event loop can run the timer.
        for (int i = 0; i < 500 && !timerRan; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        sawTimer = timerRan;
        workEnded = true;
    });
    EXPECT_TRUE(sawTimer);
    EXPECT_TRUE(workEnded);
    EXPECT_THROW(RunOffGuiThread([] { throw std::runtime_error("no spool"); }), std::runtime_error);
}
