// SPDX-License-Identifier: MIT
// The preview widget, its toolbar, its zoom and its status line (see
// print_preview.h).
#include "linux/shell/print_preview.h"

#include "linux/res/app_strings.h"
#include "linux/shell/preview_toolbar.h"
#include "linux/shell/zoom_cursor.h"

#include <QApplication>
#include <QGraphicsItem>
#include <QGraphicsView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vexlan {

namespace {

// A command's prompt: its string-table entry up to the newline.
QString PromptOf(unsigned nID)
{
    const char* entry = FindStringEntry(nID);
    if (entry == nullptr)
        return QString();
    const QString text = QString::fromUtf8(entry);
    return text.left(text.indexOf(QLatin1Char('\n')));
}

const char* const kTwoPageText = "两页(&T)";
const char* const kOnePageText = "一页(&O)";

// The page items of the preview's scene, first page first.
QList<QGraphicsItem*> PageItems(const QGraphicsView* view)
{
    return view->scene() != nullptr ? view->scene()->items(Qt::AscendingOrder) : QList<QGraphicsItem*>();
}

// The paper of a page item in scene coordinates: its bounds less the
// margin of grey the preview widget leaves around it on every side.
QRectF PaperRect(const QGraphicsItem* item)
{
    const QRectF bounds = item->boundingRect();
    const qreal border = -bounds.left();
    return QRectF(item->pos(), bounds.size() - QSizeF(2 * border, 2 * border));
}

} // namespace

QString PreviewStatusText(const PreviewPages& pages, const PreviewZoom& zoom)
{
    const QString page = pages.Shown() == 1
                             ? QString::fromUtf8(kPreviewPageText).arg(pages.First())
                             : QString::fromUtf8(kPreviewPagesText).arg(pages.First()).arg(pages.Last());
    return page + QStringLiteral("  ") + QString::fromUtf8(kPreviewZoomText).arg(zoom.Percent());
}

