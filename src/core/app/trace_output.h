// SPDX-License-Identifier: MIT
// --trace on every platform: the page drawn once on the trace surface, each
// drawing call printed to standard output as a JSON line as it is made.
#pragma once

#include "core/job/page_item.h"

namespace vexlan {

// Returns the exit status: 0, or 1 with one line on stderr when standard
// output cannot be written or the page could not be drawn completely (the
// calls made up to the failure are still printed).
int RunTrace(const CPageItemArray& items);

} // namespace vexlan
