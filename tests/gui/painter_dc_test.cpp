// SPDX-License-Identifier: MIT
// The painter surface on pixels: the page drawn into an image at 254 dpi,
// where one pixel is exactly 10 page units (0.1 mm), so every edge has a
// known pixel.
#include "core/job/page_item.h"
#include "core/dib/image_block.h"
#include "linux/surface/painter_dc.h"
#include "linux/surface/page_painter.h"
#include "core/render/page_renderer.h"

#include <QElapsedTimer>
#include <QPicture>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <tuple>
#include <cstring>

using namespace vexlan;

namespace {

constexpr int kDpi = 254; // 10 px per mm: 1 px = 10 units

QImage Page(int w = 800, int h = 600)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    return image;
}

QImage Paint(const CPageItemArray& items, int w = 800, int h = 600)
{
    QImage image = Page(w, h);
    QPainter painter(&image);
    PaintPage(painter, items);
    return image;
}

bool Dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

PageItem Frame(RECT rc, int width, COLORREF color = 0)
{
    PageItem item;
    item.nType = ITEM_FRAME;
    item.rcItem = rc;
    item.nPenWidth = width;
    item.crColor = color;
    return item;
}

PageItem Text(RECT rc, const std::string& text, const std::string& face, UINT align = 0)
{
    PageItem item;
    item.nType = ITEM_TEXT;
    item.rcItem = rc;
    SetItemText(item, text);
    SetItemFace(item, face);
    item.nAlign = align;
    return item;
}

// A DIB from top-down rows of pixels (0xRRGGBB), stored bottom-up as the
// decoder stores it; 24 bits, or 8 bits with a grey palette when `grey`.
PageItem Image(RECT rc, const std::vector<std::vector<uint32_t>>& rows, bool grey, bool invert = false)
{
    const int h = static_cast<int>(rows.size());
    const int w = static_cast<int>(rows[0].size());
    const int bpp = grey ? 8 : 24;
    const std::size_t stride = DibRowBytes(w, bpp);
    auto* bmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)));
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = w;
    bmi->bmiHeader.biHeight = h;
    bmi->bmiHeader.biBitCount = static_cast<uint16_t>(bpp);
    if (grey) {
        bmi->bmiHeader.biClrUsed = 256;
        for (int i = 0; i < 256; ++i)
            bmi->bmiColors[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }
    auto* bits = static_cast<uint8_t*>(ImageBlockAlloc(stride * h));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bits + (h - 1 - y) * stride; // bottom-up
        for (int x = 0; x < w; ++x) {
            const uint32_t c = rows[y][x];
            if (grey) {
                row[x] = uint8_t(c & 0xFF);
            } else {
                row[3 * x] = uint8_t(c & 0xFF);          // blue
                row[3 * x + 1] = uint8_t((c >> 8) & 0xFF); // green
                row[3 * x + 2] = uint8_t(c >> 16);       // red
            }
        }
    }
    PageItem item;
    item.nType = ITEM_IMAGE;
    item.rcItem = rc;
    item.pBmi = bmi;
    item.pBits = bits;
    item.bInvert = invert;
    return item;
}

CPageItemArray List(std::initializer_list<PageItem> items)
{
    CPageItemArray list;
    for (const PageItem& i : items)
        list.Add(i);
    return list;
}

// The bounding box of dark pixels inside `area`.
QRect Ink(const QImage& img, QRect area = {})
{
    if (area.isNull())
        area = img.rect();
    int l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Dark(img, x, y)) {
                l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
            }
    return l == INT_MAX ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

} // namespace

TEST(PainterDC, HimetricMapsToDevicePixels)
{
    QImage image = Page();
    QPainter painter(&image);
    CPainterDC dc(painter);
    dc.SetMapMode(MM_HIMETRIC);
    EXPECT_EQ(dc.ToDevice(1000, -2000), QPointF(100, 200));
    EXPECT_EQ(dc.ToDevice(15, -14), QPointF(2, 1)); // 1.5 rounds up, 1.4 down
    dc.SetMapMode(MM_TEXT);
    EXPECT_EQ(dc.ToDevice(1000, 2000), QPointF(1000, 2000));
}

