// SPDX-License-Identifier: MIT
// Layout length of text-block lines: in UTF-8 each character counts as in
// code page 936 (or by its East Asian Width when 936 lacks it); in every
// other code page a line counts its bytes.
#include "core/text/codepage.h"
#include "core/text/display_width.h"

#include <gtest/gtest.h>

#include <string>

namespace vexlan {
namespace {

TEST(LayoutLineLength, Utf8CountsEachCharacterAsCodePage936Would)
{
    struct Row {
        const char* name;
        std::string line;
        std::size_t expected;
    } rows[] = {
        {"empty", "", 0},
        {"ASCII", "Total: 42", 9},
        {"Chinese", "中文", 4},
        {"mixed", "合计 Total：", 12},
        {"yen: not in code page 936, narrow", "¥5", 2},
        {"euro: one byte in code page 936", "€", 1},
        {"emoji: not in code page 936, wide", "😀a", 3},
        {"fullwidth A: in code page 936", "Ａ", 2},
        {"Hangul: not in code page 936, wide", "한", 2},
        {"bytes outside UTF-8 count one each", "\xFF\xFE" "a\x80", 4},
        {"a sequence cut short", "中\xE4\xB8", 4},
        {"an encoded surrogate", "\xED\xA0\x80", 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(LayoutLineLength(r.line, CP_UTF8), r.expected);
        EXPECT_EQ(LayoutLineLength(r.line, CP_SINGLE_BYTE), r.line.size()); // other code pages: bytes
    }
}

TEST(IsWideOrFullwidth, RangeEdges)
{
    struct Row {
        char32_t ch;
        bool wide;
    } rows[] = {
        {0, false},       {'A', false},     {0xA5, false},    {0x10FF, false},  {0x1100, true},
        {0x115F, true},   {0x1160, false},  {0x3000, true},   {0x303E, true},   {0x303F, false},
        {0x4DBF, true},   {0x4DC0, false},  {0x4E00, true},   {0xFF00, false},  {0xFF01, true},
        {0xFF60, true},   {0xFF61, false},  {0xFFE6, true},   {0xFFE7, false},  {0x1F64F, true},
        {0x1F650, false}, {0x3FFFD, true},  {0x3FFFE, false}, {0x10FFFF, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsWideOrFullwidth(r.ch), r.wide) << std::hex << static_cast<uint32_t>(r.ch);
}

} // namespace
} // namespace vexlan
