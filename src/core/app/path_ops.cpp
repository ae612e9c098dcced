// SPDX-License-Identifier: MIT
// Path operations on byte strings in the ANSI code page.
#include "core/app/path_ops.h"

#include "core/text/codepage.h"

namespace vexlan {

std::string GetPathName(std::string path, char sep, int codePage)
{
    if (path.empty())
        return std::string();
    const std::size_t i = MbsReverseFind(path, sep, codePage);
    if (i == std::string::npos)
        return path;
    return path.substr(i + 1);
}

std::string GetPathTitle(std::string path, char sep, int codePage)
{
    const std::string name = GetPathName(path, sep, codePage);
    const std::size_t j = MbsReverseFind(name, '.', codePage);
    if (j == std::string::npos)
        return name;
    return name.substr(0, j);
}

std::string GetPathDir(std::string path, char sep, int codePage)
{
    const std::size_t i = MbsReverseFind(path, sep, codePage);
    // On '/' paths the root plays the part of a drive root: "/prn" lies in "/".
    if (i == 0 && sep == '/')
        return std::string(1, sep);
    if (i == std::string::npos || i == 0)
        return std::string();
    std::string d = path.substr(0, i);
    if (d.size() < 2)
        return std::string();
    if (d.back() == ':')
        d.push_back(sep);
    return d;
}

std::string CombinePath(std::string dir, std::string file, char sep, int codePage)
{
    if (dir.empty())
        return file;
    std::string result = dir;
    // The separator must be a character of its own: a double-byte character
    // whose second byte has the separator's code (0x5C in code page 936)
    // does not end the directory, so a separator is still added.
    const std::size_t lastSep = MbsReverseFind(result, sep, codePage);
    if (lastSep == std::string::npos || lastSep + 1 != result.size())
        result.push_back(sep);
    return result + GetPathName(file, sep, codePage);
}

std::string ReplacePathExt(std::string path, std::string ext, char sep, int codePage)
{
    return CombinePath(GetPathDir(path, sep, codePage), GetPathTitle(path, sep, codePage) + ext, sep,
                       codePage);
}

std::string GetPathName(std::string path) { return GetPathName(std::move(path), kNativeSeparator, AnsiCodePage()); }
std::string GetPathTitle(std::string path) { return GetPathTitle(std::move(path), kNativeSeparator, AnsiCodePage()); }
std::string GetPathDir(std::string path) { return GetPathDir(std::move(path), kNativeSeparator, AnsiCodePage()); }
std::string CombinePath(std::string dir, std::string file)
{
    return CombinePath(std::move(dir), std::move(file), kNativeSeparator, AnsiCodePage());
}
std::string ReplacePathExt(std::string path, std::string ext)
{
    return ReplacePathExt(std::move(path), std::move(ext), kNativeSeparator, AnsiCodePage());
}

} // namespace vexlan
