// SPDX-License-Identifier: MIT
// CMainFrame: the main window, titled 打印输出, with the menu bar of one
// command item (退出(X)) and the icon from the resources, no toolbar and no
// status bar; its client area is the view. Commands go to the view first,
// then to the application. Closing it while the preview is shown closes the
// preview (the exit timer then ends the program); while a page is printing
// it stays.
#pragma once

#include "windows/shell/window.h"

#include <memory>

namespace vexlan {

class CVexlanApp;
class CVexlanView;

class CMainFrame : public CWindow {
public:
    explicit CMainFrame(CVexlanApp& app);
    ~CMainFrame() override;

    // Creates the frame window (not yet shown) and its view.
    bool LoadFrame();
    CVexlanView* GetActiveView() const { return m_pView.get(); }

    // Routes a command: the view, then the application.
    bool OnCommand(UINT nID);

private:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnClose();

    CVexlanApp& m_app;
    std::unique_ptr<CVexlanView> m_pView;
};

} // namespace vexlan
