// SPDX-License-Identifier: MIT
// UTF-8 to UTF-16 and mnemonics (see win_text.h).
#include "windows/shell/win_text.h"

#include "windows/base/windows_api.h"

#include <cwctype>

namespace vexlan {

std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int length = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wide <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out.data(), wide);
    return out;
}

std::wstring LoadResString(unsigned nID)
{
    // With a zero length, LoadStringW hands out a pointer to the resource's
    // own text, which is not terminated.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != nullptr ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

wchar_t MnemonicOf(std::wstring_view text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        return static_cast<wchar_t>(std::towupper(text[i + 1]));
    }
    return 0;
}

} // namespace vexlan
