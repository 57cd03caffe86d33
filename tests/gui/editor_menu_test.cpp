#include "editor/menu/BCMenu.h"
#include "editor/menu/OwnerDrawMenu.h"

#include <QImage>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

QRgb Rgb(COLORREF c) { return qRgb(platform::GetR(c), platform::GetG(c), platform::GetB(c)) & 0xFFFFFF; }

QRgb At(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

struct ClassicStyle {
    ClassicStyle() { BCMenu::SetDrawStyle(0); }
    ~ClassicStyle() { BCMenu::SetDrawStyle(0); }
};

} // namespace

TEST(EditorMenu, CheckMarkAndSeparatorPixels)
{
    ClassicStyle classic;
    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenu(244));
    BCMenu* debug = menu.GetPopup(2);
    ASSERT_NE(debug, nullptr);
    sysmenu::CheckMenuItem(menu.GetSafeHmenu(), 40015, MF_CHECKED);  // DbgTrace

    OwnerDrawMenu popup(debug->GetSafeHmenu(), nullptr);
    popup.Rebuild();
    popup.adjustSize();
    const QImage img = popup.grab().toImage();
    ASSERT_EQ(popup.actions().size(), 5);

    const QRgb menuBack = Rgb(platform::GetSysColor(platform::COLOR_MENU));
    const QRgb boxBack = Rgb(BCMenu::Lighten(platform::GetSysColor(platform::COLOR_MENU), 0.6));
    const QRgb ink = Rgb(platform::GetSysColor(platform::COLOR_MENUTEXT));
    const int W = BCMenu::s_nImageWidth, H = BCMenu::s_nImageHeight;

    // the check box of a checked, unselected item: lightened background and a drawn mark
    const QRect trace = popup.actionGeometry(popup.actions()[1]);
    const int dy = std::max(0, (trace.height() - H - 4) / 2);
    const int bx = trace.left() + 1, by = trace.top() + dy + 2;
    EXPECT_EQ(At(img, bx + 1, by + 1), boxBack);
    EXPECT_EQ(At(img, bx + W - 2, by + H - 2), boxBack);
    EXPECT_EQ(At(img, bx + 4, by + 6), ink);      // first stroke of the mark
    EXPECT_EQ(At(img, bx + 6, by + 10), ink);     // third stroke, lowest pixel
    EXPECT_EQ(At(img, bx + 6, by + 11), boxBack); // end point left out
    EXPECT_EQ(At(img, bx + 10, by + 4), ink);     // last rising stroke
    EXPECT_EQ(At(img, bx + 4, by + 5), boxBack);
    // the unchecked item above has no box
    const QRect view = popup.actionGeometry(popup.actions()[0]);
    EXPECT_EQ(At(img, bx + 1, view.top() + dy + 3), menuBack);
    EXPECT_EQ(At(img, bx + 4, view.top() + dy + 6), menuBack);

    // the separator: an etched line across its middle
    const QRect sep = popup.actionGeometry(popup.actions()[3]);
    EXPECT_EQ(sep.height(), 10);
    const int mid = (sep.top() + sep.bottom() + 1) / 2;
    const int x = sep.left() + sep.width() / 2;
    EXPECT_EQ(At(img, x, mid), Rgb(platform::GetSysColor(platform::COLOR_BTNSHADOW)));
    EXPECT_EQ(At(img, x, mid + 1), Rgb(platform::GetSysColor(platform::COLOR_BTNHIGHLIGHT)));
    EXPECT_EQ(At(img, x, mid - 1), menuBack);
    EXPECT_EQ(At(img, x, mid + 2), menuBack);
}

TEST(EditorMenu, BarCommandsAndStateFollowTheMenu)
{
    ClassicStyle classic;
    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenu(244));
    QMenuBar bar;
    std::vector<unsigned> commands;
    BuildMenuBar(menu, bar, [&](unsigned id) { commands.push_back(id); });
    ASSERT_EQ(bar.actions().size(), 4);
    EXPECT_EQ(bar.actions()[0]->text(), "File");
    EXPECT_EQ(bar.actions()[3]->text(), "Help");

    auto* edit = qobject_cast<OwnerDrawMenu*>(bar.actions()[1]->menu());
    ASSERT_NE(edit, nullptr);
    edit->actions()[1]->trigger();  // &Copy
    edit->actions()[8]->trigger();  // Replace
    EXPECT_EQ(commands, (std::vector<unsigned>{57634, 57641}));

    // a state set on the menu shows the next time the popup opens
    auto* debug = qobject_cast<OwnerDrawMenu*>(bar.actions()[2]->menu());
    EXPECT_FALSE(debug->actions()[2]->isChecked());
    sysmenu::CheckMenuItem(menu.GetSafeHmenu(), 40018, MF_CHECKED);
    sysmenu::EnableMenuItem(menu.GetSafeHmenu(), 40019, MF_GRAYED);
    debug->Rebuild();
    EXPECT_TRUE(debug->actions()[2]->isChecked());
    EXPECT_FALSE(debug->actions()[4]->isEnabled());

    // items measure as the owner-drawn menu says: the widest text sets the width
    MEASUREITEMSTRUCT mis;
    mis.itemData = reinterpret_cast<uintptr_t>(menu.GetPopup(2)->Entries()[4].get());  // ReCompile
    menu.GetPopup(2)->MeasureItem(mis);
    EXPECT_GE(debug->sizeHint().width(), int(mis.itemWidth));
    EXPECT_EQ(debug->actionGeometry(debug->actions()[4]).height(), int(mis.itemHeight));
}
