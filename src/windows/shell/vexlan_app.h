// SPDX-License-Identifier: MIT
// CVexlanApp: the application object of the windowed run. InitInstance
// hands the job off (reads it into ItemList and deletes it) before any
// window exists, then builds the frame and its view, enters Print Preview
// and shows the frame maximized; Run is the message loop (accelerators and
// the preview's keys first), which ends when the frame is destroyed. Its
// destructor releases the item list.
#pragma once

#include "core/app/command_line.h"
#include "core/job/load_diagnostics.h"
#include "windows/base/windows_api.h"

#include <memory>
#include <string>

namespace vexlan {

class CMainFrame;

class CVexlanApp {
public:
    explicit CVexlanApp(const CommandLine& cl);
    ~CVexlanApp();
    CVexlanApp(const CVexlanApp&) = delete;
    CVexlanApp& operator=(const CVexlanApp&) = delete;

    // Start-up. True when the message loop is to run; false when the shell
    // could not be built (GetExitCode then says 1).
    bool InitInstance();
    // The message loop, until the frame is destroyed; returns the status.
    int Run();

    // The application's commands: About, New, Exit, and the inert defaults
    // for Open, Print Setup, the edit and the pane commands. False for a
    // command it does not know.
    bool OnCmdMsg(UINT nID);

    // 0 success; 1 when a pass could not be prepared or printed; 3 instead
    // of 0 with --strict when the job gave warnings.
    int GetExitCode() const;

private:
    void OnAppAbout();
    void OnFileNew();

    CommandLine m_cl;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    HACCEL m_hAccel = nullptr;
    int m_nExitCode = 0;
    LoadDiagnostics m_warnings;
};

} // namespace vexlan
