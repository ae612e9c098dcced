// SPDX-License-Identifier: MIT
// LoadTextBlockItem: reads a ".bin" packed text or a ".txt" text file into a
// text block, counting its lines and measuring the longest one (in bytes;
// in UTF-8 as its characters would take in code page 936, LayoutLineLength).
//
// Memory: the text is read once into one buffer (a packed text: its
// unpacking buffer) and its lines are joined, split and measured in place
// there. The block handed to the item is that buffer when it has exactly the
// block's size, as a file ending in one LF has, else one exact copy: loading
// peaks at the text's size, or at twice it, never at a copy per step.
#include "core/job/text_block_item.h"

#include "core/job/packed_file.h"
#include "core/text/codepage.h"
#include "core/text/display_width.h"
#include "os/file.h"
#include "os/file_problem.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>

namespace vexlan {

namespace {

constexpr char kOverLimit[] = "larger than 256 MiB, the limit for text";
static_assert(kMaxBlockTextBytes == 256ull << 20, "kOverLimit names the limit");

// How the reading of a block's file went.
enum class TextFile { kRead, kUnreadable, kOverLimit };

// The text of a block while it is loaded: the first `length` bytes of one
// new[] buffer of `capacity` bytes.
struct TextBuffer {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
    std::size_t length = 0;

