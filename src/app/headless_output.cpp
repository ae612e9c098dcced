// Window-less outputs. The page renderer is not built yet; these report it.
#include "app/headless_output.h"

#include <cstdio>

namespace vexlan {

static int NotYet(const char* what)
{
    std::fprintf(stderr, "vexlan: %s output is not available in this build\n", what);
    return 1;
}

int RunTrace(const CPageItemArray&) { return NotYet("trace"); }
int RunPdf(const CPageItemArray&, const std::string&) { return NotYet("PDF"); }
int RunPng(const CPageItemArray&, const std::string&, int) { return NotYet("PNG"); }

} // namespace vexlan
