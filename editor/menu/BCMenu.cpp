// Owner-drawn menu: process-wide settings, loading from a template, measuring,
// accelerator alignment and destruction.
#include "editor/menu/BCMenu.h"
#include "editor/menu/BCMenuInternal.h"

#include "resources/Resources.h"

#include <algorithm>
#include <cwctype>
#include <map>

int BCMenu::s_nDrawStyle = 0;
int BCMenu::s_nDrawStyleThemed = 1;
bool BCMenu::s_bSelectDisabled = true;
bool BCMenu::s_bSelectDisabledXP = false;
bool BCMenu::s_bXPImageEffects = true;
int BCMenu::s_nImageWidth = 16;
int BCMenu::s_nImageHeight = 15;
// Linux stands where every Windows after XP stands: an NT version that is not 4 or 5.
int BCMenu::s_nWinVersion = BCMenu::DetectWindowsVersion(false, 10, 0);
std::unique_ptr<MenuImageList> BCMenu::s_sharedImages;
std::vector<unsigned> BCMenu::s_sharedImageIds;
std::vector<HMENU> BCMenu::s_popupHandles;
bool BCMenu::s_bPlainBitmapImages = false;

namespace {

// Accelerator alignment also runs in the XP style.
constexpr bool kAlignInXP = true;

const MenuMetrics* g_metrics = nullptr;
MenuResourceLoader g_loader;
std::wstring g_themeName;
int g_classicTheme = -1;  // -1: not read yet

std::map<HMENU, BCMenu*>& Permanent()
{
    static std::map<HMENU, BCMenu*> map;
    return map;
}

const MenuMetrics& Metrics()
{
    static const MenuMetrics desktop;
    return g_metrics ? *g_metrics : desktop;
}

void Forget(std::vector<HMENU>& list, HMENU h)
{
    auto it = std::find(list.begin(), list.end(), h);
    if (it != list.end())
        list.erase(it);
}

bool ReadWord(const uint8_t* data, size_t size, size_t& pos, uint16_t& out)
{
    if (pos + 2 > size)
        return false;
    out = uint16_t(data[pos] | (data[pos + 1] << 8));
    pos += 2;
    return true;
}

bool ReadWide(const uint8_t* data, size_t size, size_t& pos, std::wstring& out)
{
    out.clear();
    for (;;) {
        uint16_t ch = 0;
        if (!ReadWord(data, size, pos, ch))
            return false;
        if (ch == 0)
            return true;
        out.push_back(wchar_t(ch));
    }
}

} // namespace

int MenuMetrics::TextWidth(const std::wstring& text) const { return platform::MenuTextWidth(text); }
int MenuMetrics::MenuHeight() const { return platform::MenuBarHeight(); }

void BCMenu::SetMetrics(const MenuMetrics* metrics) { g_metrics = metrics; }
void BCMenu::SetResourceLoader(MenuResourceLoader loader) { g_loader = std::move(loader); }

namespace menu_detail {
bool LoadResource(const char* type, unsigned id, std::vector<uint8_t>& bytes)
{
    if (g_loader)
        return g_loader(type, id, bytes);
    return resources::Find(type, id, bytes);
}
} // namespace menu_detail

BCMenu::BCMenu() = default;

BCMenu::~BCMenu() { DestroyMenu(); }

BCMenu* BCMenu::FromHandlePermanent(HMENU menu)
{
    auto it = Permanent().find(menu);
    return it == Permanent().end() ? nullptr : it->second;
}

bool BCMenu::AttachNew(bool popup)
{
    m_hMenu = popup ? sysmenu::CreatePopupMenu() : sysmenu::CreateMenu();
    if (!m_hMenu)
        return false;
    Permanent()[m_hMenu] = this;
    return true;
}

bool BCMenu::CreateMenu()
{
    DestroyMenu();
    return AttachNew(false);
}

bool BCMenu::CreatePopupMenu()
{
    DestroyMenu();
    return AttachNew(true);
}

BCMenu* BCMenu::NewSubMenu() const
{
    auto* sub = new BCMenu;
    sub->m_bSubMenu = true;
    sub->m_nCheckBitmap = m_nCheckBitmap;
    sub->m_nSelectedCheckBitmap = m_nSelectedCheckBitmap;
    sub->m_pCheckImages = m_pCheckImages;
    if (!sub->AttachNew(true)) {
        delete sub;
        return nullptr;
    }
    return sub;
}