    std::string_view Text() const { return {data.get(), length}; }
};

// The block an item keeps: exactly length + 1 bytes, NUL-terminated. The
// buffer itself when it has that size; otherwise a copy, the buffer being
// released right after.
char* TakeBlock(TextBuffer& text)
{
    if (text.data && text.capacity == text.length + 1) {
        text.data[text.length] = '\0';
        return text.data.release();
    }
    char* block = new char[text.length + 1];
    if (text.length > 0)
        std::memcpy(block, text.data.get(), text.length);
    block[text.length] = '\0';
    text.data.reset();
    return block;
}

// The layout length of one line, at most UINT_MAX.
UINT MeasureLine(std::string_view line, int codePage)
{
    const std::size_t len = LayoutLineLength(line, codePage);
    return len < UINT_MAX ? static_cast<UINT>(len) : UINT_MAX;
}

// True when `line` could make the longest line longer than `longest`: its
// layout length never exceeds its byte count, so shorter lines are not
// measured.
bool MayBeLonger(std::string_view line, UINT longest) { return line.size() >= longest; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Replaces every CR LF pair by a single LF in one left-to-right pass; a CR
// that no LF follows stays. Returns the new length.
std::size_t CollapseCrLf(char* text, std::size_t length)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n')
            continue; // the LF after it is copied on the next pass
        text[out++] = text[i];
    }
    return out;
}

// Packed text: the unpacked bytes up to the first NUL, line ends
// normalised, one trailing LF dropped, and the lines counted and measured
// as SplitString at "\n" cuts them (the whole text trimmed of white space,
// then one piece per LF-separated part), all within the unpacking buffer.
// The text is empty when the packed file cannot be read, and when its
// packed or unpacked bytes exceed the limit (then nothing is unpacked).
TextFile LoadPackedText(const std::string& path, TextBuffer& text, PageItem& item)
{
    uint8_t* raw = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;
    const PackedRead got = ReadPackedFile(path, &raw, &size, &capacity, [](const PackedSizes& sizes) {
        return sizes.packed <= kMaxBlockTextBytes && sizes.unpacked <= kMaxBlockTextBytes;
    });
    if (got == PackedRead::kNoMemory)
        throw std::bad_alloc();
    if (got != PackedRead::kOk)
        return got == PackedRead::kRefused ? TextFile::kOverLimit : TextFile::kUnreadable;
    text.data.reset(reinterpret_cast<char*>(raw));
    text.capacity = capacity;
    char* p = text.data.get();
    text.length = CollapseCrLf(p, strnlen(p, size));
    if (text.length > 0 && p[text.length - 1] == '\n')
        --text.length;

    std::size_t first = 0;
    std::size_t last = text.length;
    while (first < last && IsBlank(p[first]))
        ++first;
    while (last > first && IsBlank(p[last - 1]))
        --last;
    const int codePage = AnsiCodePage();
    UINT count = 0;
    item.nMaxLineLen = 0;
    for (std::size_t start = first; start < last;) {
        const auto* lf = static_cast<const char*>(std::memchr(p + start, '\n', last - start));
        const std::size_t end = lf != nullptr ? static_cast<std::size_t>(lf - p) : last;
        const std::string_view piece(p + start, end - start);
        ++count;
        if (MayBeLonger(piece, item.nMaxLineLen))
            item.nMaxLineLen = std::max(item.nMaxLineLen, MeasureLine(piece, codePage));
        start = end + 1;
    }
    item.nLineCount = count;
    return TextFile::kRead;
}

// Reads the whole of `file` into `text`: a buffer of the file's length,
// grown only if the file turns out longer than it said. No room is kept for
// the NUL: a text file nearly always ends in a line end, which the joined
// text drops, so the buffer then has just the block's size. False, with
// nothing allocated for a file that says so at once, when the file holds
// more than kMaxBlockTextBytes.
bool ReadWhole(CFile& file, TextBuffer& text)
{
    constexpr auto kMax = static_cast<std::size_t>(kMaxBlockTextBytes);
    if (file.GetLength() > kMax)
        return false;
    text.capacity = static_cast<std::size_t>(file.GetLength());
    text.data.reset(new char[text.capacity]);
    text.length = 0;
    for (;;) {
        if (text.length == text.capacity) {
            char extra;
            if (file.Read(&extra, 1) == 0)
                return true;
            if (text.length == kMax)
                return false;
            const std::size_t grown = std::min(text.capacity + std::max<std::size_t>(text.capacity, 64 * 1024), kMax);
            std::unique_ptr<char[]> bigger(new char[grown]);
            std::memcpy(bigger.get(), text.data.get(), text.length);
            text.data = std::move(bigger);
            text.capacity = grown;
            text.data[text.length++] = extra;
        }
        const UINT got = file.Read(text.data.get() + text.length, static_cast<UINT>(text.capacity - text.length));
        if (got == 0)
            return true;
        text.length += got;
    }
}

// Plain text: lines end at LF, a CR right before that LF is dropped, the
// last line needs no LF. The lines are joined by single LFs in place. An LF
// goes in only once the text is non-empty, so empty lines at the start are
// counted but add nothing.
TextFile LoadPlainText(const std::string& path, TextBuffer& text, PageItem& item)
{
    CFile file;
    if (!file.Open(path, CFile::typeText | CFile::modeRead))
        return TextFile::kUnreadable;
    if (!ReadWhole(file, text)) {
        text = TextBuffer();
        return TextFile::kOverLimit;
    }
    file.Close();

    // The joined text never overtakes the bytes still to be read: the LF
    // written before a line stands for the line end read after the one
    // before it.
    char* p = text.data.get();
    const std::size_t size = text.length;
    const int codePage = AnsiCodePage();
    std::size_t out = 0;
    for (std::size_t pos = 0; pos < size;) {
        const auto* lf = static_cast<const char*>(std::memchr(p + pos, '\n', size - pos));
        std::size_t end = lf != nullptr ? static_cast<std::size_t>(lf - p) : size;
        const std::size_t next = lf != nullptr ? end + 1 : size;
        if (lf != nullptr && end > pos && p[end - 1] == '\r')
            --end;
        if (out != 0)
            p[out++] = '\n';
        std::memmove(p + out, p + pos, end - pos);
        const std::string_view line(p + out, end - pos);
        out += line.size();
        pos = next;
        if (item.nLineCount < UINT_MAX)
            ++item.nLineCount;
        if (MayBeLonger(line, item.nMaxLineLen)) {
            // A line longer than the field can count is measured as UINT_MAX.
            const UINT len = MeasureLine(line, codePage);
            if (len >= item.nMaxLineLen)
                item.nMaxLineLen = len;
        }
    }
    text.length = out;
    return TextFile::kRead;
}

// Why a loaded block draws nothing, or "" when it draws its text. The
// renderer draws nothing without lines or width, and finds no piece in a
// text that is all white space.
std::string DrawsNothingReason(const std::string& path, std::string_view text, const PageItem& item,
                               TextFile packed)
{
    const bool isBin = HasExtension(path, ".bin");
    if (!isBin && !HasExtension(path, ".txt"))
        return "extension not .txt/.bin";
    if (item.nLineCount != 0 && item.nMaxLineLen != 0 &&
        std::any_of(text.begin(), text.end(), [](char c) { return !IsBlank(c); }))
        return std::string();
    if (isBin && packed == TextFile::kOverLimit)
        return kOverLimit;
    if (isBin && packed == TextFile::kUnreadable) {
        std::string why = FileProblem(path);
        return why.empty() ? "not a packed file, or damaged" : why;
    }
    return "no text to draw (empty or blank)";
}

} // namespace

BOOL LoadTextBlockItem(PageItem& item, std::string* problem)
{
    try {
        const std::string path(item.szText);
        TextBuffer text;
        TextFile packed = TextFile::kRead;
        if (HasExtension(path, ".bin")) {
            packed = LoadPackedText(path, text, item);
        } else if (HasExtension(path, ".txt")) {
            const TextFile got = LoadPlainText(path, text, item);
            if (got != TextFile::kRead) {
                if (problem != nullptr) {
                    *problem = got == TextFile::kOverLimit ? kOverLimit : FileProblem(path);
                    if (problem->empty())
                        *problem = "cannot be opened";
                }
                item.nLineCount = item.nMaxLineLen = 0;
                return FALSE;
            }
        }
        if (problem != nullptr)
            *problem = DrawsNothingReason(path, text.Text(), item, packed);
        item.pszBlock = TakeBlock(text);
        return TRUE;
    } catch (const std::exception&) {
        // Out of memory (or a size the library refuses): the file cannot
        // be read, and nothing it took is left allocated.
        item.nLineCount = item.nMaxLineLen = 0;
        if (problem != nullptr)
            *problem = "out of memory";
        return FALSE;
    }
}

} // namespace vexlan
