// The load progress window: on the screen while a long load runs, never
// for a short one, and gone when the load ends.
#include "linux/shell/load_progress.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vexlan {
namespace {

bool ProgressShown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return true;
    return false;
}

TEST(LoadProgress, ShowsWhileALongLoadRunsOnly)
{
    struct Case {
        int loadMs;
        bool shown;  // at kLoadProgressDelayMs + 150 ms, or at the load's end for a short one
    };
    for (const Case c : {Case{0, false}, Case{kLoadProgressDelayMs * 8, true}}) {
        SCOPED_TRACE(c.loadMs);
        bool seen = false;
        QTimer look;
        look.setSingleShot(true);
        QObject::connect(&look, &QTimer::timeout, [&] { seen = ProgressShown(); });
        look.start(kLoadProgressDelayMs + 150);
        bool loaded = false;
        RunShowingLoadProgress([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.loadMs));
            loaded = true;
        });
        EXPECT_TRUE(loaded);
        if (look.isActive())  // the load ended first: nothing may have shown
            seen = ProgressShown();
        look.stop();
        EXPECT_EQ(seen, c.shown);
        EXPECT_FALSE(ProgressShown());
    }
}

} // namespace
} // namespace vexlan
