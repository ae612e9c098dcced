// SPDX-License-Identifier: MIT
// Cairo font faces for Qt's glyph runs (see cairo_fonts.h).
#include "linux/pdf/cairo_fonts.h"

#include "linux/surface/font_mapper.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <QFont>

#include <cmath>
#include <mutex>

namespace vexlan {

namespace {

// Longest font table compared.
constexpr FT_ULong kMaxTableBytes = 1 << 16;

// One FreeType library for every face handed to cairo. Cairo's font caches
// may keep a face after the document that made it is finished, so the
// library is never freed; calls on it are serialised.
std::mutex& FreeTypeLock()
{
    static std::mutex lock;
    return lock;
}

FT_Library Library()
{
    static const FT_Library library = [] {
        FT_Library lib = nullptr;
        return FT_Init_FreeType(&lib) == 0 ? lib : nullptr;
    }();
    return library;
}

FT_Face OpenFace(const QByteArray& path, int index)
{
    std::lock_guard<std::mutex> guard(FreeTypeLock());
    FT_Face face = nullptr;
    if (Library() == nullptr || FT_New_Face(Library(), path.constData(), index, &face) != 0)
        return nullptr;
    return face;
}

void CloseFace(void* face)
{
    std::lock_guard<std::mutex> guard(FreeTypeLock());
    FT_Done_Face(static_cast<FT_Face>(face));
}

QByteArray SfntTable(FT_Face face, FT_ULong tag)
{
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) != 0 || length == 0 || length > kMaxTableBytes)
        return {};
    QByteArray table(qsizetype(length), '\0');
    if (FT_Load_Sfnt_Table(face, tag, 0, reinterpret_cast<FT_Byte*>(table.data()), &length) != 0)
        return {};
    return table;
}

const cairo_user_data_key_t kFreeTypeFaceKey{};

} // namespace

CCairoFonts::~CCairoFonts()
{
    for (cairo_font_face_t* face : std::as_const(m_faces))
        cairo_font_face_destroy(face);
}

bool CCairoFonts::FindFile(const QRawFont& font, const QByteArray& head, const QByteArray& maxp, File& file)
{
    if (head.isEmpty() || maxp.isEmpty())
        return false;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* fonts = nullptr;
    if (pattern != nullptr && objects != nullptr &&
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.familyName().toUtf8().constData())))
        fonts = FcFontList(nullptr, pattern, objects);
    bool found = false;
    for (int i = 0; fonts != nullptr && i < fonts->nfont && !found; ++i) {
        FcChar8* path = nullptr;
        int index = 0;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &path) != FcResultMatch)
            continue;
        FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
        FT_Face face = OpenFace(QByteArray(reinterpret_cast<const char*>(path)), index);
        if (face == nullptr)
            continue;
        if (FT_IS_SCALABLE(face) && SfntTable(face, TTAG_head) == head && SfntTable(face, TTAG_maxp) == maxp) {
            const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            file.path = reinterpret_cast<const char*>(path);
            file.index = index;
            file.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) || (os2 != nullptr && os2->usWeightClass >= 700);
            file.italic = face->style_flags & FT_STYLE_FLAG_ITALIC;
            found = true;
        }
        CloseFace(face);
    }
    if (fonts != nullptr)
        FcFontSetDestroy(fonts);
    if (objects != nullptr)
        FcObjectSetDestroy(objects);
    if (pattern != nullptr)
        FcPatternDestroy(pattern);
    return found;
}

CCairoFonts::Face CCairoFonts::Find(const QRawFont& font)
{
    const auto known = m_byFont.constFind(font);
    if (known != m_byFont.constEnd())
        return *known;
    cairo_font_face_t* result = nullptr;
    const QByteArray head = font.fontTable("head");
    const QByteArray maxp = font.fontTable("maxp");
    const QByteArray fileKey = font.familyName().toUtf8() + '\0' + head + '\0' + maxp;
    auto file = m_files.find(fileKey);
    if (file == m_files.end()) {
        File found;
        FindFile(font, head, maxp, found);
        file = m_files.insert(fileKey, found);
    }
    if (!file->path.isEmpty()) {
        int synthesis = 0;
        if (font.weight() >= QFont::Bold && !file->bold && font.pixelSize() < CFontMapper::kSynthesizedBoldBelowPx)
            synthesis |= CAIRO_FT_SYNTHESIZE_BOLD;
        if (font.style() != QFont::StyleNormal && !file->italic)
            synthesis |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
        const QByteArray faceKey = file->path + '\0' + QByteArray::number(file->index) + '\0' + QByteArray::number(synthesis);
        const auto made = m_faces.constFind(faceKey);
        if (made != m_faces.constEnd()) {
            result = *made;
        } else {
            // A FreeType face of its own for each synthesis: cairo shares
            // one font face between requests for the same FreeType face.
            FT_Face ft = OpenFace(file->path, file->index);
            if (ft != nullptr) {
                result = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
                if (cairo_font_face_set_user_data(result, &kFreeTypeFaceKey, ft, CloseFace) != CAIRO_STATUS_SUCCESS) {
                    cairo_font_face_destroy(result);
                    CloseFace(ft);
                    result = nullptr;
                } else {
                    cairo_ft_font_face_set_synthesize(result, unsigned(synthesis));
                }
            }
            m_faces.insert(faceKey, result);
        }
    }
    // maxp: version (4 bytes), then the glyph count (big-endian 16 bits).
    const unsigned glyphCount = maxp.size() >= 6 ? (unsigned(uint8_t(maxp[4])) << 8) | uint8_t(maxp[5]) : 0;
    return *m_byFont.insert(font, Face{result, glyphCount});
}

bool CCairoFonts::DesignBox(const QRawFont& font, quint32 glyph, QRectF& box)
{
    const Face face = Find(font);
    const double size = font.pixelSize();
    if (face.face == nullptr || glyph >= face.glyphCount || cairo_ft_font_face_get_synthesize(face.face) != 0 ||
        !(size > 0) || !std::isfinite(size))
        return false;
    auto* ft = static_cast<FT_Face>(cairo_font_face_get_user_data(face.face, &kFreeTypeFaceKey));
    if (ft == nullptr || ft->units_per_EM == 0)
        return false;
    std::lock_guard<std::mutex> guard(FreeTypeLock());
    // Font units: no scaling, so no hinting and no size set on the face
    // cairo shares.
    if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_TRANSFORM) != 0 ||
        ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    if (ft->glyph->outline.n_points <= 0) {
        box = QRectF(); // no outline (a space)
        return true;
    }
    FT_BBox cbox;
    FT_Outline_Get_CBox(&ft->glyph->outline, &cbox);
    const double scale = size / ft->units_per_EM;
    box = QRectF(QPointF(cbox.xMin * scale, -cbox.yMax * scale), QPointF(cbox.xMax * scale, -cbox.yMin * scale));
    return true;
}

} // namespace vexlan
