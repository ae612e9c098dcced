// SPDX-License-Identifier: MIT
// The painter surface's held operations: each queued with the pixels it
// may touch and those it covers, then drawn in order by PaintHeld (and
// Flush), leaving out what later opaque drawing covers and clipping what is
// partly covered on an image.
#include "linux/surface/painter_dc.h"

#include "linux/surface/hairline_track.h"
#include "linux/surface/pdf_sink.h"

#include <QPainter>
#include <QVarLengthArray>

#include <algorithm>

namespace vexlan {

namespace {

// Most lines drawn as one path.
constexpr int kMaxJoinedLines = 256;
// Held operations before a text that are looked at for what lies beneath
// its background; past this many, the background is drawn.
constexpr std::size_t kMaxBeneath = 2048;

} // namespace

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

std::vector<bool> CPainterDC::BareBackgrounds() const
{
    std::vector<bool> bare(m_held.size(), false);
    std::vector<QRect> drawn; // inks of the visible operations so far
    const std::size_t n = std::min(m_held.size(), kMaxBeneath);
    drawn.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto [kind, index] = m_held[i];
        if (kind == Kind::Text && !m_texts[index].fill.isEmpty()) {
            // A pixel of room: inks are whole device pixels, the box is not.
            const QRect box = m_texts[index].fill.adjusted(-1, -1, 1, 1).toAlignedRect();
            bare[i] = std::none_of(drawn.begin(), drawn.end(), [&](const QRect& ink) { return ink.intersects(box); });
        }
        if (m_verdicts[i].visible && !m_queue.Ink(i).isEmpty())
            drawn.push_back(m_queue.Ink(i));
    }
    return bare;
}

void CPainterDC::PaintHeld(QPainter& painter, const QRectF& area)
{
    if (Cancelled())
        return;
    // Whether held operation i shows in `area` (a hairline's open
    // stretches on an image aside).
    const auto shows = [&](std::size_t i) {
        const COcclusionQueue::Verdict& verdict = m_verdicts[i];
        return verdict.partly ? verdict.part.intersects(area.toAlignedRect()) : QRectF(m_queue.Ink(i)).intersects(area);
    };
    // On a PDF, lines that follow each other with one solid pen are
    // stroked as one path (a frame's four sides): the same marks, one
    // operation. Its page starts white, so a text's white background is
    // left out where nothing was drawn beneath it.
    const bool pdf = dynamic_cast<CPdfSink*>(painter.device()) != nullptr;
    // A PDF keeps every visible operation whole: only whether each shows
    // is asked.
    if (m_verdicts.size() != m_held.size() || m_verdictsCut != !pdf) {
        m_verdicts = m_queue.Decide(!pdf);
        m_verdictsCut = !pdf;
    }
    const std::vector<bool> bare = pdf ? BareBackgrounds() : std::vector<bool>(m_held.size(), false);
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
        if (!shows(i))
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
            PaintText(painter, m_texts[index], !bare[i]);
        } else if (kind == Kind::Image) {
            PaintImage(painter, m_images[index], area);
        } else if (const QPen& pen = m_lines[index].pen;
                   pdf && pen.style() == Qt::SolidLine && pen.color().alpha() == 255) {
            // Opaque and solid: where the lines overlap, one stroke paints
            // what two would.
            QVarLengthArray<QLineF, 8> lines{m_lines[index].line};
            while (i + 1 < m_held.size() && lines.size() < kMaxJoinedLines && m_held[i + 1].first == Kind::Line &&
                   m_verdicts[i + 1].visible && !m_verdicts[i + 1].inImage && shows(i + 1) &&
                   m_lines[m_held[i + 1].second].pen == pen) {
                ++i;
                lines.append(m_lines[m_held[i].second].line);
            }
            painter.setPen(pen);
            painter.drawLines(lines.constData(), int(lines.size()));
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
