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

#include "core/text/codepage.h"
#include "core/text/console_text.h"

#include <cstdio>

namespace vexlan::tool {
namespace {

// `msg` is ASCII text and bytes as the system gave them (file names,
// VEXLAN_CODEPAGE's value): written as they are.
int Fail(int status, const std::string& msg)
{
    WriteConsoleLine("vexlan-job: " + msg);
    return status;
}

// A builder's error in the console's character set: its text is UTF-8 (the
// JSON's), but for a leading "NAME: " with the input's name, whose bytes stay.
std::string BuildErrorLine(const std::string& error, const std::string& name)
{
    const std::string prefix = name + ": ";
    if (error.compare(0, prefix.size(), prefix) == 0)
        return prefix + ConsoleText(std::string_view(error).substr(prefix.size()));
    return ConsoleText(error);
}

// The whole file, or false when it cannot be read.
bool ReadInput(const std::string& path, std::string& data)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        data.append(buf, n);
    const bool read = std::ferror(f) == 0;
    std::fclose(f);
    return read;
}

struct BuildArgs {
    std::string in;
    std::string out;
    bool lossy = false;
};

bool ParseBuildArgs(const std::vector<std::string>& args, BuildArgs& a)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            a.out = args[++i];
        else if (args[i] == "--lossy")
            a.lossy = true;
        else if (a.in.empty() && !args[i].empty() && args[i][0] != '-')
            a.in = args[i];
        else {
            std::fprintf(stderr, "vexlan-job build: unexpected argument '%s'\n", args[i].c_str());
            return false;
        }
    }
    if (a.in.empty() || a.out.empty()) {
        std::fputs("usage: vexlan-job build JOB.json -o FILE.set [--lossy]\n", stderr);
        return false;
    }
    return true;
}

} // namespace

int RunBuild(const std::vector<std::string>& args)
{
    BuildArgs a;
    if (!ParseBuildArgs(args, a))
        return 2;
    if (const std::string bad = CodePageSettingError(); !bad.empty())
        return Fail(2, bad);
    const ItemJsonOptions options{AnsiCodePage(), a.lossy};

    // The name's bytes are the file's: it is opened as it was given.
    std::string json;
    if (!ReadInput(a.in, json))
        return Fail(1, "cannot read " + a.in);
    std::string bytes;
    std::vector<std::string> warnings;
    std::string error;
    const bool built = JobFromJson(json, a.in, options, bytes, warnings, error);
    for (const std::string& w : warnings)
        WriteConsoleLine("vexlan-job: warning: " + ConsoleText(w));
    if (!built)
        return Fail(1, BuildErrorLine(error, a.in));
    if (!WriteWholeFile(a.out, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        return Fail(1, "cannot write " + a.out);
    return 0;
}

} // namespace vexlan::tool
