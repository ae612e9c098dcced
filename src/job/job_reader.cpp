// LoadPrintJob: the job file's header, then its records in order.
#include "job/job_reader.h"

#include "job/image_item.h"
#include "job/text_block_item.h"
#include "platform/bytes.h"
#include "platform/file.h"

#include <cstdio>

namespace vexlan {
namespace {

// Appends an item whose loaded data the list now owns; should the append
// itself fail (out of memory), the data is released before the error goes on.
void AppendOwned(CPageItemArray& list, PageItem& item)
{
    try {
        list.Add(item);
    } catch (...) {
        CPageItemArray orphan;
        orphan.Add(item);
        FreePageItems(orphan);
        throw;
    }
}

// Reads exactly `n` bytes; false when the file ends (or fails) first.
bool ReadWhole(std::FILE* f, uint8_t* buf, std::size_t n) { return std::fread(buf, n, 1, f) == 1; }

} // namespace

void LoadPrintJob(std::string path, CPageItemArray& list)
{
    list.RemoveAll();
    std::FILE* f = OpenRegularFile(path);
    if (f == nullptr)
        return;

    uint8_t word[4];
    if (!ReadWhole(f, word, 4) || ReadU32LE(word) != JOB_MAGIC) {
        std::fclose(f);
        return;
    }
    if (!ReadWhole(f, word, 4)) {
        std::fclose(f);
        return;
    }
    const int32_t count = ReadI32LE(word);

    uint8_t rec[record::kSize];
    for (int32_t i = 0; i < count; ++i) {
        if (!ReadWhole(f, rec, sizeof rec))
            break;
        PageItem item = DecodePageItem(rec);
        bool stop = false;
        switch (item.nType) {
        case ITEM_TEXT:
        case ITEM_FRAME:
            list.Add(item);
            break;
        case ITEM_IMAGE:
            item.pBits = nullptr;
            item.pBmi = nullptr;
            if (LoadImageItem(item))
                AppendOwned(list, item);
            else
                stop = true;
            break;
        case ITEM_TEXTBLOCK:
            item.nMaxLineLen = 0;
            item.nLineCount = 0;
            item.pszBlock = nullptr;
            if (LoadTextBlockItem(item))
                AppendOwned(list, item);
            else
                stop = true;
            break;
        default:
            break; // unknown types never enter the list
        }
        if (stop)
            break;
    }
    std::fclose(f);
}

} // namespace vexlan
