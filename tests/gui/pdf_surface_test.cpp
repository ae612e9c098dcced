// SPDX-License-Identifier: MIT
// The PDF that --pdf writes and printing spools (cairo's PDF surface) is the
// page the preview draws: the PDF rasterised by pdftoppm and the painter
// surface's drawing at the same resolution agree within a device pixel,
// and a picture with known JPEG data is embedded as those very bytes
// (once, however often drawn), inverted or not, in a file qpdf finds sound.
#include "core/job/page_item.h"
#include "jpeg_writer.h"
#include "core/jpeg/jpg_image.h"
#include "core/dib/image_block.h"
#include "core/dib/stored_jpeg.h"
#include "test_support.h"
#include "linux/surface/page_painter.h"
#include "linux/pdf/cairo_fonts.h"
#include "linux/pdf/pdf_page.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace vexlan;

namespace {

constexpr int kDpi = 150;

// A 160 x 120 photo-like JPEG (gradients, a dark bar near the top, a light
// one on the right, so a mirrored or misplaced picture shows), decoded as
// the job layer decodes it and registered with its bytes.
PageItem Picture(const test::TempDir& dir, RECT rc, bool invert, std::string& jpeg)
{
    const int w = 160, h = 120;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool bar = (y > 10 && y < 25) || (x > 130 && x < 145);
            rgb.insert(rgb.end(), {uint8_t(bar ? (y < 25 ? 20 : 235) : x * 255 / w), uint8_t(bar ? (y < 25 ? 20 : 235) : y * 2),
                                   uint8_t(bar ? (y < 25 ? 20 : 235) : 128)});
        }
    }
    jpeg = test::EncodeJpeg(w, h, rgb);
    test::WriteFile(dir.file("p.jpg"), jpeg);
    PageItem item;
    item.nType = ITEM_IMAGE;
    item.rcItem = rc;
    item.bInvert = invert;
    EXPECT_NE(bImportJPG(dir.file("p.jpg"), item.pBits, item.pBmi), 0);
    RememberStoredJpeg(item.pBits, StoredJpeg{std::make_shared<std::vector<uint8_t>>(jpeg.begin(), jpeg.end()), w, h, 3});
    return item;
}

std::string WritePdf(const test::TempDir& dir, const CPageItemArray& items)
{
    const PdfPageSetup setup{QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()), 1200, "t", "c"};
    QString error;
    EXPECT_TRUE(WritePdfPage(QString::fromStdString(dir.file("page.pdf")), setup,
                             [&](QPainter& painter) { PaintPage(painter, items); }, error))
        << error.toStdString();
    // Sound to a strict reader: no error, no warning (a duplicated key).
    const test::RunResult check = test::Run({"qpdf", "--check", dir.file("page.pdf")});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    return test::ReadFile(dir.file("page.pdf"));
}

