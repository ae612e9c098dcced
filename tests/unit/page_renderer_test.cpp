// SPDX-License-Identifier: MIT
// The page renderer on the trace surface: every call and every number the
// page produces, for each item type, the skips, the failure paths and
// hostile rectangles.
#include "core/job/page_item.h"
#include "core/text/codepage.h"
#include "core/dib/image_block.h"
#include "core/text/json_quote.h"
#include "core/render/trace_dc.h"
#include "core/render/page_renderer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace vexlan;

namespace {

const std::string kModesStart[] = {
    R"({"op":"SetStretchBltMode","mode":3,"previous":1})",
    R"({"op":"SetMapMode","mode":3,"previous":1})",
};
const std::string kModesEnd = R"({"op":"SetMapMode","mode":1,"previous":3})";

PageItem Item(int32_t type, RECT rc)
{
    PageItem item;
    item.nType = type;
    item.rcItem = rc;
    return item;
}

PageItem TextItem(RECT rc, const std::string& text, const std::string& face, UINT align)
{
    PageItem item = Item(ITEM_TEXT, rc);
    SetItemText(item, text);
    SetItemFace(item, face);
    item.nAlign = align;
    return item;
}

// A text block holding a copy of `block`, released by FreePageItems.
PageItem BlockItem(RECT rc, const std::string& block, UINT lineCount, UINT maxLineLen)
{
    PageItem item = Item(ITEM_TEXTBLOCK, rc);
    SetItemFace(item, "Arial");
    item.pszBlock = new char[block.size() + 1];
    std::memcpy(item.pszBlock, block.c_str(), block.size() + 1);
    item.nLineCount = lineCount;
    item.nMaxLineLen = maxLineLen;
    return item;
}

PageItem FrameItem(RECT rc, int32_t width, COLORREF color)
{
    PageItem item = Item(ITEM_FRAME, rc);
    item.nPenWidth = width;
    item.crColor = color;
    return item;
}

// A grey DIB header and pixel block, released by FreePageItems.
PageItem ImageItem(RECT rc, int32_t width, int32_t height, bool keepAspect, bool invert)
{
    PageItem item = Item(ITEM_IMAGE, rc);
    auto* bmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)));
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = width;
    bmi->bmiHeader.biHeight = height;
    bmi->bmiHeader.biBitCount = 8;
    item.pBmi = bmi;
    item.pBits = ImageBlockAlloc(16);
    item.bKeepAspect = keepAspect ? 7 : 0; // any non-zero value means yes
    item.bInvert = invert ? -1 : 0;
    return item;
}

std::vector<std::string> Render(const CPageItemArray& items)
{
    CTraceDC dc;
    RenderPage(&dc, items);
    EXPECT_EQ(dc.LiveObjects(), 0u);
    EXPECT_EQ(dc.MapMode(), MM_TEXT);
    return dc.Lines();
}

// The calls between the mode changes.
std::vector<std::string> ItemCalls(const std::vector<PageItem>& list)
{
    CPageItemArray items;
    for (const PageItem& i : list)
        items.Add(i);
    std::vector<std::string> lines = Render(items);
    EXPECT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], kModesStart[0]);
    EXPECT_EQ(lines[1], kModesStart[1]);
    EXPECT_EQ(lines.back(), kModesEnd);
    FreePageItems(items);
    return std::vector<std::string>(lines.begin() + 2, lines.end() - 1);
}

std::vector<std::string> Ops(const std::vector<std::string>& lines, const std::string& op)
{
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (l.find("\"op\":\"" + op + "\"") != std::string::npos)
            out.push_back(l);
    return out;
}

std::string Font(int height, int width, int outPrecision, const std::string& face, int handle)
{
    return R"({"op":"CreateFont","height":)" + std::to_string(height) + R"(,"width":)" + std::to_string(width) +
           R"(,"escapement":0,"orientation":0,"weight":400,"italic":0,"underline":0,"strikeOut":0,)"
           R"("charSet":1,"outPrecision":)" + std::to_string(outPrecision) +
           R"(,"clipPrecision":0,"quality":2,"pitchAndFamily":0,"face":")" + face + R"(","handle":)" +
           std::to_string(handle) + "}";
}

std::string Text(const std::string& text, int l, int t, int r, int b, unsigned format)
{
    return R"({"op":"DrawText","text":")" + text + R"(","rect":[)" + std::to_string(l) + "," + std::to_string(t) +
           "," + std::to_string(r) + "," + std::to_string(b) + R"(],"format":)" + std::to_string(format) + "}";
}

} // namespace

