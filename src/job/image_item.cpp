// LoadImageItem: decodes the picture an image record names into the
// record's pBits/pBmi, from a ".bpg" packed file or a ".jpg" file.
#include "job/image_item.h"

#include "job/packed_file.h"
#include "jpgimage/jpg_image.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/file_problem.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vexlan {
namespace {

// Fails the item, saying why when asked. With `checkFile`, the file itself
// is looked at first: when it is missing, unreadable or not a regular file,
// that is the reason; otherwise `reason` is.
BOOL Fail(std::string* problem, const std::string& path, bool checkFile, const char* reason)
{
    if (problem != nullptr) {
        *problem = checkFile ? FileProblem(path) : std::string();
        if (problem->empty())
            *problem = reason;
    }
    return FALSE;
}

} // namespace

BOOL LoadImageItem(PageItem& item, std::string* problem)
{
    // szText always ends in a NUL within its storage, even when the record
    // filled the whole field.
    const std::string path(item.szText);

    if (HasExtension(path, ".bpg")) {
        uint8_t* raw = nullptr;
        uint32_t size = 0;
        if (!ReadPackedFile(path, &raw, &size))
            return Fail(problem, path, true, "not a packed file, or damaged");
        // The unpacked bytes are released whatever the decoder says.
        std::unique_ptr<uint8_t[]> unpacked(raw);
        int decoded;
        {
            // Exactly the unpacked size, not the (possibly larger) buffer.
            CMemFile file(unpacked.get(), size);
            decoded = bImportJPG(&file, item.pBits, item.pBmi);
        }
        unpacked.reset();
        if (decoded == 0)
            return Fail(problem, path, false, "unpacked data is not a JPEG, or damaged");
        return TRUE;
    }

    if (HasExtension(path, ".jpg")) {
        if (bImportJPG(path, item.pBits, item.pBmi) == 0)
            return Fail(problem, path, true, "not a JPEG, or damaged");
        return TRUE;
    }

    return Fail(problem, path, false, "extension not .jpg/.bpg");
}

} // namespace vexlan
