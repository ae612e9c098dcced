// SPDX-License-Identifier: MIT
// LoadPrintJob: the job file's header, then its records in order.
#include "core/job/job_reader.h"

#include "core/job/image_loader.h"
#include "core/job/load_diagnostics.h"
#include "core/job/text_block_item.h"
#include "core/base/bytes.h"
#include "core/text/codepage.h"
#include "core/text/codepage_check.h"
#include "os/file.h"
#include "os/file_problem.h"
#include "os/file_entry.h"
#include "os/process.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

namespace vexlan {
namespace {

// Appends an item whose loaded data the list now owns; should the append
// itself fail (out of memory), the data is released before the error goes on.
void AppendOwned(CPageItemArray& list, PageItem& item)
{
    try {
        list.Add(item);
    } catch (...) {
        CPageItemArray orphan;
        orphan.Add(item);
        FreePageItems(orphan);
        throw;
    }
}

// Reads exactly `n` bytes; false when the file ends (or fails) first.
bool ReadWhole(std::FILE* f, uint8_t* buf, std::size_t n) { return std::fread(buf, n, 1, f) == 1; }

constexpr char kEmptyPage[] = "; the page is empty";
constexpr char kStopped[] = "; reading of the job stopped here";

// Words the warnings about one job, when warnings are wanted.
class Reporter {
public:
    Reporter(const std::string& path, LoadDiagnostics* diagnostics) : m_path(path), m_diag(diagnostics) {}

    bool Wanted() const { return m_diag != nullptr; }

    // A problem of the job file itself.
    void Job(const std::string& what) const
    {
        if (m_diag != nullptr)
            m_diag->Add(LoadWarning::kWholeJob, "job file " + QuotedPath(m_path) + ": " + what);
    }

    // A problem of record `index`; `kind` and `itemPath` name the item
    // ("image", "text block") when it names a file.
    void Item(int32_t index, const char* kind, const char* itemPath, const std::string& what) const
    {
        if (m_diag != nullptr)
            m_diag->Add(index, Line(index, kind, itemPath, what));
    }

    // The same warning put in at `position` in the list of warnings.
    void ItemAt(std::size_t position, int32_t index, const char* kind, const char* itemPath,
                const std::string& what) const
    {
        if (m_diag == nullptr)
            return;
        auto& all = m_diag->warnings;
        all.insert(all.begin() + static_cast<std::ptrdiff_t>(std::min(position, all.size())),
                   LoadWarning{index, Line(index, kind, itemPath, what)});
    }

    // Out of memory while record `index` was read: the page ends there. The
    // warning is left out when there is no memory for it either.
    void OutOfMemory(int32_t index) const noexcept
    {
        try {
            Item(index, nullptr, nullptr, std::string("out of memory") + kStopped);
        } catch (const std::exception&) {
        }
    }

    // Why the file could not be read further: the system's error when there
    // was one, else `atEnd`.
    static std::string ReadFailure(std::FILE* f, const std::string& atEnd)
    {
        return std::ferror(f) ? "read error (" + ErrnoReason(errno) + ")" : atEnd;
    }

private:
    static std::string Line(int32_t index, const char* kind, const char* itemPath, const std::string& what)
    {
        std::string line = "item " + std::to_string(index) + ": ";
        if (kind != nullptr)
            line += std::string(kind) + " " + QuotedPath(itemPath) + ": ";
        return line + (kind != nullptr ? Located(itemPath, what) : what);
    }

    // `what` with the working directory named after "no such file" when
    // `path` is relative: the producer's directory is often not Vexlan's.
    static std::string Located(const std::string& path, std::string what)
    {
        static constexpr char kMissing[] = "no such file";
        if (!IsAbsolutePath(path) && what.rfind(kMissing, 0) == 0) {
            if (const std::string cwd = CurrentDirectory(); !cwd.empty())
                what.insert(sizeof kMissing - 1, " (relative to " + QuotedPath(cwd) + ")");
        }
        return what;
    }

