// SPDX-License-Identifier: MIT
// Character sets through iconv and the C library's locales (see charset.h).
#include "os/charset.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>

namespace vexlan {

CharsetConverter::CharsetConverter(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd != reinterpret_cast<iconv_t>(-1))
        m_handle = cd;
}

CharsetConverter::~CharsetConverter()
{
    if (m_handle != nullptr)
        iconv_close(static_cast<iconv_t>(m_handle));
}

CharsetConverter::Result CharsetConverter::Convert(const char*& in, std::size_t& inLeft, char*& out,
                                                   std::size_t& outLeft)
{
    char* src = const_cast<char*>(in);
    const std::size_t r = iconv(static_cast<iconv_t>(m_handle), &src, &inLeft, &out, &outLeft);
    in = src;
    if (r != static_cast<std::size_t>(-1))
        return Result::kDone;
    return errno == E2BIG ? Result::kOutputFull : Result::kBadInput;
}

void CharsetConverter::Finish(char*& out, std::size_t& outLeft)
{
    iconv(static_cast<iconv_t>(m_handle), nullptr, nullptr, &out, &outLeft);
}

void CharsetConverter::Reset() { iconv(static_cast<iconv_t>(m_handle), nullptr, nullptr, nullptr, nullptr); }

std::string AdoptEnvironmentLocale()
{
    std::setlocale(LC_ALL, "");
    const char* name = nl_langinfo(CODESET);
    return name != nullptr ? name : "";
}

const std::string& EnvironmentCharset()
{
    static const std::string charset = [] {
        std::string cs;
        if (locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr))) {
            if (const char* name = nl_langinfo_l(CODESET, loc))
                cs = name;
            freelocale(loc);
        }
        return cs;
    }();
    return charset;
}

} // namespace vexlan
