// SPDX-License-Identifier: MIT
// One page drawn into a PDF file, complete or absent. The page layout,
// resolution and document title come from the printer the page is meant
// for, so that the file is the page that printer would receive.
#pragma once

#include <QPageLayout>
#include <QString>

#include <functional>
#include <string>

class QIODevice;
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
// writing it fails. The PDF is cairo's (CCairoPdfDevice): pictures whose
// JPEG data is known are embedded as that data, text stays text.
bool WritePdfPage(const QString& path, const PdfPageSetup& setup,
                  const std::function<void(QPainter&)>& drawPage, QString& error);

// The same with the path as bytes, for a drawing that can end early: when
// `drawPage` returns false the page is incomplete and nothing is written
// (`error` says so). Here `error` is the reason alone: the caller names the
// path (a console line with its bytes as they are).
bool WritePdfPageIfComplete(const std::string& path, const PdfPageSetup& setup,
                            const std::function<bool(QPainter&)>& drawPage, QString& error);

// The same into `out` (open for writing), which receives the PDF while it
// is made: a caller that cannot take a partial PDF back checks the result
// before using what `out` got. `error` is the reason alone.
bool WritePdfPageTo(QIODevice& out, const PdfPageSetup& setup, const std::function<bool(QPainter&)>& drawPage,
                    QString& error);

} // namespace vexlan
