// SPDX-License-Identifier: MIT
// AttachParentConsole (see console_attach.h).
#include "windows/shell/console_attach.h"

#include "windows/base/windows_api.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>

namespace vexlan {

namespace {

// A standard handle the program can write to.
bool Usable(WIN_DWORD which)
{
    HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// Bytes as they are: a trace or an item list is the same file on every
// system, with no CR put before each LF, and a job piped in (--job -) is
// read without its CR LF pairs and ^Z bytes changed.
void BinaryOutput()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

} // namespace

void AttachParentConsole()
{
    const bool out = Usable(STD_OUTPUT_HANDLE);
    const bool err = Usable(STD_ERROR_HANDLE);
    if (out && err)
        return BinaryOutput();
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return; // started from no console (Explorer, a producer without one)
    // The console's code page is then the one lines are written in
    // (EnvironmentCharset asks GetConsoleOutputCP).
    if (!out && std::freopen("CONOUT$", "w", stdout) != nullptr)
        std::setvbuf(stdout, nullptr, _IOFBF, 4096);
    if (!err && std::freopen("CONOUT$", "w", stderr) != nullptr)
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    BinaryOutput();
}

} // namespace vexlan
