// SPDX-License-Identifier: MIT
// The words of a Windows error code for a message line: the system's
// English text where it has one ("The printer name is invalid"), else
// "Windows error N"; for 0 (a failure the system gave no reason for)
// "no reason given by the system".
#pragma once

#include <string>

namespace vexlan {

std::string Win32ErrorText(unsigned long code);

} // namespace vexlan
