// SPDX-License-Identifier: MIT
// A page that draws one place a hundred thousand times: a text block of
// 100,000 two-character lines in a rectangle 8,000 units wide and 10 high
// (every line falls into the first slot at the default height, stretched to
// an average width of 4,000 units). Rendered into a 150 dpi image, and
// recorded at 1200 dpi on a vector device then replayed at screen size, as
// the print preview does.
#include "core/job/page_item.h"
#include "linux/surface/painter_dc.h"
#include "linux/surface/page_painter.h"
#include "core/render/page_renderer.h"

#include "qt_bench_main.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace vexlan;

namespace {

CPageItemArray& Page()
{
    static CPageItemArray page = [] {
        std::string text;
        uint32_t seed = 7;
        for (int i = 0; i < 100000; ++i) {
            for (int k = 0; k < 2; ++k)
                text += char('A' + (seed = seed * 1103515245u + 12345u) % 26);
            text += '\n';
        }
        PageItem block;
        block.nType = ITEM_TEXTBLOCK;
        block.rcItem = {0, 0, 8000, 10};
        SetItemFace(block, "Arial");
        block.pszBlock = new char[text.size() + 1];
        std::memcpy(block.pszBlock, text.c_str(), text.size() + 1);
        block.nLineCount = 100000;
        block.nMaxLineLen = 2;
        CPageItemArray list;
        list.Add(block);
        return list;
    }();
    return page;
}

void BM_StretchedBlockToImage150Dpi(benchmark::State& state)
{
    QImage image(1240, 1754, QImage::Format_RGB32); // A4 at 150 dpi
    image.setDotsPerMeterX(5906);
    image.setDotsPerMeterY(5906);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        PaintPage(painter, Page());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_StretchedBlockToImage150Dpi)->Unit(benchmark::kMillisecond);

void BM_StretchedBlockPreview(benchmark::State& state)
{
    QImage screen(700, 990, QImage::Format_RGB32); // A4 at about 85 dpi
    for (auto _ : state) {
        QPicture picture;
        picture.setBoundingRect(QRect(0, 0, 9921, 14031)); // A4 at 1200 dpi
        {
            QPainter recorder(&picture);
            CPainterDC dc(recorder, 1200, 1200);
            RenderPage(&dc, Page());
        }
        screen.fill(Qt::white);
        QPainter painter(&screen);
        painter.scale(700.0 / 9921, 990.0 / 14031);
        painter.drawPicture(0, 0, picture);
        painter.end();
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(BM_StretchedBlockPreview)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return vexlan::RunQtBenchmarks(argc, argv, [] { FreePageItems(Page()); });
}
