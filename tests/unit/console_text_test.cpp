// SPDX-License-Identifier: MIT
// Console lines: UTF-8 text in the console's character set.
#include "core/text/console_text.h"

#include <gtest/gtest.h>

using namespace vexlan;

TEST(ConsoleText, Utf8TextInTheConsoleCharset)
{
    const struct {
        const char* charset;
        const char* utf8;
        const char* expected;
    } rows[] = {
        {"GBK", "cannot write \xE4\xB8\xAD\xE6\x96\x87", "cannot write \xD6\xD0\xCE\xC4"}, // 中文
        {"GBK", "a\xF0\x9F\x98\x80z", "a?z"},      // a character GBK cannot hold
        {"GBK", "a\xFF\xE4\xB8z", "a???z"},        // each byte that is not UTF-8
        {"UTF-8", "\xE4\xB8\xAD\xFF", "\xE4\xB8\xAD?"},
        {"ANSI_X3.4-1968", "\xE4\xB8\xAD", "\xE4\xB8\xAD"}, // the C locale counts as UTF-8
        {"ISO-8859-1", "caf\xC3\xA9 \xE4\xB8\xAD", "caf\xE9 ?"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.charset) + ": " + r.utf8);
        EXPECT_EQ(ConsoleText(r.utf8, r.charset), r.expected);
    }
}
