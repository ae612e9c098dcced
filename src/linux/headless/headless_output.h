// SPDX-License-Identifier: MIT
// The window-less outputs of the command line: --pdf and --png (and
// --trace, which every platform shares: core/app/shared_outputs.h).
// Each renders the loaded item list once through the page renderer and
// returns the process exit status (0 success, 1 output not produced, with
// one line on stderr).
#pragma once

#include "core/app/shared_outputs.h"
#include "core/job/page_item.h"

#include <string>

namespace vexlan {

int RunPdf(const CPageItemArray& items, const std::string& file);
int RunPng(const CPageItemArray& items, const std::string& file, int dpi);

} // namespace vexlan
