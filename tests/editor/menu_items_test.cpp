#include "menu_fixture.h"

#include <QBuffer>
#include <QImage>

#include <map>

using platform::GetSysColor;

namespace {

// File popup: Open (1), separator, Close (2); Edit popup: Cut (10), Copy (11).
class MenuItems : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        ASSERT_TRUE(bar.CreateMenu());
        file = bar.AddPopup(L"File");
        file->AddOwnerDrawItem(L"Open", 0, 1);
        file->AddOwnerDrawItem(L"", 0, 0);
        file->AddOwnerDrawItem(L"Close", 0, 2);
        edit = bar.AddPopup(L"Edit");
        edit->AddOwnerDrawItem(L"&Cut", 0, 10);
        edit->AddOwnerDrawItem(L"C&opy", 0, 11);
    }

    std::vector<std::wstring> Texts(const BCMenu& m) const
    {
        std::vector<std::wstring> out;
        for (const auto& e : m.Entries())
            out.push_back(e->text);
        return out;
    }
    std::vector<int> Ids(const BCMenu& m) const
    {
        std::vector<int> out;
        for (int i = 0; i < m.GetMenuItemCount(); ++i)
            out.push_back(sysmenu::GetMenuItemID(m.GetSafeHmenu(), i));
        return out;
    }
    // Every system item carries the record at its position as its item data.
    void ExpectInStep(const BCMenu& m) const
    {
        ASSERT_EQ(m.GetMenuItemCount(), int(m.Entries().size()));
        for (size_t i = 0; i < m.Entries().size(); ++i) {
            const SysMenuItem* item = sysmenu::FindItem(m.GetSafeHmenu(), unsigned(i), MF_BYPOSITION);
            EXPECT_EQ(item->data, reinterpret_cast<uintptr_t>(m.Entries()[i].get())) << i;
        }
    }

    BCMenu bar;
    BCMenu* file = nullptr;
    BCMenu* edit = nullptr;
};

} // namespace

TEST_F(MenuItems, InsertByPositionAndByCommand)
{
    // by command: lands in the popup holding the command, before it
    ASSERT_TRUE(bar.InsertOwnerDrawItem(2, L"Save", 0, 3));
    EXPECT_EQ(Texts(*file), (std::vector<std::wstring>{L"Open", L"", L"Save", L"Close"}));
    EXPECT_EQ(Ids(*file), (std::vector<int>{1, 0, 3, 2}));
    // by position; a zero id makes an owner-drawn separator
    ASSERT_TRUE(edit->InsertOwnerDrawItem(1, L"ignored", MF_BYPOSITION, 0));
    EXPECT_EQ(edit->Entries()[1]->flags, 0xD00u);
    // -1 and positions past the end append
    ASSERT_TRUE(edit->InsertOwnerDrawItem(unsigned(-1), L"Paste", MF_BYPOSITION, 12));
    ASSERT_TRUE(edit->InsertOwnerDrawItem(40, L"Delete", MF_BYPOSITION, 13));
    EXPECT_EQ(Ids(*edit), (std::vector<int>{10, 0, 11, 12, 13}));
    ExpectInStep(*file);
    ExpectInStep(*edit);
    // an unknown command inserts nothing
    EXPECT_FALSE(bar.InsertOwnerDrawItem(999, L"Lost", 0, 4));
}

