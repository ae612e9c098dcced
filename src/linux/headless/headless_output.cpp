// The window-less outputs: the page through the trace surface (--trace),
// into a PDF file (--pdf) or into a PNG image (--png). A PDF or PNG for
// standard output ("-") is made whole in a private temporary file first and
// copied out only then: a page that fails writes nothing.
//
// Page geometry for PDF and PNG: the paper and printable area of the
// default printer's page layout, or A4 with no margins when there is no
// printer. The page origin (item coordinate 0, 0) is the top-left corner of
// the printable area, as on the printer; the PDF page and the PNG image
// cover the whole sheet of paper.
#include "linux/headless/headless_output.h"

#include "linux/headless/png_output.h"
#include "core/app/command_line.h"
#include "os/atomic_file.h"
#include "os/file_problem.h"
#include "core/text/console_text.h"
#include "core/render/trace_dc.h"
#include "linux/surface/page_painter.h"
#include "core/render/page_renderer.h"
#include "linux/print/page_setup.h"
#include "linux/pdf/pdf_page.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>

namespace vexlan {

namespace {

// Largest PNG the program renders: A3 at 2400 dpi (it is drawn in bands,
// so this bounds the time, not the memory), and rows of at most 2^20
// pixels, so that one band row stays small.
constexpr double kMaxPngPixels = 1.25e9;
constexpr double kMaxPngWidth = double(1 << 20);

int Fail(const std::string& message)
{
    WriteConsoleLine("vexlan: " + message);
    return 1;
}

QPageLayout OutputPageLayout()
{
    return DefaultPrinterPageLayout();
}

// Copies the file at `path` to standard output; `what` names it in the
// error ("the PDF").
int CopyToStandardOutput(const std::string& path, const std::string& what)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in)
        return Fail("cannot read back " + what + ": " + ErrnoReason(errno));
    char buffer[64 * 1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
        if (std::fwrite(buffer, 1, n, stdout) != n)
            return Fail("cannot write " + what + " to standard output: " + ErrnoReason(errno));
    }
    if (std::ferror(in.get()))
        return Fail("cannot read back " + what + ": " + ErrnoReason(errno));
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("cannot write " + what + " to standard output: " + ErrnoReason(errno));
    return 0;
}

// An output for "-": made whole by `make` into a file of a private
// temporary directory, then copied to standard output, so that a page that
// cannot be made writes nothing there. `make` returns the exit status.
int ThroughStandardOutput(const char* fileName, const std::string& what,
                          const std::function<int(const std::string&)>& make)
{
    const QTemporaryDir dir;
    if (!dir.isValid())
        return Fail("cannot make a temporary directory for " + what + ": " + ConsoleText(dir.errorString().toStdString()));
    const std::string path = QFile::encodeName(dir.filePath(QString::fromLatin1(fileName))).toStdString();
    const int status = make(path);
    return status != 0 ? status : CopyToStandardOutput(path, what);
}

// The PDF of the page into `file`, complete or absent; `failed` begins the
// error line.
int MakePdf(const CPageItemArray& items, const std::string& file, const std::string& failed)
{
    const PdfPageSetup setup{OutputPageLayout(), 1200, QString(), QStringLiteral("Vexlan")};
    QString error;
    if (!WritePdfPageIfComplete(file, setup, [&items](QPainter& painter) { return PaintPage(painter, items); }, error))
        return Fail(failed + ": " + ConsoleText(error.toStdString()));
    return 0;
}

// The PNG of the page at `dpi` into `file`, complete or absent.
int MakePng(const CPageItemArray& items, const std::string& file, int dpi, const std::string& failed)
{
    if (dpi <= 0)
        return Fail("the PNG resolution must be a positive number of dpi");
    const PagePixels page = PagePixelsAt(OutputPageLayout(), dpi);
    const double width = page.width;
    const double height = page.height;
    if (width < 1 || height < 1 || width > kMaxPngWidth || width * height > kMaxPngPixels)
        return Fail("a page of " + std::to_string(long(width)) + " x " + std::to_string(long(height)) +
                    " pixels at " + std::to_string(dpi) + " dpi is too large for a PNG");

    CAtomicFile out(file);
    if (!out.Open())
        return Fail(failed + ": " + out.Error());
    std::string error;
    if (!WritePagePng(items, QSize(int(width), int(height)), page.origin, dpi, out, error))
        return Fail(failed + ": " + error);
    if (!out.Commit())
        return Fail(failed + ": " + out.Error());
    return 0;
}

} // namespace

int RunTrace(const CPageItemArray& items)
{
    // Each call is printed as it is made: a page's trace (a line can hold
    // a text of hundreds of megabytes) is never held whole.
    CTraceDC dc(stdout);
    bool complete = true;
    try {
        RenderPage(&dc, items);
    } catch (const std::exception&) {
        complete = false; // the calls made up to the failure are still printed
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("cannot write the trace to standard output");
    if (!complete)
        return Fail("the page could not be drawn completely (out of memory)");
    return 0;
}

int RunPdf(const CPageItemArray& items, const std::string& file)
{
    if (IsStandardOutput(file))
        return ThroughStandardOutput("page.pdf", "the PDF", [&items](const std::string& path) {
            return MakePdf(items, path, "cannot make the PDF for standard output");
        });
    return MakePdf(items, file, "cannot write PDF file \"" + file + "\"");
}

int RunPng(const CPageItemArray& items, const std::string& file, int dpi)
{
    if (IsStandardOutput(file))
        return ThroughStandardOutput("page.png", "the PNG", [&items, dpi](const std::string& path) {
            return MakePng(items, path, dpi, "cannot make the PNG for standard output");
        });
    return MakePng(items, file, dpi, "cannot write PNG file " + file);
}

} // namespace vexlan
