// SPDX-License-Identifier: MIT
// An object's members in the order vexlan-job checks them: by key, compared
// as UTF-16 code units, a repeated key standing once with its last value.
// The first problem reported is then the same whatever order the producer
// wrote the keys in.
#pragma once

#include "core/text/json_value.h"

#include <vector>

namespace vexlan::tool {

std::vector<const JsonMember*> MembersByKey(const JsonValue& object);

} // namespace vexlan::tool
