// SPDX-License-Identifier: MIT
// Writing one page as a PDF file (see pdf_page.h).
#include "linux/pdf/pdf_page.h"

#include "linux/pdf/cairo_pdf_device.h"
#include "linux/surface/atomic_file_device.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>

namespace vexlan {

PdfPageSetup PdfPageSetupOf(const QPrinter& printer)
{
    PdfPageSetup setup;
    setup.layout = printer.pageLayout();
    setup.resolution = printer.resolution();
    setup.title = printer.docName();
    setup.creator = printer.creator();
    return setup;
}

bool WritePdfPage(const QString& path, const PdfPageSetup& setup,
                  const std::function<void(QPainter&)>& drawPage, QString& error)
{
    const bool written = WritePdfPageIfComplete(QFile::encodeName(path).toStdString(), setup, [&drawPage](QPainter& painter) {
        drawPage(painter);
        return true;
    }, error);
    if (!written)
        error = QStringLiteral("cannot write PDF file \"%1\": %2").arg(path, error);
    return written;
}

bool WritePdfPageTo(QIODevice& out, const PdfPageSetup& setup, const std::function<bool(QPainter&)>& drawPage,
                    QString& error)
{
    CCairoPdfDevice device(out, setup.layout, setup.resolution);
    QPainter painter;
    if (!device.IsValid() || !painter.begin(&device)) {
        error = QStringLiteral("the page layout or resolution cannot be used");
        return false;
    }
    device.SetMetadata(setup.title, setup.creator);
    const bool complete = drawPage(painter);
    painter.end();
    if (!complete) {
        error = QStringLiteral("the page could not be drawn completely (out of memory)");
        return false;
    }
    return device.Finish(error);
}

bool WritePdfPageIfComplete(const std::string& path, const PdfPageSetup& setup,
                            const std::function<bool(QPainter&)>& drawPage, QString& error)
{
    CAtomicFileDevice file(path);
    const auto failed = [&](const QString& reason) {
        error = reason;
        return false;
    };
    if (!file.Open())
        return failed(QString::fromLocal8Bit(file.Reason().c_str()));
    QString reason;
    if (!WritePdfPageTo(file, setup, drawPage, reason))
        return failed(file.Reason().empty() ? reason : QString::fromLocal8Bit(file.Reason().c_str()));
    return file.Commit() || failed(QString::fromLocal8Bit(file.Reason().c_str()));
}

} // namespace vexlan
