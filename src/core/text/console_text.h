// SPDX-License-Identifier: MIT
// Lines for the console (stderr) in the locale's character set.
//
// A message line is built from two kinds of pieces:
//   - bytes as the user's system gave them: paths (from the command line,
//     the environment, a job), command-line arguments, environment values.
//     They go out as they are, never decoded and re-encoded, so a path in a
//     message is the file's name byte for byte;
//   - text in UTF-8 (Qt's and CUPS's messages, a QString through
//     toStdString(), JSON text): ConsoleText() converts it to the locale's
//     character set.
// ASCII is the same in every set the program runs in, so a message of ASCII
// text (the program's own words, SystemErrorText's) and path bytes needs no
// conversion. Every line on stderr goes out
// through WriteConsoleLine:
//   WriteConsoleLine("vexlan: cannot write " + path + ": " + ConsoleText(qtReason.toStdString()));
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vexlan {

// `utf8` in the character set of the locale the environment names
// (LC_ALL, LC_CTYPE, LANG; the program's current locale is not changed):
// characters the set cannot hold, and bytes that are not UTF-8, become '?'.
// In a UTF-8 locale and in the plain C locale (which counts as UTF-8, as
// for the code page) only the bytes that are not UTF-8 are replaced.
std::string ConsoleText(std::string_view utf8);

// The same for a named character set (a name as os/charset.h takes it;
// "" for UTF-8).
std::string ConsoleText(std::string_view utf8, const char* charset);

// Writes `line` and a newline on `out` (stderr by default), then flushes.
void WriteConsoleLine(std::string_view line, std::FILE* out = stderr);

} // namespace vexlan
