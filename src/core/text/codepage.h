// SPDX-License-Identifier: MIT
// The ANSI code page layer: which multibyte character set strings from job
// files and text files are in, lead-byte tests, multibyte-aware searches,
// the case-insensitive extension test, and conversion to Unicode.
//
// The code page comes from the process locale (setlocale(LC_ALL, "")):
// GBK/GB2312/GB18030 locales give 936, everything else that is not plain C
// gives its own set, and the C locale counts as UTF-8 (65001).
// VEXLAN_CODEPAGE (for example "936" or "65001") overrides the locale.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vexlan {

constexpr int CP_GBK = 936;
// <windows.h> defines CP_UTF8 as the same number.
#ifndef CP_UTF8
constexpr int CP_UTF8 = 65001;
#endif
constexpr int CP_SINGLE_BYTE = 1252; // any code page without lead bytes

// The process's ANSI code page, decided once on first use (or set by
// SetAnsiCodePage).
int AnsiCodePage();
// Sets the code page explicitly (start-up with VEXLAN_CODEPAGE, tests).
void SetAnsiCodePage(int codePage);
// Decides the code page from VEXLAN_CODEPAGE and the locale, as start-up does.
// A VEXLAN_CODEPAGE value that names no known code page gives
// CP_SINGLE_BYTE; programs refuse such a value first (CodePageSettingError).
int DetectAnsiCodePage();

// The code page a VEXLAN_CODEPAGE value names, or 0 when it names none: a
// number (936, 65001, 1252) or a character-set name in any ASCII case (GBK,
// GB2312, GB18030, CP936, EUC-CN; UTF-8, UTF8, ASCII, ANSI_X3.4-1968;
// CP1252, WINDOWS-1252). vexlan and vexlan-job accept exactly these values.
int CodePageFromSetting(const std::string& value);
bool IsKnownCodePageSetting(const std::string& value);

// "" when VEXLAN_CODEPAGE is unset or a known value; otherwise (set but
// empty, a known value with blanks or a sign, anything else) one line
// saying so (without a program prefix), after which a program ends with
// status 2.
std::string CodePageSettingError();

// True when `c` starts a multibyte character in `codePage`.
bool IsLeadByte(unsigned char c, int codePage);

// Length of the valid UTF-8 sequence starting at s[pos], or 0 when the bytes
// there do not form one (truncated, overlong, surrogate, above U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos);

// Byte length of the character starting at s[pos] (1 for single bytes and for
// a lead byte whose trail bytes are missing at the end of the string).
std::size_t CharLength(const std::string& s, std::size_t pos, int codePage);

// Position of the last occurrence of the single-byte character `ch` that is
// a character of its own (never a trail byte of a multibyte character), or
// std::string::npos.
std::size_t MbsReverseFind(const std::string& s, char ch, int codePage);
std::size_t MbsReverseFind(const std::string& s, char ch);

// Compares as _mbsicmp does: ASCII letters without regard to case, every
// other byte (multibyte characters included) exactly. <0, 0, >0.
int MbsICmp(const std::string& a, const std::string& b);

// The last 4 bytes of a path (the whole path when it is shorter) compared
// with `ext` by MbsICmp. `ext` is ".jpg", ".bpg", ".txt" or ".bin".
bool HasExtension(const std::string& path, const char* ext);

// Converts bytes in the code page to UTF-8. Bytes that do not form a valid
// character become U+FFFD; the result is always valid UTF-8.
std::string AnsiToUtf8(const std::string& bytes, int codePage);
std::string AnsiToUtf8(const std::string& bytes);
// Takes one piece of a conversion; returns false to stop the conversion.
using PieceSink = std::function<bool(std::string_view)>;
// The same conversion handed to `piece` in order, in pieces of whole
// characters of at most a few KiB each, until `piece` returns false (for
// texts too long to hold converted, or of which only the start is needed:
// the pieces up to a stop are always the start of the whole conversion).
void AnsiToUtf8Pieces(std::string_view bytes, int codePage, const PieceSink& piece);

// Converts UTF-8 to the code page (for the producer's tool). Characters the
// code page cannot hold become '?'.
std::string Utf8ToAnsi(const std::string& utf8, int codePage);
std::string Utf8ToAnsi(const std::string& utf8);

// Bytes that the one character `utf8` (a valid UTF-8 sequence of `len`
// bytes) takes in `codePage`: 1 or 2 in code page 936, 1 in a single-byte
// set, `len` in UTF-8; 0 when the code page cannot hold it.
std::size_t CodePageCharBytes(const char* utf8, std::size_t len, int codePage);

// Position of the first character of `utf8` that `codePage` cannot hold (a
// byte outside any valid UTF-8 sequence counts as one), or std::string::npos
// when the code page holds them all.
std::size_t FindUnheldChar(const std::string& utf8, int codePage);

} // namespace vexlan
