// SPDX-License-Identifier: MIT
// CAboutDlg: the About box (dialog 100). Laid out in dialog units from its
// font ("宋体", 9 points) as the dialog resource gives it: the icon, the
// version line, the legal notice and the default button "确定".
#pragma once

#include <QDialog>
#include <QRect>

class QFontMetrics;

namespace vexlan {

// Dialog units to pixels for a dialog font: x units are a quarter of the
// font's average character width, y units an eighth of its height.
struct DialogBaseUnits {
    int cx = 0;
    int cy = 0;
};
DialogBaseUnits GetDialogBaseUnits(const QFontMetrics& fm);
QRect MapDialogRect(const QRect& rcDialogUnits, DialogBaseUnits base);

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // Constructed without a parent window: the box stands on its own.
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace vexlan
