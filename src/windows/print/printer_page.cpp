// SPDX-License-Identifier: MIT
// Finding the printer and asking its driver for its page (printer_page.h).
#include "windows/print/printer_page.h"

#include "windows/print/win32_error.h"

#include <climits>
#include <vector>

namespace vexlan {

namespace {

// Whether any printer is installed (local or connected).
bool AnyPrinterInstalled()
{
    WIN_DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    return needed > 0;
}

} // namespace

PrinterPage StandInPage()
{
    PrinterPage page;
    page.dpiX = page.dpiY = 600;
    // 210 x 297 mm at 600 dpi, rounded up to whole pixels.
    page.paperWidth = page.printableWidth = 4961;
    page.paperHeight = page.printableHeight = 7016;
    return page;
}

PrinterPage PageOfPrinterDc(HDC dc, const std::string& name)
{
    PrinterPage page;
    page.printer = name;
    page.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    page.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    page.paperWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    page.paperHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
    page.offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    page.offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    page.printableWidth = GetDeviceCaps(dc, HORZRES);
    page.printableHeight = GetDeviceCaps(dc, VERTRES);
    // A driver that reports no sheet (a display-like device) prints its
    // printable area as the sheet.
    if (page.paperWidth <= 0 || page.paperHeight <= 0) {
        page.paperWidth = page.printableWidth;
        page.paperHeight = page.printableHeight;
        page.offsetX = page.offsetY = 0;
    }
    return page;
}

std::string DefaultPrinterName()
{
    WIN_DWORD size = 0;
    GetDefaultPrinterA(nullptr, &size);
    if (size == 0 || size > 65536)
        return {};
    std::vector<char> name(size + 1, '\0');
    if (!GetDefaultPrinterA(name.data(), &size))
        return {};
    return std::string(name.data());
}

HDC CreatePrinterDc(const std::string& name, int copies)
{
    if (name.empty())
        return nullptr;
    if (copies <= 1)
        return CreateDCA("WINSPOOL", name.c_str(), nullptr, nullptr);
    if (copies > SHRT_MAX) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    // The printer's own settings, with the copy count changed: the driver
    // merges the field into its DEVMODE, then the DC is made with it.
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, nullptr))
        return nullptr;
    HDC dc = nullptr;
    const LONG size = DocumentPropertiesA(nullptr, printer, const_cast<char*>(name.c_str()), nullptr, nullptr, 0);
    if (size >= static_cast<LONG>(sizeof(DEVMODEA)) && size < (1 << 20)) {
        std::vector<unsigned char> buffer(static_cast<std::size_t>(size), 0);
        auto* mode = reinterpret_cast<DEVMODEA*>(buffer.data());
        if (DocumentPropertiesA(nullptr, printer, const_cast<char*>(name.c_str()), mode, nullptr, DM_OUT_BUFFER) == IDOK) {
            mode->dmFields |= DM_COPIES;
            mode->dmCopies = static_cast<short>(copies);
            if (DocumentPropertiesA(nullptr, printer, const_cast<char*>(name.c_str()), mode, mode,
                                    DM_IN_BUFFER | DM_OUT_BUFFER) == IDOK &&
                mode->dmCopies == copies)
                dc = CreateDCA("WINSPOOL", name.c_str(), nullptr, mode);
            else
                SetLastError(ERROR_NOT_SUPPORTED);
        }
    }
    const WIN_DWORD code = GetLastError();
    ClosePrinter(printer);
    SetLastError(code);
    return dc;
}

PrinterLookup FindPrinter(const std::string& requested, bool needPrinter)
{
    PrinterLookup lookup;
    lookup.page = StandInPage();
    std::string name = requested;
    if (name.empty()) {
        name = DefaultPrinterName();
        if (name.empty()) {
            const bool any = AnyPrinterInstalled();
            if (needPrinter)
                lookup.error = any ? "no default printer (name one with --printer)" : "no printer installed";
            else if (any)
                lookup.warning = "no default printer; the page is a whole A4 sheet";
            return lookup;
        }
    }
    HDC dc = CreatePrinterDc(name);
    if (dc == nullptr) {
        const WIN_DWORD code = GetLastError();
        if (!requested.empty() || code == ERROR_INVALID_PRINTER_NAME)
            lookup.error = "printer \"" + name + "\" not found";
        else
            lookup.error = "cannot open printer \"" + name + "\": " + Win32ErrorText(code);
        if (!needPrinter && requested.empty()) {
            // A default printer that cannot be opened leaves a preview or an
            // image on the stand-in page.
            lookup.warning = lookup.error + "; the page is a whole A4 sheet";
            lookup.error.clear();
        }
        return lookup;
    }
    lookup.page = PageOfPrinterDc(dc, name);
    lookup.found = true;
    DeleteDC(dc);
    return lookup;
}

} // namespace vexlan
