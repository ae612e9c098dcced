// SPDX-License-Identifier: MIT
// Warnings about the job, as its producer reads them: one line each on
// stderr, starting "vexlan: warning: ", printed as soon as the job is read
// (window-less runs and windowed runs alike). With --strict they turn a run
// that produced its output into exit status 3; a failed run keeps its own
// status.
#pragma once

#include "core/job/load_diagnostics.h"

#include <cstdio>

namespace vexlan {

constexpr int kExitWarned = 3;

// Writes each warning as "vexlan: warning: TEXT\n" on `out`.
void PrintJobWarnings(const LoadDiagnostics& diagnostics, std::FILE* out = stderr);

// The process status once the output is done: kExitWarned when `strict`,
// the run succeeded (`status` 0) and there were warnings; else `status`.
int StatusAfterWarnings(int status, bool strict, const LoadDiagnostics& diagnostics);

} // namespace vexlan
