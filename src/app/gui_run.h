// The windowed run (preview, print dialog, exit) and --print.
#pragma once

#include "app/command_line.h"

namespace vexlan {

// Runs the application: the job hand-off, then the shell. Returns the
// process exit status.
int RunApplication(int argc, char** argv, const CommandLine& cl);

} // namespace vexlan
