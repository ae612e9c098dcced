// SPDX-License-Identifier: MIT
// The windowed run (preview, print dialog, exit) and --print.
#pragma once

#include "core/app/command_line.h"

namespace vexlan {

// Runs the application: the job hand-off (the job beside the name argv[0]
// was started under, or --job), then the shell. Returns the process exit
// status; 1 without touching the job when no display can show the preview.
int RunApplication(int argc, char** argv, const CommandLine& cl);

} // namespace vexlan
