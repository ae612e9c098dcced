// SPDX-License-Identifier: MIT
// The string table's lookups: fields of the document template string,
// prompts and tips of commands, the frame caption, unknown ids.
#include "linux/res/app_strings.h"

#include <gtest/gtest.h>

namespace vexlan {
namespace {

TEST(AppStrings, DocumentTemplateFields)
{
    EXPECT_EQ(GetDocString(windowTitle), QStringLiteral("打印输出"));
    EXPECT_EQ(GetDocString(docName), QString());
    EXPECT_EQ(GetDocString(fileNewName), QStringLiteral("Vexlan"));
    EXPECT_EQ(GetDocString(filterName), QString());
    EXPECT_EQ(GetDocString(filterExt), QString());
    EXPECT_EQ(GetDocString(regFileTypeId), QStringLiteral("Vexlan.Document"));
    EXPECT_EQ(GetDocString(regFileTypeName), QStringLiteral("Vexlan Document"));
}

TEST(AppStrings, ExtractSubStringOutOfRangeIsEmpty)
{
    EXPECT_EQ(ExtractSubString(QStringLiteral("a\nb"), 2), QString());
    EXPECT_EQ(ExtractSubString(QStringLiteral("a\nb"), -1), QString());
    EXPECT_EQ(ExtractSubString(QString(), 0), QString());
}

TEST(AppStrings, PromptAndTipSplitAtTheNewline)
{
    EXPECT_EQ(CommandPrompt(AFX_ID_PREVIEW_CLOSE), QStringLiteral("关闭打印预览模式"));
    EXPECT_EQ(CommandTip(AFX_ID_PREVIEW_CLOSE), QStringLiteral("取消预阅"));
    // An entry without a tip is its own tip.
    EXPECT_EQ(CommandTip(ID_FILE_MRU_FIRST + 3), QStringLiteral("打开该文档"));
}

TEST(AppStrings, UnknownIdIsEmpty)
{
    EXPECT_EQ(LoadString(1), QString());
    EXPECT_EQ(FindStringEntry(1), nullptr);
    EXPECT_EQ(CommandTip(1), QString());
}

TEST(AppStrings, EveryIdAppearsOnce)
{
    for (std::size_t i = 0; i < std::size(kStringTable); ++i)
        for (std::size_t j = i + 1; j < std::size(kStringTable); ++j)
            EXPECT_NE(kStringTable[i].nID, kStringTable[j].nID) << "duplicate id " << kStringTable[i].nID;
}

TEST(AppStrings, FrameCaptionWithoutDocumentTitleIsTheAppTitle)
{
    EXPECT_EQ(ComposeFrameCaption(QString(), QStringLiteral("打印输出")), QStringLiteral("打印输出"));
    EXPECT_EQ(ComposeFrameCaption(QStringLiteral("Doc"), QStringLiteral("打印输出")),
              QStringLiteral("Doc - 打印输出"));
}

} // namespace
} // namespace vexlan
