// SPDX-License-Identifier: MIT
// CCairoFonts: the cairo font faces that draw the glyphs Qt laid out.
//
// A glyph run names its font only as a QRawFont (family, style, tables),
// and its glyph ids mean something only in that font's file. The file is
// found through fontconfig by the family, and taken only when its 'head'
// and 'maxp' tables equal those of the font Qt loaded, so the ids are the
// same. Bold and slant are synthesised where Qt's FreeType engine
// synthesises them for that font at that size: a face without a bold
// style asked for bold below 64 pixels, a face without an italic style
// asked for italic or oblique. A font with no such file gets no face (the
// caller fills the glyph outlines instead).
#pragma once

#include <cairo.h>

#include <QByteArray>
#include <QHash>
#include <QRawFont>
#include <QRectF>
#include <QString>

namespace vexlan {

class CCairoFonts {
public:
    CCairoFonts() = default;
    ~CCairoFonts();
    CCairoFonts(const CCairoFonts&) = delete;
    CCairoFonts& operator=(const CCairoFonts&) = delete;

    struct Face {
        cairo_font_face_t* face = nullptr; // none: no file found
        unsigned glyphCount = 0;           // glyph ids below this exist
    };
    // A face that draws `font`'s glyph ids as Qt draws them. The face stays
    // valid while this object lives.
    Face Find(const QRawFont& font);
    // The box of glyph `glyph`'s outline in `font`'s file, unhinted, in
    // the font's pixels (y down from the baseline), as the PDF draws it:
    // false when `font` has no face, the glyph is not in it or its face
    // is synthesised (cairo's emboldening and slant widen the outline).
    bool DesignBox(const QRawFont& font, quint32 glyph, QRectF& box);

private:
    // A font file and what synthesis Qt applies, as found once.
    struct File {
        QByteArray path;
        int index = 0;
        bool bold = false;      // the face has a bold style (or weight 700 and up)
        bool italic = false;    // the face has an italic style
    };
    // The installed file of `font`'s family whose head and maxp tables are
    // `head` and `maxp` (the font's own), if any.
    static bool FindFile(const QRawFont& font, const QByteArray& head, const QByteArray& maxp, File& file);

    QHash<QRawFont, Face> m_byFont;
    QHash<QByteArray, File> m_files;                     // by family and tables
    QHash<QByteArray, cairo_font_face_t*> m_faces;       // by file and synthesis
};

} // namespace vexlan
