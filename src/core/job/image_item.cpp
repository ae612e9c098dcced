// SPDX-License-Identifier: MIT
// LoadImageItem: decodes the picture an image record names into the
// record's pBits/pBmi, from a ".bpg" packed file or a ".jpg" file, within the
// page's image budget, sharing the picture of an item that named the same
// file before. One picture loaded on its own by the page's image loader.
#include "core/job/image_item.h"

#include "core/job/image_loader.h"

namespace vexlan {

BOOL LoadImageItem(PageItem& item, std::string* problem)
{
    CImageLoader loader(0);
    if (!loader.Start(item, problem))
        return FALSE;
    return loader.Take(0, item.pBits, item.pBmi, problem);
}

} // namespace vexlan
