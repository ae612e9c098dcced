// SPDX-License-Identifier: MIT
// Tests of the job hand-off: the job path from the name the program was
// started under, and that the job file is consumed (or kept) whatever the
// reader found.
#include "core/app/job_handoff.h"
#include "core/job/job_reader.h"
#include "core/base/bytes.h"
#include "test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {
namespace {

namespace fs = std::filesystem;

// A job with one frame record.
std::string OneFrameJob()
{
    std::string bytes(JOB_HEADER_SIZE + record::kSize, '\0');
    auto* b = reinterpret_cast<uint8_t*>(bytes.data());
    WriteU32LE(b, JOB_MAGIC);
    WriteI32LE(b + 4, 1);
    PageItem frame;
    frame.nType = ITEM_FRAME;
    frame.rcItem = RECT{10, 20, 30, 40};
    EncodePageItem(frame, b + JOB_HEADER_SIZE);
    return bytes;
}

TEST(JobHandoff, JobPathIsBesideTheExecutable)
{
    EXPECT_EQ(JobPathForExecutable("/opt/tools/prn"), "/opt/tools/prn.set");
    EXPECT_EQ(JobPathForExecutable("/opt/tools/prn.bin"), "/opt/tools/prn.set");
    EXPECT_EQ(JobPathForExecutable("/prn"), "/prn.set");
    // No executable path: no job, rather than an unrelated ".set" here.
    EXPECT_EQ(JobPathForExecutable(""), "");
    EXPECT_FALSE(ExecutablePath().empty());
}

TEST(JobHandoff, ReadsThenDeletesOrKeeps)
{
    test::TempDir dir;
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "deleted");
        const std::string job = dir.file("prn.set");
        test::WriteFile(job, OneFrameJob());
        chmod(job.c_str(), 0444); // a read-only job is still consumed
        CPageItemArray list;
        HandOffJob(job, list, keep);
        ASSERT_EQ(list.GetSize(), 1u);
        EXPECT_EQ(list.GetAt(0).rcItem.right, 30);
        EXPECT_EQ(fs::exists(job), keep);
        FreePageItems(list);
        fs::remove(job);
    }
}

TEST(JobHandoff, DamagedOrMissingJobsAreNoError)
{
    test::TempDir dir;
    const std::string job = dir.file("prn.set");
    test::WriteFile(job, "\x7B\xA9\x23"); // shorter than the magic
    CPageItemArray list;
    HandOffJob(job, list, false);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_FALSE(fs::exists(job));
    HandOffJob(job, list, false); // now missing
    EXPECT_EQ(list.GetSize(), 0u);
}

TEST(JobHandoff, EmptyJobPathTouchesNothing)
{
    test::TempDir dir;
    const fs::path old = fs::current_path();
    fs::current_path(dir.path());
    test::WriteFile(".set", OneFrameJob());
    CPageItemArray list;
    HandOffJob(JobPathForExecutable(""), list, false);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_TRUE(fs::exists(dir.path() / ".set"));
    fs::current_path(old);
}

TEST(JobHandoff, StartedNameCountsOnlyWhenItIsThisProgram)
{
    test::TempDir dir;
    const std::string d = dir.path().string(), self = ExecutablePath(), slip = d + "/bin/slip";
    for (const char* sub : {"bin", "plain", "dirs", "dirs/slip"})
        fs::create_directory(dir.file(sub));
    fs::create_symlink(self, slip);
    test::WriteFile(dir.file("plain/slip"), "not executable");
    const std::string shadowed = d + "/dirs:" + d + "/plain:" + d + "/bin";
    const struct {
        std::string argv0, pathEnv, cwd, expected, execFn = {};
    } cases[] = {
        {slip, "", "/", slip},                        // a path: the link, not its target
        {"bin/slip", "", d, slip},                    // relative to the working directory
        {"slip", "/no/such:" + d + "/bin", "/", slip}, // found on PATH
        {"slip", shadowed, "/", slip},                // directories and plain files skipped
        {"slip", "/no/such::/x", d + "/bin", slip},   // an empty entry is the working directory
        {"slip", "/usr/bin:/bin", "/", self},         // not on PATH
        {"sh", "/usr/bin:/bin", "/", self},           // another program of that name
        {"", d + "/bin", "/", self},
        {"slip", "/usr/bin:/bin", d, slip, "bin/slip"}, // the path execve received, argv[0] made up
        {"bin/slip", "", d, slip, "/bin/sh"},           // execve's path is another program
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argv0 + " PATH=" + c.pathEnv + " cwd=" + c.cwd);
        EXPECT_EQ(StartedExecutablePath(c.argv0.c_str(), c.pathEnv.c_str(), c.cwd, c.execFn.c_str()), c.expected);
    }
}

} // namespace
} // namespace vexlan
