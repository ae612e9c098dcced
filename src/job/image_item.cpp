// LoadImageItem: decodes the picture an image record names into the
// record's pBits/pBmi, from a ".bpg" packed file or a ".jpg" file, within the
// page's image budget, sharing the picture of an item that named the same
// file before.
#include "job/image_item.h"

#include "job/image_budget.h"
#include "job/image_cache.h"
#include "job/packed_file.h"
#include "jpgimage/jpg_decoder.h"
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

constexpr char kNotPacked[] = "not a packed file, or damaged";

// Why the decoder failed, in the words of a warning.
const char* DecodeFailure(JpgFailure failure, bool packed)
{
    switch (failure) {
    case JpgFailure::kOverBudget:
        return "over the page's image memory budget";
    case JpgFailure::kTooLarge:
        return "picture too large to decode";
    case JpgFailure::kNoMemory:
        return "out of memory";
    default:
        return packed ? "unpacked data is not a JPEG, or damaged" : "not a JPEG, or damaged";
    }
}

// Decodes within what the page's image budget has left.
bool Decode(CFile* file, PageItem& item, JpgFailure* failure)
{
    JpgDecodeLimits limits;
    limits.budgetBytes = PageImageBudgetLeft();
    return DecodeJpgToDib(file, limits, item.pBits, item.pBmi, failure) != 0;
}

} // namespace

BOOL LoadImageItem(PageItem& item, std::string* problem)
{
    // szText always ends in a NUL within its storage, even when the record
    // filled the whole field.
    const std::string path(item.szText);

    const bool packed = HasExtension(path, ".bpg");
    if (!packed && !HasExtension(path, ".jpg"))
        return Fail(problem, path, false, "extension not .jpg/.bpg");

    CIdentifiedFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
        return Fail(problem, path, true, packed ? kNotPacked : "not a JPEG, or damaged");
    const ImageFileKey key = file.Key(packed);
    if (PageImageCache().Share(key, item.pBits, item.pBmi))
        return TRUE;

    JpgFailure failure = JpgFailure::kNone;
    bool decoded;
    if (packed) {
        uint8_t* raw = nullptr;
        uint32_t size = 0;
        if (!ReadPackedStream(&file, &raw, &size))
            return Fail(problem, path, true, kNotPacked);
        file.Close();
        // The unpacked bytes are released as soon as the decoder returns,
        // whatever it says.
        std::unique_ptr<uint8_t[]> unpacked(raw);
        {
            // Exactly the unpacked size, not the (possibly larger) buffer.
            CMemFile memFile(unpacked.get(), size);
            decoded = Decode(&memFile, item, &failure);
        }
        unpacked.reset();
    } else {
        decoded = Decode(&file, item, &failure);
    }
    if (!decoded)
        return Fail(problem, path, false, DecodeFailure(failure, packed));
    PageImageCache().Remember(key, item.pBits, item.pBmi);
    return TRUE;
}

} // namespace vexlan
