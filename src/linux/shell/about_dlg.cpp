// SPDX-License-Identifier: MIT
// The About box (see about_dlg.h).
#include "linux/shell/about_dlg.h"

#include "linux/res/app_strings.h"

#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace vexlan {

DialogBaseUnits GetDialogBaseUnits(const QFontMetrics& fm)
{
    // The average width of the 52 Latin letters, rounded to the nearest
    // pixel, as dialog templates measure it.
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogBaseUnits base;
    base.cx = (width / 26 + 1) / 2;
    base.cy = fm.height();
    return base;
}

QRect MapDialogRect(const QRect& du, DialogBaseUnits base)
{
    const auto mx = [&](int v) { return v * base.cx / 4; };
    const auto my = [&](int v) { return v * base.cy / 8; };
    return QRect(mx(du.x()), my(du.y()), mx(du.width()), my(du.height()));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QString::fromUtf8(kAboutCaption));
    setModal(true);
    QFont font(QString::fromUtf8("宋体"));
    font.setPointSize(9);
    setFont(font);
    const DialogBaseUnits base = GetDialogBaseUnits(QFontMetrics(font));
    setFixedSize(MapDialogRect(QRect(0, 0, 235, 55), base).size());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/idr_mainframe_32.png")).pixmap(32, 32));
    // A static icon keeps its image's size at the given position.
    const QRect iconRect = MapDialogRect(QRect(11, 17, 20, 20), base);
    icon->setGeometry(QRect(iconRect.topLeft(), QSize(32, 32)));

    auto* version = new QLabel(QString::fromUtf8(kAboutVersionLine), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(MapDialogRect(QRect(40, 10, 119, 8), base));

    auto* notice = new QLabel(QString::fromUtf8(kLegalNotice), this);
    notice->setObjectName(QStringLiteral("aboutNotice"));
    notice->setTextFormat(Qt::PlainText);
    notice->setGeometry(MapDialogRect(QRect(40, 25, 119, 8), base));

    auto* ok = new QPushButton(QString::fromUtf8(kAboutOkText), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    ok->setGeometry(MapDialogRect(QRect(178, 7, 50, 14), base));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace vexlan
