// SPDX-License-Identifier: MIT
// vexlan.exe: entry point. Attaches to the starting shell's console, parses
// the command line, then produces a window-less output (item dump, trace,
// PNG, PDF, a print without a dialog) or runs the window.
#include "core/app/command_line.h"
#include "core/app/program_start.h"
#include "core/app/job_handoff.h"
#include "core/app/job_warnings.h"
#include "core/app/shared_outputs.h"
#include "core/job/load_diagnostics.h"
#include "core/job/page_item.h"
#include "core/text/codepage.h"
#include "core/text/console_text.h"
#include "windows/headless/headless_output.h"
#include "windows/shell/console_attach.h"
#include "windows/shell/gui_run.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace vexlan;

namespace {

// A page without items would come out as a blank sheet: refused, with why.
int PrintDirect(const CommandLine& cl, const std::string& jobPath, bool jobRead)
{
    if (RefuseEmptyPage(ItemList, jobPath, jobRead))
        return 1;
    return RunPrint(ItemList, cl);
}

// The window-less outputs: load the job as printing would, produce one
// output, release the items.
int RunWithoutWindow(const CommandLine& cl)
{
    LoadDiagnostics warnings;
    // The job beside the executable is found from GetModuleFileName: the
    // name Windows started, whatever the starter passed as argv[0].
    const std::string jobPath = ResolveJobPath(cl.jobPath);
    const bool jobRead = HandOffJob(jobPath, ItemList, cl.keepJob, &warnings);
    PrintJobWarnings(warnings);
    int status = 0;
    if (cl.dumpItems) {
        status = RunDumpItems(ItemList);
    } else if (cl.trace) {
        status = RunTrace(ItemList);
    } else if (!cl.pdfFile.empty()) {
        status = RunPdf(ItemList, cl.pdfFile);
    } else if (!cl.pngFile.empty()) {
        status = RunPng(ItemList, cl.pngFile, cl.dpi);
    } else {
        status = PrintDirect(cl, jobPath, jobRead);
    }
    FreePageItems(ItemList);
    return StatusAfterWarnings(status, cl.strict, warnings);
}

} // namespace

int main(int argc, char** argv)
{
    AttachParentConsole();
    CommandLine cl;
    if (int status = 0; !StartFromCommandLine(argc, argv, cl, status))
        return status;
    // lp's -o options are handed to CUPS; the Windows spooler has no such
    // options (a printer's settings are its driver's).
    if (!cl.printOptions.empty()) {
        WriteConsoleLine("vexlan: -o " + cl.printOptions.front() +
                         ": printer options are CUPS's and Windows has none; choose them in the printer's settings");
        return 2;
    }
    if (cl.Headless() || cl.print)
        return RunWithoutWindow(cl);
    return RunApplication(argc, argv, cl);
}
