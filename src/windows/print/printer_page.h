// SPDX-License-Identifier: MIT
// The page a Windows printer prints on, and the printer itself: the
// default printer (GetDefaultPrinter) or one named, its paper and printable
// area as its driver reports them (GetDeviceCaps). Item coordinates start at
// the printable area's top-left corner, so the preview, --print, --pdf and
// --png use this one page for a page to land where its producer put it.
#pragma once

#include "windows/base/windows_api.h"

#include <string>

namespace vexlan {

// A printer's page, in the printer's device pixels.
struct PrinterPage {
    std::string printer;     // the printer's name; empty for the stand-in page
    int dpiX = 0, dpiY = 0;  // LOGPIXELSX/Y
    int paperWidth = 0, paperHeight = 0; // PHYSICALWIDTH/HEIGHT: the sheet
    int offsetX = 0, offsetY = 0;        // PHYSICALOFFSETX/Y: the printable area's corner
    int printableWidth = 0, printableHeight = 0; // HORZRES/VERTRES

    // The sheet in 0.01 mm, and the printable area's corner on it.
    double SheetWidthHimetric() const { return paperWidth * 2540.0 / dpiX; }
    double SheetHeightHimetric() const { return paperHeight * 2540.0 / dpiY; }
    double OffsetXHimetric() const { return offsetX * 2540.0 / dpiX; }
    double OffsetYHimetric() const { return offsetY * 2540.0 / dpiY; }
};

// The page when there is no printer to ask: A4 portrait, the whole sheet
// printable, at 600 dpi.
PrinterPage StandInPage();

// The page of the printer `dc` is a device context of.
PrinterPage PageOfPrinterDc(HDC dc, const std::string& name);

// The printer a pass uses and its page. `error` is set (and the page is
// the stand-in) when `requested` names a printer that does not exist, or
// when `requested` is empty and no printer can be used; `warning` when
// the stand-in page serves although printers are installed.
struct PrinterLookup {
    PrinterPage page;
    std::string error;
    std::string warning;
    bool found = false; // page is a printer's
};

// `requested` empty: the default printer. `needPrinter`: a pass that
// prints (no printer is then an error; a preview or an image takes the
// stand-in page, quietly when no printer is installed at all).
PrinterLookup FindPrinter(const std::string& requested, bool needPrinter);

// The default printer's name; empty when there is none.
std::string DefaultPrinterName();

// A device context on the printer `name` (CreateDCA on the spooler);
// nullptr when it cannot be made. Delete it with DeleteDC. With `copies`
// above 1 the driver's settings ask for that many copies (DEVMODE's
// dmCopies); a driver that takes no copy count gives nullptr, with
// ERROR_NOT_SUPPORTED as the last error.
HDC CreatePrinterDc(const std::string& name, int copies = 1);

} // namespace vexlan
