// SPDX-License-Identifier: MIT
// An output for standard output ("--pdf -", "--png -") is made whole in a
// temporary file first and copied out only then, so that a page that fails
// writes nothing there. This is the copying.
#pragma once

#include <string>

namespace vexlan {

// Copies the file at `path` to standard output; `what` names it in the
// error line ("the PDF"). Returns 0, or 1 with one line on stderr.
int CopyToStandardOutput(const std::string& path, const std::string& what);

} // namespace vexlan
