// SPDX-License-Identifier: MIT
// The subcommands' shared option reading, input, output and messages (see
// tool_io.h).
#include "tool_io.h"

#include "commands.h"

#include "core/text/console_text.h"
#include "os/file_problem.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace vexlan::tool {

bool ParseCommandArgs(const char* cmd, const std::vector<std::string>& args, std::span<const OptionDef> own,
                      CommandArgs& out)
{
    std::vector<OptionDef> defs = {
        {"output", 'o', true, kOutputOption},
        {"help", 'h', false, kHelpOption},
        {"version", 0, false, kVersionOption},
    };
    defs.insert(defs.end(), own.begin(), own.end());
    ParsedArgs parsed;
    std::string error;
    const std::string tryHelp = " (try 'vexlan-job " + std::string(cmd) + " --help')";
    if (!ParseOptions(args, defs, parsed, error)) {
        Fail(cmd, 2, error + tryHelp);
        return false;
    }
    out = CommandArgs();
    for (const ParsedOption& o : parsed.options) {
        if (o.id == kOutputOption)
            out.out = o.value;
        else if (o.id == kHelpOption)
            out.help = true;
        else if (o.id == kVersionOption)
            out.version = true;
        else
            out.others.push_back(o);
    }
    if (out.help || out.version)
        return true;
    if (parsed.operands.size() > 1)
        error = UnexpectedOperand(parsed.operands[1]);
    else if (parsed.operands.empty() || parsed.operands[0].empty())
        error = "no input named";
    else if (out.out.empty())
        error = "no output named (-o FILE, or -o - for standard output)";
    if (!error.empty()) {
        Fail(cmd, 2, error + tryHelp);
        return false;
    }
    out.in = parsed.operands[0];
    return true;
}

int WriteHelp(const char* program, const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        WriteConsoleLine(std::string(program) + ": cannot write to standard output: " + ErrnoReason(errno));
        return 1;
    }
    return 0;
}

int Fail(const char* cmd, int status, const std::string& message)
{
    WriteConsoleLine("vexlan-job " + std::string(cmd) + ": " + message);
    return status;
}

std::string InputName(const std::string& path)
{
    return path == "-" ? std::string("standard input") : "'" + path + "'";
}

std::string OutputName(const std::string& path)
{
    return path == "-" ? std::string("standard output") : "'" + path + "'";
}

bool ReadInput(const std::string& path, std::size_t limit, std::string& data, std::string& why)
{
    data.clear();
    const bool standard = path == "-";
    int (*const close)(std::FILE*) = standard ? +[](std::FILE*) { return 0; } : &std::fclose;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(standard ? stdin : std::fopen(path.c_str(), "rb"), close);
    if (!file) {
        why = "cannot read " + InputName(path) + ": " + ErrnoReason(errno);
        return false;
    }
    char buffer[64 * 1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (data.size() + n > limit) {
            why = InputName(path) + " is larger than " + std::to_string(limit) + " bytes";
            return false;
        }
        data.append(buffer, n);
    }
    if (std::ferror(file.get())) {
        why = "cannot read " + InputName(path) + ": " + ErrnoReason(errno);
        return false;
    }
    return true;
}

bool WriteOutput(const std::string& path, const void* data, std::size_t size, std::string& why)
{
    if (path != "-") {
        std::string reason;
        if (WriteWholeFile(path, static_cast<const uint8_t*>(data), size, &reason))
            return true;
        why = "cannot write " + OutputName(path) + ": " + reason;
        return false;
    }
    if ((size > 0 && std::fwrite(data, 1, size, stdout) != size) || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        why = "cannot write to standard output: " + ErrnoReason(errno);
        return false;
    }
    return true;
}

} // namespace vexlan::tool
