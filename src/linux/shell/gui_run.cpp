// SPDX-License-Identifier: MIT
// The windowed run and --print: the checks that come before the job is
// touched, the Qt application, then the application object's start-up and
// message loop.
#include "linux/shell/gui_run.h"

#include "core/app/job_handoff.h"
#include "linux/shell/qt_startup.h"
#include "linux/shell/vexlan_app.h"
#include "core/text/console_text.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace vexlan {

int RunApplication(int argc, char** argv, const CommandLine& cl)
{
    // --print shows no window: it needs no display and always runs on the
    // offscreen platform, whatever QT_QPA_PLATFORM it inherited.
    if (cl.print)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Without a display the preview cannot open; the job stays where it is
    // for a run that can show it.
    if (!cl.print && !DisplayUsable(std::getenv)) {
        WriteConsoleLine("vexlan: no display to show the preview on (" + MissingDisplay(std::getenv) +
                         "); the job is kept (--print, --pdf and --png need none)");
        return 1;
    }
    CommandLine started = cl;
    started.jobPath = ResolveJobPath(cl.jobPath, argc > 0 ? argv[0] : nullptr);

    // --print writes nothing on stderr but its own lines.
    InstallQtMessageFilter(cl.print);
    QApplication qapp(argc, argv);
    QtStarted();
    CVexlanApp app(started);
    if (!app.InitInstance())
        return app.GetExitCode();
    return app.Run();
}

} // namespace vexlan
