// LoadImageItem (decoding arrives with the JPEG component; until then only
// the extension rule is applied and every image fails to load).
#include "job/image_item.h"

#include "platform/codepage.h"

namespace vexlan {

BOOL LoadImageItem(PageItem& item)
{
    const std::string path(item.szText);
    if (HasExtension(path, ".bpg") || HasExtension(path, ".jpg"))
        return FALSE;
    return FALSE;
}

} // namespace vexlan
