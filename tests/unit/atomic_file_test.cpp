// SPDX-License-Identifier: MIT
// CAtomicFile: the target changes only on a successful Commit(), never
// holds a partial file, and no temporary file outlives the object.
#include "os/atomic_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace vexlan;
using vexlan::test::ReadFile;
using vexlan::test::TempDir;
using vexlan::test::WriteFile;
namespace fs = std::filesystem;

namespace {

std::size_t Entries(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }

} // namespace

TEST(AtomicFile, TargetChangesOnlyOnCommit)
{
    // Each row: commit or not; the target ends with the new bytes or the old.
    for (const bool commit : {true, false}) {
        TempDir dir;
        const std::string target = dir.file("out.png");
        WriteFile(target, "old");
        chmod(target.c_str(), 0640);
        {
            CAtomicFile file(target);
            ASSERT_TRUE(file.Open());
            ASSERT_TRUE(file.Write("new bytes", 9));
            EXPECT_EQ(ReadFile(target), "old") << "nothing shows before the commit";
            EXPECT_EQ(Entries(dir.path()), 2u);
            if (commit) {
                ASSERT_TRUE(file.Commit()) << file.Error();
            }
        }
        EXPECT_EQ(ReadFile(target), commit ? "new bytes" : "old");
        EXPECT_EQ(Entries(dir.path()), 1u) << "no temporary file is left";
        struct stat st {};
        ASSERT_EQ(stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u) << "a replaced file keeps its mode";
    }
}

TEST(AtomicFile, LinkedTargetIsReplacedBehindTheLink)
{
    TempDir dir;
    WriteFile(dir.file("real.pdf"), "old");
    fs::create_symlink(dir.file("real.pdf"), dir.file("link.pdf"));
    CAtomicFile file(dir.file("link.pdf"));
    ASSERT_TRUE(file.Open() && file.Write("new", 3) && file.Commit());
    EXPECT_TRUE(fs::is_symlink(dir.file("link.pdf")));
    EXPECT_EQ(ReadFile(dir.file("real.pdf")), "new");
}

TEST(AtomicFile, TargetsThatCannotBeReplacedAreRefusedAtOpen)
{
    TempDir dir;
    fs::create_directory(dir.file("sub"));
    const struct {
        std::string target;
        const char* why;
    } rows[] = {
        {dir.file("sub"), "a directory"},
        {dir.file("sub") + "/", "a directory"},
        {dir.file("missing/out.png"), "no such directory"},
        {"/dev/null", "a device"},
        {"", "no name"},
    };
    for (const auto& row : rows) {
        CAtomicFile file(row.target);
        EXPECT_FALSE(file.Open()) << row.why;
        EXPECT_FALSE(file.Error().empty()) << row.why;
        EXPECT_FALSE(file.Write("x", 1)) << row.why;
        EXPECT_FALSE(file.Commit()) << row.why;
    }
    EXPECT_EQ(Entries(dir.path()), 1u);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}