TEST_F(MenuItems, ChangeAndTextByCommandAndPosition)
{
    const std::wstring open = L"Open...";
    ASSERT_TRUE(bar.ChangeOwnerDrawItem(&open, 1));
    EXPECT_EQ(file->Entries()[0]->text, open);
    EXPECT_EQ(file->Entries()[0]->flags & (MF_OWNERDRAW | MF_BYPOSITION), unsigned(MF_OWNERDRAW));
    EXPECT_EQ(sysmenu::FindItem(bar.GetSafeHmenu(), 1, MF_BYCOMMAND)->data,
              reinterpret_cast<uintptr_t>(file->Entries()[0].get()));

    EXPECT_TRUE(bar.SetItemText(11, "Copy all", MF_BYCOMMAND));
    std::string text;
    EXPECT_TRUE(bar.GetItemText(11, text, MF_BYCOMMAND));
    EXPECT_EQ(text, "Copy all");
    EXPECT_TRUE(edit->GetItemText(0, text, MF_BYPOSITION));
    EXPECT_EQ(text, "&Cut");
    EXPECT_FALSE(edit->GetItemText(2, text, MF_BYPOSITION));
    EXPECT_FALSE(edit->SetItemText(5, L"x", MF_BYPOSITION));
    EXPECT_FALSE(bar.SetItemText(777, L"x", MF_BYCOMMAND));
    // a text that is not well-formed falls back to no text
    EXPECT_TRUE(edit->SetItemText(0, "\xff\xfe", MF_BYPOSITION));
    EXPECT_EQ(edit->Entries()[0]->text, L"");
}

TEST_F(MenuItems, RemoveByCommandSeparatorAndPopup)
{
    ASSERT_TRUE(bar.RemoveItem(2, MF_BYCOMMAND));
    EXPECT_EQ(Texts(*file), (std::vector<std::wstring>{L"Open", L""}));
    ASSERT_TRUE(file->DeleteItem(1, MF_BYPOSITION));
    EXPECT_EQ(Texts(*file), (std::vector<std::wstring>{L"Open"}));
    ExpectInStep(*file);

    const HMENU editHandle = edit->GetSafeHmenu();
    const size_t popups = BCMenu::s_popupHandles.size();
    ASSERT_TRUE(bar.RemoveItem(1, MF_BYPOSITION));
    EXPECT_EQ(BCMenu::s_popupHandles.size(), popups - 1);
    EXPECT_FALSE(BCMenu::IsBCMenuPopupHandle(editHandle));
    EXPECT_EQ(BCMenu::FromHandlePermanent(editHandle), nullptr);
    EXPECT_EQ(Texts(bar), (std::vector<std::wstring>{L"File"}));
    EXPECT_FALSE(bar.RemoveItem(10, MF_BYCOMMAND));
    EXPECT_FALSE(bar.RemoveItem(5, MF_BYPOSITION));
}

TEST_F(MenuItems, RemoveByTextTakesOnlyNeighbouringSeparators)
{
    // Open, -, Close: removing Close with mode 1 takes the separator above
    ASSERT_TRUE(file->RemoveItemByText(L"Close", 1));
    EXPECT_EQ(Texts(*file), (std::vector<std::wstring>{L"Open"}));
    // no separator around: the neighbour command stays
    ASSERT_TRUE(edit->RemoveItemByText(L"C&opy", 3));
    EXPECT_EQ(Texts(*edit), (std::vector<std::wstring>{L"&Cut"}));
    // mode 2 takes the separator below
    file->AddOwnerDrawItem(L"", 0, 0);
    file->AddOwnerDrawItem(L"Exit", 0, 5);
    ASSERT_TRUE(file->DeleteItemByText(L"Open", 2));
    EXPECT_EQ(Texts(*file), (std::vector<std::wstring>{L"Exit"}));
    ExpectInStep(*file);
    EXPECT_FALSE(file->RemoveItemByText(L"Nothing", 0));
}

TEST_F(MenuItems, Lookups)
{
    EXPECT_EQ(bar.FindEntryById(11), edit->Entries()[1].get());
    EXPECT_EQ(bar.FindEntryByText(L"Close"), file->Entries()[2].get());
    EXPECT_EQ(bar.FindPopupByText(L"Edit"), edit);
    EXPECT_EQ(bar.FindPopupByText(L"Close"), nullptr);
    EXPECT_EQ(file->FindTextPosition(L"Close"), 2);
    EXPECT_EQ(bar.FindTextPosition(L"File"), -1);  // popups are not looked at
    std::vector<BCMenu*> menus{file};
    std::vector<int> positions{0};
    file->AddOwnerDrawItem(L"Open again", 0, 1);
    int pos = -1;
    EXPECT_EQ(bar.FindAnotherMenuOption(1, pos, menus, positions), file);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(bar.FindMenuOption(4242, pos), nullptr);
    EXPECT_EQ(pos, -1);
}

