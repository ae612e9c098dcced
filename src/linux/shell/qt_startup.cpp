// SPDX-License-Identifier: MIT
// Qt start-up checks and message filtering (see qt_startup.h).
#include "linux/shell/qt_startup.h"

#include "core/text/console_text.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vexlan {
namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

// The handler is a plain function: its state lives here, for the process.
// Qt's own threads may log while the QApplication is being constructed, so
// the held messages are guarded.
bool g_quiet = false;
std::atomic<bool> g_starting = false;
std::mutex g_heldMutex;
std::vector<HeldMessage> g_held;

bool IsSet(const EnvLookup& env, const char* name)
{
    const char* value = env(name);
    return value != nullptr && *value != '\0';
}

// Whether one platform name of QT_QPA_PLATFORM's list can show a window.
bool PlatformUsable(std::string_view entry, const EnvLookup& env)
{
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (name == "xcb")
        return IsSet(env, "DISPLAY");
    if (name.substr(0, 7) == "wayland")
        return IsSet(env, "WAYLAND_DISPLAY");
    return !name.empty();
}

// Why the platform could not start: a plugin's own message says it best
// ("could not connect to display :1"), then the plugin loader's ("could not
// find the Qt platform plugin"); Qt's fatal one only says that it gave up.
QString StartFailureReason(const QString& fatal)
{
    const std::lock_guard<std::mutex> lock(g_heldMutex);
    const QString* why = &fatal;
    int rank = 0;
    for (const HeldMessage& m : g_held) {
        const bool platform = m.category.rfind("qt.qpa.", 0) == 0;
        const int r = !platform ? 0 : m.category == "qt.qpa.plugin" ? 1 : 2;
        if (r > rank) {
            rank = r;
            why = &m.text;
        }
    }
    return *why; // copied while the lock is held
}

// Qt's own message as its handler formats it (QT_MESSAGE_PATTERN), in the
// console's character set like every line of ours.
void PassOn(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const QString line = qFormatLogMessage(type, context, text);
    if (!line.isNull())
        WriteConsoleLine(ConsoleText(line.toStdString()));
}

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        if (g_starting) {
            // A start-up that cannot reach a window system is an ordinary
            // failure.
            WriteConsoleLine("vexlan: cannot start the window system: " +
                             ConsoleText(StartFailureReason(text).section(QLatin1Char('\n'), 0, 0).toStdString()));
            std::fflush(nullptr);
            std::_Exit(1);
        }
        WriteConsoleLine("vexlan: " + ConsoleText(text.section(QLatin1Char('\n'), 0, 0).toStdString()));
        return; // Qt aborts
    }
    {
        // Checked under the lock: QtStarted ends the holding and takes the
        // held messages in one step.
        const std::lock_guard<std::mutex> lock(g_heldMutex);
        if (g_starting) {
            g_held.push_back({type, context.category != nullptr ? context.category : "", text});
            return;
        }
    }
    if (g_quiet)
        return;
    PassOn(type, context, text);
}

} // namespace

bool DisplayUsable(const EnvLookup& env)
{
    const char* chosen = env("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0')
        return IsSet(env, "DISPLAY") || IsSet(env, "WAYLAND_DISPLAY");
    const std::string_view list(chosen);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (PlatformUsable(list.substr(start, end - start), env))
            return true;
        if (end == list.size())
            return false;
        start = end + 1;
    }
}

std::string MissingDisplay(const EnvLookup& env)
{
    const char* chosen = env("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0')
        return "DISPLAY and WAYLAND_DISPLAY are not set";
    const std::string_view list(chosen);
    const bool x = list.find("xcb") != std::string_view::npos;
    const bool wayland = list.find("wayland") != std::string_view::npos;
    if (!x && !wayland)
        return "QT_QPA_PLATFORM names no platform";
    return std::string("QT_QPA_PLATFORM names ") +
           (x && wayland ? "xcb and wayland, and DISPLAY and WAYLAND_DISPLAY are"
            : x          ? "xcb, and DISPLAY is"
                         : "wayland, and WAYLAND_DISPLAY is") +
           " not set";
}

void InstallQtMessageFilter(bool quiet)
{
    g_quiet = quiet;
    g_starting = true;
    qInstallMessageHandler(FilterMessage);
}

void QtStarted()
{
    std::vector<HeldMessage> held;
    {
        const std::lock_guard<std::mutex> lock(g_heldMutex);
        g_starting = false;
        held.swap(g_held);
    }
    if (g_quiet)
        return;
    for (const HeldMessage& m : held)
        PassOn(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.c_str()), m.text);
}

} // namespace vexlan
