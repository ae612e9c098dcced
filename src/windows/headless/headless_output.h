// The window-less outputs of the command line on Windows: --trace, --png,
// --pdf and --print. Each renders the loaded item list once and returns the
// process exit status (0 success, 1 output not produced, with one line on
// stderr), as on Linux.
#pragma once

#include "core/job/page_item.h"

#include <string>

namespace vexlan {

int RunTrace(const CPageItemArray& items);
int RunPng(const CPageItemArray& items, const std::string& file, int dpi);
int RunPdf(const CPageItemArray& items, const std::string& file);
int RunPrint(const CPageItemArray& items, const std::string& printer);

} // namespace vexlan
