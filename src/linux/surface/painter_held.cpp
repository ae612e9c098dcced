// SPDX-License-Identifier: MIT
// The painter surface's held operations: each queued with the pixels it
// may touch and those it covers, then drawn in order by PaintHeld (and
// Flush), leaving out what later opaque drawing covers and clipping what is
// partly covered on an image.
#include "linux/surface/painter_dc.h"

#include "linux/surface/hairline_track.h"

#include <QPainter>

namespace vexlan {

void CPainterDC::Hold(Kind kind, std::size_t index, const QRectF& ink, const QRect& opaque,
                      const COcclusionQueue::LineKey* line, const COcclusionQueue::Track* track)
{
    // On an image every pixel the ink touches counts. A vector device (a
    // PDF, a printer, the preview's recording) is judged on its own pixel
    // grid with the ink's edges rounded: a sliver under half a device pixel
    // (1/2400 inch in a PDF) is below what it resolves.
    m_queue.Add(m_raster ? OuterPixels(ink) : RoundedPixels(ink), opaque, line, track);
    m_held.emplace_back(kind, index);
}

void CPainterDC::Flush()
{
    if (m_painter == nullptr)
        return;
    // Cleared first: an exception while drawing leaves nothing held.
    struct Clear {
        CPainterDC& dc;
        ~Clear() { dc.DropHeld(); }
    } clear{*this};
    PaintHeld(*m_painter, DeviceBounds());
}

void CPainterDC::DropHeld() noexcept
{
    m_held.clear();
    m_texts.clear();
    m_heldRunGlyphs = 0;
    m_images.clear();
    m_lines.clear();
    m_queue.Clear();
    m_verdicts.clear();
}

void CPainterDC::PaintHeld(QPainter& painter, const QRectF& area)
{
    if (Cancelled())
        return;
    if (m_verdicts.size() != m_held.size())
        m_verdicts = m_queue.Decide();
    painter.save();
    SetUpPainter(painter);
    for (std::size_t i = 0; i < m_held.size() && !Cancelled(); ++i) {
        const COcclusionQueue::Verdict& verdict = m_verdicts[i];
        if (!verdict.visible)
            continue;
        const auto [kind, index] = m_held[i];
        if (verdict.inImage) {
            // A hairline's open stretches, filled in the image's own pixels
            // (the pixels Qt's line would paint there).
            painter.save();
            painter.resetTransform();
            const QRect shown = m_toImage.mapRect(area).toAlignedRect();
            for (const QRect& stretch : verdict.part)
                painter.fillRect(stretch.intersected(shown), m_lines[index].pen.color());
            painter.restore();
            continue;
        }
        if (verdict.partly ? !verdict.part.intersects(area.toAlignedRect()) : !QRectF(m_queue.Ink(i)).intersects(area))
            continue;
        // On an image, a partly covered text or line is drawn only where it
        // can show (a vector device keeps whole operations; Qt samples a
        // clipped image differently, so images are drawn whole).
        if (kind == Kind::Line && verdict.partly && m_raster && verdict.part.rectCount() == 1 &&
            PaintHairlinePart(painter, m_lines[index].pen, m_lines[index].line, verdict.part.boundingRect()))
            continue;
        const bool clip = verdict.partly && m_raster && kind != Kind::Image;
        if (clip) {
            painter.save();
            painter.setClipRegion(verdict.part, Qt::IntersectClip);
        }
        if (kind == Kind::Text) {
            PaintText(painter, m_texts[index]);
        } else if (kind == Kind::Image) {
            PaintImage(painter, m_images[index], area);
        } else {
            painter.setPen(m_lines[index].pen);
            painter.drawLine(m_lines[index].line);
        }
        if (clip)
            painter.restore();
    }
    painter.restore();
}


} // namespace vexlan
