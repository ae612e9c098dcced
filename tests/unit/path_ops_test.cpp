// SPDX-License-Identifier: MIT
// Path operations: the backslash rules (drive roots, UNC prefixes, dots in
// directory names), the same rules on '/' paths, and multibyte-aware
// searches in GBK, where a double-byte character may end in 0x5C.
#include "core/app/path_ops.h"
#include "core/text/codepage.h"

#include <gtest/gtest.h>

#include <string>

using namespace vexlan;

namespace {

struct PathRow {
    const char* path;
    const char* name;
    const char* title;
    const char* dir;
    const char* jobPath; // ReplacePathExt(path, ".set")
};

void CheckRows(const PathRow* rows, std::size_t n, char sep, int codePage)
{
    for (std::size_t i = 0; i < n; ++i) {
        const PathRow& r = rows[i];
        SCOPED_TRACE(std::string("path '") + r.path + "' sep '" + sep + "'");
        EXPECT_EQ(GetPathName(r.path, sep, codePage), r.name);
        EXPECT_EQ(GetPathTitle(r.path, sep, codePage), r.title);
        EXPECT_EQ(GetPathDir(r.path, sep, codePage), r.dir);
        EXPECT_EQ(ReplacePathExt(r.path, ".set", sep, codePage), r.jobPath);
    }
}

// Restores the process code page after a test that sets it.
class CodePageGuard {
public:
    explicit CodePageGuard(int cp) : m_saved(AnsiCodePage()) { SetAnsiCodePage(cp); }
    ~CodePageGuard() { SetAnsiCodePage(m_saved); }

private:
    int m_saved;
};

} // namespace

TEST(PathOps, BackslashPaths)
{
    static const PathRow rows[] = {
        {"C:\\Tools\\prn.exe", "prn.exe", "prn", "C:\\Tools", "C:\\Tools\\prn.set"},
        {"C:\\prn.exe", "prn.exe", "prn", "C:\\", "C:\\prn.set"},
        {"prn.exe", "prn.exe", "prn", "", "prn.set"},
        {"\\prn.exe", "prn.exe", "prn", "", "prn.set"},
        {"a\\prn.exe", "prn.exe", "prn", "", "prn.set"},
        {"\\\\srv\\share\\prn.exe", "prn.exe", "prn", "\\\\srv\\share", "\\\\srv\\share\\prn.set"},
        {"C:\\Tools\\a.b.exe", "a.b.exe", "a.b", "C:\\Tools", "C:\\Tools\\a.b.set"},
        {"C:\\Tools.x\\prn", "prn", "prn", "C:\\Tools.x", "C:\\Tools.x\\prn.set"},
        {"C:\\Tools\\.exe", ".exe", "", "C:\\Tools", "C:\\Tools\\.set"},
        {"", "", "", "", ".set"},
        // A path that ends in its separator has an empty name.
        {"C:\\Tools\\", "", "", "C:\\Tools", "C:\\Tools\\.set"},
        // A colon only makes a drive root when it ends the directory.
        {"C:x\\prn.exe", "prn.exe", "prn", "C:x", "C:x\\prn.set"},
        // '/' is an ordinary byte on backslash paths.
        {"C:\\a/b.exe", "a/b.exe", "a/b", "C:\\", "C:\\a/b.set"},
    };
    CheckRows(rows, std::size(rows), '\\', CP_GBK);
    CheckRows(rows, std::size(rows), '\\', CP_UTF8);
}

TEST(PathOps, SlashPathsRootActsAsDriveRoot)
{
    static const PathRow rows[] = {
        {"/opt/tools/prn", "prn", "prn", "/opt/tools", "/opt/tools/prn.set"},
        {"/opt/tools/prn.exe", "prn.exe", "prn", "/opt/tools", "/opt/tools/prn.set"},
        {"/prn", "prn", "prn", "/", "/prn.set"},
        {"/prn.exe", "prn.exe", "prn", "/", "/prn.set"},
        {"prn", "prn", "prn", "", "prn.set"},
        {"a/prn", "prn", "prn", "", "prn.set"},
        {"//srv/share/prn", "prn", "prn", "//srv/share", "//srv/share/prn.set"},
        {"/opt/a.b.exe", "a.b.exe", "a.b", "/opt", "/opt/a.b.set"},
        {"/opt/tools.x/prn", "prn", "prn", "/opt/tools.x", "/opt/tools.x/prn.set"},
        {"/opt/.exe", ".exe", "", "/opt", "/opt/.set"},
        {"/opt/", "", "", "/opt", "/opt/.set"},
        {"/", "", "", "/", "/.set"},
        {"", "", "", "", ".set"},
        // Backslashes are ordinary bytes on '/' paths.
        {"/opt/a\\b.exe", "a\\b.exe", "a\\b", "/opt", "/opt/a\\b.set"},
    };
    CheckRows(rows, std::size(rows), '/', CP_UTF8);
    CheckRows(rows, std::size(rows), '/', CP_GBK);
}

