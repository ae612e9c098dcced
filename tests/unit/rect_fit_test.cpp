// SPDX-License-Identifier: MIT
// FitRectAspect: fitted and centred rectangles, margins, refusals that leave
// the rectangle alone, and hostile 32-bit values that must not overflow.
#include "core/render/rect_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

using namespace vexlan;

namespace {

std::string Show(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

} // namespace

TEST(FitRectAspect, FitsAndCentres)
{
    struct Row {
        RECT in;
        int margin;
        int srcW, srcH;
        RECT out;
    } rows[] = {
        {{0, 0, 1000, 1000}, 0, 200, 100, {0, 250, 1000, 750}},
        {{0, 0, 1000, 600}, 0, 640, 480, {100, 0, 900, 600}},
        {{100, 100, 400, 300}, 0, 100, 200, {200, 100, 300, 300}},
        {{0, 0, 10, 10}, 0, 7, 10, {1, 0, 8, 10}},      // odd spare unit goes right
        {{0, 0, 3, 10}, 0, 2, 1, {0, 4, 3, 6}},         // 1.5 rounds up to 2
        {{0, 0, 1000, 1}, 0, 1, 10000, {500, 0, 500, 1}}, // zero width, still written
        {{0, 0, 100, 100}, 0, 5, 5, {0, 0, 100, 100}},
        {{-500, -300, 500, 300}, 0, 1, 1, {-300, -300, 300, 300}},
        {{0, 0, 101, 50}, 0, 2, 1, {0, 0, 100, 50}},    // 50.5 + 0.5 does not fit
        // Margins apply before the fit.
        {{0, 0, 1000, 1000}, 100, 200, 100, {100, 300, 900, 700}},
        // A negative margin moves the edges outward.
        {{0, 0, 100, 100}, -50, 1, 1, {-50, -50, 150, 150}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("rect " + Show(r.in) + " margin " + std::to_string(r.margin) + " source " +
                     std::to_string(r.srcW) + "x" + std::to_string(r.srcH));
        RECT rc = r.in;
        EXPECT_EQ(FitRectAspect(&rc, r.margin, r.srcW, r.srcH), 1);
        EXPECT_TRUE(Same(rc, r.out)) << Show(rc) << " expected " << Show(r.out);
        // The general form with equal margins gives the same.
        RECT rc2 = r.in;
        EXPECT_EQ(FitRectAspect(&rc2, r.margin, r.margin, r.srcW, r.srcH), 1);
        EXPECT_TRUE(Same(rc2, rc)) << Show(rc2);
    }
}

TEST(FitRectAspect, SeparateMargins)
{
    // 1000 x 1000 less 100 left/right and 300 top/bottom: 800 x 400. A
    // square source gets the full height.
    RECT rc{0, 0, 1000, 1000};
    EXPECT_EQ(FitRectAspect(&rc, 100, 300, 1, 1), 1);
    EXPECT_TRUE(Same(rc, RECT{300, 300, 700, 700})) << Show(rc);

    // Horizontal margin alone consumes the width: refused.
    rc = RECT{0, 0, 100, 1000};
    EXPECT_EQ(FitRectAspect(&rc, 50, 0, 1, 1), 0);
    EXPECT_TRUE(Same(rc, RECT{0, 0, 100, 1000}));
    // Vertical margin alone consumes the height: refused.
    EXPECT_EQ(FitRectAspect(&rc, 0, 500, 1, 1), 0);
    EXPECT_TRUE(Same(rc, RECT{0, 0, 100, 1000}));
}

TEST(FitRectAspect, RefusalsLeaveTheRectangleUntouched)
{
    EXPECT_EQ(FitRectAspect(nullptr, 0, 10, 10), 0);
    EXPECT_EQ(FitRectAspect(nullptr, 0, 0, 10, 10), 0);

    struct Row {
        RECT in;
        int mx, my;
        int srcW, srcH;
    } rows[] = {
        {{0, 0, 100, 100}, 0, 0, 0, 10},
        {{0, 0, 100, 100}, 0, 0, 10, 0},
        {{0, 0, 100, 100}, 0, 0, -640, 480},
        {{0, 0, 100, 100}, 0, 0, 640, -480}, // a top-down image header
        {{0, 0, 100, 100}, 0, 0, INT_MIN, INT_MIN},
        {{0, 0, 100, 100}, 60, 60, 1, 1},     // nothing left after the margins
        {{0, 0, 100, 100}, 50, 0, 1, 1},      // exactly nothing left
        {{0, 0, 0, 100}, 0, 0, 1, 1},         // empty rectangle
        {{0, 0, 100, 0}, 0, 0, 1, 1},
        {{100, 100, 0, 0}, 0, 0, 1, 1},       // reversed rectangle
        {{0, 0, 100, 100}, INT_MAX, INT_MAX, 1, 1},
        {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, 0, 0, 1, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("rect " + Show(r.in) + " margins " + std::to_string(r.mx) + "," +
                     std::to_string(r.my) + " source " + std::to_string(r.srcW) + "x" +
                     std::to_string(r.srcH));
        RECT rc = r.in;
        EXPECT_EQ(FitRectAspect(&rc, r.mx, r.my, r.srcW, r.srcH), 0);
        EXPECT_TRUE(Same(rc, r.in)) << Show(rc);
    }
}

TEST(FitRectAspect, HostileValuesDoNotOverflow)
{
    // The whole 32-bit plane with a square source.
    RECT rc{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FitRectAspect(&rc, 0, 1, 1), 1);
    EXPECT_TRUE(Same(rc, RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX})) << Show(rc);

    // A source 1 x INT32_MAX in the whole plane: full height, width
    // 4294967295 / 2147483647 + 0.5 -> 2, centred.
    rc = RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FitRectAspect(&rc, 0, 1, INT32_MAX), 1);
    EXPECT_TRUE(Same(rc, RECT{-2, INT32_MIN, 0, INT32_MAX})) << Show(rc);

    // The other way round: full width, height 4294967295 / 2147483647 + 0.5
    // -> 2.
    rc = RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FitRectAspect(&rc, 0, INT32_MAX, 1), 1);
    EXPECT_TRUE(Same(rc, RECT{INT32_MIN, -2, INT32_MAX, 0})) << Show(rc);