TEST(PainterDC, ThinFrameLandsOnItsEdgePixels)
{
    CPageItemArray items = List({Frame({1000, 1000, 5000, 3000}, 0)});
    const QImage img = Paint(items);
    for (int y = 101; y < 300; y += 7) {
        EXPECT_TRUE(Dark(img, 100, y)) << y;
        EXPECT_TRUE(Dark(img, 500, y)) << y;
        EXPECT_FALSE(Dark(img, 99, y)) << y;
        EXPECT_FALSE(Dark(img, 101, y)) << y;
        EXPECT_FALSE(Dark(img, 300, y)) << "the outline is not filled";
    }
    for (int x = 101; x < 500; x += 7) {
        EXPECT_TRUE(Dark(img, x, 100)) << x;
        EXPECT_TRUE(Dark(img, x, 300)) << x;
        EXPECT_FALSE(Dark(img, x, 99)) << x;
        EXPECT_FALSE(Dark(img, x, 301)) << x;
    }
}

TEST(PainterDC, WideFrameIsCentredOnTheOutlineInItsColour)
{
    // 100 units = 10 px, red.
    CPageItemArray items = List({Frame({1000, 1000, 5000, 3000}, 100, 0x000000FF)});
    const QImage img = Paint(items);
    const int y = 200;
    EXPECT_EQ(QColor(img.pixel(100, y)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(96, y)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(104, y)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(93, y)), QColor(Qt::white));
    EXPECT_EQ(QColor(img.pixel(107, y)), QColor(Qt::white));
}

TEST(PainterDC, ImageIsUprightAndStretchedToNearestPixels)
{
    // 2 x 2: red, green over blue, white; stretched over 40 x 20 px.
    CPageItemArray items = List({Image({1000, 500, 1400, 700}, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, false)});
    const QImage img = Paint(items);
    EXPECT_EQ(QColor(img.pixel(100, 50)), QColor(255, 0, 0));   // top-left
    EXPECT_EQ(QColor(img.pixel(139, 50)), QColor(0, 255, 0));   // top-right
    EXPECT_EQ(QColor(img.pixel(100, 69)), QColor(0, 0, 255));   // bottom-left
    EXPECT_EQ(QColor(img.pixel(119, 59)), QColor(255, 0, 0));   // last pixel of the first cell
    EXPECT_EQ(QColor(img.pixel(120, 60)), QColor(255, 255, 255)); // first of the last cell
    EXPECT_EQ(QColor(img.pixel(99, 50)), QColor(Qt::white));
    EXPECT_EQ(QColor(img.pixel(100, 49)), QColor(Qt::white));
    // Never blended: only the four source colours (and the white page).
    for (int y = 50; y < 70; ++y)
        for (int x = 100; x < 140; ++x) {
            const QRgb c = img.pixel(x, y) & 0xFFFFFF;
            EXPECT_TRUE(c == 0xFF0000 || c == 0x00FF00 || c == 0x0000FF || c == 0xFFFFFF) << x << "," << y;
        }
    FreePageItems(items);
}

TEST(PainterDC, InvertedGreyImageIsInverted)
{
    CPageItemArray items = List({Image({0, 0, 400, 200}, {{0x00, 0xFF}, {0x40, 0xC0}}, true, true)});
    const QImage img = Paint(items);
    EXPECT_EQ(qGray(img.pixel(5, 5)), 0xFF);
    EXPECT_EQ(qGray(img.pixel(35, 5)), 0x00);
    EXPECT_EQ(qGray(img.pixel(5, 15)), 0xBF);
    EXPECT_EQ(qGray(img.pixel(35, 15)), 0x3F);
    FreePageItems(items);
}

