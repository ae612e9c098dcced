// Command-line parsing.
#include "core/app/command_line.h"

#include <cstdlib>

namespace vexlan {

std::string UsageText()
{
    return "usage: vexlan [--job PATH] [--keep-job] [--strict]\n"
           "              [--print [--printer NAME] | --pdf FILE | --png FILE [--dpi N] |\n"
           "               --dump-items | --trace]\n"
           "\n"
           "With no options, reads the job file beside the executable (its name with\n"
           "\".set\"), deletes it, shows the page in Print Preview and exits after printing.\n"
           "\n"
           "  --job PATH        read this job file instead of the one beside the executable\n"
           "  --keep-job        do not delete the job file after reading it\n"
           "  --print           print the page on the default printer, no preview, no dialog\n"
           "  --printer NAME    with --print: print on this printer\n"
           "  --pdf FILE        render the page into a PDF file, no window\n"
           "  --png FILE        render the page into a PNG file, no window\n"
           "  --dpi N           with --png: resolution (default 300)\n"
           "  --dump-items      print the loaded item list as JSON\n"
           "  --trace           print each drawing call of one rendering as a JSON line\n"
           "  --strict          after the output, end with status 3 if the job gave\n"
           "                    warnings (\"vexlan: warning: ...\" lines on stderr)\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "Exit status: 0 done; 1 the output could not be produced; 2 bad usage or\n"
           "an unknown VEXLAN_CODEPAGE; 3 done, but the job gave warnings (--strict).\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error)
{
    out = CommandLine();
    bool dpiGiven = false;
    bool printerGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& dest) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "option " + a + " needs an argument";
                return false;
            }
            dest = args[++i];
            return true;
        };
        if (a == "--job") {
            if (!value(out.jobPath))
                return false;
        } else if (a == "--keep-job") {
            out.keepJob = true;
        } else if (a == "--print") {
            out.print = true;
        } else if (a == "--printer") {
            if (!value(out.printer))
                return false;
            printerGiven = true;
        } else if (a == "--pdf") {
            if (!value(out.pdfFile))
                return false;
        } else if (a == "--png") {
            if (!value(out.pngFile))
                return false;
        } else if (a == "--dpi") {
            std::string v;
            if (!value(v))
                return false;
            char* end = nullptr;
            long dpi = std::strtol(v.c_str(), &end, 10);
            if (*end != '\0' || dpi < 1 || dpi > 2400) {
                error = "--dpi needs a whole number from 1 to 2400, not '" + v + "'";
                return false;
            }
            out.dpi = static_cast<int>(dpi);
            dpiGiven = true;
        } else if (a == "--dump-items") {
            out.dumpItems = true;
        } else if (a == "--trace") {
            out.trace = true;
        } else if (a == "--strict") {
            out.strict = true;
        } else if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    const int modes = int(out.print) + int(!out.pdfFile.empty()) + int(!out.pngFile.empty()) +
                      int(out.dumpItems) + int(out.trace);
    if (modes > 1) {
        error = "choose only one of --print, --pdf, --png, --dump-items, --trace";
        return false;
    }
    if (printerGiven && !out.print) {
        error = "--printer is only used with --print";
        return false;
    }
    if (dpiGiven && out.pngFile.empty()) {
        error = "--dpi is only used with --png";
        return false;
    }
    return true;
}

} // namespace vexlan
