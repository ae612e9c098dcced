// The preview's plain logic: zoom steps from the whole page to the closest
// view and back, clicks and wheel notches, the default page range with one
// and two pages shown, how many toolbar buttons fit, the frame's normal place.
#include "core/app/preview_pages.h"
#include "core/app/preview_zoom.h"
#include "linux/shell/main_frame.h"
#include "linux/shell/preview_toolbar.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexlan {
namespace {

// The factors visited from the whole page by repeated `step` until it
// reports no change (at most 30).
template <typename Step>
std::vector<int> Walk(PreviewZoom& zoom, Step step)
{
    std::vector<int> seen{zoom.Percent()};
    for (int i = 0; i < 30 && step(zoom); ++i)
        seen.push_back(zoom.Percent());
    return seen;
}

TEST(PreviewZoom, StepsClicksAndWheel)
{
    const struct {
        double fit;
        std::vector<int> in;     // ZoomIn from the whole page
        std::vector<int> clicks; // Click from the whole page until it is back
    } cases[] = {
        // A step within 5% of the whole page is skipped (66% -> 75%).
        {0.66, {66, 75, 100, 125, 150, 200, 300, 400}, {66, 150, 300, 400, 66}},
        {0.05, {5, 10, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400}, {5, 10, 25, 50, 100, 200, 400, 5}},
        // A screen showing the whole page above 200%: one step, to twice it.
        {2.5, {250, 300, 400, 500}, {250, 500, 250}},
    };
    for (const auto& c : cases) {
        PreviewZoom zoom;
        zoom.SetFit(c.fit);
        EXPECT_EQ(Walk(zoom, [](PreviewZoom& z) { return z.ZoomIn(); }), c.in) << c.fit;
        EXPECT_FALSE(zoom.CanZoomIn());
        // Back down the same steps to the whole page.
        std::vector<int> out = Walk(zoom, [](PreviewZoom& z) { return z.ZoomOut(); });
        EXPECT_EQ(std::vector<int>(out.rbegin(), out.rend()), c.in) << c.fit;
        EXPECT_TRUE(zoom.IsWholePage());
        std::vector<int> clicks{zoom.Percent()};
        do {
            zoom.Click();
            clicks.push_back(zoom.Percent());
        } while (!zoom.IsWholePage() && clicks.size() < 30);
        EXPECT_EQ(clicks, c.clicks) << c.fit;
    }
    // Bad fits are ignored; a window resize moves the whole page only.
    PreviewZoom zoom;
    zoom.SetFit(0.5);
    for (double bad : {0.0, -1.0, 1.0 / 0.0, 0.0 / 0.0})
        zoom.SetFit(bad);
    EXPECT_EQ(zoom.Percent(), 50);
    zoom.ZoomIn();
    zoom.SetFit(0.6);
    EXPECT_EQ(zoom.Percent(), 67);

    // Wheel: 120 units a notch, small deltas add up, a turn back drops the
    // rest, a huge delta is a bounded number of notches.
    PreviewZoom wheel;
    wheel.SetFit(0.5);
    EXPECT_FALSE(wheel.Wheel(60));
    EXPECT_TRUE(wheel.Wheel(60));
    EXPECT_EQ(wheel.Percent(), 67);
    EXPECT_FALSE(wheel.Wheel(100));
    EXPECT_FALSE(wheel.Wheel(-100));
    EXPECT_TRUE(wheel.Wheel(-20));
    EXPECT_TRUE(wheel.IsWholePage());
    EXPECT_TRUE(wheel.Wheel(2147483647));
    EXPECT_FALSE(wheel.CanZoomIn());
    EXPECT_TRUE(wheel.Wheel(-2147483647 - 1));
    EXPECT_TRUE(wheel.IsWholePage());
}

TEST(PreviewPages, DefaultRangeWithOneAndTwoPages)
{
    PreviewPages pages;
    EXPECT_EQ(pages.First(), 1u);
    EXPECT_FALSE(pages.CanPrev());
    EXPECT_TRUE(pages.CanNext());
    pages.SetShown(2);
    EXPECT_EQ(pages.Last(), 2u);
    pages.Next();
    EXPECT_EQ(pages.First(), 2u); // one page on, also when two are shown
    pages.ShowOnly(1);
    EXPECT_EQ(pages.First(), 3u);
    EXPECT_EQ(pages.Shown(), 1u);

    // At the end of the range: no page past 65535, and two pages never
    // leave an empty place.
    for (int i = 0; i < 70000; ++i)
        pages.Next();
    EXPECT_EQ(pages.First(), 65535u);
    EXPECT_FALSE(pages.CanNext());
    pages.SetShown(2);
    EXPECT_EQ(pages.First(), 65534u);
    EXPECT_EQ(pages.Last(), 65535u);
    EXPECT_FALSE(pages.CanNext());
    pages.SetShown(7);
    EXPECT_EQ(pages.Shown(), 1u);
}

TEST(PreviewToolbar, ButtonsThatFit)
{
    const std::vector<int> widths{80, 60, 60, 70};
    const struct {
        int available;
        int fit;
    } cases[] = {{282, 4}, {281, 3}, {232, 3}, {231, 2}, {167, 1}, {103, 0}, {0, 0}, {-5, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ButtonsThatFit(widths, 4, c.available, 20), c.fit) << c.available;
    EXPECT_EQ(ButtonsThatFit({}, 4, 0, 20), 0);
}

TEST(MainFrame, NormalGeometryIsTwoThirdsCentred)
{
    EXPECT_EQ(NormalFrameGeometry(QRect(0, 0, 1280, 800)), QRect(213, 133, 853, 533));
    EXPECT_EQ(NormalFrameGeometry(QRect(1920, 30, 1200, 900)), QRect(2120, 180, 800, 600));
}

} // namespace
} // namespace vexlan
