// SPDX-License-Identifier: MIT
// Print Preview: the page as it will print, under the same toolbar as the
// Linux preview: 打印(P)..., 下一页(N), 上一页(V), 两页(T)/一页(O), 放大(I),
// 缩小(O), 关闭(C), each pressed with Alt and its letter, Escape for Close.
// The page area below scrolls when zoomed in. Print and Close are posted to
// the owner (the view) as WM_COMMAND AFX_ID_PREVIEW_PRINT and
// AFX_ID_PREVIEW_CLOSE: the owner ends the preview, never from inside one of
// the preview's own messages.
#pragma once

#include "windows/shell/preview_layout.h"
#include "windows/shell/preview_page.h"
#include "windows/shell/window.h"

#include <memory>
#include <vector>

namespace vexlan {

class CPreviewArea;

class CPrintPreview : public CWindow {
public:
    CPrintPreview(const CPageItemArray& items, const PreviewPaper& paper);
    ~CPrintPreview() override;

    // Creates the preview filling `parent`'s client area.
    bool Create(HWND parent);

    // Keys for the preview before they are dispatched: Alt+letter presses
    // the button with that mnemonic, Escape closes. True when taken.
    bool PreTranslateMessage(const MSG& msg);

    const CPreviewLayout& Layout() const { return m_layout; }

private:
    friend class CPreviewArea;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void CreateButtons();
    void LayoutChildren();
    void UpdateButtons();
    void OnCommand(UINT nID);
    void PaintArea(HDC dc, const WIN_RECT& client);
    int Scaled(int pixels) const;

    struct Button {
        UINT nID;
        HWND hwnd;
        wchar_t mnemonic;
    };

    CPreviewLayout m_layout;
    CPreviewPage m_page;
    std::unique_ptr<CPreviewArea> m_pArea;
    std::vector<Button> m_buttons;
    HFONT m_font = nullptr;
    int m_nToolbarCy = 0;
};

} // namespace vexlan