TEST(PainterDC, MirroredDestinationFlipsTheImage)
{
    QImage img = Page(100, 100);
    PageItem item = Image({0, 0, 1, 1}, {{0xFF0000, 0x0000FF}}, false);
    {
        QPainter painter(&img);
        CPainterDC dc(painter);
        // MM_TEXT, negative width: the image runs leftward from x = 40.
        dc.StretchDIBits(40, 0, -40, 10, 0, 0, 2, 1, item.pBits, item.pBmi, DIB_RGB_COLORS, SRCCOPY);
    }
    EXPECT_EQ(QColor(img.pixel(35, 5)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(5, 5)), QColor(0, 0, 255));
    CPageItemArray items = List({item});
    FreePageItems(items);
}

TEST(PainterDC, ShrunkImageShowsTheSourcePixelUnderEachDevicePixelCentre)
{
    // Source pixel (x, y) is red x, green y; a painter scaled by 0.1 (the
    // preview) shrinks it, mirrored or inverted, onto fractional edges.
    std::vector<std::vector<uint32_t>> rows(40, std::vector<uint32_t>(60));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            rows[y][x] = uint32_t(x) << 16 | uint32_t(y) << 8;
    PageItem item = Image({0, 0, 1, 1}, rows, false);
    for (const auto& [w, h, rop] : {std::tuple{247, 163, SRCCOPY}, {-247, 163, NOTSRCCOPY}, {247, -163, SRCCOPY}}) {
        QImage img = Page(60, 60);
        {
            QPainter painter(&img);
            painter.scale(0.1, 0.1);
            CPainterDC dc(painter);
            dc.StretchDIBits(w > 0 ? 103 : 350, h > 0 ? 56 : 219, w, h, 0, 0, 60, 40, item.pBits, item.pBmi,
                             DIB_RGB_COLORS, rop);
        }
        const uint32_t flip = rop == SRCCOPY ? 0 : 0xFFFFFF;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                const double u = ((x + 0.5) / 0.1 - 103) / 247, v = ((y + 0.5) / 0.1 - 56) / 163;
                const uint32_t c = (img.pixel(x, y) ^ flip) & 0xFFFFFF;
                if (u < 0 || u >= 1 || v < 0 || v >= 1) {
                    EXPECT_EQ(img.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
                    continue;
                }
                EXPECT_NEAR(c >> 16, (w > 0 ? u : 1 - u) * 60, 1.01) << x << "," << y << " w " << w;
                EXPECT_NEAR(c >> 8 & 0xFF, (h > 0 ? v : 1 - v) * 40, 1.01) << x << "," << y << " h " << h;
                EXPECT_EQ(c & 0xFF, 0u);
            }
    }
    CPageItemArray items = List({item});
    FreePageItems(items);
}

TEST(PainterDC, TextCellHeightMatchesTheRectangle)
{
    // A 100 px high cell from y = 100; "É" reaches near the ascent and
    // "g" near the descent, so the ink spans most of the cell.
    CPageItemArray items = List({Text({1000, 1000, 7000, 2000}, "Égy", "Arial")});
    const QImage img = Paint(items);
    const QRect ink = Ink(img);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.top(), 100);
    EXPECT_LT(ink.bottom(), 200);
    EXPECT_GT(ink.height(), 75);
    EXPECT_GE(ink.left(), 100); // left-aligned at the rectangle's left edge (plus É's bearing)
    EXPECT_LE(ink.left(), 110);
}

TEST(PainterDC, TextAlignmentAndNoClipping)
{
    const QImage right = Paint(List({Text({1000, 1000, 5000, 1500}, "HHH", "Arial", DT_RIGHT)}));
    EXPECT_LE(std::abs(Ink(right).right() - 499), 4);
    const QImage centre = Paint(List({Text({1000, 1000, 5000, 1500}, "HHH", "Arial", DT_CENTER)}));
    EXPECT_LE(std::abs(Ink(centre).center().x() - 300), 3);
    // Longer than its rectangle: runs past the right edge.
    const QImage longer = Paint(List({Text({1000, 1000, 1500, 1500}, "HHHHHHHHHH", "Arial")}));
    EXPECT_GT(Ink(longer).right(), 200);
}

