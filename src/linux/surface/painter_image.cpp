// SPDX-License-Identifier: MIT
// The painter surface's pictures: StretchDIBits (the source pixels that
// land on the device, held back) and a held picture drawn: from its JPEG
// data on a PDF, sampled at the device's own pixels, or converted and
// scaled by Qt. A picture decoded only when drawn (pending_pixels.h) is
// decoded at the fraction of its size the drawing shows.
#include "linux/surface/painter_dc.h"

#include "core/dib/pending_pixels.h"
#include "core/job/image_loader.h"
#include "linux/surface/dib_pixels.h"
#include "linux/surface/pdf_sink.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vexlan {

int CPainterDC::StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                              int hSrc, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop)
{
    if (bits == nullptr || bmi == nullptr || usage != DIB_RGB_COLORS)
        return 0;
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    const int bpp = h.biBitCount;
    if (h.biCompression != BI_RGB || (bpp != 8 && bpp != 24 && bpp != 32) || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biHeight == INT32_MIN || wSrc == 0 || hSrc == 0 || wDest == 0 ||
        hDest == 0)
        return 0;
    if (rop != SRCCOPY && rop != NOTSRCCOPY)
        return 0;
    const int imageW = h.biWidth;
    const int imageH = h.biHeight > 0 ? h.biHeight : -h.biHeight;

    // The source rectangle in top-down image coordinates. The image's top
    // row goes to yDest and its left column to xDest; the image is mirrored
    // when, on the device, its far edge lies left of (or above) that corner,
    // and again for a negative source size.
    bool mirrorX = wSrc < 0;
    bool mirrorY = hSrc < 0;
    int64_t sx0 = wSrc > 0 ? xSrc : int64_t(xSrc) + wSrc;
    int64_t sw = wSrc > 0 ? wSrc : -int64_t(wSrc);
    int64_t sy0 = hSrc > 0 ? ySrc : int64_t(ySrc) + hSrc;
    int64_t sh = hSrc > 0 ? hSrc : -int64_t(hSrc);
    if (h.biHeight > 0)
        sy0 = imageH - sy0 - sh; // bottom-up: source y counts from the last row

    // The destination on the device; source pixel (i, j) covers the cell
    // [d.left + i*cellW, ...) of `dest`.
    const QPointF a = ToDevice(xDest, yDest);
    const QPointF b(RoundPx((int64_t(xDest) + wDest) * PixelsPerUnitX()),
                    RoundPx((int64_t(yDest) + hDest) * PixelsPerUnitY()));
    if (a.x() > b.x())
        mirrorX = !mirrorX;
    if (a.y() > b.y())
        mirrorY = !mirrorY;
    ImageOp op;
    op.dest = QRectF(a, b).normalized();
    if (op.dest.width() <= 0 || op.dest.height() <= 0)
        return 0;
    op.bmi = bmi;
    op.bits = static_cast<const uint8_t*>(bits);
    op.invert = rop == NOTSRCCOPY;
    op.mirrorX = mirrorX, op.mirrorY = mirrorY;
    op.smooth = m_stretchMode == HALFTONE;
    op.sx0 = sx0, op.sy0 = sy0, op.sw = sw, op.sh = sh;
    op.imageW = imageW, op.imageH = imageH;
    const ImageCut cut = CutOut(op, DeviceBounds());
    if (cut.empty())
        return 0;
    m_images.push_back(op);
    // A scaled image certainly covers the whole pixels inside its target.
    Hold(Kind::Image, m_images.size() - 1, cut.target, InnerPixels(cut.target));
    Prefetch(op);
    return static_cast<int>(sh);
}

void CPainterDC::Prefetch(const ImageOp& op)
{
    // The preview paints on one thread, and a page of large photos would
    // have them decoded one after another when painted: they are decoded
    // meanwhile, as the page is read, on as many threads as pictures load on.
    if (!m_scaledRaster || op.smooth || m_prefetched.count(op.bits) != 0)
        return;
    const int shift = JpgReduction(m_toImage.m11() * op.dest.width() / double(op.sw),
                                   m_toImage.m22() * op.dest.height() / double(op.sh));
    if (!PicturePixelsToMake(op.bits, shift))
        return;
    try {
        m_prefetched.insert(op.bits);
        if (m_prefetches.size() >= ImageDecodeThreads()) {
            m_prefetches.front().wait();
            m_prefetches.pop_front();
        }
        m_prefetches.push_back(std::async(std::launch::async, [bits = op.bits, shift] {
            if (shift > 0)
                PendingPicturePixelsAtLeast(bits, shift);
            else
                MakePicturePixels(bits);
        }));
    } catch (const std::exception&) {
        // No thread (or no memory for one): the picture is decoded when drawn.
    }
}