// ---- settings

COLORREF BCMenu::Lighten(COLORREF c, double f)
{
    if (!(f > 0.0 && f <= 1.0))
        return c;
    auto ch = [f](int v) { return int(v + (255 - v) * f); };
    return platform::MakeRGB(ch(platform::GetR(c)), ch(platform::GetG(c)), ch(platform::GetB(c)));
}

COLORREF BCMenu::Darken(COLORREF c, double f)
{
    if (!(f > 0.0 && f <= 1.0))
        return c;
    auto ch = [f](int v) { return int(v - v * f); };
    return platform::MakeRGB(ch(platform::GetR(c)), ch(platform::GetG(c)), ch(platform::GetB(c)));
}

void BCMenu::SetDrawStyle(int style)
{
    s_nDrawStyle = style;
    s_nDrawStyleThemed = style;
}

int BCMenu::DetectWindowsVersion(bool win9x, int major, int minor)
{
    if (win9x) {
        if (major <= 3)
            return 0;
        return minor == 10 ? 3 : minor == 90 ? 4 : 2;
    }
    if (major == 4)
        return 5;
    if (major == 5)
        return minor == 0 ? 6 : minor == 1 ? 7 : 1;
    return 1;
}

void BCMenu::SetThemeName(const std::wstring& name)
{
    g_themeName = name;
    g_classicTheme = -1;
}

bool BCMenu::IsClassicTheme()
{
    if (g_classicTheme < 0) {
        static const std::wstring kClassic = L"windows classic.theme";
        std::wstring lower = g_themeName;
        for (wchar_t& c : lower)
            c = wchar_t(std::towlower(wint_t(c)));
        g_classicTheme = lower.size() >= kClassic.size() &&
                         lower.compare(lower.size() - kClassic.size(), kClassic.size(), kClassic) == 0;
    }
    return g_classicTheme == 1;
}

bool BCMenu::IsXPThemeActive()
{
    if (s_nWinVersion != 7)
        return false;
    return !IsClassicTheme();
}

int BCMenu::GetDrawStyle() { return IsXPThemeActive() ? s_nDrawStyleThemed : s_nDrawStyle; }
bool BCMenu::IsXPStyleActive() { return GetDrawStyle() == 1; }
bool BCMenu::GetSelectDisabled() { return IsXPStyleActive() ? s_bSelectDisabledXP : s_bSelectDisabled; }
bool BCMenu::Has3DCheckEdges() { return s_nWinVersion > 1; }

void BCMenu::SetImageSize(int width, int height)
{
    s_nImageWidth = width;
    s_nImageHeight = height;
}

void BCMenu::SetBitmapBackground(COLORREF colour)
{
    m_crBitmapBack = colour;
    m_bUseBitmapBack = true;
}

bool BCMenu::IsBCMenuPopup(const BCMenu* menu) { return menu && IsBCMenuPopupHandle(menu->m_hMenu); }

bool BCMenu::IsBCMenuPopupHandle(HMENU menu)
{
    return std::find(s_popupHandles.begin(), s_popupHandles.end(), menu) != s_popupHandles.end();
}

// ---- loading

bool BCMenu::LoadMenu(unsigned id) { return LoadMenuByName(id); }

bool BCMenu::LoadMenuByName(unsigned id)
{
    std::vector<uint8_t> bytes;
    if (!menu_detail::LoadResource("MENU", id, bytes) || bytes.empty())
        return false;
    return LoadMenuTemplate(bytes.data(), bytes.size());
}