TEST_F(MenuItems, MnemonicsResyncFirst)
{
    const HMENU h = edit->GetSafeHmenu();
    EXPECT_EQ(edit->FindMnemonic(L'c', MF_POPUP, h), (2L << 16) | 0);
    EXPECT_EQ(edit->FindMnemonic(L'O', MF_POPUP, h), (2L << 16) | 1);
    EXPECT_EQ(edit->FindMnemonic(L'x', MF_POPUP, h), 0);
    EXPECT_EQ(edit->FindMnemonic(L'c', 0, h), 0);
    // an item the records do not know yet is found after a resync
    sysmenu::AppendMenu(h, MF_STRING, 12, L"&Paste");
    EXPECT_EQ(edit->FindMnemonic(L'p', MF_POPUP, h), (2L << 16) | 2);
    ExpectInStep(*edit);
}

TEST_F(MenuItems, ResyncFollowsTheMenu)
{
    const HMENU h = file->GetSafeHmenu();
    BCMenuEntry* open = file->Entries()[0].get();
    sysmenu::RemoveMenu(h, 2, MF_BYPOSITION);                       // Close gone behind the records' back
    sysmenu::InsertMenu(h, 0, MF_BYPOSITION | MF_STRING | MF_CHECKED, 7, L"New");
    sysmenu::AppendMenu(h, MF_SEPARATOR, 0, L"");
    file->Resync();
    EXPECT_EQ(Texts(*file), (std::vector<std::wstring>{L"New", L"Open", L"", L""}));
    EXPECT_EQ(file->Entries()[1].get(), open);  // kept, not rebuilt
    EXPECT_EQ(file->Entries()[0]->flags, unsigned(MF_BYPOSITION | MF_OWNERDRAW | MF_CHECKED));
    EXPECT_EQ(file->Entries()[3]->flags, unsigned(MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW));
    ExpectInStep(*file);
}

TEST_F(MenuItems, LoadedBarStaysPlainAfterChanges)
{
    BCMenu loaded;
    ASSERT_TRUE(loaded.LoadMenu(244));
    auto* tools = new BCMenu;  // owned by the bar once inserted
    ASSERT_TRUE(tools->CreatePopupMenu());
    ASSERT_TRUE(loaded.InsertOwnerDrawItem(1, L"Tools", MF_BYPOSITION | MF_POPUP, tools->GetSafeHmenu()));
    BCMenu* window = loaded.AddPopup(L"Window");
    ASSERT_NE(window, nullptr);
    const wchar_t* names[] = {L"File", L"Tools", L"Edit", L"Debug", L"Help", L"Window"};
    ASSERT_EQ(loaded.GetMenuItemCount(), 6);
    for (int p = 0; p < 6; ++p) {
        const SysMenuItem* item = sysmenu::FindItem(loaded.GetSafeHmenu(), unsigned(p), MF_BYPOSITION);
        EXPECT_EQ(item->flags & (MF_POPUP | MF_OWNERDRAW), unsigned(MF_POPUP)) << p;
        EXPECT_EQ(item->text, names[p]);
        EXPECT_EQ(loaded.Entries()[size_t(p)]->text, names[p]);
    }
    // an item the window system put in front moves the records' start
    EXPECT_EQ(loaded.FirstPopupPosition(), 0);
    sysmenu::InsertMenu(loaded.GetSafeHmenu(), 0, MF_BYPOSITION | MF_STRING, 99, L"");
    EXPECT_EQ(loaded.FirstPopupPosition(), 1);
}

