// SPDX-License-Identifier: MIT
// The print preview's drawing of a job's page, timed, without a window:
//   screen  the page as the preview draws it (RenderPreviewImage): in
//           printer pixels at printer resolution (A4 at 1200 dpi), onto an
//           image of screen size (A4 at about 85 dpi) through a scaled
//           painter;
//   record  the page drawn through the painter surface onto a QPicture at
//           printer resolution, a vector device as the print spool is;
//   replay  that picture played back into the screen-size image, the way
//           the preview showed pages before it drew them into an image
//           (Qt crashes replaying glyphs that the shrinking stretches, so
//           hostile_pages.sh leaves it out).
// Prints one line: the seconds of each step and the peak resident set of
// the process after loading and at the end. A step is left out when SKIP
// names it (for example SKIP=replay); SCREEN=N makes the page N pixels
// wide on the screen (default 700, a zoomed preview up to 6144).
//
// usage: preview_page_bench JOB.set
// bench/hostile_pages.sh runs it for each page when it is given its path.
#include "core/job/job_reader.h"
#include "core/job/page_item.h"
#include "linux/surface/painter_dc.h"
#include "core/render/page_renderer.h"
#include "linux/surface/preview_image.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

using namespace vexlan;

namespace {

constexpr int kPrinterDpi = 1200;
constexpr QSize kPrinterPage(9921, 14031); // A4 at 1200 dpi

double PeakMiB()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024;
}

bool Skipped(const char* step)
{
    const char* skip = std::getenv("SKIP");
    return skip != nullptr && std::strstr(skip, step) != nullptr;
}

// Renders the page through a painter surface at `dpi` on `painter`.
void Render(QPainter& painter, double dpi)
{
    CPainterDC dc(painter, dpi, dpi);
    RenderPage(&dc, ItemList);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s JOB.set\n", argv[0]);
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    LoadPrintJob(argv[1], ItemList);
    const double loaded = PeakMiB();

    const char* screenWidth = std::getenv("SCREEN");
    const double scale = (screenWidth != nullptr ? std::atof(screenWidth) : 700.0) / kPrinterPage.width();
    const QSize screenPage = (QSizeF(kPrinterPage) * scale).toSize();
    QElapsedTimer timer;
    double record = -1, replay = -1, screen = -1;
    QImage image(screenPage, QImage::Format_RGB32);
    if (!Skipped("record")) {
        timer.start();
        QPicture picture;
        picture.setBoundingRect(QRect(QPoint(0, 0), kPrinterPage));
        {
            QPainter recorder(&picture);
            Render(recorder, kPrinterDpi);
        }
        record = timer.nsecsElapsed() / 1e9;
        if (!Skipped("replay")) {
            timer.start();
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(scale, scale);
            painter.drawPicture(0, 0, picture);
            replay = timer.nsecsElapsed() / 1e9;
        }
    }
    if (!Skipped("screen")) {
        timer.start();
        const std::atomic<bool> cancel{false};
        const PreviewImage shown =
            RenderPreviewImage(ItemList, PreviewPrinter{kPrinterPage, kPrinterDpi, kPrinterDpi}, scale, cancel);
        screen = shown.image.isNull() ? -1 : timer.nsecsElapsed() / 1e9;
    }
    std::printf("record %.2f s  replay %.2f s  screen %.2f s  peak after loading %.0f MiB, at the end %.0f MiB\n",
                record, replay, screen, loaded, PeakMiB());
    FreePageItems(ItemList);
    return 0;
}
