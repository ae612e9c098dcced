// LoadTextBlockItem: reads a ".bin" packed text or a ".txt" text file into a
// text block, counting its lines and measuring the longest one (in bytes;
// in UTF-8 as its characters would take in code page 936, LayoutLineLength).
#include "job/text_block_item.h"

#include "job/packed_file.h"
#include "platform/codepage.h"
#include "platform/display_width.h"
#include "platform/file.h"
#include "platform/file_problem.h"
#include "util/split_string.h"

#include <climits>
#include <cstring>
#include <vector>

namespace vexlan {

namespace {

// Replaces every CR LF pair by a single LF in one left-to-right pass; a CR
// that no LF follows stays.
void CollapseCrLf(std::string& text)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue; // the LF after it is copied on the next pass
        text[out++] = text[i];
    }
    text.resize(out);
}

// Packed text: line ends normalised, one trailing LF dropped, and the lines
// counted and measured as the renderer will split them.
void LoadPackedText(const std::string& path, std::string& text, PageItem& item)
{
    text = ReadPackedText(path);
    CollapseCrLf(text);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();

    std::vector<std::string> pieces;
    const int count = SplitString(text, "\n", &pieces);
    item.nLineCount = static_cast<UINT>(count);
    item.nMaxLineLen = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t len = LayoutLineLength(pieces[static_cast<std::size_t>(i)], AnsiCodePage());
        if (len > item.nMaxLineLen)
            item.nMaxLineLen = static_cast<UINT>(len);
    }
}

// Plain text: lines joined by single LFs. An LF goes in only once the text
// is non-empty, so empty lines at the start are counted but add nothing.
bool LoadPlainText(const std::string& path, std::string& text, PageItem& item)
{
    CStdioFile file;
    if (!file.Open(path, CFile::typeText | CFile::modeRead))
        return false;
    std::string line;
    while (file.ReadString(line)) {
        if (!text.empty())
            text.push_back('\n');
        text += line;
        if (item.nLineCount < UINT_MAX)
            ++item.nLineCount;
        // A line longer than the field can count is measured as UINT_MAX.
        const std::size_t measured = LayoutLineLength(line, AnsiCodePage());
        const UINT len = measured < UINT_MAX ? static_cast<UINT>(measured) : UINT_MAX;
        if (len >= item.nMaxLineLen)
            item.nMaxLineLen = len;
    }
    file.Close();
    return true;
}

// Why a loaded block draws nothing, or "" when it draws its text. The
// renderer draws nothing without lines or width, and finds no piece in a
// text that is all white space.
std::string DrawsNothingReason(const std::string& path, const std::string& text, const PageItem& item)
{
    const bool isBin = HasExtension(path, ".bin");
    if (!isBin && !HasExtension(path, ".txt"))
        return "extension not .txt/.bin";
    if (item.nLineCount != 0 && item.nMaxLineLen != 0 &&
        text.find_first_not_of(" \t\n\v\f\r") != std::string::npos)
        return std::string();
    if (isBin && text.empty()) {
        // An empty packed text and one that cannot be read look the same;
        // reading the file once more tells them apart.
        std::string why = FileProblem(path);
        if (!why.empty())
            return why;
        uint8_t* raw = nullptr;
        uint32_t size = 0;
        if (!ReadPackedFile(path, &raw, &size))
            return "not a packed file, or damaged";
        delete[] raw;
    }
    return "no text to draw (empty or blank)";
}

} // namespace

BOOL LoadTextBlockItem(PageItem& item, std::string* problem)
{
    const std::string path(item.szText);
    std::string text;
    if (HasExtension(path, ".bin")) {
        LoadPackedText(path, text, item);
    } else if (HasExtension(path, ".txt")) {
        if (!LoadPlainText(path, text, item)) {
            if (problem != nullptr) {
                *problem = FileProblem(path);
                if (problem->empty())
                    *problem = "cannot be opened";
            }
            return FALSE;
        }
    }
    if (problem != nullptr)
        *problem = DrawsNothingReason(path, text, item);

    char* block = new char[text.size() + 1];
    std::memcpy(block, text.c_str(), text.size() + 1);
    item.pszBlock = block;
    return TRUE;
}

} // namespace vexlan
