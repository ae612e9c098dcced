// SPDX-License-Identifier: MIT
// What every vexlan-job subcommand shares: its options read the same way,
// its input and output as files or, named "-", standard input and output,
// and its lines on stderr naming the subcommand and the reason.
#pragma once

#include "core/app/option_parser.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexlan::tool {

// The arguments of one subcommand: IN -o OUT and its own options.
struct CommandArgs {
    std::string in;
    std::string out;
    std::vector<ParsedOption> others;  // the options that are neither -o, --help nor --version
    bool help = false;
    bool version = false;
};

// Ids of the options every subcommand has; a subcommand's own start at kFirstOwnOption.
enum : int { kOutputOption = 1, kHelpOption, kVersionOption, kFirstOwnOption };

// Reads `args` with the subcommand's `own` options added to -o/--output,
// -h/--help and --version. On bad usage writes one line
// ("vexlan-job CMD: ... (try 'vexlan-job CMD --help')") and returns false.
// IN and -o OUT are required unless --help or --version is given.
bool ParseCommandArgs(const char* cmd, const std::vector<std::string>& args, std::span<const OptionDef> own,
                      CommandArgs& out);

// Writes `text` on standard output for --help and --version: 0, or 1 after
// a line on stderr when it cannot be written (a full disk, a closed pipe).
int WriteHelp(const char* program, const std::string& text);

// Writes "vexlan-job CMD: MESSAGE" on stderr and returns `status`.
int Fail(const char* cmd, int status, const std::string& message);

// The whole of `path` ("-": standard input) into `data`, refusing more than
// `limit` bytes. False with `why` ("cannot read 'a.json': no such file",
// "standard input is larger than N bytes").
bool ReadInput(const std::string& path, std::size_t limit, std::string& data, std::string& why);

// Writes `size` bytes into `path` ("-": standard output) whole or not at
// all: a file replaces the old one only once complete (WriteWholeFile).
// False with `why`.
bool WriteOutput(const std::string& path, const void* data, std::size_t size, std::string& why);

// How `path` is named in messages: quoted, or "standard input/output".
std::string InputName(const std::string& path);
std::string OutputName(const std::string& path);

} // namespace vexlan::tool
