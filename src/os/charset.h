// SPDX-License-Identifier: MIT
// Character sets as the system knows them: a converter between two named
// sets, and the set of the user's locale. Names are iconv's ("UTF-8",
// "UTF-32LE", "CP936", "CP1252"); another system maps them to its own.
#pragma once

#include <cstddef>
#include <string>

namespace vexlan {

// Converts text from one character set to another, a piece at a time.
class CharsetConverter {
public:
    enum class Result { kDone, kOutputFull, kBadInput };

    // A converter from `from` to `to`; IsOpen() is false when the system has
    // none for the pair.
    CharsetConverter(const char* to, const char* from);
    ~CharsetConverter();
    CharsetConverter(const CharsetConverter&) = delete;
    CharsetConverter& operator=(const CharsetConverter&) = delete;

    bool IsOpen() const { return m_handle != nullptr; }
    // Converts [in, in + inLeft) into [out, out + outLeft), moving both past
    // what was used; writes only whole characters. kDone: all input taken;
    // kOutputFull: the room ran out first; kBadInput: `in` points at bytes
    // that are invalid, incomplete, or no character of the target set.
    Result Convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft);
    // Writes what returns a stateful target set to its initial state.
    void Finish(char*& out, std::size_t& outLeft);
    // Back to the initial state, any partial input forgotten.
    void Reset();

private:
    void* m_handle = nullptr;
};

// Makes the locale the environment names (LC_ALL, LC_CTYPE, LANG) the
// program's own, as setlocale(LC_ALL, "") does, and returns its character
// set's name ("UTF-8", "GB18030", "ANSI_X3.4-1968"); empty when none is named.
std::string AdoptEnvironmentLocale();

// The character set of the locale the environment names, read once; the
// program's own locale is left as it is. Empty when none is named.
const std::string& EnvironmentCharset();

} // namespace vexlan
