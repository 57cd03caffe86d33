#include "menu_fixture.h"
#include "resources/Resources.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A standard menu template built item by item.
struct TemplateWriter {
    std::vector<uint8_t> bytes{0, 0, 0, 0};
    void Word(unsigned w)
    {
        bytes.push_back(uint8_t(w & 0xFF));
        bytes.push_back(uint8_t(w >> 8));
    }
    void Text(const std::wstring& t)
    {
        for (wchar_t c : t)
            Word(unsigned(c));
        Word(0);
    }
    void Popup(const std::wstring& t, bool end = false)
    {
        Word(MF_POPUP | (end ? unsigned(MF_END) : 0u));
        Text(t);
    }
    void Item(const std::wstring& t, unsigned id, bool end = false)
    {
        Word(end ? unsigned(MF_END) : 0u);
        Word(id);
        Text(t);
    }
};

struct Expected {
    unsigned id;
    const wchar_t* text;  // null: separator
};

} // namespace

using MenuLoad = MenuTest;

TEST_F(MenuLoad, Menu244BarIsPlainStringsOverOwnerDrawnPopups)
{
    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenu(244));
    const HMENU bar = menu.GetSafeHmenu();
    ASSERT_EQ(sysmenu::GetMenuItemCount(bar), 4);

    const std::vector<std::vector<Expected>> popups = {
        {{32821, L"Load"}, {57603, L"Save"}, {32820, L"SaveAs"}, {0, nullptr}, {40005, L"Exit"}},
        {{57635, L"&Cut"}, {57634, L"&Copy"}, {57637, L"&Paste"}, {0, nullptr}, {57644, L"&Redo"},
         {57643, L"&Undo"}, {0, nullptr}, {57636, L"Find"}, {57641, L"Replace"}},
        {{40009, L"DbgView"}, {40015, L"DbgTrace"}, {40018, L"DbgDump"}, {0, nullptr}, {40019, L"ReCompile"}},
        {{40007, L"LuaRef"}, {40008, L"Info"}},
    };
    const wchar_t* names[] = {L"File", L"Edit", L"Debug", L"Help"};
    for (int p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        const SysMenuItem* top = sysmenu::FindItem(bar, unsigned(p), MF_BYPOSITION);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->flags & (MF_POPUP | MF_OWNERDRAW), unsigned(MF_POPUP));
        EXPECT_EQ(top->text, names[p]);
        EXPECT_EQ(menu.Entries()[size_t(p)]->flags, 0x410u);

        BCMenu* sub = menu.GetPopup(p);
        ASSERT_NE(sub, nullptr);
        EXPECT_TRUE(sub->m_bSubMenu);
        EXPECT_TRUE(BCMenu::IsBCMenuPopup(sub));
        ASSERT_EQ(sub->GetMenuItemCount(), int(popups[size_t(p)].size()));
        for (size_t i = 0; i < popups[size_t(p)].size(); ++i) {
            const Expected& want = popups[size_t(p)][i];
            const SysMenuItem* item = sysmenu::FindItem(sub->GetSafeHmenu(), unsigned(i), MF_BYPOSITION);
            const BCMenuEntry& entry = *sub->Entries()[i];
            EXPECT_TRUE(item->flags & MF_OWNERDRAW);
            EXPECT_EQ(item->data, reinterpret_cast<uintptr_t>(&entry));
            if (want.text) {
                EXPECT_EQ(item->id, want.id);
                EXPECT_EQ(entry.text, want.text);
                EXPECT_FALSE(item->flags & MF_SEPARATOR);
            } else {
                EXPECT_EQ(entry.flags, unsigned(MF_SEPARATOR | MF_OWNERDRAW));
                EXPECT_TRUE(item->flags & MF_SEPARATOR);
            }
        }
    }
}

TEST_F(MenuLoad, NestedPopupsCloseWhereTheirLastItemEnds)
{
    TemplateWriter t;
    t.Popup(L"A");
    t.Item(L"a1", 1);
    t.Popup(L"Sub", true);
    t.Item(L"s1", 2, true);
    t.Popup(L"C", true);
    t.Item(L"c1", 3, true);

    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
    ASSERT_EQ(menu.GetMenuItemCount(), 2);
    BCMenu* a = menu.GetPopup(0);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->GetMenuItemCount(), 2);
    BCMenu* sub = a->GetPopup(1);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sysmenu::GetMenuItemID(sub->GetSafeHmenu(), 0), 2);
    // a nested popup stays owner-drawn; only the bar is plain
    EXPECT_TRUE(sysmenu::FindItem(a->GetSafeHmenu(), 1, MF_BYPOSITION)->flags & MF_OWNERDRAW);
    EXPECT_EQ(sysmenu::GetMenuItemID(menu.GetPopup(1)->GetSafeHmenu(), 0), 3);
    int pos = -1;
    EXPECT_EQ(menu.FindMenuOption(2, pos), sub);
    EXPECT_EQ(pos, 0);
}

TEST_F(MenuLoad, CutTemplateLeavesNoMenuBehind)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(resources::Find("MENU", 244, bytes));
    const size_t popupsBefore = BCMenu::s_popupHandles.size();
    for (size_t cut : {size_t(0), size_t(3), size_t(9), bytes.size() / 2, bytes.size() - 2}) {
        SCOPED_TRACE(cut);
        BCMenu menu;
        EXPECT_FALSE(menu.LoadMenuTemplate(bytes.data(), cut));
        EXPECT_EQ(menu.GetSafeHmenu(), 0u);
        EXPECT_EQ(BCMenu::s_popupHandles.size(), popupsBefore);
    }
    BCMenu menu;
    EXPECT_FALSE(menu.LoadMenu(9999));
}

