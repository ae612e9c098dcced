// SPDX-License-Identifier: MIT
// The window-less outputs every platform makes the same way: --dump-items,
// --trace (the page drawn once on the trace surface, each drawing call
// printed as a JSON line as it is made), and the refusal to print an empty
// page.
#pragma once

#include "core/job/page_item.h"

#include <string>

namespace vexlan {

// The item list as JSON on standard output. Returns the exit status: 0, or
// 1 with one line on stderr when standard output cannot be written.
int RunDumpItems(const CPageItemArray& items);

// Returns the exit status: 0, or 1 with one line on stderr when standard
// output cannot be written or the page could not be drawn completely (the
// calls made up to the failure are still printed).
int RunTrace(const CPageItemArray& items);

// A page without items would come out as a blank sheet. Returns true, with
// one line on stderr saying why the page is empty, when `items` is empty
// (`jobPath` as the hand-off had it, `jobRead` whether a job was read);
// false when there is a page to print.
bool RefuseEmptyPage(const CPageItemArray& items, const std::string& jobPath, bool jobRead);

} // namespace vexlan
