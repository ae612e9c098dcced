// SPDX-License-Identifier: MIT
// --trace: the page through the trace surface onto standard output.
#include "core/app/trace_output.h"

#include "core/render/page_renderer.h"
#include "core/render/trace_dc.h"
#include "core/text/console_text.h"

#include <cstdio>
#include <exception>

namespace vexlan {

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

} // namespace vexlan
