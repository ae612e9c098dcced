// WritePagePng: the page recorded once on a painter surface, painted band
// by band into CPngStreamWriter.
#include "app/png_output.h"

#include "app/png_stream_writer.h"
#include "platform/atomic_file.h"
#include "platform/qt/painter_dc.h"
#include "view/page_renderer.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vexlan {

bool WritePagePng(const CPageItemArray& items, QSize pixels, QPoint origin, int dpi, CAtomicFile& file,
                  std::string& error, int bandRows)
{
    const int width = pixels.width(), height = pixels.height();
    if (width < 1 || height < 1 || dpi < 1) {
        error = "empty page";
        return false;
    }
    if (bandRows <= 0)
        bandRows = static_cast<int>(std::max<std::size_t>(1, kPngBandPixels / std::size_t(width)));
    bandRows = std::min(bandRows, height);

    QImage band(width, bandRows, QImage::Format_RGB32);
    if (band.isNull()) {
        error = "not enough memory for a band of " + std::to_string(width) + " pixels";
        return false;
    }
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    band.setDotsPerMeterX(dotsPerMeter);
    band.setDotsPerMeterY(dotsPerMeter);

    CPngStreamWriter png([&file](const void* data, std::size_t size) { return file.Write(data, size); });
    const auto writeFailed = [&] {
        error = file.Error().empty() ? "the PNG encoder failed" : file.Error();
        return false;
    };
    if (!png.Begin(uint32_t(width), uint32_t(height), uint32_t(dotsPerMeter)))
        return writeFailed();
    try {
        // The page is laid out once; each band paints what touches it.
        CPainterDC page(QRect(-origin.x(), -origin.y(), width, height), dpi);
        RenderPage(&page, items);
        for (int top = 0; top < height; top += bandRows) {
            const int rows = std::min(bandRows, height - top);
            band.fill(Qt::white);
            QPainter painter(&band);
            painter.translate(origin.x(), origin.y() - top);
            page.PaintHeld(painter, QRectF(-origin.x(), top - origin.y(), width, rows));
            painter.end();
            for (int r = 0; r < rows; ++r) {
                if (!png.WriteRow(reinterpret_cast<const uint32_t*>(band.constScanLine(r))))
                    return writeFailed();
            }
        }
    } catch (const std::exception&) {
        error = "the page could not be drawn completely (out of memory)";
        return false;
    }
    return png.Finish() || writeFailed();
}

} // namespace vexlan
