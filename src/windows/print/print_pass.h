// SPDX-License-Identifier: MIT
// One page printed on a Windows printer: a document of one page on the
// printer's device context, drawn by GdiDC, every step of the spooler's
// checked. Used by the window's print pass and by --print and --pdf.
#pragma once

#include "core/job/page_item.h"
#include "windows/base/windows_api.h"

#include <string>

namespace vexlan {

// Prints `items` on `printerDc` (the printer `printerName`) as a document
// titled `title` (UTF-8), into the file `output`
// when it is not empty (DOCINFO's lpszOutput; a path in the system's code
// page). On any failure the document is aborted and `error` holds one line
// "printing on "NAME" failed: REASON". Returns true when the spooler took
// the whole page; `jobId`, when given, then holds the spooler's job.
bool PrintPass(HDC printerDc, const std::string& printerName, const std::string& title,
               const CPageItemArray& items, std::string& error, const std::string& output = {},
               int* jobId = nullptr);

// The window-less print: `copies` copies of the page on the printer
// `requested` (empty: the default printer), titled `title`. Fails with
// `error` when the printer does not exist, when there is none, when its
// driver takes no copy count, or when the pass fails.
bool PrintPageDirect(const CPageItemArray& items, const std::string& requested, int copies,
                     const std::string& title, std::string& error);

// The printer every Windows 10 and 11 has for PDF files.
inline constexpr const char* kPdfPrinterName = "Microsoft Print to PDF";

// The page into the PDF file `file` through kPdfPrinterName, waiting for
// the printer to finish the document (at most two minutes) and to have
// written the file. Fails with `error` when that printer is not installed,
// the pass fails, or no file was written.
bool PrintPagePdf(const CPageItemArray& items, const std::string& file, const std::string& title,
                  std::string& error);

} // namespace vexlan
