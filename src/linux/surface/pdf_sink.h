// SPDX-License-Identifier: MIT
// CPdfSink: what a paint device that writes PDF can take better than
// QPainter hands it on. QPainter gives a paint engine text as an opaque
// item and pictures as pixels; a PDF keeps text as text in the font the
// layout used, and a photo as the producer's own JPEG data. CPainterDC
// finds the sink by casting the painter's device, announces the run or
// the picture, then draws through the painter as usual, so that the
// engine gets the painter's current transform, clip and hints (and Qt
// draws underlines and strike-outs as it does on screen). A sink's page
// must start white, as a sheet of paper does: CPainterDC leaves out white
// that would change nothing there.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>

class QGlyphRun;
class QRawFont;

namespace vexlan {

class CPdfSink {
public:
    virtual ~CPdfSink() = default;

    // The next text item the painter hands this device's engine is `run`,
    // drawn at `origin` (painter coordinates): the engine draws the run's
    // glyph ids at the run's positions in the run's font. `run` must stay
    // alive until ExpectNothing().
    virtual void ExpectGlyphRun(const QGlyphRun& run, const QPointF& origin) = 0;

    // When JPEG data of the whole picture in the pixel block `bits` (of
    // `pixels` size) is known: true, and the next image the painter hands
    // the engine is drawn as that JPEG in the image's target rectangle,
    // mirrored as asked and with its colours inverted when `invert` (the
    // image's own pixels are not looked at). Otherwise false and nothing
    // is expected.
    virtual bool ExpectStoredJpeg(const void* bits, const QSize& pixels, bool mirrorX, bool mirrorY,
                                  bool invert) = 0;

    // The bounds of `glyph`'s outline as this device draws it (from the
    // font file, unhinted), in `font`'s pixels, y down from the baseline:
    // true with `box` set, false when this device does not know the glyph
    // (no font file, synthesised bold or slant), and the caller takes the
    // bounds of Qt's outline. Cheaper than an outline: nothing is hinted.
    virtual bool DesignGlyphBox(const QRawFont& font, quint32 glyph, QRectF& box) = 0;

    // Forgets what is expected and not drawn.
    virtual void ExpectNothing() = 0;
};

} // namespace vexlan
