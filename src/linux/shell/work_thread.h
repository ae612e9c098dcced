// SPDX-License-Identifier: MIT
// RunOffGuiThread: long work of the window (drawing a page into the print
// spool and handing it to CUPS) done on a thread of its own, while the GUI
// thread keeps its event loop going, so that the window repaints and answers
// the window manager's pings. User input waits until the work has ended, so
// nothing the user does can start a second print in the middle of one.
#pragma once

#include <functional>

namespace vexlan {

// Runs `work` on a new thread and returns once it has ended, as if it had
// been done in place; an exception it throws is rethrown here. Meanwhile
// the calling (GUI) thread processes its events except user input. When no
// thread can be started, `work` runs in place.
void RunOffGuiThread(const std::function<void()>& work);

} // namespace vexlan