TEST_F(MenuItems, SharedImagesKeepIndicesAndEffectCopies)
{
    MenuImageList list(16, 15);
    MenuBitmap strip(32, 15, 0x0000FF);
    for (int y = 0; y < 15; ++y)
        for (int x = 16; x < 32; ++x)
            strip.At(x, y) = 0x00FF00;
    ASSERT_EQ(list.AddMasked(strip, GetSysColor(platform::COLOR_BTNFACE)), 0);
    ASSERT_EQ(list.Count(), 2);

    // classic: one image per command
    EXPECT_EQ(BCMenu::AddSharedImage(list, 0, 100), 0);
    EXPECT_EQ(BCMenu::AddSharedImage(list, 1, 101), 1);
    EXPECT_EQ(BCMenu::AddSharedImage(list, 1, 100), 0);  // same command: replaced in place
    EXPECT_EQ(BCMenu::s_sharedImages->Get(0)->pixels[0], 0x00FF00u);
    EXPECT_FALSE(BCMenu::HasEffectCopies(0));
    EXPECT_EQ(BCMenu::AddSharedImage(list, 5, 102), -1);

    // XP with effects: each image followed by lightened, shadow and disabled copies
    BCMenu::ResetSharedImages();
    BCMenu::SetDrawStyle(1);
    EXPECT_EQ(BCMenu::AddSharedImage(list, 0, 100), 0);
    EXPECT_EQ(BCMenu::AddSharedImage(list, 1, 101), 4);
    EXPECT_EQ(BCMenu::s_sharedImageIds, (std::vector<unsigned>{100, 100, 100, 100, 101, 101, 101, 101}));
    EXPECT_TRUE(BCMenu::HasEffectCopies(4));
    EXPECT_FALSE(BCMenu::HasEffectCopies(6));  // the ids past it run out
    EXPECT_EQ(BCMenu::FindSharedImage(101), 4);
    EXPECT_EQ(BCMenu::s_sharedImages->Get(5)->pixels[0], BCMenu::Lighten(0x00FF00, 0.3));
    EXPECT_EQ(BCMenu::AddSharedImage(list, 0, 101), 4);
    EXPECT_EQ(BCMenu::s_sharedImages->Get(5)->pixels[0], BCMenu::Lighten(0x0000FF, 0.3));

    // an item added for a command with a shared image shows it
    file->AddOwnerDrawItem(L"Paint", 0, 101);
    EXPECT_EQ(file->Entries().back()->sharedImage, 4);
}

