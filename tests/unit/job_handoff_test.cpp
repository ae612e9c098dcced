// Tests of the job hand-off: the job path from the executable's path, and
// that the job file is consumed (or kept) whatever the reader found.
#include "app/job_handoff.h"
#include "job/job_reader.h"
#include "platform/bytes.h"
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

} // namespace
} // namespace vexlan
