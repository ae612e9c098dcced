// The preview widget and its toolbar (see print_preview.h).
#include "linux/shell/print_preview.h"

#include "linux/res/app_strings.h"

#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

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

} // namespace

CPrintPreview::CPrintPreview(std::unique_ptr<QPrinter> printer, QWidget* parent)
    : QWidget(parent), m_pPrinter(std::move(printer))
{
    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("previewToolbar"));
    auto* buttons = new QHBoxLayout(toolbar);
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->setSpacing(4);

    m_pPrint = AddButton("打印(&P)...", AFX_ID_PREVIEW_PRINT, "previewPrint");
    m_pNext = AddButton("下一页(&N)", AFX_ID_PREVIEW_NEXT, "previewNext");
    m_pPrev = AddButton("上一页(&V)", AFX_ID_PREVIEW_PREV, "previewPrev");
    m_pNumPage = AddButton(kTwoPageText, AFX_ID_PREVIEW_NUMPAGE, "previewNumPage");
    m_pZoomIn = AddButton("放大(&I)", AFX_ID_PREVIEW_ZOOMIN, "previewZoomIn");
    m_pZoomOut = AddButton("缩小(&O)", AFX_ID_PREVIEW_ZOOMOUT, "previewZoomOut");
    m_pClose = AddButton("关闭(&C)", AFX_ID_PREVIEW_CLOSE, "previewClose");
    for (QPushButton* b : {m_pPrint, m_pNext, m_pPrev, m_pNumPage, m_pZoomIn, m_pZoomOut, m_pClose})
        buttons->addWidget(b);
    buttons->addStretch(1);

    m_pWidget = new QPrintPreviewWidget(m_pPrinter.get(), this);
    m_pWidget->setObjectName(QStringLiteral("previewWidget"));
    m_pWidget->setViewMode(QPrintPreviewWidget::SinglePageView);
    m_pWidget->setZoomMode(QPrintPreviewWidget::FitInView);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(m_pWidget, 1);

    connect(m_pWidget, &QPrintPreviewWidget::paintRequested, this, &CPrintPreview::paintRequested);
    connect(m_pWidget, &QPrintPreviewWidget::previewChanged, this, &CPrintPreview::UpdateButtons);
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
    UpdateButtons();
}

CPrintPreview::~CPrintPreview()
{
    // The preview widget refers to the printer: it goes first.
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
    return button;
}

void CPrintPreview::OnNextPage()
{
    m_pWidget->setCurrentPage(m_pWidget->currentPage() + 1);
    UpdateButtons();
}

void CPrintPreview::OnPrevPage()
{
    m_pWidget->setCurrentPage(m_pWidget->currentPage() - 1);
    UpdateButtons();
}

void CPrintPreview::OnNumPageChange()
{
    m_bTwoPage = !m_bTwoPage;
    m_pWidget->setViewMode(m_bTwoPage ? QPrintPreviewWidget::FacingPagesView
                                      : QPrintPreviewWidget::SinglePageView);
    ApplyZoom();
    UpdateButtons();
}

void CPrintPreview::OnZoomIn()
{
    if (m_nZoomState == ZOOM_IN)
        return;
    // Closer views show one page, as the whole-page view is the only one
    // that offers two.
    if (m_bTwoPage) {
        m_bTwoPage = false;
        m_pWidget->setViewMode(QPrintPreviewWidget::SinglePageView);
    }
    m_nZoomState = static_cast<ZoomState>(m_nZoomState + 1);
    ApplyZoom();
    UpdateButtons();
}

void CPrintPreview::OnZoomOut()
{
    if (m_nZoomState == ZOOM_OUT)
        return;
    m_nZoomState = static_cast<ZoomState>(m_nZoomState - 1);
    ApplyZoom();
    UpdateButtons();
}

void CPrintPreview::ApplyZoom()
{
    // The steps are relative to the whole page in the current window size.
    m_pWidget->fitInView();
    if (m_nZoomState == ZOOM_OUT)
        return;
    const qreal fit = m_pWidget->zoomFactor();
    m_pWidget->setZoomFactor(fit * (m_nZoomState == ZOOM_MIDDLE ? 2.0 : 4.0));
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
    // A zoom step passes through the whole-page view first: tell the owner
    // once, when the step is done.
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
    const int page = m_pWidget->currentPage();
    const int pages = m_pWidget->pageCount();
    m_pNext->setEnabled(page < pages);
    m_pPrev->setEnabled(page > 1);
    m_pNumPage->setText(QString::fromUtf8(m_bTwoPage ? kOnePageText : kTwoPageText));
    m_pNumPage->setEnabled(m_nZoomState == ZOOM_OUT);
    m_pZoomIn->setEnabled(m_nZoomState != ZOOM_IN);
    m_pZoomOut->setEnabled(m_nZoomState != ZOOM_OUT);
}

} // namespace vexlan