TEST_F(MenuLoad, DestroyForgetsEveryPopup)
{
    const size_t before = BCMenu::s_popupHandles.size();
    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenu(244));
    EXPECT_EQ(BCMenu::s_popupHandles.size(), before + 4);
    const HMENU file = menu.GetPopup(0)->GetSafeHmenu();
    menu.DestroyMenu();
    EXPECT_EQ(BCMenu::s_popupHandles.size(), before);
    EXPECT_FALSE(sysmenu::IsMenu(file));
    EXPECT_EQ(BCMenu::FromHandlePermanent(file), nullptr);
    EXPECT_TRUE(menu.Entries().empty());
}

TEST_F(MenuLoad, AcceleratorsLineUpAfterTheWidestLabel)
{
    TemplateWriter t;
    t.Popup(L"F", true);
    t.Item(L"Open\tCtrl+O", 1);
    t.Item(L"", 0);
    t.Item(L"Save As\tF12", 2);
    t.Item(L"Exit", 3, true);
    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
    const BCMenu* f = menu.GetPopup(0);
    // widest label plus a space: "Save As " (8 characters)
    EXPECT_EQ(ItemTextOf(*f, 0), L"Open    \tCtrl+O");
    EXPECT_EQ(ItemTextOf(*f, 2), L"Save As \tF12");
    EXPECT_EQ(ItemTextOf(*f, 3), L"Exit");
}

TEST_F(MenuLoad, MeasureItemInBothStyles)
{
    BCMenuEntry load, empty, sep;
    load.text = L"Load";
    sep.flags = MF_SEPARATOR | MF_OWNERDRAW;
    struct Case {
        int style;
        BCMenuEntry* entry;
        unsigned width, height;
    } cases[] = {
        // classic: 2W + 1 + w + 3a, w = 6 * 4 + 3 = 27, a = 27 / 4 = 6
        {0, &load, 2 * 16 + 1 + 27 + 18, 20},
        // an empty text has no average character width: 2W + 1 + 3
        {0, &empty, 36, 20},
        {0, &sep, 0, 10},  // classic separator: max((4 + 15) / 2, 20 / 2)
        // XP: W + 8 + w + 3a + g with g = 7; height max(20, 7 + 15)
        {1, &load, 16 + 8 + 27 + 18 + 7, 22},
        {1, &empty, 16 + 8 + 3 + 7, 22},
        {1, &sep, 0, 3},
    };
    BCMenu menu;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " case " << (&c - cases));
        BCMenu::SetDrawStyle(c.style);
        MEASUREITEMSTRUCT mis;
        mis.itemData = reinterpret_cast<uintptr_t>(c.entry);
        menu.MeasureItem(mis);
        EXPECT_EQ(mis.itemWidth, c.width);
        EXPECT_EQ(mis.itemHeight, c.height);
    }
}

TEST(MenuColours, LightenAndDarken)
{
    struct Case {
        COLORREF in;
        double f;
        COLORREF lighter, darker;
    } cases[] = {
        {0x000000, 0.5, 0x7F7F7F, 0x000000},
        {0xFFFFFF, 0.5, 0xFFFFFF, 0x7F7F7F},
        {0xF0F0F0, 0.6, 0xF9F9F9, 0x606060},
        {0x102030, 1.0, 0xFFFFFF, 0x000000},
        {0x102030, 0.0, 0x102030, 0x102030},   // outside (0, 1]: unchanged
        {0x102030, 1.5, 0x102030, 0x102030},
        {0x102030, -0.2, 0x102030, 0x102030},
        {0x0000FF, 0.25, 0x3F3FFF, 0x0000BF},   // channels apart: red 255, others 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.in << " by " << c.f);
        EXPECT_EQ(BCMenu::Lighten(c.in, c.f), c.lighter);
        EXPECT_EQ(BCMenu::Darken(c.in, c.f), c.darker);
    }
}

TEST(MenuStyle, VersionCodesAndTheClassicStyleHere)
{
    EXPECT_EQ(BCMenu::DetectWindowsVersion(true, 4, 10), 3);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(true, 4, 90), 4);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(true, 4, 0), 2);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(true, 3, 10), 0);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(false, 4, 0), 5);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(false, 5, 0), 6);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(false, 5, 1), 7);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(false, 5, 2), 1);
    EXPECT_EQ(BCMenu::DetectWindowsVersion(false, 10, 0), 1);
    // this system: code 1, no theme, no 3-D check edges, the editor's style 0 is classic
    EXPECT_EQ(BCMenu::s_nWinVersion, 1);
    EXPECT_FALSE(BCMenu::IsXPThemeActive());
    EXPECT_FALSE(BCMenu::Has3DCheckEdges());
    BCMenu::s_nDrawStyle = 0;
    EXPECT_FALSE(BCMenu::IsXPStyleActive());

    // on XP the theme file decides
    const int saved = BCMenu::s_nWinVersion;
    BCMenu::s_nWinVersion = 7;
    BCMenu::SetThemeName(L"C:\\WINDOWS\\Resources\\Themes\\WINDOWS CLASSIC.THEME");
    EXPECT_FALSE(BCMenu::IsXPThemeActive());
    BCMenu::SetThemeName(L"C:\\WINDOWS\\Resources\\Themes\\Luna.theme");
    EXPECT_TRUE(BCMenu::IsXPThemeActive());
    BCMenu::s_nWinVersion = saved;
    BCMenu::SetThemeName(L"");
}
