// SPDX-License-Identifier: MIT
// The preview widget and its toolbar (offscreen): the buttons users of a
// print preview know, their tips, the zoom and page-count steps, the page
// being asked for when the preview is shown, zoom about the point clicked or
// under the wheel, the zoom keys, the status line, two pages side by side,
// and the toolbar's extension button in a narrow window.
#include "linux/shell/print_preview.h"

#include <QGraphicsItem>
#include <QGraphicsView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

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
        m_preview->resize(500, 600);
        // The owner draws the page; here an empty one.
        QObject::connect(m_preview.get(), &CPrintPreview::pagePaintRequested, [this](QPainter*) { ++m_paints; });
    }

    QWidget* Viewport() const { return m_preview->GetPageView()->viewport(); }
    QString Status() const { return m_preview->findChild<QLabel*>(QStringLiteral("previewStatus"))->text(); }
    // A point 35% across and 30% down the (first) page, in view pixels.
    QPoint OnThePage() const
    {
        const QGraphicsView* view = m_preview->GetPageView();
        const QRectF page = view->scene()->items(Qt::AscendingOrder).front()->sceneBoundingRect();
        return view->mapFromScene(page.topLeft() + QPointF(page.width() * 0.35, page.height() * 0.3));
    }
    // The page point under `at` is `before`, to two view pixels.
    void ExpectStill(QPoint at, QPointF before) const
    {
        const double tolerance = 2 / m_preview->GetPageView()->transform().m11();
        EXPECT_LE((m_preview->GetPageView()->mapToScene(at) - before).manhattanLength(), tolerance);
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
    m_preview->resize(900, 600); // wide enough for every button
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

TEST_F(PrintPreviewTest, DefaultPageRangeAndTwoPagesSideBySide)
{
    // No page count is set: pages 1 to 65535, every one the same page.
    m_preview->show();
    EXPECT_GE(m_paints, 1);
    EXPECT_FALSE(Button("previewPrev")->isEnabled());
    ASSERT_TRUE(Button("previewNext")->isEnabled());
    Button("previewNext")->click();
    const int whole = m_preview->GetZoom().Percent();
    EXPECT_EQ(Status(), QStringLiteral("第 2 页  缩放 %1%").arg(whole));

    m_paints = 0;
    Button("previewNumPage")->click();
    EXPECT_EQ(m_paints, 2); // both places drawn with the page
    const QList<QGraphicsItem*> pages = m_preview->GetPageView()->scene()->items(Qt::AscendingOrder);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0]->pos().y(), pages[1]->pos().y());
    EXPECT_GT(pages[1]->pos().x(), pages[0]->pos().x());
    // Both whole in the view, each smaller than the one page was.
    const QRect shown = m_preview->GetPageView()->mapFromScene(m_preview->GetPageView()->sceneRect()).boundingRect();
    EXPECT_TRUE(Viewport()->rect().contains(shown));
    EXPECT_LT(m_preview->GetZoom().Percent(), whole);
    EXPECT_EQ(Status(), QStringLiteral("第 2-3 页  缩放 %1%").arg(m_preview->GetZoom().Percent()));
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
    const qreal whole = m_preview->GetPreviewWidget()->zoomFactor();
    in->click(); // a closer view shows one page
    EXPECT_FALSE(m_preview->IsTwoPage());
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_MIDDLE);
    EXPECT_FALSE(num->isEnabled());
    EXPECT_GT(m_preview->GetPreviewWidget()->zoomFactor(), whole);
    while (in->isEnabled())
        in->click();
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_IN);
    while (out->isEnabled())
        out->click();
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_OUT);
    EXPECT_TRUE(num->isEnabled());
    EXPECT_EQ(num->text(), QStringLiteral("两页(&T)"));
}

