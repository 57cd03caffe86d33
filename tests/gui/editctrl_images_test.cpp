// The edit control's window: special sequences painted as pictures, and
// plain-word tips wrapped at the tip width.
#include "editor/editctrl/EditCtrl.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"
#include "editor/editctrl/widget/QtEditImageList.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <memory>

namespace {

TEST(EditCtrlImages, ASequenceIsPaintedAsItsPictureInATallerLine)
{
    CEditCtrl ctrl;
    auto widget = std::make_unique<CEditCtrlWidget>(ctrl);
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(13);
    widget->SetEditFont(font);
    const int plainHeight = ctrl.GetLineHeight();
    ctrl.m_crText = 0x000000;
    ctrl.m_crBack = 0xFFFFFF;
    QPixmap red(30, plainHeight + 10);
    red.fill(Qt::red);
    CQtEditImageList images;
    images.Add(red);
    widget->SetImageList(&images);
    EXPECT_EQ(ctrl.GetLineHeight(), plainHeight + 10);

    SequenceInfo arrow;
    arrow.text = "->";
    arrow.image = 0;
    ctrl.m_lstSequences = {arrow};
    ctrl.m_bSequenceImages = true;
    widget->resize(300, 120);
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    ctrl.SetWindowText("a->b");
    widget->viewport()->repaint();
    const QImage shot = widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EcPoint before, after;
    ctrl.PointFromOffset(1, before);
    ctrl.PointFromOffset(3, after);
    EXPECT_EQ(after.x - before.x, 30);
    EXPECT_EQ(QColor(shot.pixel(before.x + 15, 5)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(after.x + 15, 5)), QColor(Qt::red)); // "b" after it

    ctrl.m_bSequenceImages = false; // the text itself again
    widget->viewport()->repaint();
    const QImage plain = widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(QColor(plain.pixel(before.x + 15, 5)), QColor(Qt::red));
}

TEST(EditCtrlImages, PlainTipsWrapAtTheTipWidth)
{
    const QFontMetrics fm(QApplication::font());
    const QString text = "a plain word tip that is much wider than the limit allows, withaverylongwordinside";
    const int width = fm.horizontalAdvance("much wider than");
    const QString wrapped = CEditCtrlWidget::WrapTipText(text, fm, width);
    const QStringList lines = wrapped.split('\n');
    EXPECT_GT(lines.size(), 3);
    for (const QString& line : lines)
        EXPECT_LE(fm.horizontalAdvance(line), width) << line.toStdString();
    QString joined = wrapped;
    joined.remove('\n').remove(' ');
    QString original = text;
    EXPECT_EQ(joined, original.remove(' ')); // nothing lost but the blanks at the breaks
    EXPECT_EQ(CEditCtrlWidget::WrapTipText("short", fm, width), "short");
}

} // namespace
