// The windowed run and --print: the Qt application, then the application
// object's start-up and message loop.
#include "app/gui_run.h"

#include "app/vexlan_app.h"

#include <QApplication>

#include <cstdlib>

namespace vexlan {

int RunApplication(int argc, char** argv, const CommandLine& cl)
{
    // --print shows no window: it needs no display, and runs without one.
    if (cl.print && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    CVexlanApp app(cl);
    if (!app.InitInstance())
        return app.GetExitCode();
    return app.Run();
}

} // namespace vexlan
