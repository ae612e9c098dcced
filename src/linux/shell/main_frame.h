// SPDX-License-Identifier: MIT
// CMainFrame: the main window. A menu bar with the one command item
// "退出(&X)", the keyboard accelerators, no toolbar and no status bar; the
// client area holds the view (and, inside it, the Print Preview). Commands
// reach it as actions or as posted command events and are routed view,
// document, application.
#pragma once

#include "core/base/wintypes.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QRect>

#include <vector>

namespace vexlan {

class CVexlanApp;
class CVexlanDoc;
class CVexlanView;

// One entry of the accelerator table.
struct Accelerator {
    QKeySequence keys;
    UINT nID;
};

// The accelerator table (resource 128), in the table's order.
const std::vector<Accelerator>& AcceleratorTable();

// The frame's normal (restored) place on a screen whose free area is
// `available`: two thirds of it each way, centred. The frame is shown
// maximized; this is where it goes when restored, and what it keeps where
// no window manager maximizes it.
QRect NormalFrameGeometry(const QRect& available);

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // `pApp` receives the commands that neither the view nor the document
    // takes; `pDoc` is the frame's document. Neither is owned.
    CMainFrame(CVexlanApp* pApp, CVexlanDoc* pDoc);
    ~CMainFrame() override;

    // Builds the window: menu bar, accelerators, icon, the view in the
    // client area. Returns false when the window cannot be created.
    bool LoadFrame();

    // The framework's first update: the caption, then the view's first
    // update (which enters Print Preview).
    void InitialUpdateFrame();

    // Sets the caption from the document's title and the application title.
    void OnUpdateFrameTitle();

    // Routes a command: the view, then the document, then the application.
    // Returns false when none of them takes it.
    bool OnCommand(UINT nID);

    CVexlanView* GetActiveView() const { return m_pView; }
    CVexlanDoc* GetActiveDocument() const { return m_pDoc; }

signals:
    // The frame accepted a close: the application ends.
    void frameClosed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool PreCreateWindow();
    int OnCreate();

    CVexlanApp* m_pApp;
    CVexlanDoc* m_pDoc;
    CVexlanView* m_pView = nullptr;
};

} // namespace vexlan
