// SPDX-License-Identifier: MIT
// The windowed run on Windows: the frame opening straight in Print Preview,
// the print dialog and the exit cycle.
#pragma once

#include "core/app/command_line.h"

namespace vexlan {

// Runs the application: the job hand-off (the job beside the executable,
// or --job), then the window. Returns the process exit status.
int RunApplication(int argc, char** argv, const CommandLine& cl);

} // namespace vexlan