    const std::string& m_path;
    LoadDiagnostics* m_diag;
};

// An image item in the list waiting for its picture: where it is, how many
// warnings came before it, and its record's index.
struct PendingImage {
    std::size_t position;
    std::size_t warnings;
    int32_t record;
};

// Completes the image items with their pictures, in item order. The first
// picture that cannot be had ends the page at its item, as if the reading
// had stopped there: that item, every item after it and the warnings about
// them are dropped, and its own warning is the last. A picture drawn from
// data that ends early is kept, its warning among those of its record.
void CompleteImages(CImageLoader& images, const std::vector<PendingImage>& pending, CPageItemArray& list,
                    const Reporter& report, LoadDiagnostics* diagnostics)
{
    std::size_t k = 0;
    std::size_t added = 0;  // warnings put in for pictures already completed
    try {
        std::string problem;
        for (; k < pending.size(); ++k) {
            PageItem& item = list.ElementAt(pending[k].position);
            if (images.Take(k, item.pBits, item.pBmi, &problem)) {
                if (!problem.empty()) {
                    report.ItemAt(pending[k].warnings + added, pending[k].record, "image", item.szText, problem);
                    ++added;
                }
                continue;
            }
            if (diagnostics != nullptr)
                diagnostics->warnings.resize(pending[k].warnings + added);
            report.Item(pending[k].record, "image", item.szText, problem + kStopped);
            FreePageItemsFrom(list, pending[k].position);
            return;
        }
    } catch (const std::exception&) {
        // Out of memory: the page ends at the picture being completed.
        if (diagnostics != nullptr)
            diagnostics->warnings.resize(std::min(diagnostics->warnings.size(), pending[k].warnings + added));
        report.OutOfMemory(pending[k].record);
        FreePageItemsFrom(list, pending[k].position);
    }
}

// Bytes past the last of `count` records: the records of a producer whose
// count is too small. They are never read; only their number is looked up.
uint64_t BytesAfterRecords(std::FILE* f, int32_t count)
{
    const uint64_t end = JOB_HEADER_SIZE + static_cast<uint64_t>(count) * record::kSize;
    const uint64_t size = OpenFileSize(f);
    return size > end ? size - end : 0;
}

// Warns when `text`, the text of record `index`, is not valid in the job's
// code page: it is drawn with replacement characters, most likely because
// the producer wrote it in another code page.
void CheckCodePage(const Reporter& report, int32_t index, const char* kind, const char* itemPath, const char* text)
{
    const int codePage = AnsiCodePage();
    if (!IsValidInCodePage(text, codePage))
        report.Item(index, kind, itemPath,
                    "text not valid in code page " + CodePageLabel(codePage) +
                        ", drawn with replacement characters (VEXLAN_CODEPAGE or the locale chooses the code page)");
}

// Reads the `count` records from `f` into `list`, `i` counting them,
// starting the pictures of image records (see CompleteImages).
void ReadRecords(std::FILE* f, int32_t count, int32_t& i, CPageItemArray& list, CImageLoader& images,
                 std::vector<PendingImage>& pending, const Reporter& report, LoadDiagnostics* diagnostics)
{
    std::string problem;
    std::string* const why = report.Wanted() ? &problem : nullptr;
    uint8_t rec[record::kSize];
    for (; i < count; ++i) {
        if (!ReadWhole(f, rec, sizeof rec)) {
            report.Job(Reporter::ReadFailure(f, "ends") + " after " + std::to_string(i) + " of its " +
                       std::to_string(count) + " records; the rest is missing");
            break;
        }
        PageItem item = DecodePageItem(rec);
        bool stop = false;
        switch (item.nType) {
        case ITEM_TEXT:
        case ITEM_FRAME:
            list.Add(item);
            if (item.nType == ITEM_TEXT && report.Wanted())
                CheckCodePage(report, i, nullptr, item.szText, item.szText);
            break;
        case ITEM_IMAGE:
            item.pBits = nullptr;
            item.pBmi = nullptr;
            // Room first, so that an image in the list is always pending.
            pending.reserve(pending.size() + 1);
            if (images.Start(item, why)) {
                list.Add(item);
                pending.push_back(PendingImage{list.GetSize() - 1, diagnostics ? diagnostics->warnings.size() : 0, i});
            } else {
                report.Item(i, "image", item.szText, problem + kStopped);
                stop = true;
            }
            break;
        case ITEM_TEXTBLOCK:
            item.nMaxLineLen = 0;
            item.nLineCount = 0;
            item.pszBlock = nullptr;
            if (LoadTextBlockItem(item, why)) {
                AppendOwned(list, item);
                if (!problem.empty())
                    report.Item(i, "text block", item.szText, problem + "; it draws nothing");
                else if (report.Wanted())
                    CheckCodePage(report, i, "text block", item.szText, item.pszBlock);
            } else {
                report.Item(i, "text block", item.szText, problem + kStopped);
                stop = true;
            }
            break;
        default:
            // Unknown types never enter the list.
            report.Item(i, nullptr, nullptr, "unknown item type " + std::to_string(item.nType) + "; skipped");
            break;
        }
        if (stop)
            break;
    }
    if (i == count && report.Wanted()) {
        if (const uint64_t extra = BytesAfterRecords(f, count); extra > 0)
            report.Job("record count " + std::to_string(count) + ", but " + std::to_string(extra) +
                       " more bytes follow the last record; they are ignored");
    }
}

// ReadPrintJob without its last guard; `f` stays open.
void ReadJob(std::FILE* f, const std::string& path, const std::string& notOpened, CPageItemArray& list,
             LoadDiagnostics* diagnostics)
{
    const Reporter report(path, diagnostics);
    if (f == nullptr) {
        report.Job((notOpened.empty() ? "cannot be opened" : notOpened) + kEmptyPage);
        return;
    }

    // The magic, then the count; any failure leaves the page empty.
    uint8_t header[JOB_HEADER_SIZE] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, f);
    std::string headerProblem;
    if (got >= 4 && ReadU32LE(header) != JOB_MAGIC) {
        char magic[64];
        std::snprintf(magic, sizeof magic, "not a job file (it starts 0x%08X, not 0x%08X)",
                      static_cast<unsigned>(ReadU32LE(header)), static_cast<unsigned>(JOB_MAGIC));
        headerProblem = magic;
    } else if (got < sizeof header) {
        headerProblem = Reporter::ReadFailure(f, std::to_string(got) + " bytes, shorter than the " +
                                                     std::to_string(sizeof header) + "-byte header");
    } else if (ReadI32LE(header + 4) <= 0) {
        headerProblem = "record count " + std::to_string(ReadI32LE(header + 4));
    }
    if (!headerProblem.empty()) {
        report.Job(headerProblem + kEmptyPage);
        return;
    }
    const int32_t count = ReadI32LE(header + 4);

