// The print preview's drawing of a job's page, timed, without a window:
//   record  the page drawn through the painter surface onto a QPicture at
//           printer resolution (A4 at 1200 dpi), as the preview's printer
//           records it;
//   replay  that picture played back into an image of screen size (A4 at
//           about 85 dpi), as the preview widget shows it;
//   screen  the page drawn through the painter surface straight into an
//           image of that screen size.
// Prints one line: the seconds of each step and the peak resident set of
// the process after loading and at the end. A step is left out when the
// job names it in SKIP (for example SKIP=replay).
//
// usage: preview_page_bench JOB.set
// bench/hostile_pages.sh runs it for each page when it is given its path.
#include "job/job_reader.h"
#include "job/page_item.h"
#include "platform/qt/painter_dc.h"
#include "view/page_renderer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

using namespace vexlan;

namespace {

constexpr int kPrinterDpi = 1200;
constexpr QSize kPrinterPage(9921, 14031); // A4 at 1200 dpi
constexpr QSize kScreenPage(700, 990);

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

    QElapsedTimer timer;
    double record = -1, replay = -1, screen = -1;
    QImage image(kScreenPage, QImage::Format_RGB32);
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
            painter.scale(double(kScreenPage.width()) / kPrinterPage.width(),
                          double(kScreenPage.height()) / kPrinterPage.height());
            painter.drawPicture(0, 0, picture);
            replay = timer.nsecsElapsed() / 1e9;
        }
    }
    if (!Skipped("screen")) {
        timer.start();
        image.fill(Qt::white);
        QPainter painter(&image);
        Render(painter, kPrinterDpi * double(kScreenPage.width()) / kPrinterPage.width());
        screen = timer.nsecsElapsed() / 1e9;
    }
    std::printf("record %.2f s  replay %.2f s  screen %.2f s  peak after loading %.0f MiB, at the end %.0f MiB\n",
                record, replay, screen, loaded, PeakMiB());
    FreePageItems(ItemList);
    return 0;
}
