// SPDX-License-Identifier: MIT
// CFontMapper on its own: the Windows face substitution table, the faces'
// Windows metrics, and the cell-height / average-width meaning of a request.
#include "core/text/codepage.h"
#include "linux/surface/font_mapper.h"

#include <QRawFont>
#include <gtest/gtest.h>

using namespace vexlan;

namespace {

FontRequest Request(int height, int width, const std::string& face)
{
    FontRequest r;
    r.height = height;
    r.width = width;
    r.face = face;
    return r;
}

} // namespace

TEST(FontMapper, WindowsFacesMapToInstalledStandIns)
{
    const struct {
        const char* face;
        const char* family;
    } table[] = {
        {"宋体", "AR PL UMing CN"},
        {"SimSun", "AR PL UMing CN"},
        {"新宋体", "AR PL UMing CN"},
        {"黑体", "WenQuanYi Zen Hei"},
        {"simhei", "WenQuanYi Zen Hei"},
        {"微软雅黑", "WenQuanYi Zen Hei"},
        {"仿宋", "AR PL UMing CN"},
        {"楷体", "AR PL UMing CN"},
        {"Arial", "Liberation Sans"},
        {"ARIAL", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"", "AR PL UMing CN"},              // no face: the default (宋体) face
        {"No Such Face 42", "AR PL UMing CN"}, // unknown: the default face
        {"DejaVu Sans", "DejaVu Sans"},      // installed faces are used as they are
    };
    for (const auto& row : table)
        EXPECT_EQ(CFontMapper::SubstituteFamily(QString::fromUtf8(row.face)), QString::fromUtf8(row.family))
            << row.face;
}

TEST(FontMapper, StandInsCoverChineseText)
{
    for (const char* face : {"宋体", "黑体", "楷体", "仿宋", "微软雅黑", ""}) {
        QFont font(CFontMapper::SubstituteFamily(QString::fromUtf8(face)));
        font.setPixelSize(40);
        const QRawFont raw = QRawFont::fromFont(font);
        ASSERT_TRUE(raw.isValid()) << face;
        EXPECT_TRUE(raw.supportsCharacter(QChar(0x4E2D))) << face; // 中
        EXPECT_TRUE(raw.supportsCharacter(QChar(0x6587))) << face; // 文
    }
}

TEST(FontMapper, LatinStandInsAreMetricCompatible)
{
    // Arial, Times New Roman and Courier New all have 2048 units per em,
    // winAscent/winDescent 1854/434, 1825/443 and 1705/615.
    const struct {
        const char* face;
        double ascent, descent;
    } table[] = {{"Arial", 1854, 434}, {"Times New Roman", 1825, 443}, {"Courier New", 1705, 615}};
    for (const auto& row : table) {
        const FaceMetrics m = CFontMapper::Metrics(CFontMapper::SubstituteFamily(row.face));
        EXPECT_EQ(m.unitsPerEm, 2048) << row.face;
        EXPECT_EQ(m.winAscent, row.ascent) << row.face;
        EXPECT_EQ(m.winDescent, row.descent) << row.face;
    }
    EXPECT_EQ(CFontMapper::Metrics("Liberation Mono").avgCharWidth, 1229); // Courier New's 0.6 em
}

TEST(FontMapper, PositiveHeightIsTheCellHeight)
{
    // 1000 units at 0.1 px per unit: a 100 px cell.
    for (const char* face : {"Arial", "宋体", "黑体", "Courier New"}) {
        const MappedFont mf = CFontMapper::Map(Request(1000, 0, face), 0.1, -0.1, 254);
        EXPECT_NEAR(mf.CellHeightPx(), 100.0, 1e-9) << face;
        EXPECT_NEAR(mf.font.pixelSize() * mf.scaleY, mf.emPx, 1e-9) << face;
        EXPECT_DOUBLE_EQ(mf.scaleX, mf.scaleY) << face; // width 0: the face's own proportions
    }
    const MappedFont arial = CFontMapper::Map(Request(1000, 0, "Arial"), 0.1, -0.1, 254);
    EXPECT_NEAR(arial.emPx, 100.0 * 2048 / (1854 + 434), 1e-9);
    EXPECT_NEAR(arial.ascentPx, 100.0 * 1854 / (1854 + 434), 1e-9);
}

TEST(FontMapper, ChineseSystemFacesKeepTheirWindowsMetrics)
{
    // 宋体 and its kin: a cell of one em, Latin characters half an em wide,
    // whatever the stand-in's own metrics are.
    for (const char* face : {"宋体", "黑体", "楷体", "仿宋", "", "No Such Face 42"}) {
        const MappedFont mf = CFontMapper::Map(Request(1000, 0, face), 0.1, -0.1, 254);
        EXPECT_NEAR(mf.emPx, 100.0, 1e-9) << face;
        EXPECT_NEAR(mf.ascentPx, 100.0 * 220 / 256, 1e-9) << face;
        const MappedFont wide = CFontMapper::Map(Request(1000, 200, face), 0.1, -0.1, 254);
        EXPECT_NEAR(wide.scaleX / wide.scaleY, 20.0 / 50.0, 1e-9) << face;
    }
}

TEST(FontMapper, NegativeHeightIsTheEmAndZeroTheDefault)
{
    EXPECT_NEAR(CFontMapper::Map(Request(-500, 0, "Arial"), 0.1, -0.1, 254).emPx, 50.0, 1e-9);
    EXPECT_NEAR(CFontMapper::Map(Request(0, 0, "Arial"), 0.1, -0.1, 254).emPx,
                CFontMapper::kDefaultEmPoints * 254 / 72, 1e-9);
}

TEST(FontMapper, WidthStretchesToTheAverageCharacterWidth)
{
    for (int width : {10, 200, 1000}) {
        const MappedFont mf = CFontMapper::Map(Request(1000, width, "Courier New"), 0.1, -0.1, 254);
        // Courier New's average width is 1229/2048 em; drawn, it must be width/10 px.
        const double avgPx = 1229.0 / 2048 * mf.emPx * (mf.scaleX / mf.scaleY);
        EXPECT_NEAR(avgPx, width * 0.1, 1e-9) << width;
    }
}

TEST(FontMapper, HugeAndTinySizesStayWithinQtLimits)
{
    const MappedFont huge = CFontMapper::Map(Request(INT32_MAX, INT32_MAX, "Arial"), 11.8, -11.8, 300);
    EXPECT_EQ(huge.font.pixelSize(), CFontMapper::kMaxPixelSize);
    EXPECT_NEAR(huge.font.pixelSize() * huge.scaleY, huge.emPx, huge.emPx * 1e-12);
    const MappedFont tiny = CFontMapper::Map(Request(1, 0, "Arial"), 0.001, -0.001, 3);
    EXPECT_EQ(tiny.font.pixelSize(), 1);
    EXPECT_NEAR(tiny.scaleY, tiny.emPx, 1e-12);
}

TEST(FontMapper, FaceBytesAreInTheAnsiCodePage)
{
    const int saved = AnsiCodePage();
    SetAnsiCodePage(CP_GBK);
    const MappedFont gbk = CFontMapper::Map(Request(100, 0, "\xBA\xDA\xCC\xE5"), 1, 1, 96); // 黑体
    SetAnsiCodePage(saved);
    EXPECT_EQ(gbk.font.family(), QString("WenQuanYi Zen Hei"));
}
