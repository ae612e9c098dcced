// SPDX-License-Identifier: MIT
// Printing the job's warnings and the status they give (see job_warnings.h).
#include "core/app/job_warnings.h"

#include "core/text/console_text.h"

namespace vexlan {

void PrintJobWarnings(const LoadDiagnostics& diagnostics, std::FILE* out)
{
    for (const LoadWarning& w : diagnostics.warnings)
        WriteConsoleLine("vexlan: warning: " + w.text, out);
    std::fflush(out);
}

int StatusAfterWarnings(int status, bool strict, const LoadDiagnostics& diagnostics)
{
    return status == 0 && strict && !diagnostics.Empty() ? kExitWarned : status;
}

} // namespace vexlan