TEST(PainterDC, ChineseTextUsesAChineseFont)
{
    // 中 has a long vertical stroke through its middle; a missing-glyph box
    // has none. Drawn in 宋体's stand-in at a 200 px cell.
    const QImage img = Paint(List({Text({0, 0, 4000, 2000}, "中", "宋体")}));
    const QRect ink = Ink(img);
    ASSERT_FALSE(ink.isNull());
    int longest = 0;
    for (int x = ink.left(); x <= ink.right(); ++x) {
        int run = 0;
        for (int y = ink.top(); y <= ink.bottom(); ++y) {
            run = Dark(img, x, y) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GT(longest, ink.height() * 9 / 10);
    EXPECT_GT(ink.height(), 120);
    EXPECT_LT(ink.width(), ink.height() * 11 / 10);
}

TEST(PainterDC, PrefixUnderlinesTheNextCharacter)
{
    const QImage plain = Paint(List({Text({1000, 1000, 5000, 2000}, "AB", "Arial")}));
    const QImage marked = Paint(List({Text({1000, 1000, 5000, 2000}, "&AB", "Arial")}));
    const QRect plainInk = Ink(plain), markedInk = Ink(marked);
    EXPECT_GT(markedInk.bottom(), plainInk.bottom()); // the underline below A
    EXPECT_EQ(markedInk.left(), plainInk.left());     // the '&' itself is not drawn
    // "&&" draws one '&': as wide as "&" drawn without the prefix rule, and
    // narrower than "&&" drawn without it.
    QImage img = Page();
    {
        QPainter painter(&img);
        CPainterDC dc(painter);
        dc.DrawText("&&", 2, RECT{100, 0, 400, 100}, DT_SINGLELINE);
        dc.DrawText("&", 1, RECT{100, 200, 400, 300}, DT_SINGLELINE | DT_NOPREFIX);
        dc.DrawText("&&", 2, RECT{100, 400, 400, 500}, DT_SINGLELINE | DT_NOPREFIX);
    }
    const int one = Ink(img, QRect(0, 0, 800, 150)).width();
    EXPECT_EQ(one, Ink(img, QRect(0, 200, 800, 150)).width());
    EXPECT_GT(Ink(img, QRect(0, 400, 800, 150)).width(), one * 3 / 2);
}

TEST(PainterDC, TextBackgroundIsOpaqueWhite)
{
    // Text over a black image clears its cell box to white, as a fresh
    // device context's opaque background mode does.
    CPageItemArray items = List({Image({0, 0, 8000, 6000}, {{0}}, true), Text({1000, 1000, 7000, 2000}, "x", "Arial")});
    const QImage img = Paint(items);
    EXPECT_EQ(qGray(img.pixel(700, 500)), 0);   // image outside the text
    int white = 0;
    for (int x = 100; x < 120; ++x)
        white += qGray(img.pixel(x, 110)) == 255;
    EXPECT_GT(white, 10);
    FreePageItems(items);
}

TEST(PainterDC, HostileGeometryIsCheapAndSafe)
{
    const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    const RECT wide{INT_MIN / 2, 1000, INT_MAX, 2000};
    CPageItemArray items = List({Frame(huge, INT_MAX), Frame(wide, 0), Text(huge, "中文 text", "宋体", DT_CENTER),
                                 Text(wide, "wide", "Arial", DT_CENTER), Image(huge, {{0x123456, 0x654321}}, false)});
    PageItem block;
    block.nType = ITEM_TEXTBLOCK;
    block.rcItem = huge;
    SetItemFace(block, "黑体");
    block.pszBlock = new char[8];
    std::memcpy(block.pszBlock, "ab\ncd", 6);
    block.nLineCount = 2;
    block.nMaxLineLen = 2;
    items.Add(block);
    QElapsedTimer timer;
    timer.start();
    const QImage img = Paint(items, 2480, 3508); // A4 at 300 dpi
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_FALSE(img.isNull());
    FreePageItems(items);
}

namespace {

// One drawing call on a painter surface over `painter`.
using Call = std::function<void(CPainterDC&)>;

Call TextAt(RECT rc, std::string text, int height, int width, UINT format = DT_SINGLELINE | DT_NOCLIP)
{
    return [=](CPainterDC& dc) {
        FontRequest request;
        request.height = height;
        request.width = width;
        request.face = "Arial";
        const HFONT font = dc.CreateFont(request);
        const HFONT old = dc.SelectFont(font);
        dc.DrawText(text.c_str(), int(text.size()), rc, format);
        dc.SelectFont(old);
        dc.DeleteFont(font);
    };
}

Call LineFrom(int x0, int y0, int x1, int y1, int width, COLORREF color)
{
    return [=](CPainterDC& dc) {
        const HPEN pen = dc.CreatePen(PS_SOLID, width, color);
        const HPEN old = dc.SelectPen(pen);
        dc.MoveTo(x0, y0);
        dc.LineTo(x1, y1);
        dc.SelectPen(old);
        dc.DeletePen(pen);
    };
}

// The calls through one surface (held back, what is covered left out), or
// each through a surface of its own (every call drawn in full).
void Draw(QPaintDevice* device, const std::vector<Call>& calls, bool together)
{
    QPainter painter(device);
    std::unique_ptr<CPainterDC> dc;
    for (const Call& call : calls) {
        if (!dc || !together)
            dc = std::make_unique<CPainterDC>(painter, kDpi, kDpi);
        call(*dc);
    }
}

} // namespace

TEST(PainterDC, DrawingLeftOutIsDrawingThatCannotShow)
{
    // Text in few slots (boxes wider and narrower, descenders, overhangs,
    // centred cells at fractions of a pixel), lines over lines, images over
    // parts of it all, drawn at two sizes: the same page pixel for pixel.
    PageItem img = Image({0, 0, 1, 1}, {{0x3366CC, 0xCC6633}}, false);
    const char* texts[] = {"Wg", "jjjj", "ab", "T_f", "gy", "W", "M&M", "\xe4\xb8\xad", "Aj"};
    std::vector<Call> calls;
    uint32_t seed = 12345;
    const auto next = [&seed](int n) { return int((seed = seed * 1103515245u + 12345u) >> 8) % n; };
    for (int i = 0; i < 120; ++i) {
        const int x = next(4) * 37 - 20, y = 10 + next(4) * 45, kind = next(10);
        const UINT format = DT_SINGLELINE | UINT(next(3)) | (next(3) ? DT_NOCLIP : 0) | (next(2) ? DT_VCENTER : 0);
        if (kind < 7)
            calls.push_back(TextAt({x, y, x + 150 + next(200), y + 30 + next(3)}, texts[next(9)], next(3) * 17,
                                   next(4) * 20, format));
        else if (kind < 9)
            calls.push_back(LineFrom(x, y, next(2) ? x : x + 300, next(2) ? y + 200 : y, next(4) * 2, 0x0000FF * i));
        else
            calls.push_back([&img, x, y, w = 50 + next(600), h = 5 + next(300)](CPainterDC& dc) {
                dc.StretchDIBits(x, y, w, h, 0, 0, 2, 1, img.pBits, img.pBmi, DIB_RGB_COLORS, SRCCOPY);
            });
    }
    for (const QSize size : {QSize(600, 300), QSize(233, 177)}) {
        QImage held = Page(size.width(), size.height()), each = held;
        Draw(&held, calls, true);
        Draw(&each, calls, false);
        EXPECT_EQ(held, each) << size.width();
    }
    CPageItemArray items = List({img});
    FreePageItems(items);
}

TEST(PainterDC, CoveredDrawingCostsNothing)
{
    // A thousand lines in one slot, recorded on a vector device: only the
    // visible ones are recorded.
    std::vector<Call> one{TextAt({0, 0, 8000, 20}, "gW", 0, 4000)};
    std::vector<Call> many;
    for (int i = 0; i < 1000; ++i)
        many.push_back(TextAt({0, 0, 8000, 20}, i % 2 ? "gW" : "Wy", 0, 4000));
    QPicture single, thousand;
    single.setBoundingRect(QRect(0, 0, 2000, 500));
    thousand.setBoundingRect(QRect(0, 0, 2000, 500));
    Draw(&single, one, true);
    Draw(&thousand, many, true);
    EXPECT_GT(single.size(), 100u);
    EXPECT_LT(thousand.size(), 3 * single.size());
}

TEST(PainterDC, CoverReachesTheEdgeOfAScaledDevice)
{
    // Through a painter that scales, the device ends at a fraction of this
    // surface's pixel: wide lines running off it are still hidden by the
    // wider one drawn last.
    const auto record = [](int count) {
        QPicture picture;
        picture.setBoundingRect(QRect(0, 0, 1000, 500));
        QPainter painter(&picture);
        painter.scale(0.7, 0.7);
        CPainterDC dc(painter, kDpi, kDpi);
        for (int i = count; i-- > 0;)
            LineFrom(-50, 300 + i % 5, 3000, 300 + i % 5, i == 0 ? 200 : 60 + i % 7, COLORREF(i))(dc);
        dc.Flush();
        return picture.size();
    };
    EXPECT_LT(record(1000), 2 * record(1));
}

TEST(PainterDC, LongStretchedTinyGlyphsAreDrawn)
{
    // A cell of 2 pixels stretched to 600-pixel characters: FreeType cannot
    // render such glyphs for Qt's glyph cache (and Qt then reads past the
    // missing bitmap); they are filled as outlines.
    QImage img = Page(2000, 100);
    Draw(&img, {TextAt({0, 50, 1900, 52}, "WZW", 2, 600)}, true);
    int inked = 0;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 45; y < 56; ++y)
            inked += qGray(img.pixel(x, y)) < 250;
    EXPECT_GT(inked, 500);
}

TEST(PainterDC, LongLineShowsWhatItsStartShows)
{
    // A left-aligned line far longer than the page is laid out only as far
    // as it can show: the pixels of a start of it that runs well past the
    // right edge. A right-to-left run is reordered as a whole, so its last
    // character still comes first, right after the "a".
    std::string ltr, rtl = "a";
    for (int i = 0; i < 20000; ++i)
        ltr += "AVWa&b\xe4\xb8\xad ";
    for (int i = 0; i < 3000; ++i)
        rtl += "\xd7\x90"; // alef
    const struct {
        std::string line, start;
        int width; // of the image compared
    } rows[] = {{ltr, ltr.substr(0, 1200), 2000}, {rtl + "\xd7\x91", rtl.substr(0, 21) + "\xd7\x91", 40}};
    for (const auto& row : rows) {
        QImage whole = Page(2000, 100), start = whole;
        Draw(&whole, {TextAt({0, 20, 100, 40}, row.line, 12, 0)}, true);
        Draw(&start, {TextAt({0, 20, 100, 40}, row.start, 12, 0)}, true);
        EXPECT_EQ(whole.copy(0, 0, row.width, 100), start.copy(0, 0, row.width, 100)) << row.start;
    }
}

TEST(PainterDC, GlyphsStretchedOnlyByAScalingPainterAreSafe)
{
    // A block of 5,000 one-letter lines 13 units high and 200 mm wide, on a
    // surface at 1200 dpi drawn through a painter that shrinks it to a
    // screen (as the preview draws): glyphs a third of a pixel high and
    // 600 long on the image would go to Qt's glyph cache, where FreeType
    // cannot render them (and Qt read past the missing bitmap).
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += std::string(1, char('a' + i % 26)) + "\n";
    PageItem block;
    block.nType = ITEM_TEXTBLOCK;
    block.rcItem = {0, 0, 20000, 65000};
    SetItemFace(block, "Arial");
    block.pszBlock = new char[text.size() + 1];
    std::memcpy(block.pszBlock, text.c_str(), text.size() + 1);
    block.nLineCount = 5000;
    block.nMaxLineLen = 1;
    CPageItemArray items = List({block});
    QImage img = Page(700, 990);
    {
        QPainter painter(&img);
        painter.scale(700.0 / 9921, 700.0 / 9921);
        CPainterDC dc(painter, 1200, 1200);
        RenderPage(&dc, items);
    }
    EXPECT_FALSE(Ink(img).isNull());
    FreePageItems(items);
}

TEST(PainterDC, HairlinesShrunkOntoAnImagePaintWhatQtsLinesPaint)
{
    // Thousands of hairlines sharing rows once shrunk (as in a preview),
    // with wide lines and an image among them: the surface, leaving out
    // what later lines cover and filling the rest itself, paints exactly
    // the pixels of Qt's own lines.
    PageItem img = Image({0, 0, 1, 1}, {{0x3366CC, 0xCC6633}}, false);
    uint32_t seed = 777;
    const auto next = [&seed](int n) { return int((seed = seed * 1103515245u + 12345u) >> 8) % n; };
    for (const double scale : {0.0706, 0.13, 0.5, 0.77}) {
        QImage surface = Page(int(2000 * scale) + 1, int(2000 * scale) + 1), qt = surface;
        QPainter held(&surface), each(&qt);
        held.scale(scale, scale), each.scale(scale, scale);
        auto dc = std::make_unique<CPainterDC>(held, kDpi, kDpi);
        for (int i = 0; i < 3000; ++i) {
            const int at = next(2000), from = next(2000), to = next(2000), width = i % 97 ? 0 : 30;
            const COLORREF c = COLORREF(next(0x1000000));
            const QLine line = next(2) ? QLine(at, from, at, to) : QLine(from, at, to, at);
            LineFrom(line.x1(), line.y1(), line.x2(), line.y2(), width, c)(*dc);
            CPainterDC single(each, kDpi, kDpi); // wide lines and the image through a surface of their own
            if (width != 0)
                LineFrom(line.x1(), line.y1(), line.x2(), line.y2(), width, c)(single);
            else
                each.setPen(QPen(QColor(c & 255, c >> 8 & 255, c >> 16 & 255), 0, Qt::SolidLine, Qt::FlatCap)),
                    each.drawLine(line);
            for (CPainterDC* on : {dc.get(), &single})
                if (i == 1500)
                    on->StretchDIBits(300, 300, 900, 700, 0, 0, 2, 1, img.pBits, img.pBmi, DIB_RGB_COLORS, SRCCOPY);
        }
        dc.reset(), held.end(), each.end();
        EXPECT_EQ(surface, qt) << "scale " << scale;
    }
    CPageItemArray items = List({img});
    FreePageItems(items);
}

TEST(PainterDC, DrawingGivenUpPaintsNothingItHolds)
{
    // The preview gives a drawing up once the surface holds its page: what
    // it holds is not painted after all.
    for (const bool givenUp : {false, true}) {
        QImage image = Page();
        const std::atomic<bool> cancel{givenUp};
        {
            QPainter painter(&image);
            CPainterDC dc(painter, kDpi, kDpi);
            dc.SetCancel(&cancel);
            for (int x = 10; x < 790; x += 5)
                dc.MoveTo(x, 10), dc.LineTo(x, 590);
        }
        EXPECT_EQ(Ink(image).isNull(), givenUp);
    }
}