TEST(PageRenderer, EmptyListStillSetsModes)
{
    CPageItemArray items;
    const std::vector<std::string> lines = Render(items);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], kModesStart[0]);
    EXPECT_EQ(lines[1], kModesStart[1]);
    EXPECT_EQ(lines[2], kModesEnd);
}

TEST(PageRenderer, TextLineCallsInOrder)
{
    const std::vector<std::string> calls =
        ItemCalls({TextItem({1000, 2000, 9000, 2500}, "A&B 宋", "宋体", DT_CENTER)});
    const std::vector<std::string> expected = {
        Font(500, 0, 0, "宋体", 3),
        R"({"op":"SelectFont","handle":3,"previous":1})",
        Text("A&B 宋", 1000, -2000, 9000, -2500, 0x125),
        R"({"op":"SelectFont","handle":1,"previous":3})",
        R"({"op":"DeleteFont","handle":3})",
    };
    EXPECT_EQ(calls, expected);
}

TEST(PageRenderer, TextLineAlignmentBitsAreAddedUnchanged)
{
    for (UINT align : {0u, 1u, 2u, 0x800u, 0x8u}) {
        const auto draws = Ops(ItemCalls({TextItem({0, 0, 100, 100}, "x", "Arial", align)}), "DrawText");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0], Text("x", 0, 0, 100, -100, align | 0x124)) << align;
    }
}

TEST(PageRenderer, EmptyRectanglesAndUnknownTypesDrawNothing)
{
    const std::string block = "a\nb";
    const RECT empty[] = {{0, 0, 0, 100}, {100, 0, 50, 100}, {0, 100, 100, 100}, {0, 100, 100, 50}, {5, 5, 5, 5}};
    for (const RECT& rc : empty) {
        EXPECT_TRUE(ItemCalls({TextItem(rc, "t", "Arial", 0)}).empty());
        EXPECT_TRUE(ItemCalls({ImageItem(rc, 10, 10, true, false)}).empty());
        EXPECT_TRUE(ItemCalls({BlockItem(rc, block, 2, 1)}).empty());
        EXPECT_TRUE(ItemCalls({FrameItem(rc, 0, 0)}).empty());
    }
    for (int32_t type : {-1, 4, 99, INT_MIN, INT_MAX})
        EXPECT_TRUE(ItemCalls({Item(type, {0, 0, 100, 100})}).empty()) << type;
}

TEST(PageRenderer, ItemAfterSkippedItemIsDrawn)
{
    const auto calls = ItemCalls({FrameItem({0, 0, 0, 10}, 0, 0), Item(7, {0, 0, 9, 9}), FrameItem({1, 2, 3, 4}, 0, 0)});
    EXPECT_EQ(Ops(calls, "CreatePen").size(), 1u);
}

TEST(PageRenderer, TextBlockSlotsAndFont)
{
    // Three lines, the longest 20 bytes, 4000 x 900: char width 200, line
    // height 300, font height MulDiv(300, 3, 4) = 225.
    const std::string block = "first line\n12345678901234567890\nlast";
    const auto calls = ItemCalls({BlockItem({100, 200, 4100, 1100}, block, 3, 20)});
    const std::vector<std::string> expected = {
        Font(225, 200, 4, "Arial", 3),
        R"({"op":"SelectFont","handle":3,"previous":1})",
        Text("first line", 100, -200, 4100, -500, 0x120),
        Text("12345678901234567890", 100, -500, 4100, -800, 0x120),
        Text("last", 100, -800, 4100, -1100, 0x120),
        R"({"op":"SelectFont","handle":1,"previous":3})",
        R"({"op":"DeleteFont","handle":3})",
    };
    EXPECT_EQ(calls, expected);
}

