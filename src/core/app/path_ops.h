// SPDX-License-Identifier: MIT
// The path operations start-up builds the job path with. Each is written
// once with the separator as a parameter: '\\' gives the Windows rules
// (a drive root such as "C:" keeps its backslash), '/' the same rules on
// Linux paths, where the root "/" plays the part of a drive root (the
// directory of "/prn" is "/", not empty). Searches for the separator and the dot are multibyte-aware in
// the given code page; the tests for a trailing ':' or separator look at the
// last byte alone.
#pragma once

#include <string>

namespace vexlan {

// The system's separator: a job beside "C:\Programs\vexlan.exe" is
// "C:\Programs\vexlan.set" even when a folder's name holds a dot.
#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

// The file-name part: everything after the last separator.
std::string GetPathName(std::string path, char sep, int codePage);
// The file name without its extension (from its last dot).
std::string GetPathTitle(std::string path, char sep, int codePage);
// The directory part, without a trailing separator except at a drive root.
std::string GetPathDir(std::string path, char sep, int codePage);
// The name part of `file` placed in `dir`; `file` whole when `dir` is empty.
std::string CombinePath(std::string dir, std::string file, char sep, int codePage);
// Same directory and title, with `ext` (dot included) as the extension.
std::string ReplacePathExt(std::string path, std::string ext, char sep, int codePage);

// The same with the native separator and the process's code page.
std::string GetPathName(std::string path);
std::string GetPathTitle(std::string path);
std::string GetPathDir(std::string path);
std::string CombinePath(std::string dir, std::string file);
std::string ReplacePathExt(std::string path, std::string ext);

} // namespace vexlan
