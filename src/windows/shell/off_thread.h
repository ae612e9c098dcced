// SPDX-License-Identifier: MIT
// Runs work on a thread of its own while the calling (GUI) thread keeps
// dispatching its messages, so that a long page or a slow spooler leaves the
// window painted. Returns when the work has ended.
#pragma once

#include <functional>

namespace vexlan {

// Runs `work` on a new thread and dispatches this thread's messages until it
// has ended; runs it on this thread when no thread can be started. A
// WM_QUIT taken meanwhile is posted again after the work.
void RunWhilePumping(const std::function<void()>& work);

} // namespace vexlan
