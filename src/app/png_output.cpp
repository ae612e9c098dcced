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
#include <future>

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

    // Two bands: one is painted while the other is encoded on a second
    // thread (painting and compressing take about as long as each other).
    QImage bands[2];
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    for (QImage& band : bands) {
        band = QImage(width, bandRows, QImage::Format_RGB32);
        if (band.isNull()) {
            error = "not enough memory for a band of " + std::to_string(width) + " pixels";
            return false;
        }
        band.setDotsPerMeterX(dotsPerMeter);
        band.setDotsPerMeterY(dotsPerMeter);
    }

    CPngStreamWriter png([&file](const void* data, std::size_t size) { return file.Write(data, size); });
    const auto writeFailed = [&] {
        error = file.Error().empty() ? "the PNG encoder failed" : file.Error();
        return false;
    };
    if (!png.Begin(uint32_t(width), uint32_t(height), uint32_t(dotsPerMeter)))
        return writeFailed();
    std::future<bool> encoding; // joins (in its destructor) before png goes
    try {
        // The page is laid out once; each band paints what touches it.
        CPainterDC page(QRect(-origin.x(), -origin.y(), width, height), dpi);
        RenderPage(&page, items);
        for (int top = 0, k = 0; top < height; top += bandRows, ++k) {
            const int rows = std::min(bandRows, height - top);
            QImage& band = bands[k % 2];
            band.fill(Qt::white);
            QPainter painter(&band);
            painter.translate(origin.x(), origin.y() - top);
            page.PaintHeld(painter, QRectF(-origin.x(), top - origin.y(), width, rows));
            painter.end();
            if (encoding.valid() && !encoding.get())
                return writeFailed();
            encoding = std::async(std::launch::async, [&png, &band, rows] {
                for (int r = 0; r < rows; ++r) {
                    if (!png.WriteRow(reinterpret_cast<const uint32_t*>(band.constScanLine(r))))
                        return false;
                }
                return true;
            });
        }
    } catch (const std::exception&) {
        error = "the page could not be drawn completely (out of memory)";
        return false;
    }
    if (encoding.valid() && !encoding.get())
        return writeFailed();
    return png.Finish() || writeFailed();
}

} // namespace vexlan
