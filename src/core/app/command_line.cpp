// SPDX-License-Identifier: MIT
// Command-line parsing: the options of vexlan on top of ParseOptions, and
// the rules of which go together.
#include "core/app/command_line.h"

#include "core/app/option_parser.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace vexlan {

namespace {

enum OptionId {
    kJob, kKeepJob, kPrint, kPrinter, kCopies, kOption, kTitle, kPdf, kPng, kDpi,
    kDumpItems, kTrace, kStrict, kHelp, kVersion,
};

constexpr OptionDef kOptions[] = {
    {"job", 0, true, kJob},
    {"keep-job", 0, false, kKeepJob},
    {"print", 0, false, kPrint},
    {"printer", 'd', true, kPrinter},
    {"copies", 'n', true, kCopies},
    {"option", 'o', true, kOption},
    {"title", 't', true, kTitle},
    {"pdf", 0, true, kPdf},
    {"png", 0, true, kPng},
    {"dpi", 0, true, kDpi},
    {"dump-items", 0, false, kDumpItems},
    {"trace", 0, false, kTrace},
    {"strict", 0, false, kStrict},
    {"help", 'h', false, kHelp},
    {"version", 0, false, kVersion},
};

bool TakesValue(int id)
{
    for (const OptionDef& s : kOptions)
        if (s.id == id)
            return s.takesValue;
    return false;
}

// A whole decimal number from `low` to `high`, or false.
bool WholeNumber(const std::string& text, long low, long high, int& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || n < low || n > high)
        return false;
    out = static_cast<int>(n);
    return true;
}

} // namespace

std::string UsageText()
{
    return "usage: vexlan [--job PATH] [--keep-job] [--strict]\n"
           "              [--print [-d PRINTER] [-n COPIES] [-o NAME=VALUE]... [-t TITLE] |\n"
           "               --pdf FILE | --png FILE [--dpi N] | --dump-items | --trace]\n"
           "\n"
           "With no options, reads the job file beside the executable (its name with\n"
           "\".set\"), deletes it, shows the page in Print Preview and exits after printing.\n"
           "\n"
           "  --job PATH        read this job file instead of the one beside the executable;\n"
           "                    \"-\" reads the job from standard input\n"
           "  --keep-job        do not delete the job file after reading it\n"
           "  --print           print the page on the default printer, no preview, no dialog\n"
           "  -d, --printer NAME\n"
           "                    with --print: print on this destination (queue)\n"
           "  -n, --copies N    with --print: print N copies\n"
           "  -o NAME=VALUE     with --print: a job option, as lp takes it (media=Letter,\n"
           "                    sides=two-sided-long-edge, page-ranges=1, ...); repeatable\n"
           "  -t, --title TITLE with --print: the job's name\n"
           "  --pdf FILE        render the page into a PDF file, no window (\"-\": standard\n"
           "                    output, written once the whole page is made)\n"
           "  --png FILE        render the page into a PNG file, no window (\"-\" as for --pdf)\n"
           "  --dpi N           with --png: resolution (default 300)\n"
           "  --dump-items      print the loaded item list as JSON\n"
           "  --trace           print each drawing call of one rendering as a JSON line\n"
           "  --strict          after the output, end with status 3 if the job gave\n"
           "                    warnings (\"vexlan: warning: ...\" lines on stderr)\n"
           "  -h, --help        show this text\n"
           "  --version         show the version\n"
           "\n"
           "Options take their value as --job PATH or --job=PATH; \"--\" ends the options.\n"
           "\n"
           "Exit status: 0 done; 1 the output could not be produced; 2 bad usage or\n"
           "an unknown VEXLAN_CODEPAGE; 3 done, but the job gave warnings (--strict).\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error)
{
    out = CommandLine();
    ParsedArgs parsed;
    if (!ParseOptions(args, kOptions, parsed, error))
        return false;
    if (!parsed.operands.empty()) {
        error = UnexpectedOperand(parsed.operands.front());
        return false;
    }
    bool dpiGiven = false;
    std::string printOnly; // the first option that needs --print
    for (const ParsedOption& o : parsed.options) {
        // Files, queues and options are never empty; a title may be.
        if (o.value.empty() && o.id != kTitle && TakesValue(o.id)) {
            error = "option '" + o.spelled + "' needs a value";
            return false;
        }
        if ((o.id == kPrinter || o.id == kCopies || o.id == kOption || o.id == kTitle) && printOnly.empty())
            printOnly = o.spelled;
        switch (o.id) {
        case kJob: out.jobPath = o.value; break;
        case kKeepJob: out.keepJob = true; break;
        case kPrint: out.print = true; break;
        case kPrinter: out.printer = o.value; break;
        case kCopies:
            if (!WholeNumber(o.value, 1, INT_MAX, out.copies)) {
                error = o.spelled + " needs a whole number of copies from 1, not '" + o.value + "'";
                return false;
            }
            break;
        case kOption: out.printOptions.push_back(o.value); break;
        case kTitle: out.title = o.value; break;
        case kPdf: out.pdfFile = o.value; break;
        case kPng: out.pngFile = o.value; break;
        case kDpi:
            if (!WholeNumber(o.value, 1, 2400, out.dpi)) {
                error = "--dpi needs a whole number from 1 to 2400, not '" + o.value + "'";
                return false;
            }
            dpiGiven = true;
            break;
        case kDumpItems: out.dumpItems = true; break;
        case kTrace: out.trace = true; break;
        case kStrict: out.strict = true; break;
        case kHelp: out.help = true; break;
        case kVersion: out.version = true; break;
        }
    }
    const int modes = int(out.print) + int(!out.pdfFile.empty()) + int(!out.pngFile.empty()) +
                      int(out.dumpItems) + int(out.trace);
    if (modes > 1) {
        error = "choose only one of --print, --pdf, --png, --dump-items, --trace";
        return false;
    }
    if (!printOnly.empty() && !out.print) {
        error = printOnly + " is only used with --print";
        return false;
    }
    if (dpiGiven && out.pngFile.empty()) {
        error = "--dpi is only used with --png";
        return false;
    }
    return true;
}

} // namespace vexlan