std::size_t Count(const std::string& haystack, const std::string& needle)
{
    std::size_t n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

TEST(PdfSurface, StoredJpegIsEmbeddedAsItsBytesOnceInvertedOrNot)
{
    struct Case { bool invert; int drawn; std::size_t copies; };
    for (const Case c : {Case{false, 1, 1}, Case{false, 2, 1}, Case{true, 1, 1}, Case{true, 3, 1}}) {
        test::TempDir dir;
        std::string jpeg;
        CPageItemArray items;
        const PageItem picture = Picture(dir, RECT{1000, 1000, 9000, 7000}, c.invert, jpeg);
        for (int i = 0; i < c.drawn; ++i) {
            PageItem copy = picture;
            copy.rcItem.top += 8000 * i, copy.rcItem.bottom += 8000 * i;
            items.Add(copy);
        }
        EXPECT_EQ(Count(WritePdf(dir, items), jpeg), c.copies) << "invert " << c.invert << ", drawn " << c.drawn;
        ForgetStoredJpeg(picture.pBits);
        ImageBlockFree(picture.pBits);
        ImageBlockFree(picture.pBmi);
    }
}

// Grey pixels of a page image, row by row.
struct Grey {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    int at(int x, int y) const { return px[std::size_t(y) * w + x]; }
};

Grey FromImage(const QImage& image)
{
    const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
    Grey out{g.width(), g.height(), {}};
    for (int y = 0; y < g.height(); ++y)
        out.px.insert(out.px.end(), g.constScanLine(y), g.constScanLine(y) + g.width());
    return out;
}

// Every clearly dark pixel of `a` has a dark-ish pixel of `b` within one
// pixel; returns how many do not.
int Unmatched(const Grey& a, const Grey& b)
{
    int misses = 0;
    for (int y = 1; y + 1 < a.h; ++y) {
        for (int x = 1; x + 1 < a.w; ++x) {
            if (a.at(x, y) >= 96)
                continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = b.at(x + dx, y + dy) < 176;
            misses += !near;
        }
    }
    return misses;
}

TEST(PdfSurface, RasterisedPdfMatchesThePainterSurface)
{
    if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs pdftoppm (poppler-utils)";
    test::TempDir dir;
    std::string jpeg;
    CPageItemArray items;
    items.Add(Picture(dir, RECT{1500, 5000, 9500, 11000}, false, jpeg));
    items.Add(Picture(dir, RECT{10500, 5000, 18500, 11000}, true, jpeg));
    // Frames (a hairline and a 2-pixel pen: Qt and poppler round a 2.95
    // pixel wide line differently), lines in Chinese and Latin faces (one
    // over a picture, which its white background hides), a text block.
    const struct { int type; RECT rc; const char* text; const char* face; UINT alignOrPen; } page[] = {
        {ITEM_FRAME, {1000, 1000, 20000, 28700}, "", "", 0},
        {ITEM_FRAME, {1500, 12000, 19500, 20000}, "", "", 34},
        {ITEM_TEXT, {1500, 1500, 19500, 2700}, "Vexlan 打印输出 示例", "黑体", 1},
        {ITEM_TEXT, {1500, 3000, 19500, 3600}, "Left aligned &line, &Arial 0123", "Arial", 0},
        {ITEM_TEXT, {1500, 3800, 19500, 4400}, "右对齐的一行（宋体）Right", "宋体", 2},
        {ITEM_TEXT, {2000, 7000, 9000, 8200}, "图上的字 Over", "宋体", 0},
        {ITEM_TEXTBLOCK, {2000, 12500, 19000, 19500}, "发货单 No. 2026-1207\n品名：打印纸 A4 80g\n数量：20 箱\nTotal: 1,280.00 CNY", "宋体", 0},
    };
    for (const auto& p : page) {
        PageItem item;
        item.nType = p.type;
        item.rcItem = p.rc;
        SetItemFace(item, p.face);
        item.nAlign = item.nPenWidth = int(p.alignOrPen);
        if (p.type == ITEM_TEXTBLOCK) {
            item.pszBlock = new char[std::strlen(p.text) + 1];
            std::strcpy(item.pszBlock, p.text);
            item.nLineCount = 4;
            item.nMaxLineLen = 20;
        } else {
            SetItemText(item, p.text);
        }
        items.Add(item);
    }

    WritePdf(dir, items);
    ASSERT_EQ(test::Run({"pdftoppm", "-r", std::to_string(kDpi), "-singlefile", dir.file("page.pdf"),
                         dir.file("pdf")}).status, 0);
    const QImage fromPdf(QString::fromStdString(dir.file("pdf.ppm")));
    ASSERT_FALSE(fromPdf.isNull());
    QImage drawn(fromPdf.size(), QImage::Format_RGB32);
    drawn.setDotsPerMeterX(qRound(kDpi / 0.0254));
    drawn.setDotsPerMeterY(qRound(kDpi / 0.0254));
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        PaintPage(painter, items);
    }
    ForgetStoredJpeg(items.GetAt(0).pBits);
    ForgetStoredJpeg(items.GetAt(1).pBits);
    FreePageItems(items);

    const Grey a = FromImage(fromPdf), b = FromImage(drawn);
    // Geometry: the ink of each lies on the other's, within a pixel (Qt
    // draws an underline at 150 dpi a pixel thicker than at 1200: about 30
    // pixels of this page).
    EXPECT_LE(Unmatched(a, b) + Unmatched(b, a), 48);
    // Tone: text, frames and the picture carry the same ink, region by
    // region (32 x 32 pixels), whatever the antialiasing.
    int worst = 0;
    for (int y0 = 0; y0 + 32 <= a.h; y0 += 32) {
        for (int x0 = 0; x0 + 32 <= a.w; x0 += 32) {
            int inkA = 0, inkB = 0;
            for (int y = y0; y < y0 + 32; ++y) {
                for (int x = x0; x < x0 + 32; ++x) {
                    inkA += 255 - a.at(x, y);
                    inkB += 255 - b.at(x, y);
                }
            }
            worst = std::max(worst, std::abs(inkA - inkB) / (32 * 32));
        }
    }
    EXPECT_LE(worst, 12);
}

} // namespace

// The glyph bounds a PDF's text is measured by come from the font file
// unhinted: the box of the outline Qt gives without hinting, the right
// way up and at the font's size, for Latin and CJK glyphs small and large;
// a space has none.
TEST(PdfSurface, DesignGlyphBoxIsTheUnhintedOutlinesBox)
{
    CCairoFonts fonts;
    for (const char* family : {"Liberation Serif", "WenQuanYi Zen Hei", "AR PL UMing CN"}) {
        const test::RunResult match = test::Run({"fc-match", "-f", "%{file}", family});
        for (const double px : {9.0, 40.0, 300.0}) {
            const QRawFont font(QString::fromStdString(match.out), px, QFont::PreferNoHinting);
            ASSERT_TRUE(font.isValid()) << match.out;
            for (const QString& text : {QStringLiteral("A"), QStringLiteral("g"), QStringLiteral("中"), QStringLiteral(" ")}) {
                const QList<quint32> glyphs = font.glyphIndexesForString(text);
                ASSERT_EQ(glyphs.size(), 1);
                QRectF box;
                ASSERT_TRUE(fonts.DesignBox(font, glyphs[0], box)) << family << " " << text.toStdString();
                const QRectF outline = font.pathForGlyph(glyphs[0]).controlPointRect();
                // Qt's outline is in 26.6 fixed point. AR PL's glyphs are
                // put together by their hinting program, which FreeType runs
                // for them even unhinted: their design box is within a
                // hundredth of an em of that.
                const double tolerance = std::strncmp(family, "AR PL", 5) == 0 ? px / 100 : 1.0 / 32;
                EXPECT_NEAR(box.left(), outline.left(), tolerance) << family << " " << px << " " << text.toStdString();
                EXPECT_NEAR(box.top(), outline.top(), tolerance) << family << " " << px << " " << text.toStdString();
                EXPECT_NEAR(box.right(), outline.right(), tolerance) << family << " " << px << " " << text.toStdString();
                EXPECT_NEAR(box.bottom(), outline.bottom(), tolerance) << family << " " << px << " " << text.toStdString();
            }
        }
    }
}
