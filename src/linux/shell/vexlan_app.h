// SPDX-License-Identifier: MIT
// CVexlanApp: the application object. It drives the QApplication that
// gui_run creates: InitInstance hands the job off (reads it into ItemList
// and deletes it) before any window exists, then builds the shell (document,
// main frame, view) and shows the frame maximized in Print Preview; Run is
// the message loop, which ends when the main frame closes. Its destructor
// releases the item list. With --print there is no shell: InitInstance
// prints the page once on the default or named printer and ends (a page
// without items is refused: no blank sheet).
#pragma once

#include "core/app/command_line.h"
#include "core/job/load_diagnostics.h"
#include "core/base/wintypes.h"

#include <QObject>
#include <QString>
#include <QTranslator>

#include <functional>
#include <memory>

namespace vexlan {

class CMainFrame;
class CVexlanDoc;

class CVexlanApp : public QObject {
    Q_OBJECT

public:
    // A QApplication must exist for as long as this object.
    explicit CVexlanApp(const CommandLine& cl);
    ~CVexlanApp() override;
    CVexlanApp(const CVexlanApp&) = delete;
    CVexlanApp& operator=(const CVexlanApp&) = delete;

    // Start-up. Returns true when the message loop is to run (the main
    // window is shown); false when the application ends at once: after a
    // --print pass, or when the shell could not be built. GetExitCode then
    // gives the process status.
    bool InitInstance();

    // The message loop, until the main frame has closed. Destroys the frame
    // (and the view) before it returns the process status.
    int Run();

    // The application's commands: About, New, Open, Print Setup, Exit, and
    // the framework's inert defaults for the edit and pane commands. Returns
    // false for a command the application does not know.
    bool OnCmdMsg(UINT nID);

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    CVexlanDoc* GetDocument() const { return m_pDoc.get(); }

    // 0 success; 1 when a pass could not be prepared or printed (an unknown
    // printer, no printer for --print, an empty page for --print, a job that
    // could not be started);
    // 3 instead of 0 with --strict when the job gave warnings.
    int GetExitCode() const;

private:
    void HandOff();
    // The hand-off's parts: StartHandOff settles what the reading needs and
    // returns the reading itself (run on any thread: it touches no Qt
    // object), EndHandOff prints what it found (on the main thread).
    std::function<void()> StartHandOff();
    void EndHandOff();
    void InitFramework();
    bool InitShell();
    int PrintDirect();

    void OnAppAbout();
    void OnAppExit();
    void OnFileNew();
    void OnPrintFailed(const QString& message);
    void OnMainFrameClosed();

    CommandLine m_cl;
    QTranslator m_qtTranslator;
    bool m_bTranslatorInstalled = false;
    std::unique_ptr<CVexlanDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    int m_nExitCode = 0;
    LoadDiagnostics m_warnings; // about the job, printed when it is read
    std::string m_jobPath;      // the job's path, as resolved at start-up
    bool m_bJobRead = false;    // a job file was opened and read
};

} // namespace vexlan
