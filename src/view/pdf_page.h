// One page drawn into a PDF file, complete or absent. The page layout,
// resolution and document title come from the printer the page is meant
// for, so that the file is the page that printer would receive.
#pragma once

#include <QPageLayout>
#include <QString>

#include <functional>

class QPainter;
class QPrinter;

namespace vexlan {

struct PdfPageSetup {
    QPageLayout layout;   // paper, orientation, margins (the painter's origin)
    int resolution = 1200; // device units per inch seen by the painter
    QString title;
    QString creator;
};

// The setup of the page `printer` would print.
PdfPageSetup PdfPageSetupOf(const QPrinter& printer);

// Calls `drawPage` once with a painter on a one-page PDF and writes it to
// `path` through a temporary file beside it. Returns false with `error` set
// (and `path` untouched) when the PDF cannot be started or any step of
// writing it fails.
bool WritePdfPage(const QString& path, const PdfPageSetup& setup,
                  const std::function<void(QPainter&)>& drawPage, QString& error);

} // namespace vexlan
