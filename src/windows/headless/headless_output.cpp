// The window-less outputs on Windows (see headless_output.h).
//
// Page geometry for --png: the default printer's sheet and printable area
// (GetDeviceCaps), or a whole A4 sheet when there is no printer; item (0, 0)
// is the printable area's top-left corner, as on the printer, and the image
// covers the whole sheet.
#include "windows/headless/headless_output.h"

#include "core/render/page_renderer.h"
#include "core/render/trace_dc.h"
#include "core/text/console_text.h"
#include "os/atomic_file.h"
#include "windows/headless/png_bands.h"
#include "windows/print/print_pass.h"
#include "windows/print/printer_page.h"

#include <cmath>
#include <cstdio>
#include <exception>

namespace vexlan {

namespace {

// Largest PNG: A3 at 2400 dpi, and rows of at most 2^20 pixels.
constexpr double kMaxPngPixels = 1.25e9;
constexpr double kMaxPngWidth = double(1 << 20);
// The document's name in the spooler's queue: the program's title, as the
// window's print pass names it.
constexpr const char* kDocumentTitle = "打印输出";

int Fail(const std::string& message)
{
    WriteConsoleLine("vexlan: " + message);
    return 1;
}

} // namespace

int RunTrace(const CPageItemArray& items)
{
    // Each call is printed as it is made; a failure keeps what was printed.
    CTraceDC dc(stdout);
    bool complete = true;
    try {
        RenderPage(&dc, items);
    } catch (const std::exception&) {
        complete = false;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("cannot write the trace to standard output");
    if (!complete)
        return Fail("the page could not be drawn completely (out of memory)");
    return 0;
}

int RunPng(const CPageItemArray& items, const std::string& file, int dpi)
{
    if (dpi <= 0)
        return Fail("the PNG resolution must be a positive number of dpi");
    const PrinterLookup lookup = FindPrinter(std::string(), false);
    if (!lookup.warning.empty())
        WriteConsoleLine("vexlan: warning: " + lookup.warning);
    const PrinterPage& page = lookup.page;
    // The sheet rounded up to whole pixels (the slack keeps an exact
    // 2550.0000001 from becoming 2551), the origin to the nearest.
    const double perUnit = dpi / 2540.0;
    const double width = std::ceil(page.SheetWidthHimetric() * perUnit - 1e-3);
    const double height = std::ceil(page.SheetHeightHimetric() * perUnit - 1e-3);
    if (width < 1 || height < 1 || width > kMaxPngWidth || width * height > kMaxPngPixels)
        return Fail("a page of " + std::to_string(long(width)) + " x " + std::to_string(long(height)) +
                    " pixels at " + std::to_string(dpi) + " dpi is too large for a PNG");
    const int originX = static_cast<int>(std::lround(page.OffsetXHimetric() * perUnit));
    const int originY = static_cast<int>(std::lround(page.OffsetYHimetric() * perUnit));

    CAtomicFile out(file);
    if (!out.Open())
        return Fail("cannot write PNG file " + file + ": " + out.Error());
    std::string error;
    if (!WriteGdiPagePng(items, int(width), int(height), originX, originY, dpi, out, error))
        return Fail("cannot write PNG file " + file + ": " + error);
    if (!out.Commit())
        return Fail("cannot write PNG file " + file + ": " + out.Error());
    return 0;
}

int RunPdf(const CPageItemArray& items, const std::string& file)
{
    std::string error;
    if (!PrintPagePdf(items, file, kDocumentTitle, error))
        return Fail(error);
    return 0;
}

int RunPrint(const CPageItemArray& items, const std::string& printer)
{
    std::string error;
    if (!PrintPageDirect(items, printer, kDocumentTitle, error))
        return Fail(error);
    return 0;
}

} // namespace vexlan
