// SPDX-License-Identifier: MIT
// Options read with getopt_long (see option_parser.h). getopt_long finds
// the options; the error lines are this file's own, worked out from the
// argument getopt_long stopped at, so that they read the same whichever C
// library's getopt_long ran (glibc and MinGW-w64 report errors with
// different return codes and positions).
#include "core/app/option_parser.h"

#include <getopt.h>

#include <cstring>

namespace vexlan {

namespace {

// Values of the long options that have no short name: above any char.
constexpr int kLongOnlyBase = 256;

int ValueOf(const OptionDef& def, std::size_t index)
{
    return def.shortName != 0 ? static_cast<unsigned char>(def.shortName) : kLongOnlyBase + int(index);
}

// The line for a long option getopt_long refused: `arg` is the whole
// argument ("--name" or "--name=value").
std::string LongOptionError(const std::string& arg, std::span<const OptionDef> defs)
{
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    const OptionDef* match = nullptr;
    std::string candidates;
    int matches = 0;
    for (const OptionDef& s : defs) {
        if (name == s.longName) {
            match = &s;
            matches = 1;
            break;
        }
        if (!name.empty() && std::strncmp(s.longName, name.c_str(), name.size()) == 0) {
            match = &s;
            ++matches;
            candidates += (candidates.empty() ? "--" : ", --") + std::string(s.longName);
        }
    }
    if (matches == 0)
        return "unknown option '--" + name + "'";
    if (matches > 1)
        return "option '--" + name + "' is ambiguous (" + candidates + ")";
    const std::string spelled = "--" + std::string(match->longName);
    if (!match->takesValue && eq != std::string::npos)
        return "option '" + spelled + "' takes no value";
    if (match->takesValue)
        return "option '" + spelled + "' needs a value";
    return "unknown option '" + arg + "'";
}

std::string ShortOptionError(int c, std::span<const OptionDef> defs)
{
    const std::string spelled = c > 0 && c < 256 ? std::string("-") + char(c) : std::string("-?");
    for (const OptionDef& s : defs)
        if (s.shortName != 0 && static_cast<unsigned char>(s.shortName) == c && s.takesValue)
            return "option '" + spelled + "' needs a value";
    return "unknown option '" + spelled + "'";
}

} // namespace

bool ParseOptions(const std::vector<std::string>& args, std::span<const OptionDef> defs, ParsedArgs& out,
                  std::string& error)
{
    out = ParsedArgs();
    // getopt_long wants a mutable argv with the program name first.
    std::vector<std::string> storage;
    storage.reserve(args.size() + 1);
    storage.emplace_back("vexlan");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const int argc = int(storage.size());

    // '-': operands come back in order as the value of option 1, so that
    // options and operands mix as they do for GNU tools, whatever
    // POSIXLY_CORRECT says; ':': a missing value is reported, not printed.
    std::string shortOptions = "-:";
    std::vector<option> longOptions;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const OptionDef& s = defs[i];
        if (s.shortName != 0) {
            shortOptions += s.shortName;
            if (s.takesValue)
                shortOptions += ':';
        }
        longOptions.push_back(option{s.longName, s.takesValue ? required_argument : no_argument, nullptr,
                                     ValueOf(s, i)});
    }
    longOptions.push_back(option{nullptr, 0, nullptr, 0});

    opterr = 0;
    optind = 0; // 0 starts a new scan in both glibc and MinGW-w64
    for (;;) {
        // The argument getopt_long looks at: a cluster of short options
        // stays at its index until its last letter.
        const int at = optind == 0 ? 1 : optind;
        optopt = 0;
        const int c = getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (c == -1)
            break;
        if (c == 1) {
            out.operands.emplace_back(optarg != nullptr ? optarg : "");
            continue;
        }
        if (c == '?' || c == ':') {
            const std::string arg = at < argc ? storage[std::size_t(at)] : std::string();
            error = arg.rfind("--", 0) == 0 && arg.size() > 2 ? LongOptionError(arg, defs)
                                                              : ShortOptionError(optopt, defs);
            return false;
        }
        for (std::size_t i = 0; i < defs.size(); ++i) {
            if (ValueOf(defs[i], i) != c)
                continue;
            ParsedOption o;
            o.id = defs[i].id;
            if (defs[i].takesValue && optarg != nullptr)
                o.value = optarg;
            const std::string arg = at < argc ? storage[std::size_t(at)] : std::string();
            o.spelled = arg.rfind("--", 0) == 0 ? "--" + std::string(defs[i].longName)
                                                : std::string("-") + defs[i].shortName;
            out.options.push_back(std::move(o));
            break;
        }
    }
    // After "--": operands, whatever they look like.
    for (int i = optind; i < argc; ++i)
        out.operands.push_back(storage[std::size_t(i)]);
    return true;
}

std::string UnexpectedOperand(const std::string& operand)
{
    return "unexpected operand '" + operand + "'";
}

} // namespace vexlan
