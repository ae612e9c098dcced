// SPDX-License-Identifier: MIT
// RunShowingLoadProgress: the job's loading, run off the GUI thread, with a
// small window saying the job is being read when it takes long enough to be
// noticed (a page of many large photos takes seconds), so that something
// shows on the screen soon after the start.
#pragma once

#include <functional>

namespace vexlan {

// Milliseconds of loading before the progress window shows.
inline constexpr int kLoadProgressDelayMs = 150;

// Runs `load` as RunOffGuiThread does; from kLoadProgressDelayMs into it
// until it ends, a window with a busy indicator is on the screen. With
// VEXLAN_REPORT_PAINT set, writes "vexlan: load progress shown" on standard
// error when the window shows (for benchmarks).
void RunShowingLoadProgress(const std::function<void()>& load);

} // namespace vexlan
