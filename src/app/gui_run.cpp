// The windowed run (temporary until the shell exists: hand-off and a summary).
#include "app/gui_run.h"

#include "app/job_handoff.h"
#include "job/item_json.h"

#include <cstdio>

namespace vexlan {

int RunApplication(int, char**, const CommandLine& cl)
{
    const std::string job = cl.jobPath.empty() ? JobPathForExecutable(ExecutablePath()) : cl.jobPath;
    HandOffJob(job, ItemList, cl.keepJob);
    std::fputs(ItemListToJson(ItemList).c_str(), stdout);
    FreePageItems(ItemList);
    return 0;
}

} // namespace vexlan
