// The window-less outputs: the page through the trace surface (--trace),
// into a PDF file (--pdf) or into a PNG image (--png).
//
// Page geometry for PDF and PNG: the paper and printable area of the
// default printer's page layout, or A4 with no margins when there is no
// printer. The page origin (item coordinate 0, 0) is the top-left corner of
// the printable area, as on the printer; the PDF page and the PNG image
// cover the whole sheet of paper.
#include "app/headless_output.h"

#include "platform/trace_dc.h"
#include "view/page_painter.h"
#include "view/page_renderer.h"
#include "view/page_setup.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>
#include <cstdio>
#include <exception>

namespace vexlan {

namespace {

// Largest PNG the program renders: 2^28 pixels (1 GiB in 32-bit pixels).
constexpr double kMaxPngPixels = double(1 << 28);

int Fail(const std::string& message)
{
    std::fprintf(stderr, "vexlan: %s\n", message.c_str());
    return 1;
}

QPageLayout OutputPageLayout()
{
    return DefaultPrinterPageLayout();
}

} // namespace

int RunTrace(const CPageItemArray& items)
{
    CTraceDC dc;
    bool complete = true;
    try {
        RenderPage(&dc, items);
    } catch (const std::exception&) {
        complete = false; // the calls made up to the failure are still printed
    }
    for (const std::string& line : dc.Lines()) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("cannot write the trace to standard output");
    if (!complete)
        return Fail("the page could not be drawn completely (out of memory)");
    return 0;
}

int RunPdf(const CPageItemArray& items, const std::string& file)
{
    QFile out(QString::fromLocal8Bit(file.c_str()));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Fail("cannot write PDF file " + file + ": " + out.errorString().toStdString());
    {
        QPdfWriter writer(&out);
        writer.setCreator(QStringLiteral("Vexlan"));
        writer.setResolution(1200);
        writer.setPageLayout(OutputPageLayout());
        QPainter painter;
        if (!painter.begin(&writer))
            return Fail("cannot write PDF file " + file);
        PaintPage(painter, items);
        if (!painter.end())
            return Fail("cannot write PDF file " + file);
    }
    out.close();
    if (out.error() != QFileDevice::NoError)
        return Fail("cannot write PDF file " + file + ": " + out.errorString().toStdString());
    return 0;
}

int RunPng(const CPageItemArray& items, const std::string& file, int dpi)
{
    if (dpi <= 0)
        return Fail("the PNG resolution must be a positive number of dpi");
    const PagePixels page = PagePixelsAt(OutputPageLayout(), dpi);
    const double width = page.width;
    const double height = page.height;
    if (width < 1 || height < 1 || width * height > kMaxPngPixels)
        return Fail("a page of " + std::to_string(long(width)) + " x " + std::to_string(long(height)) +
                    " pixels at " + std::to_string(dpi) + " dpi is too large for a PNG");

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return Fail("not enough memory for a PNG of the page at " + std::to_string(dpi) + " dpi");
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.translate(page.origin);
        PaintPage(painter, items);
    }
    QFile out(QString::fromLocal8Bit(file.c_str()));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Fail("cannot write PNG file " + file + ": " + out.errorString().toStdString());
    if (!image.save(&out, "PNG"))
        return Fail("cannot write PNG file " + file);
    out.close();
    if (out.error() != QFileDevice::NoError)
        return Fail("cannot write PNG file " + file + ": " + out.errorString().toStdString());
    return 0;
}

} // namespace vexlan
