// SPDX-License-Identifier: MIT
// Print Preview: the page as it will print (Qt's preview widget) under
// Vexlan's own preview toolbar: 打印, 下一页, 上一页, 两页/一页,
// 放大, 缩小, 关闭, and over a status line with the page number and the
// zoom. The widget draws nothing itself: it asks its owner to draw the page
// (pagePaintRequested, once for each page shown), tells its owner the size
// the page has on the screen (viewChanged, PageScale), and hands Print and
// Close (the button or Escape) to its owner, the view, which ends the
// preview.
//
// Zoom: a click on the page zooms in about the point clicked, and from the
// closest view back to the whole page (the pointer shows a magnifier over
// the page); Ctrl+wheel zooms about the pointer (the wheel alone scrolls);
// + and - (also with Ctrl) step, Ctrl+0 shows the whole page; dragging a
// page that is larger than the window moves it. Steps and page numbers are
// PreviewZoom's and PreviewPages'.
#pragma once

#include "core/app/preview_pages.h"
#include "core/app/preview_zoom.h"

#include <QCursor>
#include <QWidget>

#include <memory>

class QGraphicsView;
class QLabel;
class QPainter;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace vexlan {

class CPreviewToolbar;

// The status line's text: "第 1 页  缩放 62%", "第 1-2 页  缩放 48%".
QString PreviewStatusText(const PreviewPages& pages, const PreviewZoom& zoom);

class CPrintPreview : public QWidget {
    Q_OBJECT

public:
    // Takes ownership of the preview's printer (the pass's default printer).
    CPrintPreview(std::unique_ptr<QPrinter> printer, QWidget* parent = nullptr);
    ~CPrintPreview() override;

    QPrintPreviewWidget* GetPreviewWidget() const { return m_pWidget; }
    // The scrolling view inside the preview widget that shows the pages.
    QGraphicsView* GetPageView() const { return m_pView; }
    QPrinter* GetPrinter() const { return m_pPrinter.get(); }

    // Zoom states as the toolbar sees them: the whole page, the closest
    // view, and any view between.
    enum ZoomState { ZOOM_OUT = 0, ZOOM_MIDDLE = 1, ZOOM_IN = 2 };
    ZoomState GetZoomState() const;
    bool IsTwoPage() const { return m_pages.Shown() == 2; }
    const PreviewZoom& GetZoom() const { return m_zoom; }
    const PreviewPages& GetPages() const { return m_pages; }

    // Screen pixels per printer pixel at the current zoom; 0 when unknown.
    double PageScale() const;

signals:
    // Draw the page with `painter` (open on the preview's printer); sent
    // once for each page shown, every one the same page.
    void pagePaintRequested(QPainter* painter);
    // The toolbar's Print and Close buttons; Escape is Close.
    void printRequested();
    void closeRequested();
    // The zoom or the window's size may have changed PageScale(); sent once
    // per round of events, after the changes.
    void viewChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where a point of the view falls: the page's index among those shown
    // and the point in that page's own coordinates.
    struct PagePoint {
        int index = -1; // -1: on no page
        QPointF offset;
    };

    QPushButton* AddButton(const char* text, unsigned nID, const char* objectName);
    void AddShortcut(const QKeySequence& keys, void (CPrintPreview::*handler)());
    void OnWidgetPaint(QPrinter* printer);
    void OnNextPage();
    void OnPrevPage();
    void OnNumPageChange();
    void OnZoomIn();
    void OnZoomOut();
    void OnWholePage();
    // Shows m_zoom's factor, keeping the page point under `anchor` (view
    // pixels) where it is; a closer view shows that one page alone.
    void ApplyZoom(QPointF anchor);
    QPointF ViewCentre() const;
    PagePoint PageAt(QPointF viewPos) const;
    // The whole-page factor for the window's size; applied when the whole
    // page is shown.
    void Refit();
    void SetShownPages(unsigned shown);
    bool OnViewportEvent(QEvent* event);
    void UpdateCursor(QPointF viewPos);
    void UpdateButtons();
    void NoteViewChange();

    // Declared before the widgets so that it outlives them; the preview
    // widget is deleted explicitly in the destructor for the same reason.
    std::unique_ptr<QPrinter> m_pPrinter;
    QPrintPreviewWidget* m_pWidget = nullptr;
    QGraphicsView* m_pView = nullptr;
    QWidget* m_pViewport = nullptr; // m_pView's
    CPreviewToolbar* m_pToolbar = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pPrint = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pPrev = nullptr;
    QPushButton* m_pNumPage = nullptr;
    QPushButton* m_pZoomIn = nullptr;
    QPushButton* m_pZoomOut = nullptr;
    QPushButton* m_pClose = nullptr;
    const QCursor m_zoomInCursor;
    const QCursor m_zoomOutCursor;
    PreviewZoom m_zoom;
    PreviewPages m_pages;
    bool m_bViewChangeQueued = false;
    // A press of the left button on the view: a click unless it moves.
    bool m_bPressed = false;
    bool m_bDragging = false;
    QPoint m_pressPos;
    QPoint m_pressScroll;
};

} // namespace vexlan
