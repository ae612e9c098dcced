// SPDX-License-Identifier: MIT
// The window-less outputs on Windows (see headless_output.h).
//
// Page geometry for --png: the default printer's sheet and printable area
// (GetDeviceCaps), or a whole A4 sheet when there is no printer; item (0, 0)
// is the printable area's top-left corner, as on the printer, and the image
// covers the whole sheet.
#include "windows/headless/headless_output.h"

#include "core/app/command_line.h"
#include "core/app/stdout_copy.h"
#include "core/text/console_text.h"
#include "os/atomic_file.h"
#include "windows/headless/png_bands.h"
#include "windows/print/print_pass.h"
#include "windows/print/printer_page.h"
#include "windows/print/win32_error.h"

#include <cmath>
#include <cstdio>
#include <functional>

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

// `bytes` in the system's code page (a command line's) as UTF-8; empty
// when they cannot be converted.
std::string SystemToUtf8(const std::string& bytes)
{
    if (bytes.empty() || bytes.size() > 0x7FFFFFF)
        return {};
    const int n = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, wide.data(), units);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// An output for "-": made whole by `make` into a temporary file, then
// copied to standard output, so that a page that cannot be made writes
// nothing there. `make` returns the exit status.
int ThroughStandardOutput(const std::string& what, const std::function<int(const std::string&)>& make)
{
    char dir[MAX_PATH + 1] = {};
    char path[MAX_PATH + 1] = {};
    const WIN_DWORD n = GetTempPathA(sizeof dir, dir);
    if (n == 0 || n > MAX_PATH || GetTempFileNameA(dir, "vxl", 0, path) == 0)
        return Fail("cannot make a temporary file for " + what + ": " + Win32ErrorText(GetLastError()));
    // GetTempFileName made the file; the output replaces it whole.
    int status = make(path);
    if (status == 0)
        status = CopyToStandardOutput(path, what);
    DeleteFileA(path);
    return status;
}

// The PNG of the page at `dpi` into `file`, complete or absent; `failed`
// begins the error line.
int MakePng(const CPageItemArray& items, const std::string& file, int dpi, const std::string& failed)
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
        return Fail(failed + ": " + out.Error());
    std::string error;
    if (!WriteGdiPagePng(items, int(width), int(height), originX, originY, dpi, out, error))
        return Fail(failed + ": " + error);
    if (!out.Commit())
        return Fail(failed + ": " + out.Error());
    return 0;
}

// The spooler's name of the document: the title given, else the program's.
std::string DocumentTitle(const std::string& given)
{
    const std::string title = SystemToUtf8(given);
    return title.empty() ? std::string(kDocumentTitle) : title;
}

} // namespace

int RunPng(const CPageItemArray& items, const std::string& file, int dpi)
{
    if (IsStandardOutput(file))
        return ThroughStandardOutput("the PNG", [&items, dpi](const std::string& path) {
            return MakePng(items, path, dpi, "cannot make the PNG for standard output");
        });
    return MakePng(items, file, dpi, "cannot write PNG file " + file);
}

int RunPdf(const CPageItemArray& items, const std::string& file)
{
    const auto make = [&items](const std::string& path) {
        std::string error;
        return PrintPagePdf(items, path, kDocumentTitle, error) ? 0 : Fail(error);
    };
    return IsStandardOutput(file) ? ThroughStandardOutput("the PDF", make) : make(file);
}

int RunPrint(const CPageItemArray& items, const CommandLine& cl)
{
    std::string error;
    if (!PrintPageDirect(items, cl.printer, cl.copies, DocumentTitle(cl.title), error))
        return Fail(error);
    return 0;
}

} // namespace vexlan
