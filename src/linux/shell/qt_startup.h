// SPDX-License-Identifier: MIT
// Starting Qt without surprises for a producer that reads our stderr and
// exit status: whether a window can be shown at all (checked before the job
// is touched), Qt's own diagnostics kept out of the window-less runs, and a
// window system Qt cannot reach reported as status 1 instead of an abort.
#pragma once

#include <functional>
#include <string>

namespace vexlan {

// Looks up an environment variable; null when it is not set.
using EnvLookup = std::function<const char*(const char*)>;

// True when the platform Qt picks from the environment can show a window.
// Qt tries QT_QPA_PLATFORM's entries (';'-separated, arguments after ':')
// when it is set, else wayland (in a Wayland session) and then xcb. xcb
// needs DISPLAY, wayland needs WAYLAND_DISPLAY; the other platforms
// (offscreen, minimal, vnc, linuxfb, eglfs ...) need no display server.
bool DisplayUsable(const EnvLookup& env);
// When DisplayUsable is false, what is missing, for the message: e.g.
// "DISPLAY and WAYLAND_DISPLAY are not set" or
// "QT_QPA_PLATFORM names xcb, and DISPLAY is not set".
std::string MissingDisplay(const EnvLookup& env);

// Installs the message handler for the rest of the process; call it before
// the QApplication is constructed. Until QtStarted(), a fatal message from
// Qt (no platform plugin could be initialised) ends the process at once
// with one line on stderr and status 1, and the other messages are held.
// `quiet`: every non-fatal message Qt writes is dropped, such as
// "QStandardPaths: XDG_RUNTIME_DIR not set" (the window-less runs, whose
// stderr carries only our own lines); otherwise they are written as Qt's
// handler would, in the locale's character set.
// A fatal message after start-up is written, and Qt then aborts.
void InstallQtMessageFilter(bool quiet);

// The QApplication exists: messages held during its construction go out
// (unless quiet), and a fatal message aborts again as Qt means it to.
void QtStarted();

} // namespace vexlan
