// SPDX-License-Identifier: MIT
// bImportJPG: the two entry points of the JPEG decoding component.
#include "core/jpeg/jpg_image.h"

#include "core/jpeg/jpg_decoder.h"

namespace vexlan {

int bImportJPG(std::string path, void*& pBits, BITMAPINFO*& pBmi)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
        return 0;
    return bImportJPG(&file, pBits, pBmi);
}

int bImportJPG(CFile* file, void*& pBits, BITMAPINFO*& pBmi)
{
    return DecodeJpgToDib(file, JpgDecodeLimits{}, pBits, pBmi);
}

} // namespace vexlan
