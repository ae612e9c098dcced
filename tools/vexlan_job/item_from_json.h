// SPDX-License-Identifier: MIT
// One item of a job's JSON description turned into a page item, with the
// checks that catch a producer's mistakes before Vexlan runs: keys the
// item's type does not have, values of the wrong JSON type, characters the
// code page cannot hold, and paths that will not load.
#pragma once

#include "core/job/page_item.h"

#include "core/text/json_value.h"

#include <string>
#include <vector>

namespace vexlan::tool {

struct ItemJsonOptions {
    int codePage = 0;   // the code page strings are stored in
    bool lossy = false; // store '?' for a character the code page cannot hold
};

// Fills `item` from the object of item `index`. On failure returns false
// with `error` set to one line naming the item and the key; `item` may then
// be half filled and is not to be used. Problems that do not stop the build
// (a path that is missing or whose extension its type does not load) are
// appended to `warnings`, one line each, on success and on failure alike.
bool ItemFromJson(const JsonValue& object, std::size_t index, const ItemJsonOptions& options,
                  PageItem& item, std::vector<std::string>& warnings, std::string& error);

} // namespace vexlan::tool
