// SPDX-License-Identifier: MIT
// The preview's toolbar: its buttons in one row from the left, as many as
// the width allows; the rest go behind an extension button ("»") at the
// right end whose menu offers them with their texts, mnemonics and enabled
// states. So the window can be made as narrow as the user likes, and no
// button is ever drawn clipped.
#pragma once

#include <QWidget>

#include <vector>

class QMenu;
class QPushButton;
class QToolButton;

namespace vexlan {

// How many of the leading buttons of `widths` (in pixels, `spacing` apart)
// fit in `available` pixels: all of them when they all fit, else as many as
// leave room for the extension button of `extensionWidth` after them.
int ButtonsThatFit(const std::vector<int>& widths, int spacing, int available, int extensionWidth);

class CPreviewToolbar : public QWidget {
    Q_OBJECT

public:
    explicit CPreviewToolbar(QWidget* parent = nullptr);

    // Adds a button at the right end of the row; the toolbar takes it.
    void AddButton(QPushButton* button);
    // Lays the row out again (after a button's text has changed).
    void Relayout();

    QToolButton* GetExtensionButton() const { return m_pExtension; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillMenu();

    std::vector<QPushButton*> m_buttons;
    QToolButton* m_pExtension = nullptr;
    QMenu* m_pMenu = nullptr;
    int m_shown = 0; // leading buttons in the row
};

} // namespace vexlan