CPrintPreview::CPrintPreview(std::unique_ptr<QPrinter> printer, QWidget* parent)
    : QWidget(parent), m_pPrinter(std::move(printer)), m_zoomInCursor(ZoomCursor(true)),
      m_zoomOutCursor(ZoomCursor(false))
{
    m_pToolbar = new CPreviewToolbar(this);
    m_pToolbar->setObjectName(QStringLiteral("previewToolbar"));
    m_pPrint = AddButton("打印(&P)...", AFX_ID_PREVIEW_PRINT, "previewPrint");
    m_pNext = AddButton("下一页(&N)", AFX_ID_PREVIEW_NEXT, "previewNext");
    m_pPrev = AddButton("上一页(&V)", AFX_ID_PREVIEW_PREV, "previewPrev");
    m_pNumPage = AddButton(kTwoPageText, AFX_ID_PREVIEW_NUMPAGE, "previewNumPage");
    m_pZoomIn = AddButton("放大(&I)", AFX_ID_PREVIEW_ZOOMIN, "previewZoomIn");
    m_pZoomOut = AddButton("缩小(&O)", AFX_ID_PREVIEW_ZOOMOUT, "previewZoomOut");
    m_pClose = AddButton("关闭(&C)", AFX_ID_PREVIEW_CLOSE, "previewClose");

    // The pages shown (one or two) side by side; this widget fits and zooms
    // them itself, so the preview widget's own fitting stays off.
    m_pWidget = new QPrintPreviewWidget(m_pPrinter.get(), this);
    m_pWidget->setObjectName(QStringLiteral("previewWidget"));
    m_pWidget->setViewMode(QPrintPreviewWidget::AllPagesView);
    m_pView = m_pWidget->findChild<QGraphicsView*>();
    Q_ASSERT(m_pView != nullptr);
    // Dragging and clicking are handled here (a click zooms).
    m_pView->setDragMode(QGraphicsView::NoDrag);
    m_pViewport = m_pView->viewport();
    m_pView->installEventFilter(this);
    m_pViewport->installEventFilter(this);
    m_pViewport->setMouseTracking(true);

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("previewStatus"));
    m_pStatus->setContentsMargins(6, 2, 6, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pToolbar);
    layout->addWidget(m_pWidget, 1);
    layout->addWidget(m_pStatus);

    connect(m_pWidget, &QPrintPreviewWidget::paintRequested, this, &CPrintPreview::OnWidgetPaint);
    connect(m_pWidget, &QPrintPreviewWidget::previewChanged, this, [this] {
        Refit();
        UpdateButtons();
    });
    connect(m_pPrint, &QPushButton::clicked, this, &CPrintPreview::printRequested);
    connect(m_pClose, &QPushButton::clicked, this, &CPrintPreview::closeRequested);
    // Escape closes the preview, as it does in every print preview.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &CPrintPreview::closeRequested);
    connect(m_pNext, &QPushButton::clicked, this, &CPrintPreview::OnNextPage);
    connect(m_pPrev, &QPushButton::clicked, this, &CPrintPreview::OnPrevPage);
    connect(m_pNumPage, &QPushButton::clicked, this, &CPrintPreview::OnNumPageChange);
    connect(m_pZoomIn, &QPushButton::clicked, this, &CPrintPreview::OnZoomIn);
    connect(m_pZoomOut, &QPushButton::clicked, this, &CPrintPreview::OnZoomOut);
    // The zoom keys of desktop viewers; "=" is "+" without Shift.
    for (QKeyCombination keys : {QKeyCombination(Qt::Key_Plus), QKeyCombination(Qt::Key_Equal),
                                 Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal})
        AddShortcut(QKeySequence(keys), &CPrintPreview::OnZoomIn);
    for (QKeyCombination keys : {QKeyCombination(Qt::Key_Minus), Qt::CTRL | Qt::Key_Minus})
        AddShortcut(QKeySequence(keys), &CPrintPreview::OnZoomOut);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &CPrintPreview::OnWholePage);
    UpdateButtons();
}

CPrintPreview::~CPrintPreview()
{
    // The preview widget refers to the printer: it goes first, and tells
    // this widget nothing on its way out.
    m_pView->removeEventFilter(this);
    m_pViewport->removeEventFilter(this);
    delete m_pWidget;
    m_pWidget = nullptr;
}

QPushButton* CPrintPreview::AddButton(const char* text, unsigned nID, const char* objectName)
{
    auto* button = new QPushButton(QString::fromUtf8(text));
    button->setObjectName(QString::fromLatin1(objectName));
    button->setToolTip(PromptOf(nID));
    button->setStatusTip(PromptOf(nID));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    m_pToolbar->AddButton(button);
    return button;
}

void CPrintPreview::AddShortcut(const QKeySequence& keys, void (CPrintPreview::*handler)())
{
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, handler);
}

void CPrintPreview::OnWidgetPaint(QPrinter* printer)
{
    // Each page shown is the same page: the owner draws it once for each.
    QPainter painter;
    if (!painter.begin(printer))
        return;
    for (unsigned i = 0; i < m_pages.Shown(); ++i) {
        if (i > 0 && !printer->newPage())
            break;
        painter.save();
        emit pagePaintRequested(&painter);
        painter.restore();
    }
}

CPrintPreview::ZoomState CPrintPreview::GetZoomState() const
{
    if (m_zoom.IsWholePage())
        return ZOOM_OUT;
    return m_zoom.CanZoomIn() ? ZOOM_MIDDLE : ZOOM_IN;
}

void CPrintPreview::OnNextPage()
{
    m_pages.Next();
    UpdateButtons();
}

void CPrintPreview::OnPrevPage()
{
    m_pages.Prev();
    UpdateButtons();
}

