// SPDX-License-Identifier: MIT
// The preview's page drawn off the GUI thread: the pixels of the page
// recorded at printer resolution and replayed at screen size (how a print
// preview shows a page), and the renderer ending on the latest scale asked.
#include "linux/surface/painter_dc.h"
#include "core/render/page_renderer.h"
#include "linux/shell/preview_renderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <gtest/gtest.h>

using namespace vexlan;

namespace {

const PreviewPrinter kA4At1200{QSize(9921, 14031), 1200, 1200};

// A wide frame, a hairline frame, a line in a Chinese face, a Latin line.
const CPageItemArray& SamplePage()
{
    static CPageItemArray page = [] {
        CPageItemArray list;
        PageItem item;
        for (const RECT rc : {RECT{1000, 1000, 20000, 28000}, RECT{3000, 7000, 18000, 12000}}) {
            item.nType = ITEM_FRAME, item.rcItem = rc, item.nPenWidth = rc.left == 1000 ? 50 : 0;
            list.Add(item);
        }
        item.nType = ITEM_TEXT, item.rcItem = {1500, 1500, 19500, 3000};
        SetItemText(item, "Vexlan \xe6\x89\x93\xe5\x8d\xb0"), SetItemFace(item, "\xe9\xbb\x91\xe4\xbd\x93");
        list.Add(item);
        item.rcItem = {1500, 4000, 19500, 4500};
        SetItemText(item, "The quick brown fox 0123456789"), SetItemFace(item, "Times New Roman");
        list.Add(item);
        return list;
    }();
    return page;
}

TEST(PreviewImage, MatchesThePageReplayedAtScreenSizeUnlessAbandoned)
{
    const std::atomic<bool> go{false}, stop{true};
    QPicture recorded;
    recorded.setBoundingRect(QRect(QPoint(0, 0), kA4At1200.pagePx));
    {
        QPainter painter(&recorded);
        CPainterDC dc(painter, kA4At1200.dpiX, kA4At1200.dpiY);
        RenderPage(&dc, SamplePage());
    }
    for (const double scale : {0.05, 0.13}) {
        const PreviewImage page = RenderPreviewImage(SamplePage(), kA4At1200, scale, go);
        ASSERT_FALSE(page.image.isNull());
        QImage replayed(page.image.size(), QImage::Format_RGB32);
        replayed.fill(Qt::white);
        QPainter painter(&replayed);
        painter.scale(page.scale, page.scale);
        painter.drawPicture(0, 0, recorded);
        painter.end();
        int worst = 0; // text edges may be smoothed a shade differently; nothing moves
        for (int y = 0; y < replayed.height(); ++y)
            for (int x = 0; x < replayed.width(); ++x)
                for (const int shift : {0, 8, 16})
                    worst = std::max(worst, std::abs(int(replayed.pixel(x, y) >> shift & 255) -
                                                     int(page.image.pixel(x, y) >> shift & 255)));
        EXPECT_LE(worst, 32) << "scale " << scale;
    }
    EXPECT_TRUE(RenderPreviewImage(SamplePage(), kA4At1200, 0.05, stop).image.isNull());
    EXPECT_EQ(RenderPreviewImage(SamplePage(), kA4At1200, 4.0, go).image.height(), kMaxPreviewSide);
}

TEST(PreviewRenderer, EndsOnTheLatestScaleAskedForAndRetiresItself)
{
    CPreviewRenderer renderer(SamplePage(), kA4At1200);
    QPointer<CPreviewRenderer> retired = new CPreviewRenderer(SamplePage(), kA4At1200);
    retired->Request(0.2);
    retired->Retire(); // while it draws
    for (const double scale : {0.03, 0.07, 0.05})
        renderer.Request(scale);
    QElapsedTimer clock;
    clock.start();
    while ((renderer.IsDrawing() || retired) && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_DOUBLE_EQ(renderer.Page().scale, 0.05);
    EXPECT_TRUE(retired.isNull());
    renderer.Request(0.05); // that page is there already
    EXPECT_FALSE(renderer.IsDrawing());
}

} // namespace
