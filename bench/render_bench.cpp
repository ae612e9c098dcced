// SPDX-License-Identifier: MIT
// Rendering a 1,000-item page (text lines, images, text blocks and frames in
// equal shares, spread over A4) onto the trace surface and into a 300 dpi
// image through the painter surface.
#include "core/job/page_item.h"
#include "core/dib/image_block.h"
#include "core/render/trace_dc.h"
#include "linux/surface/page_painter.h"
#include "core/render/page_renderer.h"

#include "qt_bench_main.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

using namespace vexlan;

namespace {

PageItem MakeImage(RECT rc, int i)
{
    const int w = 64, h = 48;
    const std::size_t stride = DibRowBytes(w, 24);
    auto* bmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(sizeof(BITMAPINFO)));
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = w;
    bmi->bmiHeader.biHeight = h;
    bmi->bmiHeader.biBitCount = 24;
    auto* bits = static_cast<uint8_t*>(ImageBlockAlloc(stride * h));
    for (std::size_t k = 0; k < stride * h; ++k)
        bits[k] = static_cast<uint8_t>(k * 7 + i);
    PageItem item;
    item.nType = ITEM_IMAGE;
    item.rcItem = rc;
    item.pBmi = bmi;
    item.pBits = bits;
    item.bKeepAspect = i & 1;
    item.bInvert = (i >> 1) & 1;
    return item;
}

// 1,000 items on a 20 x 50 grid of 1000 x 580 unit cells.
CPageItemArray& Page()
{
    static CPageItemArray page = [] {
        CPageItemArray list;
        static const char kBlock[] = "发货单 No. 2026-1207\n品名：打印纸 A4 80g\nTotal: 1,280.00 CNY";
        for (int i = 0; i < 1000; ++i) {
            const int col = i % 20, row = i / 20;
            const RECT rc{col * 1000 + 50, row * 580 + 40, col * 1000 + 950, row * 580 + 540};
            PageItem item;
            item.rcItem = rc;
            switch (i % 4) {
            case 0:
                item.nType = ITEM_TEXT;
                SetItemText(item, i % 8 ? "Vexlan 打印输出" : "Left aligned, Arial");
                SetItemFace(item, i % 8 ? "宋体" : "Arial");
                item.nAlign = i % 3;
                break;
            case 1:
                item = MakeImage(rc, i);
                break;
            case 2:
                item.nType = ITEM_TEXTBLOCK;
                SetItemFace(item, "黑体");
                item.pszBlock = new char[sizeof kBlock];
                std::memcpy(item.pszBlock, kBlock, sizeof kBlock);
                item.nLineCount = 3;
                item.nMaxLineLen = 21;
                break;
            default:
                item.nType = ITEM_FRAME;
                item.nPenWidth = (i / 4) % 3 * 10;
                item.crColor = 0x00FF0000u >> (i % 17);
                break;
            }
            list.Add(item);
        }
        return list;
    }();
    return page;
}

void BM_RenderToTrace(benchmark::State& state)
{
    const CPageItemArray& page = Page();
    for (auto _ : state) {
        CTraceDC dc;
        RenderPage(&dc, page);
        benchmark::DoNotOptimize(dc.Lines().data());
    }
    state.SetItemsProcessed(state.iterations() * page.GetSize());
}
BENCHMARK(BM_RenderToTrace)->Unit(benchmark::kMillisecond);

void BM_RenderToImage300Dpi(benchmark::State& state)
{
    const CPageItemArray& page = Page();
    QImage image(2480, 3508, QImage::Format_RGB32); // A4 at 300 dpi
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        PaintPage(painter, page);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * page.GetSize());
}
BENCHMARK(BM_RenderToImage300Dpi)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return vexlan::RunQtBenchmarks(argc, argv, [] { FreePageItems(Page()); });
}
