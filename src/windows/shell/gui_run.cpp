// The windowed run: the job beside the name the program was started under
// (or --job), then the application object's start-up and message loop.
#include "windows/shell/gui_run.h"

#include "core/app/job_handoff.h"
#include "windows/shell/vexlan_app.h"

namespace vexlan {

int RunApplication(int argc, char** argv, const CommandLine& cl)
{
    CommandLine started = cl;
    started.jobPath = ResolveJobPath(cl.jobPath, argc > 0 ? argv[0] : nullptr);
    CVexlanApp app(started);
    if (!app.InitInstance())
        return app.GetExitCode();
    return app.Run();
}

} // namespace vexlan
