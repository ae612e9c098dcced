// SPDX-License-Identifier: MIT
// The preview's plain logic: zoom steps from the whole page to the closest
// view and back, clicks and wheel notches, the default page range with one
// and two pages shown.
#include "core/app/preview_pages.h"
#include "core/app/preview_zoom.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexlan {
namespace {

TEST(PreviewZoom, StepsAndClicksFromTheWholePage)
{
    const struct {
        double fit;
        std::vector<int> in;     // ZoomIn from the whole page; ZoomOut goes back the same way
        std::vector<int> clicks; // Click from the whole page until it is back
    } cases[] = {
        // A step within 5% of the whole page is skipped (66% -> 75%).
        {0.66, {66, 75, 100, 125, 150, 200, 300, 400}, {66, 150, 300, 400, 66}},
        {0.05, {5, 10, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400}, {5, 10, 25, 50, 100, 200, 400, 5}},
        // A screen showing the whole page above 200%: on to twice that.
        {2.5, {250, 300, 400, 500}, {250, 500, 250}},
    };
    for (const auto& c : cases) {
        PreviewZoom zoom;
        zoom.SetFit(c.fit);
        std::vector<int> in{zoom.Percent()}, out, clicks{zoom.Percent()};
        while (zoom.ZoomIn() && in.size() < 30)
            in.push_back(zoom.Percent());
        do
            out.insert(out.begin(), zoom.Percent());
        while (zoom.ZoomOut() && out.size() < 30);
        do
            zoom.Click(), clicks.push_back(zoom.Percent());
        while (!zoom.IsWholePage() && clicks.size() < 30);
        EXPECT_EQ(in, c.in) << c.fit;
        EXPECT_EQ(out, c.in) << c.fit;
        EXPECT_EQ(clicks, c.clicks) << c.fit;
    }
}

TEST(PreviewZoom, FitChangesAndWheelNotches)
{
    PreviewZoom zoom;
    zoom.SetFit(0.5);
    for (double bad : {0.0, -1.0, 1.0 / 0.0, 0.0 / 0.0})
        zoom.SetFit(bad);
    EXPECT_EQ(zoom.Percent(), 50);
    // 120 units a notch; small deltas add up; a turn back drops the rest.
    EXPECT_FALSE(zoom.Wheel(60));
    EXPECT_TRUE(zoom.Wheel(60));
    EXPECT_EQ(zoom.Percent(), 67);
    zoom.SetFit(0.6); // a resize moves the whole page only
    EXPECT_EQ(zoom.Percent(), 67);
    EXPECT_FALSE(zoom.Wheel(100));
    EXPECT_FALSE(zoom.Wheel(-100));
    EXPECT_TRUE(zoom.Wheel(-20));
    EXPECT_TRUE(zoom.IsWholePage());
    // A huge delta is a bounded number of notches, and no overflow.
    EXPECT_TRUE(zoom.Wheel(2147483647));
    EXPECT_FALSE(zoom.CanZoomIn());
    EXPECT_TRUE(zoom.Wheel(-2147483647 - 1));
    EXPECT_TRUE(zoom.IsWholePage());
}

TEST(PreviewPages, DefaultRangeWithOneAndTwoPages)
{
    PreviewPages pages;
    pages.SetShown(2);
    pages.Next(); // one page on, also when two are shown
    EXPECT_EQ(pages.First(), 2u);
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
}

} // namespace
} // namespace vexlan
