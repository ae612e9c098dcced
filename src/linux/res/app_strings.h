// SPDX-License-Identifier: MIT
// The string table: every text of the shell, keyed by its resource or
// command id, in simplified Chinese (held as UTF-8; a Windows producer's
// system writes the same texts in code page 936). A command's entry is its
// prompt, then after a newline a short tip. The table is header-only so that the view's preview toolbar
// reads the same entries; the Qt-facing helpers live in app_strings.cpp.
#pragma once

#include "core/app/command_ids.h"

#include <QString>

#include <cstddef>
#include <string_view>

namespace vexlan {

struct StringEntry {
    UINT nID;
    const char* pszText;
};

// Field order of the document template string (IDR_MAINFRAME).
enum DocStringIndex {
    windowTitle = 0,
    docName = 1,
    fileNewName = 2,
    filterName = 3,
    filterExt = 4,
    regFileTypeId = 5,
    regFileTypeName = 6,
};

inline constexpr StringEntry kStringTable[] = {
    {IDR_MAINFRAME, "打印输出\n\nVexlan\n\n\nVexlan.Document\nVexlan Document"},
    {AFX_IDS_APP_TITLE, "打印输出"},
    {AFX_IDS_IDLEMESSAGE, "就绪"},
    {ID_FILE_NEW, "建立新文档\n新建"},
    {ID_FILE_OPEN, "打开一个现有文档\n打开"},
    {ID_FILE_CLOSE, "关闭活动文档\n关闭"},
    {ID_FILE_SAVE, "保存活动文档\n保存"},
    {ID_FILE_SAVE_AS, "用新名字保存活动文档\n另存为"},
    {ID_FILE_PAGE_SETUP, "改变打印选项\n页面设置"},
    {ID_FILE_PRINT_SETUP, "改变打印机及打印选项\n打印设置"},
    {ID_FILE_PRINT, "打印活动文档\n打印"},
    {ID_FILE_PRINT_PREVIEW, "显示整页\n打印预览"},
    {57616, "打开该文档"}, {57617, "打开该文档"}, {57618, "打开该文档"}, {57619, "打开该文档"},
    {57620, "打开该文档"}, {57621, "打开该文档"}, {57622, "打开该文档"}, {57623, "打开该文档"},
    {57624, "打开该文档"}, {57625, "打开该文档"}, {57626, "打开该文档"}, {57627, "打开该文档"},
    {57628, "打开该文档"}, {57629, "打开该文档"}, {57630, "打开该文档"}, {57631, "打开该文档"},
    {ID_EDIT_CLEAR, "删除被选对象\n删除"},
    {ID_EDIT_CLEAR_ALL, "全部删除\n全部删除"},
    {ID_EDIT_COPY, "复制被选对象并将其置于剪贴板上\n复制"},
    {ID_EDIT_CUT, "剪切被选对象并将其置于剪贴板上\n剪切"},
    {ID_EDIT_FIND, "查找指定的正文\n查找"},
    {ID_EDIT_PASTE, "插入剪贴板内容\n粘贴"},
    {ID_EDIT_REPEAT, "重复上一步操作\n重复"},
    {ID_EDIT_REPLACE, "用不同的正文替换指定的正文\n替换"},
    {ID_EDIT_SELECT_ALL, "选择整个文档\n全选"},
    {ID_EDIT_UNDO, "撤消最后一步操作\n撤消"},
    {ID_EDIT_REDO, "重新执行先前已撤消的操作\n重新执行"},
    {ID_WINDOW_SPLIT, "将活动的窗口分隔成窗格\n分隔"},
    {ID_APP_ABOUT, "显示程序信息，版本号和版权\n关于"},
    {ID_APP_EXIT, "退出应用程序；提示保存文档\n退出"},
    {ID_NEXT_PANE, "切换到下一个窗格\n下一窗格"},
    {ID_PREV_PANE, "切换回前一个窗格\n前一窗格"},
    {59136, "扩展名"},
    {59137, "大写"},
    {59138, "数字"},
    {59139, "滚动"},
    {59140, "改写"},
    {59141, "记录"},
    {ID_VIEW_TOOLBAR, "显示或隐藏工具栏\n显隐工具栏"},
    {ID_VIEW_STATUS_BAR, "显示或隐藏状态栏\n显隐状态栏"},
    {61184, "改变窗口大小"},
    {61185, "改变窗口位置"},
    {61186, "将窗口缩小成图标"},
    {61187, "把窗口放大到最大尺寸"},
    {61188, "切换到下一个文档窗口"},
    {61189, "切换到先前的文档窗口"},
    {61190, "关闭活动的窗口并提示保存所有文档"},
    {61202, "把窗口恢复到正常大小"},
    {61203, "激活任务表"},
    {AFX_ID_PREVIEW_CLOSE, "关闭打印预览模式\n取消预阅"},
    {AFX_ID_PREVIEW_NUMPAGE, "显示一页或两页\n一页/两页"},
    {AFX_ID_PREVIEW_NEXT, "进入下一页\n下一页"},
    {AFX_ID_PREVIEW_PREV, "进入上一页\n上一页"},
    {AFX_ID_PREVIEW_PRINT, "打印预阅项\n打印"},
    {AFX_ID_PREVIEW_ZOOMIN, "增加预阅页的放大比率\n放大"},
    {AFX_ID_PREVIEW_ZOOMOUT, "减少预阅页的放大比率\n缩小"},
};

// The entry for `nID`, or nullptr when the table has none.
inline const char* FindStringEntry(UINT nID)
{
    for (const StringEntry& e : kStringTable)
        if (e.nID == nID)
            return e.pszText;
    return nullptr;
}

// The text of string `nID`; empty when the table has no such entry.
QString LoadString(UINT nID);

// Field `nSubString` of a newline-separated string (the framework's
// AfxExtractSubString): empty when the string has fewer fields.
QString ExtractSubString(const QString& full, int nSubString);

// A field of the document template string (IDR_MAINFRAME).
QString GetDocString(DocStringIndex index);

// The prompt of a command (the part before the newline) and its tip (the
// part after it; the prompt itself when the entry has no tip).
QString CommandPrompt(UINT nID);
QString CommandTip(UINT nID);

// The frame's caption from the document's title and the application title:
// "title - app" when the document has a title, the application title alone
// when it has none.
QString ComposeFrameCaption(const QString& docTitle, const QString& appTitle);

// Texts of the About box and of the version record; the notice names the
// holders of LICENSE. The two built from the project's version
// (cmake/Version.cmake) are arrays, not pointers to one literal like the
// rest: a reader of this header's plain literals (the Windows resource
// tables) does not find them and takes the version from project() itself.
inline constexpr const char* kAboutCaption = "关于 Vexlan";
inline constexpr char kAboutVersionLine[] = "Vexlan " VEXLAN_VERSION_SHORT " 版";
inline constexpr const char* kLegalNotice = "版权所有 (C) 2026 Vexlan 开发组";
inline constexpr const char* kAboutOkText = "确定";
inline constexpr char kFileVersion[] = VEXLAN_VERSION_COMMAS;
inline constexpr const char* kFileDescription = "Vexlan Microsoft 基础类应用程序";
inline constexpr const char* kProductName = "Vexlan 应用程序";

// The menu bar's one item.
inline constexpr const char* kMenuExitText = "退出(&X)";

// The preview's status line: the page or pages shown and the zoom in
// percent; the tip of the toolbar's extension button.
inline constexpr const char* kPreviewPageText = "第 %1 页";
inline constexpr const char* kPreviewPagesText = "第 %1-%2 页";
inline constexpr const char* kPreviewZoomText = "缩放 %1%";
inline constexpr const char* kPreviewMoreText = "更多按钮";

// Put before the reason when a print pass fails ("打印失败：" + the queue or
// file and why).
inline constexpr const char* kPrintFailedText = "打印失败：";

// Why a print pass failed, around the names and the words of CUPS: %1 is
// the queue (or the scheduler's address), %2 the reason as CUPS gives it.
inline constexpr const char* kSchedulerUnreachableText = "无法连接打印服务 %1（%2）";
inline constexpr const char* kPrinterNotFoundText = "找不到打印机“%1”";
inline constexpr const char* kNoDefaultPrinterText = "没有默认打印机";
inline constexpr const char* kNoPrinterText = "没有安装打印机";
inline constexpr const char* kQueueRejectsJobsText = "打印机“%1”不接受作业（%2）";
inline constexpr const char* kQueueGoneText = "打印机“%1”已不存在（%2）";
inline constexpr const char* kQueueRefusedJobText = "打印机“%1”未能接收作业（%2）";

} // namespace vexlan