    // Margins of INT32_MAX on the whole plane leave a 1 x 1 square.
    rc = RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FitRectAspect(&rc, INT32_MAX, 640, 480), 1);
    EXPECT_TRUE(Same(rc, RECT{-1, -1, 0, 0})) << Show(rc);

    // A flat rectangle and a source 1 x INT32_MAX: w * ratio is far beyond
    // any integer, the height is the available 1, the width rounds to 0.
    rc = RECT{0, 0, 1000, 1};
    EXPECT_EQ(FitRectAspect(&rc, 0, 1, INT32_MAX), 1);
    EXPECT_TRUE(Same(rc, RECT{500, 0, 500, 1})) << Show(rc);

    rc = RECT{INT32_MIN, 0, INT32_MAX, 1};
    EXPECT_EQ(FitRectAspect(&rc, 0, 1, INT32_MAX), 1);
    EXPECT_TRUE(Same(rc, RECT{-1, 0, -1, 1})) << Show(rc);

    // Margins of INT32_MIN push the edges far outside the 32-bit range; the
    // result is written clamped, without overflow.
    rc = RECT{0, 0, 0, 0};
    EXPECT_EQ(FitRectAspect(&rc, INT32_MIN, 1, 1), 1);
    EXPECT_TRUE(Same(rc, RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX})) << Show(rc);
}

// Every combination of extreme coordinates, margins and source sizes: either
// a refusal that leaves the rectangle alone, or a rectangle inside the
// margin-adjusted one (clamped to 32 bits) that spans its full width or
// height whenever nothing had to be clamped.
TEST(FitRectAspect, SweepStaysInsideTheAvailableRectangle)
{
    const int32_t coords[] = {INT32_MIN, INT32_MIN + 1, -1000, -1, 0, 1, 999, INT32_MAX - 1, INT32_MAX};
    const int32_t margins[] = {INT32_MIN, -7, 0, 3, 400, INT32_MAX};
    const int32_t sources[] = {1, 3, 480, 640, INT32_MAX};
    long fitted = 0;
    for (int32_t l : coords)
        for (int32_t t : coords)
            for (int32_t r : coords)
                for (int32_t b : coords)
                    for (int32_t mx : margins)
                        for (int32_t my : margins)
                            for (int32_t sw : sources)
                                for (int32_t sh : sources) {
                                    if ((mx != my) && (sw != 640 || sh != 480))
                                        continue; // keep the sweep small
                                    const RECT in{l, t, r, b};
                                    RECT rc = in;
                                    const int res = FitRectAspect(&rc, mx, my, sw, sh);
                                    const int64_t al = int64_t{l} + mx, at = int64_t{t} + my;
                                    const int64_t ar = int64_t{r} - mx, ab = int64_t{b} - my;
                                    const auto where = [&] {
                                        return "rect " + Show(in) + " margins " + std::to_string(mx) +
                                               "," + std::to_string(my) + " source " +
                                               std::to_string(sw) + "x" + std::to_string(sh) +
                                               " -> " + Show(rc);
                                    };
                                    if (ar - al <= 0 || ab - at <= 0) {
                                        ASSERT_EQ(res, 0) << where();
                                        ASSERT_TRUE(Same(rc, in)) << where();
                                        continue;
                                    }
                                    ASSERT_EQ(res, 1) << where();
                                    ++fitted;
                                    ASSERT_GE(rc.left, Clamp32(al)) << where();
                                    ASSERT_GE(rc.top, Clamp32(at)) << where();
                                    ASSERT_LE(rc.right, Clamp32(ar)) << where();
                                    ASSERT_LE(rc.bottom, Clamp32(ab)) << where();
                                    ASSERT_LE(rc.left, rc.right) << where();
                                    ASSERT_LE(rc.top, rc.bottom) << where();
                                    const bool inRange = al >= INT32_MIN && at >= INT32_MIN &&
                                                         ar <= INT32_MAX && ab <= INT32_MAX;
                                    if (inRange) {
                                        const int64_t w = int64_t{rc.right} - rc.left;
                                        const int64_t h = int64_t{rc.bottom} - rc.top;
                                        ASSERT_TRUE(w == ar - al || h == ab - at) << where();
                                    }
                                }
    EXPECT_GT(fitted, 0);
}
