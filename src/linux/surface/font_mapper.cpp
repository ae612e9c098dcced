// SPDX-License-Identifier: MIT
// Font mapping: Windows face names to installed families, and the Windows
// cell-height / average-width meaning of a font request on a Qt font.
#include "linux/surface/font_mapper.h"

#include "core/text/codepage.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QRawFont>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace vexlan {

namespace {

// One row of the substitution table: the Windows names of a face, and the
// installed families that stand for it, best first. The first row is the
// default face (a Chinese system's 宋体).
// `windows` holds the Windows face's own metrics where no installed font
// matches them: the Chinese system faces have a cell of exactly one em and
// half-width Latin characters (an average width of half an em), so a line
// of n bytes is n average widths wide. Requests are sized by these metrics,
// whatever the stand-in's own are.
struct FaceRow {
    std::initializer_list<const char*> windowsNames;
    std::initializer_list<const char*> families;
    const FaceMetrics* windows = nullptr;
};

const FaceMetrics kChineseSystemFace{256, 220, 36, 128};

const FaceRow kFaceTable[] = {
    {{"宋体", "SimSun", "新宋体", "NSimSun", "宋体-18030", "SimSun-18030"},
     {"AR PL UMing CN", "Noto Serif CJK SC", "Source Han Serif SC", "WenQuanYi Zen Hei"},
     &kChineseSystemFace},
    {{"黑体", "SimHei"},
     {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Source Han Sans SC", "AR PL UMing CN"},
     &kChineseSystemFace},
    {{"微软雅黑", "Microsoft YaHei", "Microsoft YaHei UI"},
     {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "AR PL UMing CN"}},
    {{"楷体", "楷体_GB2312", "KaiTi", "KaiTi_GB2312", "华文楷体", "STKaiti"},
     {"AR PL UKai CN", "AR PL KaitiM GB", "AR PL UMing CN", "WenQuanYi Zen Hei"},
     &kChineseSystemFace},
    {{"仿宋", "仿宋_GB2312", "FangSong", "FangSong_GB2312", "华文仿宋", "STFangsong"},
     {"AR PL UMing CN", "Noto Serif CJK SC", "WenQuanYi Zen Hei"},
     &kChineseSystemFace},
    {{"Arial", "Helvetica", "Arial Unicode MS"}, {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {{"Arial Narrow"}, {"Liberation Sans Narrow", "Liberation Sans", "DejaVu Sans Condensed"}},
    {{"Times New Roman", "Times"}, {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {{"Courier New", "Courier"}, {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {{"Calibri"}, {"Carlito", "Liberation Sans", "DejaVu Sans"}},
    {{"Cambria"}, {"Caladea", "Liberation Serif", "DejaVu Serif"}},
    {{"Tahoma", "Verdana", "Segoe UI", "MS Sans Serif", "MS Shell Dlg", "System"},
     {"DejaVu Sans", "Liberation Sans"}},
};

// Installed families, lower-cased, read once.
const QSet<QString>& InstalledFamilies()
{
    static const QSet<QString> families = [] {
        QSet<QString> set;
        for (const QString& f : QFontDatabase::families())
            set.insert(f.toLower());
        return set;
    }();
    return families;
}

bool IsInstalled(const QString& family) { return InstalledFamilies().contains(family.toLower()); }

QString FirstInstalled(const FaceRow& row, bool needScalable)
{
    for (const char* f : row.families) {
        const QString family = QString::fromUtf8(f);
        if (IsInstalled(family) && (!needScalable || QFontDatabase::isSmoothlyScalable(family)))
            return family;
    }
    return {};
}

QString DefaultFamily(bool needScalable)
{
    QString family = FirstInstalled(kFaceTable[0], needScalable);
    if (family.isEmpty())
        family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return family;
}

uint16_t U16(const QByteArray& t, int at)
{
    return static_cast<uint16_t>((static_cast<uint8_t>(t[at]) << 8) | static_cast<uint8_t>(t[at + 1]));
}
int16_t S16(const QByteArray& t, int at) { return static_cast<int16_t>(U16(t, at)); }

// The Qt font asked for `family`: no kerning (GDI's DrawText has none),
// unhinted, no subpixel antialiasing, and `strategy` besides.
QFont QtFont(const QString& family, int pixelSize, int strategy)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoSubpixelAntialias | strategy));
    return font;
}

FaceMetrics ReadMetrics(const QString& family)
{
    // Read through the engine a PDF lays text out with (see
    // CTextCache::SetLayoutSizes), so that it is loaded once.
    const QRawFont raw = QRawFont::fromFont(QtFont(family, CFontMapper::kLayoutPx, QFont::PreferOutline));
    FaceMetrics m;
    if (!raw.isValid())
        return m;

    const QByteArray head = raw.fontTable("head");
    if (head.size() >= 20 && U16(head, 18) >= 16)
        m.unitsPerEm = U16(head, 18);
    else
        m.unitsPerEm = raw.unitsPerEm() > 0 ? raw.unitsPerEm() : 1000;

    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray hhea = raw.fontTable("hhea");
    const double scale = m.unitsPerEm / raw.pixelSize();
    if (os2.size() >= 78 && U16(os2, 74) + U16(os2, 76) > 0) {
        m.winAscent = U16(os2, 74);
        m.winDescent = U16(os2, 76);
    } else if (hhea.size() >= 8 && S16(hhea, 4) - S16(hhea, 6) > 0) {
        m.winAscent = S16(hhea, 4);
        m.winDescent = -S16(hhea, 6);
    } else {
        m.winAscent = raw.ascent() * scale;
        m.winDescent = raw.descent() * scale;
    }
    if (os2.size() >= 4 && S16(os2, 2) > 0)
        m.avgCharWidth = S16(os2, 2);
    else if (raw.averageCharWidth() > 0)
        m.avgCharWidth = raw.averageCharWidth() * scale;
    else
        m.avgCharWidth = m.unitsPerEm / 2;
    if (m.winAscent + m.winDescent <= 0) {
        m.winAscent = 0.8 * m.unitsPerEm;
        m.winDescent = 0.2 * m.unitsPerEm;
    }
    return m;
}

// The table row of a Windows face name; the default row for no name.
const FaceRow* FindRow(const QString& name)
{
    if (name.isEmpty())
        return &kFaceTable[0];
    for (const FaceRow& row : kFaceTable) {
        for (const char* windowsName : row.windowsNames) {
            if (name.compare(QString::fromUtf8(windowsName), Qt::CaseInsensitive) == 0)
                return &row;
        }
    }
    return nullptr;
}

} // namespace

QString CFontMapper::SubstituteFamily(const QString& face, bool preferOutline)
{
    const QString name = face.trimmed();
    if (const FaceRow* row = FindRow(name)) {
        const QString family = FirstInstalled(*row, preferOutline);
        return family.isEmpty() ? DefaultFamily(preferOutline) : family;
    }
    if (IsInstalled(name) && (!preferOutline || QFontDatabase::isSmoothlyScalable(name)))
        return name;
    // A face this system does not have: like a Chinese system, fall back to
    // the default face, which holds both Latin and CJK characters.
    return DefaultFamily(preferOutline);
}

bool CFontMapper::MatchesFace(const QString& face)
{
    const QString name = face.trimmed();
    return FindRow(name) != nullptr || IsInstalled(name);
}

FaceMetrics CFontMapper::Metrics(const QString& family)
{
    static QMutex mutex;
    static QHash<QString, FaceMetrics> cache;
    QMutexLocker lock(&mutex);
    const auto it = cache.constFind(family);
    if (it != cache.constEnd())
        return *it;
    const FaceMetrics m = ReadMetrics(family);
    cache.insert(family, m);
    return m;
}

MappedFont CFontMapper::Map(const FontRequest& request, double pxPerUnitX, double pxPerUnitY,
                            double dpiY)
{
    const bool outline = request.outPrecision == OUT_TT_PRECIS ||
                         request.outPrecision == 6 /* OUT_TT_ONLY_PRECIS */ ||
                         request.outPrecision == 8 /* OUT_OUTLINE_PRECIS */;
    const QString face = QString::fromUtf8(AnsiToUtf8(request.face.substr(0, 31)));
    const QString family = SubstituteFamily(face, outline);
    const FaceRow* row = FindRow(face.trimmed());
    if (row == nullptr && family.compare(face.trimmed(), Qt::CaseInsensitive) != 0)
        row = &kFaceTable[0]; // an unknown face is drawn in the default face
    const FaceMetrics metrics = row && row->windows ? *row->windows : Metrics(family);

    MappedFont out;
    const double unitsY = std::fabs(pxPerUnitY);
    if (request.height > 0)
        out.emPx = request.height * unitsY / metrics.CellEm();
    else if (request.height < 0)
        out.emPx = -static_cast<double>(request.height) * unitsY;
    else
        out.emPx = kDefaultEmPoints * (dpiY > 0 ? dpiY : 96.0) / 72.0;

    const double pixelSize = std::clamp(std::round(out.emPx), 1.0, double(kMaxPixelSize));
    out.scaleY = out.emPx / pixelSize;
    out.scaleX = out.scaleY;
    if (request.width > 0 && out.emPx > 0) {
        const double naturalAvgPx = metrics.avgCharWidth / metrics.unitsPerEm * out.emPx;
        out.scaleX = request.width * std::fabs(pxPerUnitX) / naturalAvgPx * out.scaleY;
    }
    out.ascentPx = metrics.winAscent / metrics.unitsPerEm * out.emPx;
    out.descentPx = metrics.winDescent / metrics.unitsPerEm * out.emPx;

    int strategy = 0;
    if (outline)
        strategy |= QFont::PreferOutline;
    if (request.quality == 3 /* NONANTIALIASED_QUALITY */)
        strategy |= QFont::NoAntialias;
    QFont font = QtFont(family, static_cast<int>(pixelSize), strategy);
    const int weight = request.weight <= 0 ? FW_NORMAL : std::clamp(request.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(request.italic);
    font.setUnderline(request.underline);
    font.setStrikeOut(request.strikeOut);
    out.font = font;
    return out;
}

} // namespace vexlan