TEST(PageRenderer, TextBlockArithmetic)
{
    struct Case {
        RECT rc;
        UINT lines, maxLen;
        int fontHeight, charWidth, lineHeight;
    };
    const Case cases[] = {
        {{0, 0, 1000, 901}, 3, 10, 225, 100, 300},   // truncating divisions
        {{0, 0, 1000, 10}, 3, 10, 2, 100, 3},        // MulDiv(3, 3, 4): 2.25 -> 2
        {{0, 0, 1000, 6}, 3, 10, 2, 100, 2},         // (6+2)/4 = 2
        {{0, 0, 1000, 2}, 3, 10, 0, 100, 0},         // lower than the line count: height 0
        {{0, 0, 9, 300}, 1, 10, 225, 0, 300},        // narrower than the longest line: width 0
        {{0, 0, 1000, 402}, 2, 10, 151, 100, 201},   // (603+2)/4 = 151: half rounds up
    };
    for (const Case& c : cases) {
        const std::string block = "a\nb\nc";
        const auto calls = ItemCalls({BlockItem(c.rc, block, c.lines, c.maxLen)});
        EXPECT_EQ(calls.at(0), Font(c.fontHeight, c.charWidth, 4, "Arial", 3)) << c.rc.bottom;
        const auto draws = Ops(calls, "DrawText");
        ASSERT_EQ(draws.size(), std::min<std::size_t>(c.lines, 3));
        EXPECT_EQ(draws[0], Text("a", c.rc.left, 0, c.rc.right, -c.lineHeight, 0x120));
        if (draws.size() > 1) {
            EXPECT_EQ(draws[1], Text("b", c.rc.left, -c.lineHeight, c.rc.right, -2 * c.lineHeight, 0x120));
        }
    }
}

TEST(PageRenderer, TextBlockPiecesAgainstLineCount)
{
    // White space at the ends of the block is trimmed away: two pieces in the first two
    // of five slots.
    const std::string fewer = "\n\n  a\nb  \n\n";
    auto draws = Ops(ItemCalls({BlockItem({0, 0, 100, 500}, fewer, 5, 1)}), "DrawText");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0], Text("a", 0, 0, 100, -100, 0x120));
    EXPECT_EQ(draws[1], Text("b", 0, -100, 100, -200, 0x120));

    // More pieces than lines: only the first nLineCount are drawn.
    const std::string more = "1\n2\n3\n4";
    draws = Ops(ItemCalls({BlockItem({0, 0, 100, 200}, more, 2, 1)}), "DrawText");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1], Text("2", 0, -100, 100, -200, 0x120));

    // An empty line inside the block is an empty piece in its own slot.
    const std::string gap = "x\n\ny";
    draws = Ops(ItemCalls({BlockItem({0, 0, 100, 300}, gap, 3, 1)}), "DrawText");
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[1], Text("", 0, -100, 100, -200, 0x120));
}

TEST(PageRenderer, TextBlockWithoutLinesDrawsNothing)
{
    const std::string block = "a\nb";
    EXPECT_TRUE(ItemCalls({BlockItem({0, 0, 100, 100}, block, 0, 5)}).empty());
    EXPECT_TRUE(ItemCalls({BlockItem({0, 0, 100, 100}, block, 2, 0)}).empty());
    const std::string none;
    EXPECT_TRUE(Ops(ItemCalls({BlockItem({0, 0, 100, 100}, none, 2, 2)}), "DrawText").empty());
}

TEST(PageRenderer, ImageDestinations)
{
    struct Case {
        RECT rc;
        int32_t w, h;
        bool keep, invert;
        std::string expected;
    };
    const Case cases[] = {
        // Stretched over the whole rectangle, drawn upright from its top.
        {{100, 200, 1100, 800}, 640, 480, false, false,
         R"({"op":"StretchDIBits","dest":[100,-200,1000,-600],"src":[0,0,640,480],"image":[640,480,8],"usage":0,"rop":13369376})"},
        // Kept proportions: (0,0,1000,600) with 640 x 480 becomes (100,0,900,600).
        {{0, 0, 1000, 600}, 640, 480, true, false,
         R"({"op":"StretchDIBits","dest":[100,0,800,-600],"src":[0,0,640,480],"image":[640,480,8],"usage":0,"rop":13369376})"},
        {{0, 0, 1000, 1000}, 200, 100, true, true,
         R"({"op":"StretchDIBits","dest":[0,-250,1000,-500],"src":[0,0,200,100],"image":[200,100,8],"usage":0,"rop":3342344})"},
        // A top-down header (negative height) is not fitted: full rectangle.
        {{0, 0, 1000, 600}, 640, -480, true, false,
         R"({"op":"StretchDIBits","dest":[0,0,1000,-600],"src":[0,0,640,-480],"image":[640,-480,8],"usage":0,"rop":13369376})"},
        // A fit to zero width is still drawn as the fit says.
        {{0, 0, 1000, 1}, 1, 10000, true, false,
         R"({"op":"StretchDIBits","dest":[500,0,0,-1],"src":[0,0,1,10000],"image":[1,10000,8],"usage":0,"rop":13369376})"},
    };
    for (const Case& c : cases) {
        const auto calls = ItemCalls({ImageItem(c.rc, c.w, c.h, c.keep, c.invert)});
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0], c.expected);
    }
}