    // Pictures are decoded while the reading goes on (see image_loader.h).
    CImageLoader images(ImageDecodeThreads());
    std::vector<PendingImage> pending;
    int32_t i = 0;
    try {
        ReadRecords(f, count, i, list, images, pending, report, diagnostics);
    } catch (const std::exception&) {
        // Memory ran out (no loader lets it escape, but a list or a warning
        // may): the page ends at the record being read, never the process.
        if (i < count)
            report.OutOfMemory(i);
    }
    CompleteImages(images, pending, list, report, diagnostics);
}

} // namespace

void ReadPrintJob(std::FILE* f, const std::string& path, const std::string& notOpened, CPageItemArray& list,
                  LoadDiagnostics* diagnostics)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(f, &std::fclose);
    list.RemoveAll();
    try {
        ReadJob(f, path, notOpened, list, diagnostics);
    } catch (const std::exception&) {
        // Only the job file's header is read outside the guards of the
        // records: out of memory there leaves the page empty.
        FreePageItems(list);
    }
}

void LoadPrintJob(std::string path, CPageItemArray& list, LoadDiagnostics* diagnostics)
{
    list.RemoveAll();
    if (path.empty()) {
        if (diagnostics != nullptr)
            diagnostics->Add(LoadWarning::kWholeJob, std::string("no job file named") + kEmptyPage);
        return;
    }
    std::FILE* const f = OpenRegularFile(path);
    ReadPrintJob(f, path, f == nullptr && diagnostics != nullptr ? FileProblem(path) : std::string(), list,
                 diagnostics);
}

} // namespace vexlan
