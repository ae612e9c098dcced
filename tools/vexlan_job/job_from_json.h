// SPDX-License-Identifier: MIT
// The body of `vexlan-job build`: a job's JSON description turned into the
// bytes of a job file, without touching any file but the paths it checks.
#pragma once

#include "item_from_json.h"

#include <string_view>

#include <string>
#include <vector>

namespace vexlan::tool {

// Parses `json` (an array of items, or {"items": [...]} with the test
// options count, magic and truncate) and fills `bytes` with the job file.
// On failure returns false with `error` set to one line; `name` (the input's
// file name) prefixes the errors about the document as a whole; a JSON
// syntax error names the byte offset where reading stopped. Warnings
// are appended to `warnings`, one line each, whatever the outcome.
bool JobFromJson(std::string_view json, const std::string& name, const ItemJsonOptions& options,
                 std::string& bytes, std::vector<std::string>& warnings, std::string& error);

} // namespace vexlan::tool
