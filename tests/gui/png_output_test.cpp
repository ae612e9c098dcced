// SPDX-License-Identifier: MIT
// The streamed PNG: what Qt's reader decodes from it is what was written,
// a failing sink fails the image, and a page drawn in bands is the same
// image as the page drawn in one piece.
#include "linux/headless/png_output.h"
#include "core/png/png_stream_writer.h"
#include "core/job/page_item.h"
#include "os/atomic_file.h"
#include "core/dib/image_block.h"
#include "test_support.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace vexlan;

namespace {

// Rows that change everywhere (zlib), rows that repeat, and rows that
// change in a few pixels (both encoded without zlib), in turns.
QImage Pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, (y / 3) % 2 ? qRgb(255, 255, 255 - (y % 3 == 2 && x % 97 == y % 5) * 200)
                                           : qRgb(x * 7, y * 13, (x ^ y) & 255));
    return img;
}

std::string Encode(const QImage& img, CPngStreamWriter::Sink sink = {})
{
    std::string bytes;
    if (!sink)
        sink = [&bytes](const void* d, std::size_t n) { return bytes.append(static_cast<const char*>(d), n), true; };
    CPngStreamWriter png(sink);
    bool ok = png.Begin(img.width(), img.height(), 11811);
    for (int y = 0; ok && y < img.height(); ++y)
        ok = png.WriteRow(reinterpret_cast<const uint32_t*>(img.constScanLine(y)));
    return ok && png.Finish() ? bytes : std::string();
}

} // namespace

TEST(PngStreamWriter, DecodesToTheRowsWritten)
{
    // Widths whose rows of zeros end in literals (1, 87) or in a shorter
    // match (2, 86, 1000) after the 258-byte matches.
    for (int w : {1, 2, 86, 87, 1000}) {
        const QImage img = Pattern(w, 20);
        const std::string bytes = Encode(img);
        QImage back;
        ASSERT_TRUE(back.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), "PNG")) << w;
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), img) << w;
        EXPECT_EQ(back.dotsPerMeterX(), 11811);
    }
}

TEST(PngStreamWriter, FailsWithItsSinkOrWhenRowsAreMissing)
{
    for (int failAfter : {0, 1, 6, 8}) { // signature, IHDR, pHYs, the IDAT
        int calls = 0;
        EXPECT_EQ(Encode(Pattern(50, 10), [&](const void*, std::size_t) { return calls++ < failAfter; }), "");
    }
    CPngStreamWriter png([](const void*, std::size_t) { return true; });
    const uint32_t row[2] = {};
    ASSERT_TRUE(png.Begin(2, 2, 0) && png.WriteRow(row));
    EXPECT_FALSE(png.Finish()) << "one row of two";
    EXPECT_FALSE(CPngStreamWriter([](const void*, std::size_t) { return true; }).Begin(0, 5, 0));
}

TEST(PngOutput, BandsJoinWithoutASeam)
{
    // An image, a frame, a text line and a text block, each crossing band
    // edges, drawn at 100 dpi (A4 is 827 x 1170) in bands of 7 and of 64
    // rows, and in one piece.
    CPageItemArray items;
    PageItem frame;
    frame.nType = ITEM_FRAME;
    frame.rcItem = {500, 300, 15000, 9000};
    frame.nPenWidth = 60;
    items.Add(frame);
    PageItem image;
    image.nType = ITEM_IMAGE;
    image.rcItem = {1000, 1000, 20000, 28000}; // 150 x 120 pixels stretched 5 and 9 times
    auto* bmi = static_cast<BITMAPINFO*>(ImageBlockAlloc(sizeof(BITMAPINFO)));
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = 150;
    bmi->bmiHeader.biHeight = 120;
    bmi->bmiHeader.biBitCount = 24;
    auto* bits = static_cast<uint8_t*>(ImageBlockAlloc(DibRowBytes(150, 24) * 120));
    for (std::size_t i = 0; i < DibRowBytes(150, 24) * 120; ++i)
        bits[i] = uint8_t(i * 37);
    image.pBmi = bmi;
    image.pBits = bits;
    items.Add(image);
    PageItem text;
    text.nType = ITEM_TEXT;
    text.rcItem = {2000, 2000, 14000, 4100};
    SetItemText(text, "Band 边界 gjy");
    SetItemFace(text, "宋体");
    items.Add(text);
    PageItem block;
    block.nType = ITEM_TEXTBLOCK;
    block.rcItem = {1000, 5000, 12000, 8800};
    SetItemFace(block, "Arial");
    static const char kLines[] = "ab\nWide&line\nq";
    block.pszBlock = new char[sizeof kLines];
    std::memcpy(block.pszBlock, kLines, sizeof kLines);
    block.nLineCount = 3;
    block.nMaxLineLen = 9;
    items.Add(block);

    test::TempDir dir;
    QImage images[3];
    const int bandRows[3] = {0, 7, 64};
    for (int i = 0; i < 3; ++i) {
        const std::string path = dir.file("page" + std::to_string(i) + ".png");
        CAtomicFile file(path);
        std::string error;
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(WritePagePng(items, QSize(827, 1170), QPoint(3, 5), 100, file, error, bandRows[i])) << error;
        ASSERT_TRUE(file.Commit());
        ASSERT_TRUE(images[i].load(QString::fromStdString(path)));
    }
    FreePageItems(items);
    QImage blank(images[0].size(), images[0].format());
    blank.fill(Qt::white);
    EXPECT_NE(images[0], blank) << "the page is drawn";
    EXPECT_EQ(images[1], images[0]);
    EXPECT_EQ(images[2], images[0]);
}
