// SPDX-License-Identifier: MIT
// The command line: parsing of vexlan's options into a CommandLine value.
//
//   --job PATH               read this job file instead of the one beside the
//                            executable ("-": standard input)
//   --keep-job               do not delete the job file after reading it
//   --print                  print without preview or dialog, then exit, with
//                            lp's -d/--printer, -n/--copies, -o, -t/--title
//   --pdf FILE               render the page into a PDF file ("-": stdout), no window
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
    int copies = 1;
    std::string title;      // the print job's name; empty: the program's name
    std::vector<std::string> printOptions; // each -o value as given, for cupsParseOptions
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

// Parses the arguments after the program name (see option_parser.h for the
// forms an option may take). Returns true on success; false with a
// one-line message in `error` on bad usage (exit status 2).
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// Whether a --pdf or --png file name means standard output.
inline bool IsStandardOutput(const std::string& file) { return file == "-"; }

// The --help text.
std::string UsageText();

} // namespace vexlan
