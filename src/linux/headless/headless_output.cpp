// SPDX-License-Identifier: MIT
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
#include "core/app/stdout_copy.h"
#include "os/atomic_file.h"
#include "core/text/console_text.h"
#include "linux/surface/page_painter.h"
#include "linux/print/page_setup.h"
#include "linux/pdf/pdf_page.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>

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
