// SPDX-License-Identifier: MIT
// The window-less outputs every platform shares (shared_outputs.h).
#include "core/app/shared_outputs.h"

#include "core/app/job_handoff.h"
#include "core/job/item_json.h"
#include "core/job/load_diagnostics.h"

#include "core/render/page_renderer.h"
#include "core/render/trace_dc.h"
#include "core/text/console_text.h"

#include <cstdio>
#include <exception>

namespace vexlan {

int RunDumpItems(const CPageItemArray& items)
{
    std::fputs(ItemListToJson(items).c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        WriteConsoleLine("vexlan: cannot write the item list to standard output");
        return 1;
    }
    return 0;
}

int RunTrace(const CPageItemArray& items)
{
    // Each call is printed as it is made: a page's trace (a line can hold
    // a text of hundreds of megabytes) is never held whole.
    CTraceDC dc(stdout);
    bool complete = true;
    try {
        RenderPage(&dc, items);
    } catch (const std::exception&) {
        complete = false;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        WriteConsoleLine("vexlan: cannot write the trace to standard output");
        return 1;
    }
    if (!complete) {
        WriteConsoleLine("vexlan: the page could not be drawn completely (out of memory)");
        return 1;
    }
    return 0;
}

bool RefuseEmptyPage(const CPageItemArray& items, const std::string& jobPath, bool jobRead)
{
    if (items.GetSize() != 0)
        return false;
    const std::string where = jobPath == kStandardInputJob ? "on standard input" : QuotedPath(jobPath);
    const std::string why = jobPath.empty() ? std::string("no job file named")
                            : jobRead       ? "the job " + where + " holds no items"
                                            : "no job file could be read at " + QuotedPath(jobPath);
    WriteConsoleLine("vexlan: the page is empty (" + why + "); nothing was sent to the printer");
    return true;
}

} // namespace vexlan
