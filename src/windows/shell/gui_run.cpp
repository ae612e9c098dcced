// The window's stand-in in a build without the Windows shell: it says so
// and ends with status 2, leaving the job where it is. The Windows shell's
// gui_run.cpp (the frame, the preview and the print dialog) replaces this
// file.
#include "windows/shell/gui_run.h"

#include "core/text/console_text.h"

namespace vexlan {

int RunApplication(int /*argc*/, char** /*argv*/, const CommandLine& /*cl*/)
{
    WriteConsoleLine("vexlan: this build has no window; use --png, --print or --dump-items");
    return 2;
}

} // namespace vexlan
