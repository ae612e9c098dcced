// SPDX-License-Identifier: MIT
// The command line's first steps, shared by every platform's entry point
// (program_start.h).
#include "core/app/program_start.h"

#include "core/text/codepage.h"
#include "core/text/console_text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vexlan {

bool StartFromCommandLine(int argc, char** argv, CommandLine& cl, int& status)
{
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    if (!ParseCommandLine(args, cl, error)) {
        WriteConsoleLine("vexlan: " + error + " (try --help)");
        status = 2;
        return false;
    }
    if (cl.help || cl.version) {
        if (cl.help)
            std::fputs(UsageText().c_str(), stdout);
        else
            std::printf("vexlan %s\n", VEXLAN_VERSION);
        status = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            WriteConsoleLine("vexlan: cannot write to standard output");
            status = 1;
        }
        return false;
    }
    // An unknown code page would turn every text into the wrong characters.
    if (const std::string bad = CodePageSettingError(); !bad.empty()) {
        WriteConsoleLine("vexlan: " + bad);
        status = 2;
        return false;
    }
    SetAnsiCodePage(DetectAnsiCodePage());
    return true;
}

} // namespace vexlan
