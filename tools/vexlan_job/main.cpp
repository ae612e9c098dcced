// SPDX-License-Identifier: MIT
// vexlan-job: the producer's tool. Builds job files from JSON and packs or
// unpacks resource files.
#include "commands.h"
#include "tool_io.h"

#include "core/app/option_parser.h"
#include "core/text/console_text.h"

#include <string>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: vexlan-job build JOB.json -o FILE.set [--lossy]\n"
    "       vexlan-job pack IN -o OUT [--seed N]\n"
    "       vexlan-job unpack IN -o OUT\n"
    "       vexlan-job COMMAND --help\n"
    "\n"
    "\"-\" as an input or output file: standard input or output.\n";

constexpr char kTryHelp[] = " (try 'vexlan-job --help')";

} // namespace

int main(int argc, char** argv)
{
    using namespace vexlan;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        WriteConsoleLine(std::string("vexlan-job: no command given") + kTryHelp);
        return 2;
    }
    const std::string& cmd = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (cmd == "build")
        return tool::RunBuild(rest);
    if (cmd == "pack")
        return tool::RunPack(rest);
    if (cmd == "unpack")
        return tool::RunUnpack(rest);
    if (cmd.size() > 1 && cmd[0] == '-') {
        // Options before any command: --help and --version alone.
        enum { kHelp, kVersion };
        constexpr OptionDef defs[] = {{"help", 'h', false, kHelp}, {"version", 0, false, kVersion}};
        ParsedArgs parsed;
        std::string error;
        if (!ParseOptions({cmd}, defs, parsed, error)) {
            WriteConsoleLine("vexlan-job: " + error + kTryHelp);
            return 2;
        }
        if (!rest.empty() || parsed.options.empty()) {
            WriteConsoleLine("vexlan-job: " + (rest.empty() ? "no command given" : UnexpectedOperand(rest[0])) +
                             kTryHelp);
            return 2;
        }
        return parsed.options.front().id == kHelp
                   ? tool::WriteHelp("vexlan-job", kUsage)
                   : tool::WriteHelp("vexlan-job", std::string("vexlan-job ") + VEXLAN_VERSION + "\n");
    }
    WriteConsoleLine("vexlan-job: unknown command '" + cmd + "'" + kTryHelp);
    return 2;
}
