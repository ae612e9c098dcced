// SPDX-License-Identifier: MIT
// The window shell's plain parts: where the preview puts the page at each
// zoom step, the toolbar's Alt keys, and the failure box's countdown.
#include "windows/shell/preview_layout.h"
#include "windows/shell/timed_message.h"
#include "windows/shell/win_text.h"

#include <gtest/gtest.h>

namespace vexlan {
namespace {

// An A4 sheet at 600 dpi in a 1000 x 800 page area with 10 px margins.
CPreviewLayout A4Layout()
{
    CPreviewLayout l;
    l.SetPaper(4961, 7016);
    l.SetView(1000, 800, 10);
    return l;
}

TEST(PreviewLayout, WholePageFitsAndCloserStepsScroll)
{
    CPreviewLayout l = A4Layout();
    PreviewRect r;
    ASSERT_TRUE(l.PageRect(0, r));
    // The height limits: 780 px of sheet, centred across the width.
    EXPECT_EQ(r.Height(), 780);
    EXPECT_EQ(r.top, 10);
    EXPECT_NEAR(r.left + r.Width() / 2, 500, 1);
    EXPECT_FALSE(l.PageRect(1, r)) << "one page: no second slot";
    EXPECT_EQ(l.ContentHeight(), 800) << "nothing to scroll at the whole page";

    ASSERT_TRUE(l.ZoomIn());
    ASSERT_TRUE(l.ZoomIn());
    EXPECT_FALSE(l.ZoomIn()) << "four times is the closest step";
    EXPECT_NEAR(l.Scale() * 7016, 4 * 780, 2);
    l.ScrollTo(1 << 20, -5);
    EXPECT_EQ(l.ScrollX(), l.ContentWidth() - 1000) << "scrolled no further than the content";
    EXPECT_EQ(l.ScrollY(), 0);
    ASSERT_TRUE(l.PageRect(0, r));
    EXPECT_EQ(r.right, l.ContentWidth() - 10 - l.ScrollX()) << "the sheet's right edge in view at the far right";
    ASSERT_TRUE(l.ZoomOut());
    ASSERT_TRUE(l.ZoomOut());
    EXPECT_EQ(l.ScrollX(), 0) << "the scroll is taken back with the zoom";
}

TEST(PreviewLayout, TwoPagesOnlyAtTheWholePageAndZoomingShowsOne)
{
    CPreviewLayout l = A4Layout();
    l.SetPageCount(2);
    ASSERT_TRUE(l.ToggleTwoPage());
    PreviewRect left, right;
    ASSERT_TRUE(l.PageRect(0, left));
    ASSERT_TRUE(l.PageRect(1, right));
    EXPECT_EQ(right.left - left.right, 10) << "the margin between the two sheets";
    EXPECT_FALSE(l.CanNextPage()) << "both pages are shown";
    ASSERT_TRUE(l.ZoomIn());
    EXPECT_FALSE(l.IsTwoPage());
    EXPECT_FALSE(l.ToggleTwoPage()) << "no two-page view when zoomed in";
    EXPECT_TRUE(l.NextPage());
    EXPECT_FALSE(l.NextPage());
}

TEST(PreviewLayout, EmptyViewOrPaperShowsNoPage)
{
    for (const auto& [cx, cy, paperCx] : {std::tuple{0, 800, 4961}, {15, 15, 4961}, {1000, 800, 0}}) {
        CPreviewLayout l;
        l.SetPaper(paperCx, 7016);
        l.SetView(cx, cy, 10);
        PreviewRect r;
        EXPECT_FALSE(l.PageRect(0, r)) << cx << "x" << cy << " paper " << paperCx;
        EXPECT_EQ(l.Scale(), 0);
    }
}

TEST(WinText, MnemonicIsTheLetterAfterASingleAmpersand)
{
    const struct {
        const wchar_t* text;
        wchar_t key;
    } cases[] = {
        {L"打印(&P)...", L'P'}, {L"两页(&t)", L'T'}, {L"a&&b", 0}, {L"&&&x", L'X'}, {L"end&", 0}, {L"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MnemonicOf(c.text), c.key) << static_cast<int>(c.key);
}

TEST(TimedMessage, CountdownRoundsUpAndEnds)
{
    using std::chrono::milliseconds;
    const struct {
        int elapsed;
        int left;
    } cases[] = {{0, 30}, {1, 30}, {999, 30}, {1000, 29}, {29001, 1}, {29999, 1}, {30000, 0}, {45000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(CountdownSecondsLeft(milliseconds(30000), milliseconds(c.elapsed)), c.left) << c.elapsed;
}

} // namespace
} // namespace vexlan
