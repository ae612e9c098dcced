// The window-less outputs: the page through the trace surface (--trace),
// into a PDF file (--pdf) or into a PNG image (--png).
//
// Page geometry for PDF and PNG: the paper and printable area of the
// default printer's page layout, or A4 with no margins when there is no
// printer. The page origin (item coordinate 0, 0) is the top-left corner of
// the printable area, as on the printer; the PDF page and the PNG image
// cover the whole sheet of paper.
#include "linux/headless/headless_output.h"

#include "linux/headless/png_output.h"
#include "os/atomic_file.h"
#include "core/text/console_text.h"
#include "core/render/trace_dc.h"
#include "linux/surface/page_painter.h"
#include "core/render/page_renderer.h"
#include "linux/print/page_setup.h"
#include "linux/pdf/pdf_page.h"

#include <QPageLayout>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <exception>

namespace vexlan {

namespace {

// Largest PNG the program renders: A3 at 2400 dpi (it is drawn in bands,
// so this bounds the time, not the memory), and rows of at most 2^20
// pixels, so that one band row stays small.
constexpr double kMaxPngPixels = 1.25e9;
constexpr double kMaxPngWidth = double(1 << 20);

int Fail(const std::string& message)
{
    WriteConsoleLine("vexlan: " + message);
    return 1;
}

QPageLayout OutputPageLayout()
{
    return DefaultPrinterPageLayout();
}

} // namespace

int RunTrace(const CPageItemArray& items)
{
    // Each call is printed as it is made: a page's trace (a line can hold
    // a text of hundreds of megabytes) is never held whole.
    CTraceDC dc(stdout);
    bool complete = true;
    try {
        RenderPage(&dc, items);
    } catch (const std::exception&) {
        complete = false; // the calls made up to the failure are still printed
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("cannot write the trace to standard output");
    if (!complete)
        return Fail("the page could not be drawn completely (out of memory)");
    return 0;
}

int RunPdf(const CPageItemArray& items, const std::string& file)
{
    const PdfPageSetup setup{OutputPageLayout(), 1200, QString(), QStringLiteral("Vexlan")};
    QString error;
    if (!WritePdfPageIfComplete(file, setup, [&items](QPainter& painter) { return PaintPage(painter, items); }, error))
        return Fail("cannot write PDF file \"" + file + "\": " + ConsoleText(error.toStdString()));
    return 0;
}

int RunPng(const CPageItemArray& items, const std::string& file, int dpi)
{
    if (dpi <= 0)
        return Fail("the PNG resolution must be a positive number of dpi");
    const PagePixels page = PagePixelsAt(OutputPageLayout(), dpi);
    const double width = page.width;
    const double height = page.height;
    if (width < 1 || height < 1 || width > kMaxPngWidth || width * height > kMaxPngPixels)
        return Fail("a page of " + std::to_string(long(width)) + " x " + std::to_string(long(height)) +
                    " pixels at " + std::to_string(dpi) + " dpi is too large for a PNG");

    CAtomicFile out(file);
    if (!out.Open())
        return Fail("cannot write PNG file " + file + ": " + out.Error());
    std::string error;
    if (!WritePagePng(items, QSize(int(width), int(height)), page.origin, dpi, out, error))
        return Fail("cannot write PNG file " + file + ": " + error);
    if (!out.Commit())
        return Fail("cannot write PNG file " + file + ": " + out.Error());
    return 0;
}

} // namespace vexlan