TEST(MenuImageEffects, PixelRules)
{
    const COLORREF face = GetSysColor(platform::COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(platform::COLOR_BTNSHADOW);
    MenuBitmap b(4, 1);
    b.pixels = {face, 0x000000, 0xC0C0C0, 0xFFFFFF};

    MenuBitmap light = b;
    BCMenu::LightenImage(light);
    EXPECT_EQ(light.pixels, (std::vector<COLORREF>{face, 0x4C4C4C, BCMenu::Lighten(0xC0C0C0, 0.3), 0xFFFFFF}));

    MenuBitmap shade = b;
    BCMenu::ShadowImage(shade);
    const COLORREF s = BCMenu::Lighten(shadow, 0.49);
    EXPECT_EQ(shade.pixels, (std::vector<COLORREF>{face, s, s, s}));

    MenuBitmap off = b;
    BCMenu::DisabledImage(off, 0x123456);
    EXPECT_EQ(off.pixels, (std::vector<COLORREF>{0x123456, shadow, BCMenu::Lighten(shadow, 192 / 255.0), 0xFFFFFF}));

    MenuBitmap mask = b;
    BCMenu::ReplaceMaskColor(mask);
    EXPECT_EQ(mask.pixels, (std::vector<COLORREF>{face, 0x000000, face, 0xFFFFFF}));

    EXPECT_EQ(BCMenu::DibColorCount(0, 4), 16);
    EXPECT_EQ(BCMenu::DibColorCount(12, 8), 12);
    EXPECT_EQ(BCMenu::DibColorCount(0, 24), 0);
}

TEST(MenuImageEffects, SwatchCentredWithBorderAndHatch)
{
    const COLORREF menuBack = GetSysColor(platform::COLOR_MENU);
    MenuBitmap solid = BCMenu::MakeSwatchBitmap(10, 9, 16, 15, 0x0000FF, 0x000000, -1);
    ASSERT_EQ(solid.width, 16);
    EXPECT_EQ(solid.At(0, 0), menuBack);
    EXPECT_EQ(solid.At(3, 3), 0x000000u);   // border: left 3, top 3
    EXPECT_EQ(solid.At(12, 11), 0x000000u); // right and bottom edge
    EXPECT_EQ(solid.At(13, 12), menuBack);
    EXPECT_EQ(solid.At(7, 7), 0x0000FFu);

    MenuBitmap hatched = BCMenu::MakeSwatchBitmap(16, 15, 16, 15, 0x00FF00, 0x000000, 0);
    EXPECT_EQ(hatched.At(5, 8), 0x00FF00u);  // horizontal lines every 8 rows
    EXPECT_EQ(hatched.At(5, 7), 0xFFFFFFu);
}

TEST_F(MenuItems, ToolbarImagesReachTheirCommands)
{
    // toolbar 300: buttons 1, separator, 10, 11 over a 48 x 15 strip red | green | blue
    std::map<std::pair<std::string, unsigned>, std::vector<uint8_t>> res;
    std::vector<uint8_t> tb = {1, 0, 16, 0, 15, 0, 4, 0, 1, 0, 0, 0, 10, 0, 11, 0};
    res[{"TOOLBAR", 300}] = tb;
    QImage strip(48, 15, QImage::Format_RGB888);
    for (int x = 0; x < 48; ++x)
        for (int y = 0; y < 15; ++y)
            strip.setPixel(x, y, x < 16 ? qRgb(255, 0, 0) : x < 32 ? qRgb(0, 255, 0) : qRgb(0, 0, 255));
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(strip.save(&buf, "BMP"));
    res[{"BITMAP", 300}] = std::vector<uint8_t>(bmp.begin(), bmp.end());
    BCMenu::SetResourceLoader([&](const char* type, unsigned id, std::vector<uint8_t>& out) {
        auto it = res.find({type, id});
        if (it == res.end())
            return false;
        out = it->second;
        return true;
    });

    int index = -1;
    EXPECT_TRUE(bar.FindToolbarImage(11, 300, index));
    EXPECT_EQ(index, 2);
    ASSERT_TRUE(bar.LoadToolbarImages(300));
    auto imageOf = [](const BCMenuEntry* e) { return BCMenu::s_sharedImages->Get(e->sharedImage)->pixels[0]; };
    EXPECT_EQ(imageOf(bar.FindEntryById(1)), platform::MakeRGB(255, 0, 0));
    EXPECT_EQ(imageOf(bar.FindEntryById(10)), platform::MakeRGB(0, 255, 0));
    EXPECT_EQ(imageOf(bar.FindEntryById(11)), platform::MakeRGB(0, 0, 255));
    EXPECT_EQ(bar.FindEntryById(2)->sharedImage, -1);  // not on the toolbar
    EXPECT_FALSE(bar.LoadToolbarImages(301));
    EXPECT_FALSE(bar.LoadToolbarsImages({300, 301}));

    // an item added later with the toolbar as its image resource takes its button's image
    file->AddOwnerDrawItem(L"Cut again", 0, 10, 300);
    EXPECT_EQ(imageOf(file->Entries().back().get()), platform::MakeRGB(0, 255, 0));

    // check images need two loadable bitmaps; the popups made later share them
    EXPECT_FALSE(bar.SetCheckImages(300, 0));
    EXPECT_FALSE(bar.SetCheckImages(300, 301));
    EXPECT_EQ(bar.m_pCheckImages, nullptr);
    EXPECT_TRUE(bar.SetCheckImages(300, 300));
    BCMenu* more = bar.AddPopup(L"More");
    EXPECT_EQ(more->m_pCheckImages, bar.m_pCheckImages);
}
