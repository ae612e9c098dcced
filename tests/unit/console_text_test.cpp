// Console lines: UTF-8 text in the console's character set, and the face
// names no font matches (one job warning per name, for text that is drawn).
#include "app/face_check.h"
#include "platform/console_text.h"

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
        {"GB18030", "\xE4\xB8\xAD", "\xD6\xD0"},
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

TEST(FaceCheck, OneWarningPerUnmatchedFaceThatDrawsText)
{
    const auto item = [](int32_t type, const char* face, RECT rc = {0, 0, 100, 100}) {
        PageItem it;
        it.nType = type;
        it.rcItem = rc;
        it.nLineCount = it.nMaxLineLen = type == ITEM_TEXTBLOCK ? 1 : 0;
        SetItemFace(it, face);
        return it;
    };
    CPageItemArray items;
    items.Add(item(ITEM_TEXT, "Arial"));             // a table name
    items.Add(item(ITEM_TEXT, "DejaVu Sans"));       // an installed family
    items.Add(item(ITEM_TEXT, ""));                  // the default face
    items.Add(item(ITEM_TEXT, "NoSuchFace"));        // warned (item 3)
    items.Add(item(ITEM_TEXTBLOCK, "NoSuchFace"));   // the same name: no second warning
    items.Add(item(ITEM_TEXT, "Empty", {0, 0, 0, 0})); // draws nothing
    PageItem noLines = item(ITEM_TEXTBLOCK, "NoLines");
    noLines.nLineCount = 0;
    items.Add(noLines);
    items.Add(item(ITEM_TEXTBLOCK, "Other Face"));   // warned (item 7)

    const LoadDiagnostics found = UnmatchedFaces(items);
    ASSERT_EQ(found.warnings.size(), 2u);
    EXPECT_EQ(found.warnings[0].item, 3);
    EXPECT_EQ(found.warnings[0].text, "no font matches face \"NoSuchFace\"; drawn in \"AR PL UMing CN\"");
    EXPECT_EQ(found.warnings[1].item, 7);
    EXPECT_EQ(found.warnings[1].text.rfind("no font matches face \"Other Face\"; drawn in \"", 0), 0u);
}