TEST(PageRenderer, FrameOutlineClockwise)
{
    const auto calls = ItemCalls({FrameItem({100, 200, 300, 400}, 0, 0x00FF8040)});
    const std::vector<std::string> expected = {
        R"({"op":"CreatePen","style":0,"width":0,"color":16744512,"handle":3})",
        R"({"op":"SelectPen","handle":3,"previous":2})",
        R"({"op":"MoveTo","x":100,"y":-200})",
        R"({"op":"LineTo","x":300,"y":-200})",
        R"({"op":"LineTo","x":300,"y":-400})",
        R"({"op":"LineTo","x":100,"y":-400})",
        R"({"op":"LineTo","x":100,"y":-200})",
        R"({"op":"SelectPen","handle":2,"previous":3})",
        R"({"op":"DeletePen","handle":3})",
    };
    EXPECT_EQ(calls, expected);
}

TEST(PageRenderer, TwoCallsAreIdenticalAndItemsUnchanged)
{
    const std::string block = "one\ntwo";
    CPageItemArray items;
    items.Add(TextItem({10, 20, 30, 40}, "t", "Arial", 2));
    items.Add(ImageItem({0, 0, 1000, 600}, 640, 480, true, false));
    items.Add(BlockItem({0, 0, 100, 100}, block, 2, 3));
    items.Add(FrameItem({1, 2, 3, 4}, 5, 6));
    std::vector<RECT> before;
    for (std::size_t i = 0; i < items.GetSize(); ++i)
        before.push_back(items.GetAt(i).rcItem);
    const auto first = Render(items);
    const auto second = Render(items);
    EXPECT_EQ(first, second);
    for (std::size_t i = 0; i < items.GetSize(); ++i) {
        EXPECT_EQ(std::memcmp(&before[i], &items.GetAt(i).rcItem, sizeof(RECT)), 0);
    }
    FreePageItems(items);
}

TEST(PageRenderer, HostileRectanglesSaturate)
{
    // Spans of 2^32 - 1 and negations of INT_MIN do not wrap.
    const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    auto calls = ItemCalls({TextItem(huge, "x", "", 0)});
    EXPECT_EQ(calls[0], Font(INT_MAX, 0, 0, "", 3));
    EXPECT_EQ(Ops(calls, "DrawText")[0], Text("x", INT_MIN, INT_MAX, INT_MAX, -INT_MAX, 0x124));

    const std::string block = "a\nb";
    calls = ItemCalls({BlockItem(huge, block, 1, 1)});
    EXPECT_EQ(calls[0], Font(INT_MAX, INT_MAX, 4, "Arial", 3)); // 3/4 of 2^32-1 still saturates

    calls = ItemCalls({BlockItem({0, INT_MAX - 10, 10, INT_MAX}, block, 2, 1)});
    const auto draws = Ops(calls, "DrawText");
    EXPECT_EQ(draws[1], Text("b", 0, -(INT_MAX - 5), 10, -INT_MAX, 0x120));

    calls = ItemCalls({ImageItem(huge, 10, 10, false, false)});
    EXPECT_EQ(calls[0], R"({"op":"StretchDIBits","dest":[-2147483648,2147483647,2147483647,-2147483648],"src":[0,0,10,10],"image":[10,10,8],"usage":0,"rop":13369376})");
}

// Surfaces that fail the way a device context may.
class NoFontDC : public CTraceDC {
public:
    HFONT CreateFont(const FontRequest&) override { return HFONT{}; }
};
class NoPreviousDC : public CTraceDC {
public:
    HFONT SelectFont(HFONT f) noexcept override { CTraceDC::SelectFont(f); return HFONT{}; }
    HPEN SelectPen(HPEN p) noexcept override { CTraceDC::SelectPen(p); return HPEN{}; }
};
class PenFailsDC : public CTraceDC {
public:
    HPEN CreatePen(int, int, COLORREF) override { throw CResourceException("no pen"); }
};
class DrawFailsDC : public CTraceDC {
public:
    int draws = 0;
    int DrawText(const char* t, int n, const RECT& r, UINT f) override
    {
        if (++draws == 2)
            throw std::bad_alloc();
        return CTraceDC::DrawText(t, n, r, f);
    }
};

