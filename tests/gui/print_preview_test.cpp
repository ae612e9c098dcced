// The preview widget and its toolbar (offscreen): the buttons users of a
// print preview know, their tips, the zoom and page-count steps, and the page
// being asked for when the preview is shown.
#include "linux/shell/print_preview.h"

#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>

#include <gtest/gtest.h>

namespace vexlan {
namespace {

class PrintPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        m_preview = std::make_unique<CPrintPreview>(std::move(printer));
        m_preview->resize(800, 600);
        // The owner draws the page; here an empty one.
        QObject::connect(m_preview.get(), &CPrintPreview::paintRequested, [this](QPrinter* printer) {
            ++m_paints;
            QPainter painter(printer);
        });
    }

    QPushButton* Button(const char* name) const
    {
        return m_preview->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    std::unique_ptr<CPrintPreview> m_preview;
    int m_paints = 0;
};

TEST_F(PrintPreviewTest, ToolbarButtonsInOrderWithTips)
{
    const struct {
        const char* name;
        const char* text;
    } expected[] = {
        {"previewPrint", "打印(&P)..."}, {"previewNext", "下一页(&N)"}, {"previewPrev", "上一页(&V)"},
        {"previewNumPage", "两页(&T)"},  {"previewZoomIn", "放大(&I)"},  {"previewZoomOut", "缩小(&O)"},
        {"previewClose", "关闭(&C)"},
    };
    int lastX = -1;
    m_preview->show();
    for (const auto& e : expected) {
        QPushButton* b = Button(e.name);
        ASSERT_NE(b, nullptr) << e.name;
        EXPECT_EQ(b->text(), QString::fromUtf8(e.text));
        EXPECT_FALSE(b->toolTip().isEmpty()) << e.name;
        EXPECT_GT(b->x(), lastX) << e.name;
        lastX = b->x();
    }
    EXPECT_EQ(Button("previewClose")->toolTip(), QStringLiteral("关闭打印预览模式"));
}

TEST_F(PrintPreviewTest, ShowingAsksForThePageAndOnePageDisablesPaging)
{
    m_preview->show();
    EXPECT_GE(m_paints, 1);
    EXPECT_EQ(m_preview->GetPreviewWidget()->pageCount(), 1);
    EXPECT_FALSE(Button("previewNext")->isEnabled());
    EXPECT_FALSE(Button("previewPrev")->isEnabled());
}

TEST_F(PrintPreviewTest, ZoomStepsAndTwoPageToggle)
{
    m_preview->show();
    QPushButton* in = Button("previewZoomIn");
    QPushButton* out = Button("previewZoomOut");
    QPushButton* num = Button("previewNumPage");
    EXPECT_TRUE(in->isEnabled());
    EXPECT_FALSE(out->isEnabled());

    num->click();
    EXPECT_TRUE(m_preview->IsTwoPage());
    EXPECT_EQ(num->text(), QStringLiteral("一页(&O)"));

    const qreal whole = m_preview->GetPreviewWidget()->zoomFactor();
    in->click(); // a closer view shows one page
    EXPECT_FALSE(m_preview->IsTwoPage());
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_MIDDLE);
    EXPECT_FALSE(num->isEnabled());
    EXPECT_GT(m_preview->GetPreviewWidget()->zoomFactor(), whole);
    in->click();
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_IN);
    EXPECT_FALSE(in->isEnabled());
    out->click();
    out->click();
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_OUT);
    EXPECT_FALSE(out->isEnabled());
    EXPECT_TRUE(num->isEnabled());
    EXPECT_EQ(num->text(), QStringLiteral("两页(&T)"));
}

TEST_F(PrintPreviewTest, PrintAndCloseAreHandedToTheOwner)
{
    int prints = 0;
    int closes = 0;
    QObject::connect(m_preview.get(), &CPrintPreview::printRequested, [&] { ++prints; });
    QObject::connect(m_preview.get(), &CPrintPreview::closeRequested, [&] { ++closes; });
    Button("previewPrint")->click();
    Button("previewClose")->click();
    EXPECT_EQ(prints, 1);
    EXPECT_EQ(closes, 1);
}

} // namespace
} // namespace vexlan
