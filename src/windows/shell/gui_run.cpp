// SPDX-License-Identifier: MIT
// The windowed run: the job beside the executable (or --job), then the
// application object's start-up and message loop.
#include "windows/shell/gui_run.h"

#include "core/app/job_handoff.h"
#include "windows/shell/vexlan_app.h"

namespace vexlan {

int RunApplication(int, char**, const CommandLine& cl)
{
    // The job beside the executable is found from GetModuleFileName: the
    // name Windows started, whatever the starter passed as argv[0].
    CommandLine started = cl;
    started.jobPath = ResolveJobPath(cl.jobPath);
    CVexlanApp app(started);
    if (!app.InitInstance())
        return app.GetExitCode();
    return app.Run();
}

} // namespace vexlan
