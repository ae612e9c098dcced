// SPDX-License-Identifier: MIT
// Win32ErrorText (see win32_error.h).
#include "windows/print/win32_error.h"

#include "windows/base/windows_api.h"

namespace vexlan {

std::string Win32ErrorText(unsigned long code)
{
    // A GDI call that fails without setting an error leaves 0, whose text
    // would be "The operation completed successfully".
    if (code == 0)
        return "no reason given by the system";
    char buffer[512] = {};
    const WIN_DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    WIN_DWORD n = FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer,
                                 sizeof buffer, nullptr);
    // A line of its own: the trailing full stop and line break go.
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ' || buffer[n - 1] == '.'))
        --n;
    bool plain = n > 0;
    for (WIN_DWORD i = 0; i < n; ++i)
        plain = plain && static_cast<unsigned char>(buffer[i]) >= 0x20 && static_cast<unsigned char>(buffer[i]) < 0x7F;
    if (!plain)
        return "Windows error " + std::to_string(code);
    return std::string(buffer, n);
}

} // namespace vexlan