bool BCMenu::LoadMenuTemplate(const uint8_t* data, size_t size)
{
    size_t pos = 2;
    uint16_t headerSize = 0;
    if (!data || !ReadWord(data, size, pos, headerSize))
        return false;
    DestroyMenu();
    m_bLoaded = false;
    if (!AttachNew(false))
        return false;
    pos = 4 + size_t(headerSize);

    std::vector<BCMenu*> menus{this};
    std::vector<bool> ending{false};
    while (!menus.empty()) {
        uint16_t flags = 0, id = 0;
        std::wstring text;
        if (!ReadWord(data, size, pos, flags) || (!(flags & MF_POPUP) && !ReadWord(data, size, pos, id)) ||
            !ReadWide(data, size, pos, text)) {
            DestroyMenu();  // a cut-off template leaves no half menu behind
            return false;
        }
        const uint32_t itemFlags = flags & ~uint32_t(MF_END);
        if (flags & MF_POPUP) {
            if (flags & MF_END)
                ending.back() = true;
            BCMenu* sub = menus.back()->NewSubMenu();
            if (!sub) {
                DestroyMenu();
                return false;
            }
            menus.back()->AddOwnerDrawItem(text, itemFlags, sub->m_hMenu, -1);
            menus.push_back(sub);
            ending.push_back(false);
        } else {
            menus.back()->AddOwnerDrawItem(text, itemFlags, id, -1);
            if (flags & MF_END)
                ending.back() = true;
            while (!menus.empty() && ending.back()) {
                AlignAccelerators(*menus.back());
                menus.pop_back();
                ending.pop_back();
            }
        }
    }

    // the menu bar shows plain strings; only the popups are owner-drawn
    for (size_t i = 0; i < m_entries.size(); ++i) {
        BCMenuEntry& e = *m_entries[i];
        const bool popup = (e.flags & MF_POPUP) != 0;
        e.flags = popup ? (MF_BYPOSITION | MF_POPUP) : MF_BYPOSITION;
        sysmenu::ModifyMenu(m_hMenu, unsigned(i), e.flags | MF_STRING, e.id, e.text);
    }
    m_bLoaded = true;
    return true;
}

void BCMenu::AlignAccelerators(BCMenu& menu)
{
    if (menu.IsXPStyleActive() && !kAlignInXP)
        return;
    const MenuMetrics& m = Metrics();
    int widest = 0;
    for (const auto& e : menu.m_entries) {
        const size_t tab = e->text.find(L'\t');
        widest = std::max(widest, m.TextWidth(e->text.substr(0, tab) + L" "));
    }
    for (auto& e : menu.m_entries) {
        const size_t tab = e->text.find(L'\t');
        if (tab == std::wstring::npos)
            continue;
        std::wstring label = e->text.substr(0, tab);
        // a font whose space has no width cannot be padded: stop after a line's worth
        for (int guard = 0; m.TextWidth(label) < widest && guard < 512; ++guard)
            label.push_back(L' ');
        e->text = label + e->text.substr(tab);
    }
}

void BCMenu::MeasureItem(MEASUREITEMSTRUCT& mis)
{
    const auto* e = reinterpret_cast<const BCMenuEntry*>(mis.itemData);
    if (!e)
        return;
    const bool xp = IsXPStyleActive();
    const int g = (xp && s_bXPImageEffects) ? 7 : 4;
    const int W = s_nImageWidth, H = s_nImageHeight;
    const MenuMetrics& m = Metrics();
    if (e->flags & MF_SEPARATOR) {
        mis.itemWidth = 0;
        mis.itemHeight = unsigned(xp ? 3 : std::max((g + H) / 2, m.MenuHeight() / 2));
        return;
    }
    const int w = m.TextWidth(e->text) + 3;
    const int chars = int(e->text.size());
    const int a = chars > 0 ? w / chars : 0;  // an empty text has no average width
    mis.itemWidth = unsigned(xp ? W + 8 + w + 3 * a + g : 2 * W + 1 + w + 3 * a);
    mis.itemHeight = unsigned(std::max(m.MenuHeight(), g + H));
}

bool BCMenu::DestroyMenu()
{
    Forget(s_popupHandles, m_hMenu);
    for (auto it = m_popups.rbegin(); it != m_popups.rend(); ++it) {
        Forget(s_popupHandles, *it);
        delete FromHandlePermanent(*it);
    }
    m_popups.clear();
    m_entries.clear();
    m_pCheckImages.reset();
    if (!m_hMenu)
        return false;
    Permanent().erase(m_hMenu);
    const bool ok = sysmenu::DestroyMenu(m_hMenu);
    m_hMenu = 0;
    return ok;
}
