// The words of a Windows error code for a message line: the system's
// English text where it has one ("The printer name is invalid"), else
// "Windows error N".
#pragma once

#include <string>

namespace vexlan {

std::string Win32ErrorText(unsigned long code);

} // namespace vexlan
