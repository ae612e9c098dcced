// SPDX-License-Identifier: MIT
// PaintPage: the page renderer on a painter surface over a Qt paint device.
#include "linux/surface/page_painter.h"

#include "linux/surface/painter_dc.h"
#include "core/render/page_renderer.h"

#include <QPainter>

#include <exception>

namespace vexlan {

bool PaintPage(QPainter& painter, const CPageItemArray& items)
{
    CPainterDC dc(painter);
    try {
        RenderPage(&dc, items);
        dc.Flush();
        return true;
    } catch (const std::exception&) {
        // An allocation failure or a pen that could not be made ends the
        // page here; what was drawn stays. Qt's event handlers must not see
        // an exception, so it stops at this boundary.
        return false;
    }
}

} // namespace vexlan