void CPrintPreview::OnNumPageChange()
{
    SetShownPages(m_pages.Shown() == 2 ? 1 : 2);
    m_zoom.WholePage();
    Refit();
    UpdateButtons();
}

void CPrintPreview::OnZoomIn()
{
    if (m_zoom.ZoomIn())
        ApplyZoom(ViewCentre());
}

void CPrintPreview::OnZoomOut()
{
    if (m_zoom.ZoomOut())
        ApplyZoom(ViewCentre());
}

void CPrintPreview::OnWholePage()
{
    m_zoom.WholePage();
    ApplyZoom(ViewCentre());
}

void CPrintPreview::SetShownPages(unsigned shown)
{
    if (shown == m_pages.Shown())
        return;
    m_pages.SetShown(shown);
    // The preview widget asks for the pages again and lays them out.
    m_pWidget->updatePreview();
}

QPointF CPrintPreview::ViewCentre() const
{
    return QRectF(m_pViewport->rect()).center();
}

CPrintPreview::PagePoint CPrintPreview::PageAt(QPointF viewPos) const
{
    const QPointF scenePos = m_pView->mapToScene(viewPos.toPoint());
    const QList<QGraphicsItem*> pages = PageItems(m_pView);
    for (int i = 0; i < pages.size(); ++i) {
        const QRectF paper = PaperRect(pages[i]);
        if (paper.contains(scenePos))
            return PagePoint{i, scenePos - paper.topLeft()};
    }
    return PagePoint{};
}

void CPrintPreview::ApplyZoom(QPointF anchor)
{
    // The point to keep under the anchor, as a place on the page it lies
    // on, or off the first page when it lies on none.
    PagePoint keep = PageAt(anchor);
    const QList<QGraphicsItem*> before = PageItems(m_pView);
    if (keep.index < 0 && !before.isEmpty())
        keep = PagePoint{0, m_pView->mapToScene(anchor.toPoint()) - PaperRect(before.front()).topLeft()};
    // Closer views show one page, the one zoomed into.
    if (!m_zoom.IsWholePage() && m_pages.Shown() == 2) {
        m_pages.ShowOnly(static_cast<unsigned>(std::max(keep.index, 0)));
        keep.index = 0;
        m_pWidget->updatePreview();
    }
    if (m_zoom.IsWholePage()) {
        Refit();
    } else {
        m_pWidget->setZoomFactor(m_zoom.Factor());
        const QList<QGraphicsItem*> pages = PageItems(m_pView);
        if (keep.index >= 0 && keep.index < pages.size()) {
            const QPointF scenePos = PaperRect(pages[keep.index]).topLeft() + keep.offset;
            const QPointF now = m_pView->viewportTransform().map(scenePos);
            QScrollBar* h = m_pView->horizontalScrollBar();
            QScrollBar* v = m_pView->verticalScrollBar();
            h->setValue(h->value() + static_cast<int>(std::lround(now.x() - anchor.x())));
            v->setValue(v->value() + static_cast<int>(std::lround(now.y() - anchor.y())));
        }
    }
    UpdateButtons();
}

void CPrintPreview::Refit()
{
    // QGraphicsView::fitInView's rule: the scene in the view less 2 pixels
    // on each side; the view's size without scroll bars, which a whole page
    // does not need.
    const QRectF scene = m_pView->sceneRect();
    const QSize room = m_pView->contentsRect().size() - QSize(4, 4);
    const int printerDpi = m_pPrinter->logicalDpiY();
    const int screenDpi = m_pWidget->logicalDpiY();
    if (scene.width() <= 0 || scene.height() <= 0 || room.width() <= 0 || room.height() <= 0 || printerDpi <= 0
        || screenDpi <= 0)
        return;
    const double scale = std::min(room.width() / scene.width(), room.height() / scene.height());
    m_zoom.SetFit(scale * printerDpi / screenDpi);
    if (m_zoom.IsWholePage() && std::fabs(m_pWidget->zoomFactor() - m_zoom.Factor()) > 1e-9)
        m_pWidget->setZoomFactor(m_zoom.Factor());
}