TEST(PageRendererFailures, FontNotCreatedTextStillDrawn)
{
    CPageItemArray items;
    items.Add(TextItem({0, 0, 10, 10}, "a", "Arial", 0));
    NoFontDC dc;
    RenderPage(&dc, items);
    EXPECT_TRUE(Ops(dc.Lines(), "SelectFont").empty());
    EXPECT_TRUE(Ops(dc.Lines(), "DeleteFont").empty());
    EXPECT_EQ(Ops(dc.Lines(), "DrawText").size(), 1u);
}

TEST(PageRendererFailures, NoPreviousObjectIsNotSelectedBackButDeleted)
{
    CPageItemArray items;
    items.Add(TextItem({0, 0, 10, 10}, "a", "Arial", 0));
    items.Add(FrameItem({0, 0, 10, 10}, 1, 0));
    NoPreviousDC dc;
    RenderPage(&dc, items);
    EXPECT_EQ(Ops(dc.Lines(), "SelectFont").size(), 1u);
    EXPECT_EQ(Ops(dc.Lines(), "SelectPen").size(), 1u);
    EXPECT_EQ(Ops(dc.Lines(), "DeleteFont").size(), 1u);
    EXPECT_EQ(Ops(dc.Lines(), "DeletePen").size(), 1u);
    EXPECT_EQ(dc.LiveObjects(), 0u);
    EXPECT_EQ(dc.SelectedFont().id, CTraceDC::kStockFont);
}

TEST(PageRendererFailures, PenExceptionEndsThePage)
{
    CPageItemArray items;
    items.Add(TextItem({0, 0, 10, 10}, "before", "Arial", 0));
    items.Add(FrameItem({0, 0, 10, 10}, 1, 0));
    items.Add(TextItem({0, 0, 10, 10}, "after", "Arial", 0));
    PenFailsDC dc;
    EXPECT_THROW(RenderPage(&dc, items), CResourceException);
    const auto draws = Ops(dc.Lines(), "DrawText");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NE(draws[0].find("before"), std::string::npos);
    EXPECT_EQ(dc.MapMode(), MM_HIMETRIC); // not set back
    EXPECT_EQ(dc.LiveObjects(), 0u);
}

TEST(PageRendererFailures, ExceptionWhileDrawingReleasesTheFont)
{
    const std::string block = "a\nb\nc";
    CPageItemArray items;
    items.Add(BlockItem({0, 0, 100, 300}, block, 3, 1));
    DrawFailsDC dc;
    EXPECT_THROW(RenderPage(&dc, items), std::bad_alloc);
    EXPECT_EQ(dc.LiveObjects(), 0u);
    EXPECT_EQ(dc.SelectedFont().id, CTraceDC::kStockFont);
    EXPECT_EQ(dc.Lines().back(), R"({"op":"DeleteFont","handle":3})");
    FreePageItems(items);
}

TEST(TraceJson, QuotesAndRepairs)
{
    EXPECT_EQ(JsonQuote("a\"b\\c\n\x01"), R"("a\"b\\c\u000a\u0001")");
    EXPECT_EQ(JsonQuote("宋体"), "\"宋体\"");
    EXPECT_EQ(JsonQuote(std::string("\xC3", 1)), "\"\xEF\xBF\xBD\"");      // cut sequence
    EXPECT_EQ(JsonQuote("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""); // surrogate
    EXPECT_EQ(JsonQuote("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");    // overlong
}

TEST(TraceJson, WrittenAsMadeIsWhatIsKept)
{
    // A block line long enough to go out in many pieces, with multibyte
    // characters, quotes and control bytes across every piece boundary: the
    // lines written as the calls are made are the lines kept, and the text
    // is in them in full.
    std::string line;
    while (line.size() < 300000)
        line += "\xE4\xBD\xA0\"a\\\x01\xF0\x9F\x98\x80";
    line += "\xC3";
    CPageItemArray items;
    items.Add(BlockItem({0, 0, 1000, 100}, line + "\nb", 2, 10));
    CTraceDC kept;
    RenderPage(&kept, items);
    std::string expected;
    for (const std::string& l : kept.Lines())
        expected += l + "\n";
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    CTraceDC written(file);
    RenderPage(&written, items);
    std::string got(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(got.data(), 1, got.size(), file), got.size());
    std::fclose(file);
    EXPECT_TRUE(written.Lines().empty());
    EXPECT_EQ(got, expected);
    EXPECT_NE(expected.find(JsonQuote(AnsiToUtf8(line))), std::string::npos);
    FreePageItems(items);
}
