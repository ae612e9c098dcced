// SPDX-License-Identifier: MIT
// The window-less outputs of the command line on Windows: --png, --pdf and
// --print (--trace is every platform's: core/app/shared_outputs.h). Each
// renders the loaded item list once and returns the process exit status
// (0 success, 1 output not produced, with one line on stderr), as on Linux.
// A PNG or PDF for standard output ("-") is made whole in a temporary file
// first and copied out only then.
#pragma once

#include "core/app/command_line.h"
#include "core/app/shared_outputs.h"
#include "core/job/page_item.h"

#include <string>

namespace vexlan {

int RunPng(const CPageItemArray& items, const std::string& file, int dpi);
int RunPdf(const CPageItemArray& items, const std::string& file);
// --print with lp's -d, -n and -t; -o is refused before this (CUPS's).
int RunPrint(const CPageItemArray& items, const CommandLine& cl);

} // namespace vexlan
