// The window-less outputs of the command line: --trace, --pdf and --png.
// Each renders the loaded item list once through the page renderer and
// returns the process exit status (0 success, 1 output not produced, with
// one line on stderr).
#pragma once

#include "core/job/page_item.h"

#include <string>

namespace vexlan {

int RunTrace(const CPageItemArray& items);
int RunPdf(const CPageItemArray& items, const std::string& file);
int RunPng(const CPageItemArray& items, const std::string& file, int dpi);

} // namespace vexlan
