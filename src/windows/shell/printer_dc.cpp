// SPDX-License-Identifier: MIT
// The view's printers (see printer_dc.h).
#include "windows/shell/printer_dc.h"

#include "core/app/command_ids.h"
#include "core/text/codepage.h"
#include "core/text/console_text.h"
#include "shell_texts.h"
#include "windows/print/print_pass.h"
#include "windows/print/printer_page.h"
#include "windows/shell/win_text.h"

namespace vexlan {

namespace {

PreviewPaper PaperOf(const PrinterPage& page)
{
    PreviewPaper paper;
    paper.dpiX = page.dpiX;
    paper.dpiY = page.dpiY;
    paper.offsetX = page.offsetX;
    paper.offsetY = page.offsetY;
    paper.printableCx = page.printableWidth;
    paper.printableCy = page.printableHeight;
    paper.paperCx = std::max(page.paperWidth, page.offsetX + page.printableWidth);
    paper.paperCy = std::max(page.paperHeight, page.offsetY + page.printableHeight);
    return paper;
}

// A text in code page `cp` (the bytes the print floor takes).
std::string InCodePage(const std::wstring& wide, UINT cp)
{
    const int length = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(cp, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(cp, 0, wide.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The print floor's lines are in the system's code page (printer names);
// the console line and the box take them as they are, widened.
std::wstring FromAnsi(const std::string& bytes)
{
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    std::wstring out(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, out.data(), units);
    return out;
}

} // namespace

PreviewPaper DefaultPrinterPaper()
{
    const PrinterLookup lookup = FindPrinter(std::string(), false);
    if (!lookup.warning.empty())
        WriteConsoleLine("vexlan: warning: " + lookup.warning);
    return PaperOf(lookup.found ? lookup.page : StandInPage());
}

bool OpenDefaultPrinterDC(HDC& dc, std::wstring& wideName, ViewFailure& failure)
{
    dc = nullptr;
    const std::string name = DefaultPrinterName();
    wideName = FromAnsi(name);
    if (name.empty()) {
        failure.line = "no default printer";
        failure.text = Widen(TEXT_kNoDefaultPrinterText);
        return false;
    }
    dc = CreatePrinterDc(name);
    if (dc == nullptr) {
        failure.line = "the printer \"" + name + "\" cannot be opened";
        failure.text = Widen(TEXT_kPrinterNotFoundText);
        const size_t at = failure.text.find(L"%1");
        if (at != std::wstring::npos)
            failure.text.replace(at, 2, FromAnsi(name));
        return false;
    }
    return true;
}

bool PrintPageOnDC(HDC dc, const std::wstring& name, const CPageItemArray& items, ViewFailure& failure)
{
    std::string error;
    const std::string title = InCodePage(LoadResString(AFX_IDS_APP_TITLE), static_cast<UINT>(AnsiCodePage()));
    if (PrintPass(dc, InCodePage(name, CP_ACP), title, items, error))
        return true;
    failure.line = error;
    failure.text = FromAnsi(error);
    return false;
}

} // namespace vexlan
