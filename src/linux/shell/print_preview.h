// Print Preview: the page as it will print (Qt's preview widget) under
// Vexlan's own preview toolbar: 打印, 下一页, 上一页, 两页/一页,
// 放大, 缩小, 关闭. The widget draws nothing itself: it asks for the page
// through paintRequested, tells its owner the size the page has on the
// screen (viewChanged, PageScale), and hands Print and Close (the button or
// Escape) to its owner, the view, which ends the preview.
#pragma once

#include <QWidget>

#include <memory>

class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace vexlan {

class CPrintPreview : public QWidget {
    Q_OBJECT

public:
    // Takes ownership of the preview's printer (the pass's default printer).
    CPrintPreview(std::unique_ptr<QPrinter> printer, QWidget* parent = nullptr);
    ~CPrintPreview() override;

    QPrintPreviewWidget* GetPreviewWidget() const { return m_pWidget; }
    QPrinter* GetPrinter() const { return m_pPrinter.get(); }

    // Zoom steps: whole page, then two steps closer.
    enum ZoomState { ZOOM_OUT = 0, ZOOM_MIDDLE = 1, ZOOM_IN = 2 };
    ZoomState GetZoomState() const { return m_nZoomState; }
    bool IsTwoPage() const { return m_bTwoPage; }

    // Screen pixels per printer pixel at the current zoom; 0 when unknown.
    double PageScale() const;

signals:
    // The preview needs the page drawn on `printer` (the preview's device).
    void paintRequested(QPrinter* printer);
    // The toolbar's Print and Close buttons; Escape is Close.
    void printRequested();
    void closeRequested();
    // The zoom or the window's size may have changed PageScale(); sent once
    // per round of events, after the changes.
    void viewChanged();

private:
    QPushButton* AddButton(const char* text, unsigned nID, const char* objectName);
    void OnNextPage();
    void OnPrevPage();
    void OnNumPageChange();
    void OnZoomIn();
    void OnZoomOut();
    void ApplyZoom();
    void UpdateButtons();
    void NoteViewChange();

    // Declared before the widgets so that it outlives them; the preview
    // widget is deleted explicitly in the destructor for the same reason.
    std::unique_ptr<QPrinter> m_pPrinter;
    QPrintPreviewWidget* m_pWidget = nullptr;
    QPushButton* m_pPrint = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pPrev = nullptr;
    QPushButton* m_pNumPage = nullptr;
    QPushButton* m_pZoomIn = nullptr;
    QPushButton* m_pZoomOut = nullptr;
    QPushButton* m_pClose = nullptr;
    ZoomState m_nZoomState = ZOOM_OUT;
    bool m_bTwoPage = false;
    bool m_bViewChangeQueued = false;
};

} // namespace vexlan
