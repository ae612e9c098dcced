// Writing one page as a PDF file (see pdf_page.h).
#include "view/pdf_page.h"

#include "platform/qt/atomic_file_device.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
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
    CAtomicFileDevice file(QFile::encodeName(path).toStdString());
    const auto failed = [&](const char* what) {
        error = QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(what), path, QString::fromLocal8Bit(file.Reason().c_str()));
        return false;
    };
    if (!file.Open())
        return failed("cannot create");
    {
        QPdfWriter writer(&file);
        writer.setResolution(setup.resolution);
        writer.setTitle(setup.title);
        writer.setCreator(setup.creator);
        if (!setup.layout.isValid() || !writer.setPageLayout(setup.layout)) {
            error = QStringLiteral("the page layout cannot be used for \"%1\"").arg(path);
            return false;
        }
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = QStringLiteral("cannot start a PDF in \"%1\"").arg(path);
            return false;
        }
        drawPage(painter);
        if (!painter.end()) {
            error = QStringLiteral("cannot finish the PDF in \"%1\"").arg(path);
            return false;
        }
    }
    return file.Commit() || failed("cannot write");
}

} // namespace vexlan
