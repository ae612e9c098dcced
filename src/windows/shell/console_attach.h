// SPDX-License-Identifier: MIT
// A GUI-subsystem program's lines on the console of the shell that started
// it. Windows gives such a program no standard handles when it is started
// from a console; it attaches to its parent's console and writes there.
// Handles it was given (pipes, files, a shell that redirects) are kept.
// Either way stdout and stderr are binary: no CR is put before each LF.
#pragma once

namespace vexlan {

// Attaches to the parent's console when there is one, and points stdout
// and stderr that have no handle at it. Call first thing in main.
void AttachParentConsole();

} // namespace vexlan
