// SPDX-License-Identifier: MIT
// vexlan-job build: writes a job file from a JSON description of the items.
//
// The JSON is an array of items (or an object whose "items" is that array):
//   {"type": 0, "rect": [l, t, r, b], "text": "...", "face": "宋体", "align": 1}
//   {"type": 1, "rect": [...], "path": "pic.jpg", "invert": false, "keepAspect": true}
//   {"type": 2, "rect": [...], "path": "lines.txt", "face": "黑体"}
//   {"type": 3, "rect": [...], "penWidth": 50, "color": 255}
// Strings are UTF-8 in the JSON and are stored in the ANSI code page
// (VEXLAN_CODEPAGE or the locale), unless given as "textBytes"/"pathBytes"/
// "faceBytes": hex strings stored byte for byte. Each item is checked by
// ItemFromJson; a job with any error is not written. Options for making
// damaged jobs in tests: "count" overrides the record count, "magic" the
// magic number, "truncate" cuts the file to that many bytes.
#include "commands.h"
#include "job_from_json.h"
#include "tool_io.h"

#include "core/text/codepage.h"
#include "core/text/console_text.h"

#include <cstdio>

namespace vexlan::tool {
namespace {

// The largest JSON description read: far beyond any page's items.
constexpr std::size_t kMaxJsonBytes = std::size_t(256) << 20;

enum : int { kLossyOption = kFirstOwnOption };

constexpr OptionDef kBuildOptions[] = {{"lossy", 0, false, kLossyOption}};

constexpr char kBuildUsage[] =
    "usage: vexlan-job build JOB.json -o FILE.set [--lossy]\n"
    "\n"
    "Writes the job file FILE.set from the JSON description of its items in\n"
    "JOB.json (see vexlan-job(1)). \"-\" as JOB.json or FILE.set: standard input\n"
    "or output.\n"
    "\n"
    "  -o, --output FILE  the job file (replaced only once complete)\n"
    "  --lossy            store characters the code page cannot hold as '?'\n"
    "                     (with a warning) instead of refusing the job\n"
    "  -h, --help         show this text\n"
    "  --version          show the version\n";

// A builder's error in the console's character set: its text is UTF-8 (the
// JSON's), but for a leading "NAME: " with the input's name, whose bytes stay.
std::string BuildErrorLine(const std::string& error, const std::string& name)
{
    const std::string prefix = name + ": ";
    if (error.compare(0, prefix.size(), prefix) == 0)
        return prefix + ConsoleText(std::string_view(error).substr(prefix.size()));
    return ConsoleText(error);
}

} // namespace

int RunBuild(const std::vector<std::string>& args)
{
    CommandArgs a;
    if (!ParseCommandArgs("build", args, kBuildOptions, a))
        return 2;
    if (a.help)
        return WriteHelp("vexlan-job", kBuildUsage);
    if (a.version)
        return WriteHelp("vexlan-job", std::string("vexlan-job ") + VEXLAN_VERSION + "\n");
    if (const std::string bad = CodePageSettingError(); !bad.empty())
        return Fail("build", 2, bad);
    const ItemJsonOptions options{AnsiCodePage(), !a.others.empty()};

    // The name's bytes are the file's: it is opened as it was given.
    std::string json;
    std::string why;
    if (!ReadInput(a.in, kMaxJsonBytes, json, why))
        return Fail("build", 1, why);
    const std::string name = a.in == "-" ? std::string("standard input") : a.in;
    std::string bytes;
    std::vector<std::string> warnings;
    std::string error;
    const bool built = JobFromJson(json, name, options, bytes, warnings, error);
    for (const std::string& w : warnings)
        WriteConsoleLine("vexlan-job build: warning: " + ConsoleText(w));
    if (!built)
        return Fail("build", 1, BuildErrorLine(error, name));
    if (!WriteOutput(a.out, bytes.data(), bytes.size(), why))
        return Fail("build", 1, why);
    return 0;
}

} // namespace vexlan::tool
