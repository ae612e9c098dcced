// SPDX-License-Identifier: MIT
// UTF-8 texts of the shell (the string table's and the named texts) as the
// UTF-16 the wide Win32 calls take.
#pragma once

#include <string>
#include <string_view>

namespace vexlan {

// String `nID` of the program's string table; empty when it has none.
std::wstring LoadResString(unsigned nID);

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Widen(std::string_view utf8);

// The letter after the first single '&' of a control's text, upper-cased
// (the key that with Alt presses the control); 0 when the text has none.
// "&&" is a literal ampersand, not a mnemonic.
wchar_t MnemonicOf(std::wstring_view text);

} // namespace vexlan
