// LoadImageItem: decodes the picture an image record names into the
// record's pBits/pBmi, from a ".bpg" packed file or a ".jpg" file.
#include "job/image_item.h"

#include "job/packed_file.h"
#include "jpgimage/jpg_image.h"
#include "platform/codepage.h"
#include "platform/file.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vexlan {

BOOL LoadImageItem(PageItem& item)
{
    // szText always ends in a NUL within its storage, even when the record
    // filled the whole field.
    const std::string path(item.szText);

    if (HasExtension(path, ".bpg")) {
        uint8_t* raw = nullptr;
        uint32_t size = 0;
        if (!ReadPackedFile(path, &raw, &size))
            return FALSE;
        // The unpacked bytes are released whatever the decoder says.
        std::unique_ptr<uint8_t[]> unpacked(raw);
        int decoded;
        {
            // Exactly the unpacked size, not the (possibly larger) buffer.
            CMemFile file(unpacked.get(), size);
            decoded = bImportJPG(&file, item.pBits, item.pBmi);
        }
        unpacked.reset();
        return decoded != 0 ? TRUE : FALSE;
    }

    if (HasExtension(path, ".jpg"))
        return bImportJPG(path, item.pBits, item.pBmi) != 0 ? TRUE : FALSE;

    return FALSE;
}

} // namespace vexlan