TEST_F(PrintPreviewTest, ClickAndCtrlWheelZoomAboutThePointer)
{
    m_preview->resize(300, 600); // a first click already makes the page wider than the view
    m_preview->show();
    // Clicks: each keeps the page point under the pointer, until the
    // closest view, where a click brings the whole page back.
    for (int click = 0; m_preview->GetZoomState() != CPrintPreview::ZOOM_IN; ++click) {
        ASSERT_LT(click, 10);
        const QPoint at = click == 0 ? OnThePage() : Viewport()->rect().center();
        const QPointF before = m_preview->GetPageView()->mapToScene(at);
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, at);
        ExpectStill(at, before);
    }
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, Viewport()->rect().center());
    EXPECT_EQ(m_preview->GetZoomState(), CPrintPreview::ZOOM_OUT);

    // Ctrl+wheel: two notches in about the pointer (enough for the page to
    // outgrow the view, so that nothing holds it at an edge); the wheel
    // alone scrolls.
    const QPoint at = OnThePage();
    const QPointF before = m_preview->GetPageView()->mapToScene(at);
    const int whole = m_preview->GetZoom().Percent();
    auto wheel = [this, at](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent e(at, Viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(Viewport(), &e);
    };
    wheel(240, Qt::ControlModifier);
    EXPECT_GT(m_preview->GetZoom().Percent(), whole);
    ExpectStill(at, before);
    const int zoomed = m_preview->GetZoom().Percent();
    const int top = m_preview->GetPageView()->verticalScrollBar()->value();
    wheel(-120, Qt::NoModifier);
    EXPECT_EQ(m_preview->GetZoom().Percent(), zoomed);
    EXPECT_GT(m_preview->GetPageView()->verticalScrollBar()->value(), top);
}

TEST_F(PrintPreviewTest, ZoomKeysAndStatusLine)
{
    m_preview->show();
    m_preview->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_preview.get()));
    // +1: closer, -1: back, 0: the whole page.
    const std::pair<QKeyCombination, int> steps[] = {
        {Qt::Key_Plus, 1},  {Qt::CTRL | Qt::Key_Plus, 1},  {Qt::Key_Equal, 1},     {Qt::Key_Minus, -1},
        {Qt::CTRL | Qt::Key_Minus, -1}, {Qt::CTRL | Qt::Key_Equal, 1}, {Qt::CTRL | Qt::Key_0, 0}};
    for (const auto& [keys, change] : steps) {
        const int before = m_preview->GetZoom().Percent();
        QTest::keyClick(m_preview.get(), keys.key(), keys.keyboardModifiers());
        const int after = m_preview->GetZoom().Percent();
        const std::string name = QKeySequence(keys).toString().toStdString();
        EXPECT_TRUE(change == 0 ? m_preview->GetZoom().IsWholePage() : (after - before) * change > 0) << name;
        EXPECT_EQ(Status(), QStringLiteral("第 1 页  缩放 %1%").arg(after)) << name;
    }
}

TEST_F(PrintPreviewTest, NarrowToolbarOffersTheRestInAMenu)
{
    m_preview->resize(200, 400);
    m_preview->show();
    QWidget* toolbar = m_preview->findChild<QWidget*>(QStringLiteral("previewToolbar"));
    auto* more = m_preview->findChild<QToolButton*>(QStringLiteral("previewMore"));
    ASSERT_TRUE(more->isVisible());
    // No button reaches under the extension button; its menu lists the
    // hidden ones.
    QStringList hidden, listed;
    for (QPushButton* b : toolbar->findChildren<QPushButton*>())
        if (!b->isVisible())
            hidden << b->text();
        else
            EXPECT_LE(b->geometry().right(), more->geometry().left()) << b->objectName().toStdString();
    EXPECT_TRUE(hidden.contains(QStringLiteral("关闭(&C)")));
    emit more->menu()->aboutToShow();
    for (QAction* a : more->menu()->actions())
        listed << a->text();
    EXPECT_EQ(listed, hidden);
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
