// SPDX-License-Identifier: MIT
// Printing one page through the spooler (print_pass.h).
#include "windows/print/print_pass.h"

#include "core/render/page_renderer.h"
#include "windows/print/printer_page.h"
#include "windows/print/spool_job.h"
#include "windows/print/win32_error.h"
#include "windows/surface/gdi_dc.h"

#include <exception>
#include <new>

namespace vexlan {

namespace {

// How long --pdf waits for the PDF printer to write its file.
constexpr unsigned kPdfWaitMs = 120000;

// `bytes` in `codePage` as UTF-16 (empty when they cannot be converted).
std::wstring Widen(const std::string& bytes, UINT codePage)
{
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF)
        return {};
    const int n = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), n, wide.data(), units);
    return wide;
}

// `path` (system code page) made absolute against the working directory;
// empty when GetFullPathName fails.
std::string FullPath(const std::string& path)
{
    const WIN_DWORD need = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (need == 0 || need > 32768)
        return {};
    std::string full(need, '\0');
    const WIN_DWORD n = GetFullPathNameA(path.c_str(), need, full.data(), nullptr);
    if (n == 0 || n >= need)
        return {};
    full.resize(n);
    return full;
}

} // namespace

bool PrintPass(HDC printerDc, const std::string& printerName, const std::string& title,
               const CPageItemArray& items, std::string& error, const std::string& output, int* jobId)
{
    const std::string failed = "printing on \"" + printerName + "\" failed: ";
    // The output path is in the system's code page, as every path the
    // command line gives.
    std::wstring wideTitle = Widen(title, CP_UTF8);
    if (wideTitle.empty())
        wideTitle = L"Vexlan";
    const std::wstring wideOutput = Widen(output, CP_ACP);
    if (!output.empty() && wideOutput.empty()) {
        error = failed + "the output file name cannot be converted";
        return false;
    }
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = wideTitle.c_str();
    doc.lpszOutput = output.empty() ? nullptr : wideOutput.c_str();
    const int job = StartDocW(printerDc, &doc);
    if (job <= 0) {
        error = failed + "the document cannot be started: " + Win32ErrorText(GetLastError());
        return false;
    }
    const auto abort = [&](const std::string& reason) {
        AbortDoc(printerDc);
        error = failed + reason;
        return false;
    };
    if (StartPage(printerDc) <= 0)
        return abort("the page cannot be started: " + Win32ErrorText(GetLastError()));
    try {
        GdiDC dc(printerDc);
        RenderPage(&dc, items);
    } catch (const std::bad_alloc&) {
        return abort("the page could not be drawn completely (out of memory)");
    } catch (const std::exception& e) {
        return abort(std::string("the page could not be drawn completely (") + e.what() + ")");
    }
    if (EndPage(printerDc) <= 0)
        return abort("the page cannot be ended: " + Win32ErrorText(GetLastError()));
    if (EndDoc(printerDc) <= 0) {
        // EndDoc failed: the spooler holds a document it will not print.
        return abort("the document cannot be handed to the spooler: " + Win32ErrorText(GetLastError()));
    }
    if (jobId != nullptr)
        *jobId = job;
    return true;
}

bool PrintPageDirect(const CPageItemArray& items, const std::string& requested, int copies,
                     const std::string& title, std::string& error)
{
    const PrinterLookup lookup = FindPrinter(requested, true);
    if (!lookup.error.empty()) {
        error = lookup.error;
        return false;
    }
    HDC dc = CreatePrinterDc(lookup.page.printer, copies);
    if (dc == nullptr) {
        const WIN_DWORD code = GetLastError();
        error = "printer \"" + lookup.page.printer + "\" cannot be opened: " + Win32ErrorText(code);
        if (copies > 1 && code == ERROR_NOT_SUPPORTED)
            error = "printer \"" + lookup.page.printer + "\" cannot print " + std::to_string(copies) +
                    " copies of a document; nothing was sent to it";
        return false;
    }
    const bool printed = PrintPass(dc, lookup.page.printer, title, items, error);
    DeleteDC(dc);
    return printed;
}

bool PrintPagePdf(const CPageItemArray& items, const std::string& file, const std::string& title,
                  std::string& error)
{
    HDC dc = CreatePrinterDc(kPdfPrinterName);
    if (dc == nullptr) {
        error = std::string("cannot write PDF file \"") + file + "\": this system has no \"" + kPdfPrinterName +
                "\" printer";
        return false;
    }
    // The PDF printer's driver writes the file in the spooler's process,
    // whose working directory is not ours: a relative name is made whole
    // here, against this process's directory, as the user meant it.
    const std::string whole = FullPath(file);
    if (whole.empty()) {
        DeleteDC(dc);
        error = "cannot write PDF file \"" + file + "\": " + Win32ErrorText(GetLastError());
        return false;
    }
    // EndDoc returns once the document is spooled; the driver writes the
    // file later. Done means the job left the queue and the file is new.
    const FileStamp before = StampOf(whole);
    int job = 0;
    const bool printed = PrintPass(dc, kPdfPrinterName, title, items, error, whole, &job);
    DeleteDC(dc);
    if (!printed)
        return false;
    const std::string failed = "cannot write PDF file \"" + file + "\": ";
    std::string why;
    if (!WaitForSpoolJob(kPdfPrinterName, job, kPdfWaitMs, why)) {
        error = failed + why;
        return false;
    }
    const FileStamp after = StampOf(whole);
    if (!after.exists || after.size == 0 || (before.exists && after.written == before.written)) {
        error = failed + "\"" + kPdfPrinterName + "\" finished the document but wrote no file";
        return false;
    }
    return true;
}

} // namespace vexlan