TEST(PathOps, CombinePath)
{
    struct Row {
        const char* dir;
        const char* file;
        char sep;
        const char* expected;
    } rows[] = {
        {"", "x\\y.set", '\\', "x\\y.set"},          // no directory: the file whole
        {"C:\\d", "sub\\y.set", '\\', "C:\\d\\y.set"}, // name part only
        {"C:\\d\\", "y.set", '\\', "C:\\d\\y.set"},    // no second separator
        {"C:\\", "y.set", '\\', "C:\\y.set"},
        {"C:\\d", "", '\\', "C:\\d\\"},
        {"", "x/y.set", '/', "x/y.set"},
        {"/d", "sub/y.set", '/', "/d/y.set"},
        {"/d/", "y.set", '/', "/d/y.set"},
        {"/", "y.set", '/', "/y.set"},
        {"/d", "/abs/y.set", '/', "/d/y.set"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.dir) + " + " + r.file);
        EXPECT_EQ(CombinePath(r.dir, r.file, r.sep, CP_GBK), r.expected);
    }
}

// "運" is 0xDF 0x5C and "乗" is 0x81 0x5C in GBK: their second byte is the
// code of the backslash.
TEST(PathOps, GbkTrailByteIsNotASeparator)
{
    const std::string un = "\xDF\x5C";
    const std::string jo = "\x81\x5C";
    const std::string path = "C:\\Tools\\" + un + jo + ".exe";

    EXPECT_EQ(GetPathName(path, '\\', CP_GBK), un + jo + ".exe");
    EXPECT_EQ(GetPathTitle(path, '\\', CP_GBK), un + jo);
    EXPECT_EQ(GetPathDir(path, '\\', CP_GBK), "C:\\Tools");
    EXPECT_EQ(ReplacePathExt(path, ".set", '\\', CP_GBK), "C:\\Tools\\" + un + jo + ".set");

    // A name ending in such a character keeps it whole.
    const std::string tail = "C:\\d\\a" + un;
    EXPECT_EQ(GetPathName(tail, '\\', CP_GBK), "a" + un);
    EXPECT_EQ(GetPathDir(tail, '\\', CP_GBK), "C:\\d");

    // A directory name with such a character.
    const std::string inDir = "C:\\" + un + "\\prn.exe";
    EXPECT_EQ(GetPathDir(inDir, '\\', CP_GBK), "C:\\" + un);
    // The directory's last byte is 0x5C, but as the trail byte of a
    // character: a separator is still put between directory and name.
    EXPECT_EQ(ReplacePathExt(inDir, ".set", '\\', CP_GBK), "C:\\" + un + "\\prn.set");

    // The same bytes are no character in UTF-8, so there 0x5C is a backslash.
    EXPECT_EQ(GetPathName(path, '\\', CP_UTF8), ".exe");
    EXPECT_EQ(GetPathDir(path, '\\', CP_UTF8), "C:\\Tools\\" + un + "\x81");
}

TEST(PathOps, TrailingSeparatorMustBeACharacterOfItsOwn)
{
    // The directory ends in the double-byte "運" (last byte 0x5C): a
    // separator is added. A real trailing backslash is not doubled.
    const std::string dir = "C:\\\xDF\x5C";
    EXPECT_EQ(CombinePath(dir, "y.set", '\\', CP_GBK), dir + "\\y.set");
    EXPECT_EQ(CombinePath(dir + "\\", "y.set", '\\', CP_GBK), dir + "\\y.set");
    // In UTF-8 the same 0x5C byte is a backslash of its own.
    EXPECT_EQ(CombinePath(dir, "y.set", '\\', CP_UTF8), dir + "y.set");
}

TEST(PathOps, NativeFormsUseTheSystemSeparatorAndProcessCodePage)
{
    CodePageGuard cp(CP_UTF8);
#ifdef _WIN32
    EXPECT_EQ(GetPathName("C:\\Tools\\prn.exe"), "prn.exe");
    EXPECT_EQ(GetPathTitle("C:\\Tools\\prn.bin"), "prn");
    EXPECT_EQ(GetPathDir("C:\\prn"), "C:\\");
    EXPECT_EQ(CombinePath("C:\\Tools", "x\\prn.set"), "C:\\Tools\\prn.set");
    EXPECT_EQ(ReplacePathExt("C:\\Tools.v2\\prn", ".set"), "C:\\Tools.v2\\prn.set");
#else
    EXPECT_EQ(GetPathName("/opt/tools/prn"), "prn");
    EXPECT_EQ(GetPathTitle("/opt/tools/prn.bin"), "prn");
    EXPECT_EQ(GetPathDir("/prn"), "/");
    EXPECT_EQ(CombinePath("/opt", "x/prn.set"), "/opt/prn.set");
    EXPECT_EQ(ReplacePathExt("/opt/tools/prn", ".set"), "/opt/tools/prn.set");
    // Backslashes are not separators natively.
    EXPECT_EQ(ReplacePathExt("C:\\Tools\\prn.exe", ".set"), "C:\\Tools\\prn.set");
#endif
}
