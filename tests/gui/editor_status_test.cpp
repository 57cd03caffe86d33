#include "editor/menu/BCMenu.h"
#include "editor/status/CCJStatusBar.h"
#include "editor/status/CLampCaption.h"
#include "editor/status/CTipWindow.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A window with the editor's status bar along its bottom and the caption in pane 0.
struct EditorBar {
    std::unique_ptr<CLampCaption> caption = std::make_unique<CLampCaption>();
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CCJStatusBar* bar = new CCJStatusBar(window.get());

    EditorBar()
    {
        bar->SetIndicators({0, 0, 0});
        bar->AddIndicator(0, 0);
        bar->SetPaneWidth(0, 190);
        bar->AddIndicator(1, 1);
        bar->SetPaneWidth(1, 240);
        caption->Create(L"LuaEdit", bar, 0);
        bar->AddControl(caption.get(), 0, false);
        window->show();  // resizes reach a hidden widget only when it is shown
    }
    void Resize(int w, int h)
    {
        window->resize(w, h);
        bar->setGeometry(0, h - 28, w, 28);
    }
};

} // namespace

TEST(EditorStatusBar, CaptionFollowsPaneZeroOnResize)
{
    EditorBar e;
    e.Resize(500, 300);
    EXPECT_EQ(e.caption->geometry(), QRect(2, 4, 192, 22));
    // wider than the panes: the first pane stretches and the caption with it
    CCJStatusBarPane p2;
    e.bar->GetPane(2, p2);
    const int used = 196 + 2 + 246 + 2 + (p2.width + 6) * 2 + 2;
    e.Resize(used + 120, 300);
    EXPECT_EQ(e.caption->geometry(), QRect(2, 4, 192 + 120, 22));
    EXPECT_EQ(e.caption->parentWidget(), e.bar);
    EXPECT_FALSE(e.bar->AddControl(new QWidget(e.bar), 0, true));  // pane 0 is taken
}

TEST(EditorStatusBar, CaptionIsEngravedTextOnTheFace)
{
    EditorBar e;
    e.Resize(500, 300);
    const QImage img = e.caption->grab().toImage();
    const QRgb face = qRgb(0xF0, 0xF0, 0xF0) & 0xFFFFFF;
    int shade = 0, beyond = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y) & 0xFFFFFF;
            if (c == (qRgb(0xA0, 0xA0, 0xA0) & 0xFFFFFF))
                ++shade;
            if (x > 85 && c != face)
                ++beyond;  // 12 pixels a character, one more for the light copy
        }
    EXPECT_GT(shade, 20);
    EXPECT_EQ(beyond, 0);
    // no lamps: nothing drawn right of the text, and no tips
    QPoint inColumn(90, 5);
    QMouseEvent move(QEvent::MouseMove, inColumn, e.caption->mapToGlobal(inColumn), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(e.caption.get(), &move);
    EXPECT_FALSE(e.caption->Tip().IsShown());
}

TEST(EditorStatusBar, HostedCaptionOutlivesTheBarAndIsDeletedOnce)
{
    EditorBar e;
    QPointer<CLampCaption> watch = e.caption.get();
    delete e.bar;
    ASSERT_FALSE(watch.isNull());
    EXPECT_EQ(watch->parentWidget(), nullptr);
    e.caption.reset();
    EXPECT_TRUE(watch.isNull());

    // an auto-deleted control goes with its pane
    QWidget window;
    auto* bar = new CCJStatusBar(&window);
    bar->SetIndicators({0, 5});
    QPointer<QWidget> owned = new QWidget;
    ASSERT_TRUE(bar->AddControl(owned, 5, true));
    bar->RemoveIndicator(5);
    EXPECT_TRUE(owned.isNull());
    EXPECT_EQ(bar->Model().GetCount(), 1);
}

TEST(EditorStatusBar, LampsBlinkOnTheTimer)
{
    EditorBar e;
    e.Resize(500, 300);
    e.caption->SetLampColors(0x0000FF, 0x00FF00, 0xFF0000);
    e.caption->SetBlinkPeriods(40, 0, 0);
    EXPECT_TRUE(e.caption->BlinkTimerActive());
    e.caption->FlashLamp0(true);
    const Rect lamp = e.caption->State().m_rcLamp[0];
    QImage img = e.caption->grab().toImage();
    EXPECT_EQ(img.pixel(lamp.left + 3, lamp.top + 3) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
    e.caption->OnBlinkTick();
    e.caption->OnBlinkTick();
    img = e.caption->grab().toImage();
    EXPECT_EQ(img.pixel(lamp.left + 3, lamp.top + 3) & 0xFFFFFF, qRgb(0xF0, 0xF0, 0xF0) & 0xFFFFFF);
    e.caption->SetBlinkPeriods(0, 0, 20);
    EXPECT_FALSE(e.caption->BlinkTimerActive());
}

TEST(TipWindow, NothingBeforeCreateThenTextsAndMenuPrompts)
{
    CTipWindow tip;
    tip.SetText("early");
    tip.SetTitle("early");
    tip.Show(true);
    EXPECT_FALSE(tip.IsShown());
    EXPECT_EQ(tip.Text(), "");
    tip.ShowMenuPrompt(57603, 0, 0);  // still loads the prompt
    EXPECT_EQ(CTipWindow::LastPrompt(), "Save Script");
    EXPECT_FALSE(tip.IsShown());

    QWidget owner;
    ASSERT_TRUE(tip.Create(&owner, 2));
    tip.SetText("first");
    tip.SetText("");
    EXPECT_EQ(tip.Text(), "first");
    tip.SetTitle("Lamps");
    tip.SetTitle("");
    EXPECT_EQ(tip.Title(), "Lamps");
    tip.SetText(std::string(3000, 'x'));
    EXPECT_EQ(tip.Text().size(), CTipWindow::kTextMax);
    tip.SetTitle(std::string(254, 'y') + "\xc3\xa9");  // a two-byte character across the end
    EXPECT_EQ(tip.Title().size(), 254u);
    EXPECT_LE(tip.Window()->width(), CTipWindow::kMaxTipWidth);

    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenu(244));
    const HMENU debug = menu.GetPopup(2)->GetSafeHmenu();
    tip.ShowMenuPrompt(40015, 0, debug);
    EXPECT_TRUE(tip.IsShown());
    EXPECT_TRUE(tip.Window()->isVisible());
    EXPECT_EQ(tip.Text(), "Start Debug with LineTrace");
    tip.ShowMenuPrompt(57634, 0, debug);  // no prompt: stays as it was
    EXPECT_EQ(tip.Text(), "Start Debug with LineTrace");
    tip.ShowMenuPrompt(0xFFFF, 0xFFFF, 0);  // the menu closed
    EXPECT_FALSE(tip.IsShown());
    EXPECT_FALSE(tip.Window()->isVisible());
}
