// SPDX-License-Identifier: MIT
// libFuzzer target: LoadPrintJob on a job file holding the input, into a
// local item list that is then released, with its warnings collected. Paths inside records name whatever
// they name; most do not exist, which exercises the failure paths.
#include "core/job/job_reader.h"
#include "core/job/page_item.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/vexlan-fuzz-job-" +
               std::to_string(getpid()) + ".set";
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    vexlan::CPageItemArray list;
    vexlan::LoadDiagnostics warnings;
    vexlan::LoadPrintJob(path, list, &warnings);
    std::remove(path.c_str());
    for (const vexlan::LoadWarning& w : warnings.warnings)
        if (w.text.find('\n') != std::string::npos)  // one line per warning, whatever the paths hold
            __builtin_trap();
    const std::size_t maxItems = size >= 8 ? (size - 8) / 308 : 0;
    if (list.GetSize() > maxItems)
        __builtin_trap();
    for (std::size_t i = 0; i < list.GetSize(); ++i) {
        const vexlan::PageItem& it = list.GetAt(i);
        if (it.nType < vexlan::ITEM_TEXT || it.nType > vexlan::ITEM_FRAME)
            __builtin_trap();
        if (it.nType == vexlan::ITEM_TEXTBLOCK && it.pszBlock == nullptr)
            __builtin_trap();
    }
    vexlan::FreePageItems(list);
    return 0;
}
