// SPDX-License-Identifier: MIT
// vexlan: entry point. Parses the command line, then either produces a
// window-less output (item dump, trace, PDF, PNG) or runs the application.
#include "core/app/command_line.h"
#include "core/app/program_start.h"
#include "linux/shell/face_check.h"
#include "linux/shell/gui_run.h"
#include "linux/headless/headless_output.h"
#include "core/app/job_handoff.h"
#include "core/app/job_warnings.h"
#include "linux/shell/qt_startup.h"
#include "core/job/image_loader.h"
#include "core/app/shared_outputs.h"
#include "core/job/page_item.h"
#include "core/text/codepage.h"
#include "core/text/console_text.h"
#include "linux/print/page_setup.h"
#include "linux/print/printer_choice.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vexlan;

namespace {

// The window-less outputs: load the job as printing would, produce one
// output, release the items.
int RunHeadless(int argc, char** argv, const CommandLine& cl)
{
    LoadDiagnostics warnings;
    // The trace and the item list never look at a picture's pixels, a PDF
    // takes the JPEG data as it is, and a PNG often shows a picture smaller:
    // the pixels are made when drawn, at the size drawn.
    // (An item's rectangle is in hundredths of a millimetre.)
    SetPixelsOnDemand(true, !cl.pngFile.empty(), cl.pngFile.empty() ? 0 : cl.dpi / 2540.0);
    HandOffJob(ResolveJobPath(cl.jobPath, argc > 0 ? argv[0] : nullptr), ItemList, cl.keepJob, &warnings);
    PrintJobWarnings(warnings);
    int status = 0;
    if (cl.dumpItems) {
        status = RunDumpItems(ItemList);
    } else {
        // Fonts and painting need a Qt application; no window is shown, so
        // the offscreen platform always serves: an inherited xcb or wayland
        // setting must not make a run without a display fail.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Qt's own diagnostics stay off stderr; ours are the only lines.
        InstallQtMessageFilter(true);
        QApplication app(argc, argv);
        QtStarted();
        WarnUnmatchedFaces(ItemList, warnings);
        if (cl.trace) {
            status = RunTrace(ItemList);
        } else if (const DefaultPrinterCheck printer = CheckDefaultPrinter(); !printer.error.isEmpty()) {
            // The page is the printer's: a queue named but missing, or one
            // that cannot be asked for, is no reason to use another paper
            // quietly.
            WriteConsoleLine("vexlan: " + ConsoleText(printer.error.toStdString()));
            status = 1;
        } else {
            if (!printer.warning.isEmpty())
                WriteConsoleLine("vexlan: warning: " + ConsoleText(printer.warning.toStdString()));
            status = !cl.pdfFile.empty() ? RunPdf(ItemList, cl.pdfFile) : RunPng(ItemList, cl.pngFile, cl.dpi);
        }
    }
    FreePageItems(ItemList);
    return StatusAfterWarnings(status, cl.strict, warnings);
}

} // namespace

int main(int argc, char** argv)
{
    CommandLine cl;
    if (int status = 0; !StartFromCommandLine(argc, argv, cl, status))
        return status;
    // Before any thread starts: an empty LPDEST or PRINTER means unset.
    ForgetEmptyPrinterVariables();
    if (cl.Headless())
        return RunHeadless(argc, argv, cl);
    return RunApplication(argc, argv, cl);
}