CPainterDC::ImageCut CPainterDC::CutOut(const ImageOp& op, const QRectF& area)
{
    // Only the source pixels that land in the area (and inside the image).
    ImageCut cut;
    const QRectF visible = op.dest.intersected(area);
    if (visible.isEmpty())
        return cut;
    const double cellW = op.dest.width() / double(op.sw);
    const double cellH = op.dest.height() / double(op.sh);
    auto span = [](double lo, double hi, double origin, double cell, int64_t n, bool mirror) {
        int64_t i0 = static_cast<int64_t>(std::floor((lo - origin) / cell));
        int64_t i1 = static_cast<int64_t>(std::ceil((hi - origin) / cell));
        i0 = std::clamp<int64_t>(i0, 0, n);
        i1 = std::clamp<int64_t>(i1, 0, n);
        if (mirror) // cell k on the device shows source pixel n-1-k
            return std::pair<int64_t, int64_t>(n - i1, n - i0);
        return std::pair<int64_t, int64_t>(i0, i1);
    };
    auto [c0, c1] = span(visible.left(), visible.right(), op.dest.left(), cellW, op.sw, op.mirrorX);
    auto [r0, r1] = span(visible.top(), visible.bottom(), op.dest.top(), cellH, op.sh, op.mirrorY);
    // Clip to the image itself.
    const int64_t col0 = std::clamp<int64_t>(op.sx0 + c0, 0, op.imageW);
    const int64_t col1 = std::clamp<int64_t>(op.sx0 + c1, 0, op.imageW);
    const int64_t row0 = std::clamp<int64_t>(op.sy0 + r0, 0, op.imageH);
    const int64_t row1 = std::clamp<int64_t>(op.sy0 + r1, 0, op.imageH);
    if (col0 >= col1 || row0 >= row1)
        return cut;
    // Where the cut-out lands: its cells measured from the matching edge.
    const int64_t k0 = op.mirrorX ? op.sw - (col1 - op.sx0) : col0 - op.sx0;
    const int64_t l0 = op.mirrorY ? op.sh - (row1 - op.sy0) : row0 - op.sy0;
    cut.col0 = int(col0), cut.col1 = int(col1), cut.row0 = int(row0), cut.row1 = int(row1);
    cut.target = QRectF(op.dest.left() + k0 * cellW, op.dest.top() + l0 * cellH, (col1 - col0) * cellW,
                        (row1 - row0) * cellH);
    return cut;
}

void CPainterDC::PaintImage(QPainter& painter, const ImageOp& op, const QRectF& area)
{
    // A PDF takes a whole picture from the producer's JPEG data, when known
    // (the device draws it in place of this image, inverted if need be).
    auto* sink = dynamic_cast<CPdfSink*>(painter.device());
    if (sink != nullptr && op.sx0 == 0 && op.sy0 == 0 && op.sw == op.imageW && op.sh == op.imageH &&
        sink->ExpectStoredJpeg(op.bits, QSize(op.imageW, op.imageH), op.mirrorX, op.mirrorY, op.invert)) {
        QImage placeholder(1, 1, QImage::Format_RGB32);
        placeholder.fill(Qt::white);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, op.smooth);
        painter.drawImage(op.dest, placeholder);
        painter.restore();
        sink->ExpectNothing();
        return;
    }
    // On pixels, a picture without smoothing is sampled at the device's own
    // pixels when it lands on them one to one (this surface drawing an
    // image) or when the painter shrinks it (the preview): only the pixels
    // shown are converted, not the whole source.
    const QTransform t = painter.combinedTransform();
    const bool onPixels = painter.paintEngine() != nullptr && painter.paintEngine()->type() == QPaintEngine::Raster &&
                          painter.device() != nullptr && t.type() <= QTransform::TxScale && t.m11() > 0 && t.m22() > 0;
    const bool shrinks = t.m11() * op.dest.width() < double(op.sw) || t.m22() * op.dest.height() < double(op.sh);
    if (onPixels && !op.smooth && (m_raster || shrinks)) {
        PaintSampled(painter, op, area);
        return;
    }
    const ImageCut cut = CutOut(op, m_raster ? area.intersected(DeviceBounds()) : DeviceBounds());
    if (cut.empty())
        return;
    MakePicturePixels(op.bits);
    const QImage part = DibRegion(DibPixels(*op.bmi, op.bits, op.invert), cut.col0, cut.col1, cut.row0, cut.row1,
                                  [this] { return Cancelled(); });
    if (part.isNull())
        return; // given up
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, op.smooth);
    painter.drawImage(cut.target, op.mirrorX || op.mirrorY ? part.mirrored(op.mirrorX, op.mirrorY) : part);
    painter.restore();
}

