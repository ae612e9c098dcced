// SPDX-License-Identifier: MIT
// Command-line options as Unix users type them, read with getopt_long (in
// glibc and in MinGW-w64's runtime alike), for vexlan and vexlan-job:
//   --name=value, --name value, -x value, -xvalue, unambiguous abbreviations
//   of long names (--keep for --keep-job), options and operands in any
//   order, and "--" ending the options (what follows is operands, even when
//   it starts with '-'). A lone "-" is an operand or a value (standard
//   input or output, where the program takes it so).
#pragma once

#include <span>
#include <string>
#include <vector>

namespace vexlan {

struct OptionDef {
    const char* longName;  // without "--"
    char shortName;        // 0: none
    bool takesValue;
    int id;                // returned in ParsedOption::id
};

struct ParsedOption {
    int id = 0;
    std::string value;     // empty for an option without a value
    std::string spelled;   // as written: "--job", "-d" (for messages)
};

struct ParsedArgs {
    std::vector<ParsedOption> options;  // in command-line order
    std::vector<std::string> operands;  // in command-line order
};

// Parses `args` (the arguments after the program or subcommand name)
// against `defs`. Returns false with a one-line `error` for an unknown or
// ambiguous option, an option without its value, or a value given to an
// option that takes none ("--trace=1"). A value may be empty ("--title=");
// the caller judges values. Not thread-safe (getopt_long's state is global).
bool ParseOptions(const std::vector<std::string>& args, std::span<const OptionDef> defs, ParsedArgs& out,
                  std::string& error);

// "unexpected operand 'x'": the error for an operand a command does not take.
std::string UnexpectedOperand(const std::string& operand);

} // namespace vexlan
