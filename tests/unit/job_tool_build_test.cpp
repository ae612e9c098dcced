// SPDX-License-Identifier: MIT
// vexlan-job build: what it refuses (one line naming the item and the key,
// no job written), what it only warns about, and what it stores.
#include "test_support.h"

#include "core/job/page_item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace vexlan {
namespace {

struct Built {
    int status = -1;
    std::string err;
    std::string job; // empty when no job was written
};

Built Build(const test::TempDir& dir, const std::string& json, const char* codePage,
            const char* option = nullptr)
{
    test::WriteFile(dir.file("job.json"), json);
    std::filesystem::remove(dir.file("job.set"));
    std::vector<std::string> argv{VEXLAN_JOB_TOOL, "build", dir.file("job.json"), "-o", dir.file("job.set")};
    if (option != nullptr)
        argv.push_back(option);
    setenv("VEXLAN_CODEPAGE", codePage, 1);
    const test::RunResult r = test::Run(argv);
    unsetenv("VEXLAN_CODEPAGE");
    Built b{r.status, r.err, ""};
    if (std::filesystem::exists(dir.file("job.set")))
        b.job = test::ReadFile(dir.file("job.set"));
    return b;
}

TEST(VexlanJobBuild, RefusesMistakesNamingTheItemAndTheKey)
{
    const std::string rect = R"("rect": [0, 0, 10, 10], )";
    struct Case {
        const char* codePage;
        std::string item;
        const char* message;
    } cases[] = {
        {"65001", R"({"type": 1, )" + rect + R"("path": "a.jpg", "keep_aspect": 1})",
         R"(item 1: unknown key "keep_aspect" for an image (type 1))"},
        {"65001", R"({"type": 3, )" + rect + R"("face": "Arial"})", R"(item 1: unknown key "face" for a frame)"},
        {"65001", R"({"type": 3, )" + rect + R"("a\nb": 1})", R"(item 1: unknown key "a\u000ab" for a frame)"},
        {"65001", R"({"type": 0, )" + rect + R"("text": 5})", R"(item 1: "text" must be a string)"},
        {"65001", R"({"type": 1, )" + rect + R"("invert": "yes"})", R"(item 1: "invert" must be true, false)"},
        {"65001", R"({"type": 3, "rect": [0, 0, 10]})", R"(item 1: "rect" must be [left, top, right, bottom])"},
        {"65001", R"({"type": 3})", R"(item 1: "rect" is missing)"},
        {"65001", R"({"type": "0", "rect": [0, 0, 1, 1]})", R"(item 1: "type" must be an integer)"},
        {"936", R"({"type": 0, )" + rect + R"("text": "价格 ¥5"})",
         R"(item 1: "text" holds "¥" (U+00A5), which code page 936 cannot hold)"},
        {"1252", R"({"type": 2, )" + rect + R"("path": "a.txt", "face": "宋体"})", R"(item 1: "face" holds "宋" (U+5B8B))"},
        {"936", R"({"type": 0, )" + rect + R"("face": "宋体宋体宋体宋体"})", R"(item 1: "face" is 16 bytes)"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const Built b = Build(dir, R"([{"type": 3, "rect": [0, 0, 1, 1]}, )" + c.item + "]", c.codePage);
        EXPECT_EQ(b.status, 1);
        EXPECT_NE(b.err.find(c.message), std::string::npos) << b.err;
        EXPECT_TRUE(b.job.empty());
    }
    for (const char* codePage : {"0", "99999", "garbage"}) {
        const Built b = Build(dir, "[]", codePage);
        EXPECT_EQ(b.status, 2) << codePage;
        EXPECT_NE(b.err.find("VEXLAN_CODEPAGE"), std::string::npos) << b.err;
    }
}

TEST(VexlanJobBuild, StoresFlagsAndLossyTextAndWarnsAboutPaths)
{
    test::TempDir dir;
    test::WriteFile(dir.file("lines.txt"), "a\n");
    const std::string json = R"([
        {"type": 1, "rect": [0, 0, 1, 1], "path": ")" + dir.file("gone.jpg") + R"(", "invert": true},
        {"type": 1, "rect": [0, 0, 1, 1], "path": "pic.png", "invert": 0, "keepAspect": 7},
        {"type": 2, "rect": [0, 0, 1, 1], "path": "notes.doc"},
        {"type": 2, "rect": [0, 0, 1, 1], "path": ")" + dir.file("lines.txt") + R"("},
        {"type": 0, "rect": [0, 0, 1, 1], "text": "¥5", "face": "宋体"}])";
    const Built b = Build(dir, json, "936", "--lossy");
    ASSERT_EQ(b.job.size(), 8 + 5 * record::kSize) << b.err;
    const auto* records = reinterpret_cast<const uint8_t*>(b.job.data()) + 8;
    const PageItem gone = DecodePageItem(records);
    const PageItem png = DecodePageItem(records + record::kSize);
    const PageItem text = DecodePageItem(records + 4 * record::kSize);
    EXPECT_EQ(gone.bInvert, 1);
    EXPECT_EQ(png.bInvert, 0);
    EXPECT_EQ(png.bKeepAspect, 7);
    EXPECT_STREQ(text.szText, "?5");
    EXPECT_STREQ(text.szFaceName, "\xCB\xCE\xCC\xE5");
    // One warning per path that will not load, none for the good one.
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(std::count(b.err.begin(), b.err.end(), '\n'), 3) << b.err;
    for (const char* w : {"item 0: image \"", "gone.jpg\": no such file",
                          "item 1: image \"pic.png\": extension not .jpg/.bpg",
                          "item 2: text block \"notes.doc\": extension not .txt/.bin"})
        EXPECT_NE(b.err.find(w), std::string::npos) << w << "\n" << b.err;
}

} // namespace
} // namespace vexlan