void CPainterDC::PaintSampled(QPainter& painter, const ImageOp& op, const QRectF& area)
{
    // Each device pixel shows the source pixel under its centre, found from
    // the whole destination in exact integer arithmetic, so that an image
    // painted in pieces (the bands of a large PNG) joins without a seam.
    // (Qt's scaler steps through the source in fixed point from where its
    // drawing is clipped, and the pieces would differ by a pixel here and
    // there.) `dest` has whole-pixel edges (ToDevice rounds); the painter
    // maps it to the device by a scale and a translation, through which a
    // device pixel's centre is taken back in steps of 2^-20 of a pixel
    // (exactly under a whole-pixel translation).
    const QTransform t = painter.combinedTransform();
    const QPaintDevice& device = *painter.device();
    const QRectF shown = t.mapRect(op.dest.intersected(area).intersected(DeviceBounds()))
                             .intersected(QRectF(0, 0, device.width(), device.height()));
    if (shown.isEmpty())
        return;
    // The device pixels whose centres lie in it.
    const int left = int(std::ceil(shown.left() - 0.5)), right = int(std::ceil(shown.right() - 0.5));
    const int top = int(std::ceil(shown.top() - 0.5)), bottom = int(std::ceil(shown.bottom() - 0.5));
    // The image column (row) device column x (row y) shows, or -1 when its
    // source pixel lies outside the image (nothing is drawn there). The
    // product takes up to 96 bits.
    constexpr int64_t kSteps = int64_t(1) << 20;
    const auto source = [](int at, double scale, double shift, double origin, double extent, int64_t n,
                           bool mirror, int64_t first, int size) {
        const double centre = (at + 0.5 - shift) / scale * kSteps;
        if (!(std::fabs(centre) < 0x1p62))
            return -1;
        const __int128 offset = __int128(std::llround(centre)) - __int128(int64_t(origin)) * kSteps;
        const int64_t k = int64_t(offset * n / (__int128(int64_t(extent)) * kSteps));
        const int64_t i = first + (mirror ? n - 1 - k : k);
        return k >= 0 && k < n && i >= 0 && i < size ? int(i) : -1;
    };
    const auto shownSpan = [](std::vector<int>& into, int from, int to, auto&& at) {
        int first = -1, last = -1;
        for (int x = from; x < to; ++x) {
            into.push_back(at(x));
            if (into.back() >= 0) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        return std::pair<int, int>(first, last);
    };
    std::vector<int> cols, rows;
    const auto [x0, x1] = shownSpan(cols, left, right, [&](int x) {
        return source(x, t.m11(), t.dx(), op.dest.left(), op.dest.width(), op.sw, op.mirrorX, op.sx0, op.imageW);
    });
    const auto [y0, y1] = shownSpan(rows, top, bottom, [&](int y) {
        return source(y, t.m22(), t.dy(), op.dest.top(), op.dest.height(), op.sh, op.mirrorY, op.sy0, op.imageH);
    });
    if (x0 < 0 || y0 < 0)
        return;
    QImage sampled(x1 - x0 + 1, y1 - y0 + 1, QImage::Format_RGB32);
    if (sampled.isNull())
        throw std::bad_alloc();
    // A picture not decoded yet, shown at half its size or less, is decoded
    // at the smallest fraction that still has a pixel for every pixel shown,
    // and each device pixel shows the one covering its source pixel.
    std::shared_ptr<const ScaledJpg> scaled;
    if (const int shift = JpgReduction(t.m11() * op.dest.width() / double(op.sw),
                                         t.m22() * op.dest.height() / double(op.sh));
        shift > 0)
        scaled = PendingPicturePixelsAtLeast(op.bits, shift);
    if (scaled) {
        for (int& c : cols)
            c = c < 0 ? c : c >> scaled->shift;
        for (int& r : rows)
            r = r < 0 ? r : r >> scaled->shift;
    } else {
        MakePicturePixels(op.bits);
    }
    const DibPixels dib = scaled ? DibPixels(scaled->Info(), scaled->pixels.data(), op.invert)
                                 : DibPixels(*op.bmi, op.bits, op.invert);
    for (int y = y0; y <= y1; ++y) {
        if ((y - y0) % kRowsBetweenChecks == 0 && Cancelled())
            return;
        dib.Pick(dib.Row(rows[std::size_t(y - top)]), cols.data() + (x0 - left), sampled.width(),
                 reinterpret_cast<QRgb*>(sampled.scanLine(y - y0)));
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(QPoint(x0, y0), sampled);
    painter.restore();
}

} // namespace vexlan
