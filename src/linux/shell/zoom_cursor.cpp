// SPDX-License-Identifier: MIT
// The magnifier cursor (see zoom_cursor.h).
#include "linux/shell/zoom_cursor.h"

#include <QPainter>
#include <QPixmap>

namespace vexlan {

QCursor ZoomCursor(bool bIn)
{
    constexpr int kSide = 32;
    constexpr QPointF kCentre(12.5, 12.5);
    constexpr qreal kRadius = 9;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        // The handle, then the lens: white under black, so that the cursor
        // shows on the page and on the grey around it.
        for (const auto& [colour, width] : {std::pair{QColor(Qt::white), 6.0}, std::pair{QColor(Qt::black), 3.5}}) {
            p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(19.5, 19.5), QPointF(28, 28));
        }
        p.setPen(QPen(Qt::white, 4));
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(kCentre, kRadius, kRadius);
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(kCentre, kRadius, kRadius);
        p.drawLine(QPointF(8, 12.5), QPointF(17, 12.5));
        if (bIn)
            p.drawLine(QPointF(12.5, 8), QPointF(12.5, 17));
    }
    return QCursor(pixmap, static_cast<int>(kCentre.x()), static_cast<int>(kCentre.y()));
}

} // namespace vexlan
