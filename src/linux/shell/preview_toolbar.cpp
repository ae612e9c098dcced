// SPDX-License-Identifier: MIT
// The preview's toolbar with its extension button (see preview_toolbar.h).
#include "linux/shell/preview_toolbar.h"

#include "linux/res/app_strings.h"

#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolButton>

#include <algorithm>

namespace vexlan {

namespace {

constexpr int kMargin = 4;
constexpr int kSpacing = 4;

} // namespace

int ButtonsThatFit(const std::vector<int>& widths, int spacing, int available, int extensionWidth)
{
    long long all = 0;
    for (size_t i = 0; i < widths.size(); ++i)
        all += widths[i] + (i > 0 ? spacing : 0);
    if (all <= available)
        return static_cast<int>(widths.size());
    int count = 0;
    long long used = extensionWidth;
    for (int w : widths) {
        used += w + spacing;
        if (used > available)
            break;
        ++count;
    }
    return count;
}

CPreviewToolbar::CPreviewToolbar(QWidget* parent) : QWidget(parent)
{
    m_pExtension = new QToolButton(this);
    m_pExtension->setObjectName(QStringLiteral("previewMore"));
    m_pExtension->setText(QStringLiteral("»"));
    m_pExtension->setToolTip(QString::fromUtf8(kPreviewMoreText));
    m_pExtension->setPopupMode(QToolButton::InstantPopup);
    m_pExtension->setAutoRaise(true);
    m_pMenu = new QMenu(m_pExtension);
    m_pExtension->setMenu(m_pMenu);
    connect(m_pMenu, &QMenu::aboutToShow, this, &CPreviewToolbar::FillMenu);
    m_pExtension->hide();
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void CPreviewToolbar::AddButton(QPushButton* button)
{
    button->setParent(this);
    m_buttons.push_back(button);
    Relayout();
}

QSize CPreviewToolbar::sizeHint() const
{
    int width = kMargin;
    int height = m_pExtension->sizeHint().height();
    for (QPushButton* b : m_buttons) {
        width += b->sizeHint().width() + kSpacing;
        height = std::max(height, b->sizeHint().height());
    }
    return QSize(width + kMargin, height + 2 * kMargin);
}

QSize CPreviewToolbar::minimumSizeHint() const
{
    return QSize(m_pExtension->sizeHint().width() + 2 * kMargin, sizeHint().height());
}

void CPreviewToolbar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CPreviewToolbar::Relayout()
{
    std::vector<int> widths;
    for (QPushButton* b : m_buttons)
        widths.push_back(b->sizeHint().width());
    const QSize extension = m_pExtension->sizeHint();
    const int available = width() - 2 * kMargin;
    m_shown = ButtonsThatFit(widths, kSpacing, available, extension.width());
    const int rowHeight = height() - 2 * kMargin;
    int x = kMargin;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        QPushButton* b = m_buttons[i];
        if (static_cast<int>(i) >= m_shown) {
            b->hide();
            continue;
        }
        b->setGeometry(x, kMargin, widths[i], rowHeight);
        b->show();
        x += widths[i] + kSpacing;
    }
    const bool overflow = m_shown < static_cast<int>(m_buttons.size());
    if (overflow)
        m_pExtension->setGeometry(width() - kMargin - extension.width(), kMargin, extension.width(), rowHeight);
    m_pExtension->setVisible(overflow);
    updateGeometry();
}

void CPreviewToolbar::FillMenu()
{
    // The buttons hidden now, in their order, as they are now: the menu is
    // built each time it opens.
    m_pMenu->clear();
    for (size_t i = static_cast<size_t>(m_shown); i < m_buttons.size(); ++i) {
        QPushButton* b = m_buttons[i];
        QAction* action = m_pMenu->addAction(b->text());
        action->setObjectName(b->objectName());
        action->setEnabled(b->isEnabled());
        action->setStatusTip(b->statusTip());
        connect(action, &QAction::triggered, b, &QPushButton::click);
    }
}

} // namespace vexlan
