// SPDX-License-Identifier: MIT
// What both programs do first with their command line: read the options,
// answer --help and --version, and settle the code page texts are read in.
#pragma once

#include "core/app/command_line.h"

namespace vexlan {

// Reads `argv` into `cl`. Returns true when the program goes on; false when
// it ends here, with `status` its exit status: 0 after --help or --version,
// 1 when they cannot be written, 2 for a usage error or an unknown
// VEXLAN_CODEPAGE (each failure with one line on stderr). On true the
// process's code page is set.
bool StartFromCommandLine(int argc, char** argv, CommandLine& cl, int& status);

} // namespace vexlan
