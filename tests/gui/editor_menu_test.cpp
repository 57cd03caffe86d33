#include "editor/menu/BCMenu.h"
#include "editor/menu/OwnerDrawMenu.h"

#include <QImage>
#include <QMenuBar>
#include <QPainter>

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

namespace {

// Draws one item of a popup into an image of the item's size.
QImage DrawOne(BCMenu& popup, size_t index, unsigned state, int width = 120, int height = 22)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(Rgb(platform::GetSysColor(platform::COLOR_MENU))));  // the menu's panel
    QPainter painter(&img);
    platform::GdiCanvas dc(painter);
    DRAWITEMSTRUCT dis;
    dis.dc = &dc;
    dis.hwndItem = popup.GetSafeHmenu();
    dis.itemData = reinterpret_cast<uintptr_t>(popup.Entries().at(index).get());
    dis.itemID = unsigned(popup.Entries().at(index)->id);
    dis.itemState = state;
    dis.rcItem = {0, 0, width, height};
    popup.DrawItem(dis);
    return img;
}

} // namespace

TEST(EditorMenu, XPStyleColumnAndCheckBox)
{
    BCMenu::SetDrawStyle(1);
    BCMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AddOwnerDrawItem(L"Trace", 0, 7);
    popup.AddOwnerDrawItem(L"", 0, 0);
    const COLORREF highlight = platform::GetSysColor(platform::COLOR_HIGHLIGHT);
    const int W = BCMenu::s_nImageWidth, g = 7;

    const QImage plain = DrawOne(popup, 0, 0);
    EXPECT_EQ(At(plain, 3, 10), Rgb(BCMenu::Lighten(platform::GetSysColor(platform::COLOR_BTNFACE), 0.25)));
    EXPECT_EQ(At(plain, W + g + 2, 10), Rgb(platform::MakeRGB(249, 249, 249)));  // window colour less 2 %

    const QImage checked = DrawOne(popup, 0, ODS_CHECKED);
    // box (1, 1)-(W + g - 2, 21): framed in the highlight colour, filled lightened by 0.85
    EXPECT_EQ(At(checked, 1, 5), Rgb(highlight));
    EXPECT_EQ(At(checked, 3, 3), Rgb(BCMenu::Lighten(highlight, 0.85)));
    // the short mark at the box centre less 3: (1 + 20 / 2 - 3, 1 + 20 / 2 - 3) = (8, 8)
    const QRgb ink = Rgb(platform::GetSysColor(platform::COLOR_MENUTEXT));
    EXPECT_EQ(At(checked, 8, 10), ink);
    EXPECT_EQ(At(checked, 8, 12), Rgb(BCMenu::Lighten(highlight, 0.85)));  // short: two pixels a stroke

    const QImage selected = DrawOne(popup, 0, ODS_SELECTED);
    EXPECT_EQ(At(selected, 0, 0), Rgb(highlight));
    EXPECT_EQ(At(selected, 60, 3), Rgb(BCMenu::Lighten(highlight, 0.85)));

    const QImage sep = DrawOne(popup, 1, 0, 120, 3);
    EXPECT_EQ(At(sep, W + g + g + 4, 1), Rgb(platform::GetSysColor(platform::COLOR_BTNSHADOW)));
    BCMenu::SetDrawStyle(0);
}

TEST(EditorMenu, ClassicItemWithASharedImage)
{
    BCMenu::SetDrawStyle(0);
    BCMenu::ResetSharedImages();
    MenuImageList list(16, 15);
    MenuBitmap red(16, 15, 0x0000FF);
    red.At(0, 0) = platform::GetSysColor(platform::COLOR_BTNFACE);  // masked corner
    ASSERT_EQ(list.AddMasked(red, platform::GetSysColor(platform::COLOR_BTNFACE)), 0);
    ASSERT_EQ(BCMenu::AddSharedImage(list, 0, 9), 0);

    BCMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AddOwnerDrawItem(L"Paint", 0, 9);
    ASSERT_EQ(popup.Entries()[0]->sharedImage, 0);
    const QImage img = DrawOne(popup, 0, 0, 120, 23);
    const int dy = (23 - 15 - 4) / 2;
    EXPECT_EQ(At(img, 2 + 5, dy + 2 + 5), Rgb(0x0000FF));
    EXPECT_EQ(At(img, 2, dy + 2), Rgb(platform::GetSysColor(platform::COLOR_MENU)));  // transparent pixel

    // selected: the highlight starts right of the image column
    const QImage sel = DrawOne(popup, 0, ODS_SELECTED, 120, 23);
    EXPECT_EQ(At(sel, 16 + 5, 1), Rgb(platform::GetSysColor(platform::COLOR_HIGHLIGHT)));
    EXPECT_EQ(At(sel, 16 + 3, 1), Rgb(platform::GetSysColor(platform::COLOR_MENU)));

    // disabled: embossed, no red left
    const QImage off = DrawOne(popup, 0, ODS_GRAYED, 120, 23);
    EXPECT_NE(At(off, 2 + 5, dy + 2 + 5), Rgb(0x0000FF));
    BCMenu::ResetSharedImages();
}
