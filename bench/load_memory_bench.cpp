// SPDX-License-Identifier: MIT
// Peak memory of loading a job, without rendering or printing it: reads the
// job named on the command line into the item list (images decoded, text
// blocks read) and prints one line with the peak resident set size of the
// process before loading, after loading, and what the page holds.
//
// usage: load_memory_bench JOB.set
// bench/load_memory.sh builds the jobs and runs it; the whole-process peaks
// of vexlan's own outputs are measured there with /usr/bin/time.
#include "core/job/job_reader.h"
#include "core/job/page_item.h"
#include "core/dib/image_block.h"

#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakKiB()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s JOB.set\n", argv[0]);
        return 2;
    }
    const long before = PeakKiB();
    vexlan::LoadPrintJob(argv[1], vexlan::ItemList);
    const long after = PeakKiB();
    std::size_t blockChars = 0;
    for (std::size_t i = 0; i < vexlan::ItemList.GetSize(); ++i) {
        const vexlan::PageItem& it = vexlan::ItemList.GetAt(i);
        if (it.nType == vexlan::ITEM_TEXTBLOCK && it.pszBlock != nullptr)
            for (const char* p = it.pszBlock; *p != '\0'; ++p)
                ++blockChars;
    }
    std::printf("items %zu  image blocks %zu (%.1f MiB)  text %.1f MiB  peak before %.1f MiB  "
                "peak after loading %.1f MiB\n",
                vexlan::ItemList.GetSize(), vexlan::ImageBlockLiveCount(),
                static_cast<double>(vexlan::ImageBlockLiveBytes()) / (1 << 20),
                static_cast<double>(blockChars) / (1 << 20), static_cast<double>(before) / 1024,
                static_cast<double>(after) / 1024);
    vexlan::FreePageItems(vexlan::ItemList);
    return 0;
}