bool CPrintPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pView && event->type() == QEvent::Resize) {
        // The view's own handling follows this; the new transform is in
        // place by then.
        Refit();
        UpdateButtons();
        return false;
    }
    if (watched == m_pViewport)
        return OnViewportEvent(event);
    return QWidget::eventFilter(watched, event);
}

bool CPrintPreview::OnViewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        m_bPressed = true;
        m_bDragging = false;
        m_pressPos = e->position().toPoint();
        m_pressScroll = QPoint(m_pView->horizontalScrollBar()->value(), m_pView->verticalScrollBar()->value());
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint pos = e->position().toPoint();
        if (m_bPressed && (e->buttons() & Qt::LeftButton)) {
            if (!m_bDragging && (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
                m_bDragging = true;
                m_pViewport->setCursor(Qt::ClosedHandCursor);
            }
            if (m_bDragging) {
                const QPoint moved = pos - m_pressPos;
                m_pView->horizontalScrollBar()->setValue(m_pressScroll.x() - moved.x());
                m_pView->verticalScrollBar()->setValue(m_pressScroll.y() - moved.y());
            }
            return true;
        }
        UpdateCursor(e->position());
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !m_bPressed)
            return false;
        const bool click = !m_bDragging;
        m_bPressed = false;
        m_bDragging = false;
        if (click && PageAt(e->position()).index >= 0) {
            m_zoom.Click();
            ApplyZoom(e->position());
        }
        UpdateCursor(e->position());
        return true;
    }
    case QEvent::Wheel: {
        // Ctrl+wheel zooms about the pointer; the wheel alone scrolls, as
        // the view does by itself.
        auto* e = static_cast<QWheelEvent*>(event);
        if (!(e->modifiers() & Qt::ControlModifier))
            return false;
        if (m_zoom.Wheel(e->angleDelta().y()))
            ApplyZoom(e->position());
        return true;
    }
    default:
        return false;
    }
}

void CPrintPreview::UpdateCursor(QPointF viewPos)
{
    if (PageAt(viewPos).index >= 0)
        m_pViewport->setCursor(m_zoom.CanZoomIn() ? m_zoomInCursor : m_zoomOutCursor);
    else
        m_pViewport->unsetCursor();
}

double CPrintPreview::PageScale() const
{
    // The preview widget's zoom factor counts printer inches per screen
    // inch; its view scales printer pixels by this.
    const int printerDpi = m_pPrinter->logicalDpiY();
    if (printerDpi <= 0)
        return 0;
    return m_pWidget->zoomFactor() * m_pWidget->logicalDpiY() / printerDpi * m_pWidget->devicePixelRatioF();
}

void CPrintPreview::NoteViewChange()
{
    // A zoom step may pass through other views first: tell the owner once,
    // when the step is done.
    if (m_bViewChangeQueued)
        return;
    m_bViewChangeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bViewChangeQueued = false;
            emit viewChanged();
        },
        Qt::QueuedConnection);
}

void CPrintPreview::UpdateButtons()
{
    NoteViewChange();
    m_pNext->setEnabled(m_pages.CanNext());
    m_pPrev->setEnabled(m_pages.CanPrev());
    const QString numText = QString::fromUtf8(m_pages.Shown() == 2 ? kOnePageText : kTwoPageText);
    if (m_pNumPage->text() != numText) {
        m_pNumPage->setText(numText);
        m_pToolbar->Relayout();
    }
    m_pNumPage->setEnabled(m_zoom.IsWholePage());
    m_pZoomIn->setEnabled(m_zoom.CanZoomIn());
    m_pZoomOut->setEnabled(m_zoom.CanZoomOut());
    m_pStatus->setText(PreviewStatusText(m_pages, m_zoom));
}

} // namespace vexlan
