// The command line: parsing of vexlan's options into a CommandLine value.
//
//   --job PATH               read this job file instead of the one beside the executable
//   --keep-job               do not delete the job file after reading it
//   --print [--printer NAME] print without preview or dialog, then exit
//   --pdf FILE               render the page into a PDF file, no window
//   --png FILE [--dpi N]     render the page into a PNG at N dpi (default 300)
//   --dump-items             print the loaded item list as JSON
//   --trace                  print the drawing calls of one rendering as JSON lines
//   --strict                 end with status 3 when the job gave warnings
//   --help, --version
#pragma once

#include <string>
#include <vector>

namespace vexlan {

struct CommandLine {
    std::string jobPath;    // empty: the job beside the executable
    bool keepJob = false;
    bool print = false;
    std::string printer;    // empty: the default printer
    std::string pdfFile;
    std::string pngFile;
    int dpi = 300;
    bool dumpItems = false;
    bool trace = false;
    bool strict = false;    // warnings about the job turn status 0 into 3
    bool help = false;
    bool version = false;

    // True when the run produces its output without any window.
    bool Headless() const { return dumpItems || trace || !pdfFile.empty() || !pngFile.empty(); }
};

// Parses the arguments after the program name. Returns true on success;
// false with a one-line message in `error` on bad usage (exit status 2).
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// The --help text.
std::string UsageText();

} // namespace vexlan
