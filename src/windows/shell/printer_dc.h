// SPDX-License-Identifier: MIT
// The view's passes over the print floor (windows/print): the default
// printer's page for the preview (the A4 stand-in when there is none, as on
// Linux), the default printer's DC for a print without the dialog, and the
// page printed on a printer DC; each failure as a line for the console and
// a text for the user.
#pragma once

#include "core/job/page_item.h"
#include "windows/shell/preview_page.h"

#include <string>

namespace vexlan {

struct ViewFailure {
    std::string line;   // UTF-8, for the console after "vexlan: "
    std::wstring text;  // for the message box, after 打印失败：
};

// The default printer's paper, else the stand-in page (a warning on the
// console when printers are installed). Never fails.
PreviewPaper DefaultPrinterPaper();

// The default printer's DC and name; false with `failure` when there is
// none or it cannot be opened.
bool OpenDefaultPrinterDC(HDC& dc, std::wstring& name, ViewFailure& failure);

// Prints the page of `items` on `dc` (the printer `name`; the caller keeps
// the DC), titled with the application title. False with `failure` when the
// spooler refuses any step.
bool PrintPageOnDC(HDC dc, const std::wstring& name, const CPageItemArray& items, ViewFailure& failure);

} // namespace vexlan
