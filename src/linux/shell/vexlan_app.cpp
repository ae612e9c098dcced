// SPDX-License-Identifier: MIT
// The application object (see vexlan_app.h).
#include "linux/shell/vexlan_app.h"

#include "linux/shell/about_dlg.h"
#include "linux/shell/face_check.h"
#include "linux/shell/load_progress.h"
#include "linux/res/app_strings.h"
#include "core/app/command_ids.h"
#include "core/app/job_handoff.h"
#include "core/app/job_warnings.h"
#include "core/app/shared_outputs.h"
#include "linux/shell/main_frame.h"
#include "linux/shell/vexlan_doc.h"
#include "core/job/page_item.h"
#include "core/text/console_text.h"
#include "core/job/image_loader.h"
#include "linux/print/print_pass.h"
#include "linux/shell/vexlan_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdio>
#include <optional>
#include <string>
#include <thread>

// The icons are compiled into the app library; a static library needs its
// resources registered by hand.
static void InitVexlanResources()
{
    Q_INIT_RESOURCE(vexlan);
}

namespace vexlan {

CVexlanApp::CVexlanApp(const CommandLine& cl) : m_cl(cl)
{
    InitVexlanResources();
}

CVexlanApp::~CVexlanApp()
{
    // The frame and its view go first (the view kills an armed timer), then
    // the document; the items are released last, while ItemList still lives.
    m_pMainWnd.reset();
    m_pDoc.reset();
    if (m_bTranslatorInstalled)
        QCoreApplication::removeTranslator(&m_qtTranslator);
    FreePageItems(ItemList);
}

bool CVexlanApp::InitInstance()
{
    if (m_cl.print) {
        m_nExitCode = PrintDirect();
        return false;
    }
    HandOff();
    InitFramework();
    if (!InitShell()) {
        m_nExitCode = 1;
        return false;
    }
    return true;
}

void CVexlanApp::HandOff()
{
    // The job is read and deleted before the main window exists; the
    // window's run shows that the job is being read when that takes a
    // while.
    RunShowingLoadProgress(StartHandOff());
    EndHandOff();
}

std::function<void()> CVexlanApp::StartHandOff()
{
    m_jobPath = ResolveJobPath(m_cl.jobPath);
    // Printing takes the pictures' JPEG data as it is, and the preview
    // shows them at a fraction of their size: their pixels are made when
    // drawn, at the size drawn.
    SetPixelsOnDemand(true, !m_cl.print);
    return [this] { m_bJobRead = HandOffJob(m_jobPath, ItemList, m_cl.keepJob, &m_warnings); };
}

void CVexlanApp::EndHandOff()
{
    PrintJobWarnings(m_warnings);
    WarnUnmatchedFaces(ItemList, m_warnings);
}

void CVexlanApp::InitFramework()
{
    // Every text a user sees is simplified Chinese, Qt's own dialogs
    // included.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    if (m_qtTranslator.load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_bTranslatorInstalled = QCoreApplication::installTranslator(&m_qtTranslator);

    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QGuiApplication::setApplicationDisplayName(LoadString(AFX_IDS_APP_TITLE));
    // The program ends through its Exit command, not when a window closes.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/idr_mainframe_32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/idr_mainframe_16.png"), QSize(16, 16));
    QApplication::setWindowIcon(icon);
}

bool CVexlanApp::InitShell()
{
    // The single-document template: document, frame, view. The command line
    // asks for a new document, which creates all three; the view's first
    // update enters Print Preview before the frame is shown.
    m_pDoc = std::make_unique<CVexlanDoc>();
    m_pMainWnd = std::make_unique<CMainFrame>(this, m_pDoc.get());
    if (!m_pMainWnd->LoadFrame())
        return false;
    connect(m_pMainWnd.get(), &CMainFrame::frameClosed, this, &CVexlanApp::OnMainFrameClosed);
    CVexlanView* view = m_pMainWnd->GetActiveView();
    view->SetPrinterName(QString::fromStdString(m_cl.printer));
    connect(view, &CVexlanView::printFailed, this, &CVexlanApp::OnPrintFailed);

    if (!m_pDoc->OnNewDocument())
        return false;
    m_pDoc->SetTitle(GetDocString(fileNewName));
    m_pMainWnd->InitialUpdateFrame();

    m_pMainWnd->showMaximized();
    m_pMainWnd->repaint();
    return true;
}

int CVexlanApp::PrintDirect()
{
    // The job is read (plain C++, no Qt) on a thread of its own while this
    // one chooses the printer and lays out its page, which asks the
    // scheduler and sends it nothing. The job's warnings and every refusal
    // come after the reading, in the order they always had.
    std::optional<CDirectPrinter> printer;
    {
        std::jthread reader(StartHandOff());
        InitFramework();
        DirectPrint job;
        job.printer = QString::fromStdString(m_cl.printer);
        job.copies = m_cl.copies;
        // The title as typed (UTF-8, the only character set IPP job names take).
        job.title = QString::fromLocal8Bit(m_cl.title);
        job.options = m_cl.printOptions;
        printer.emplace(job);
        // Qt reads the system's font configuration once, when the first
        // font is looked up: done here, while the job is still being read,
        // it is not done while the page is drawn.
        QFontDatabase::families();
    }
    EndHandOff();
    // A page without items would come out as a blank sheet: refused, with
    // why (the job's own warnings, printed above, say more). The preview
    // still shows an empty page; the user sees it there.
    if (RefuseEmptyPage(ItemList, m_jobPath, m_bJobRead))
        return 1;
    QString error;
    if (!printer->Print(ItemList, error)) {
        WriteConsoleLine("vexlan: " + ConsoleText(error.toStdString()));
        return 1;
    }
    return 0;
}

int CVexlanApp::Run()
{
    if (!m_pMainWnd)
        return GetExitCode();
    QApplication::exec();
    m_pMainWnd.reset();
    return GetExitCode();
}

int CVexlanApp::GetExitCode() const
{
    return StatusAfterWarnings(m_nExitCode, m_cl.strict, m_warnings);
}

bool CVexlanApp::OnCmdMsg(UINT nID)
{
    switch (nID) {
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_APP_EXIT:
        OnAppExit();
        return true;
    case ID_FILE_NEW:
        OnFileNew();
        return true;
    case ID_FILE_OPEN:
        // The document carries nothing: there is nothing to open into it.
    case ID_FILE_PRINT_SETUP:
        // Each pass chooses its printer itself (the print dialog).
    case ID_EDIT_UNDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        // No window of the shell edits anything or has panes.
        return true;
    default:
        return false;
    }
}

void CVexlanApp::OnAppAbout()
{
    CAboutDlg aboutDlg;
    aboutDlg.exec();
}

void CVexlanApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->close();
}

void CVexlanApp::OnFileNew()
{
    // The one document is renewed in place; its title stays empty and the
    // view gets its first update again (a preview that is shown stays).
    if (!m_pDoc || !m_pMainWnd || !m_pDoc->OnNewDocument())
        return;
    m_pDoc->SetTitle(GetDocString(fileNewName));
    m_pMainWnd->InitialUpdateFrame();
}

void CVexlanApp::OnPrintFailed(const QString& message)
{
    WriteConsoleLine("vexlan: " + ConsoleText(message.toStdString()));
    m_nExitCode = 1;
}

void CVexlanApp::OnMainFrameClosed()
{
    QCoreApplication::exit(m_nExitCode);
}

} // namespace vexlan
