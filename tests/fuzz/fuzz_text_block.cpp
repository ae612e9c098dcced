// SPDX-License-Identifier: MIT
// libFuzzer target: LoadTextBlockItem on a file holding the input. The first
// byte picks the extension (even: ".txt", odd: ".bin"); the rest is the
// file. Checks that the block, line count and longest line agree.
#include "core/job/text_block_item.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string TempBase()
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/vexlan-fuzz-text-" +
           std::to_string(getpid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const std::string base = TempBase();
    const std::string path = base + ((data[0] & 1) != 0 ? ".bin" : ".txt");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    vexlan::PageItem item;
    item.nType = vexlan::ITEM_TEXTBLOCK;
    vexlan::SetItemText(item, path);
    const BOOL ok = vexlan::LoadTextBlockItem(item);
    std::remove(path.c_str());
    if (!ok || item.pszBlock == nullptr)
        __builtin_trap(); // the file exists: the item always loads
    const std::size_t len = std::strlen(item.pszBlock);
    if ((data[0] & 1) == 0) {
        // Plain text: every line is a piece of the file.
        if (item.nMaxLineLen >= size || len >= size || (len > 0 && item.nLineCount == 0))
            __builtin_trap();
    } else {
        // Packed text: the lines are pieces of the stored block.
        if (item.nMaxLineLen > len || item.nLineCount > len + 1)
            __builtin_trap();
    }
    delete[] item.pszBlock;
    return 0;
}
