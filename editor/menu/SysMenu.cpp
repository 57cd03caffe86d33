#include "editor/menu/SysMenu.h"

#include <map>
#include <memory>

namespace sysmenu {
namespace {

struct Menu {
    bool popup = false;
    std::vector<SysMenuItem> items;
};

// The editor's menus live on the GUI thread; the table is only used there.
std::map<HMENU, std::unique_ptr<Menu>>& Table()
{
    static std::map<HMENU, std::unique_ptr<Menu>> table;
    return table;
}

HMENU g_nextHandle = 0x1000;
ItemRectLookup g_rectLookup;

Menu* Get(HMENU h)
{
    auto it = Table().find(h);
    return it == Table().end() ? nullptr : it->second.get();
}

HMENU Create(bool popup)
{
    g_nextHandle += 0x10;
    auto m = std::make_unique<Menu>();
    m->popup = popup;
    Table()[g_nextHandle] = std::move(m);
    return g_nextHandle;
}

// Locates an item: by position in this menu, or by command through the sub-menus
// (depth first, the first match).
bool Locate(HMENU h, unsigned position, uint32_t flags, HMENU& holder, int& index)
{
    Menu* m = Get(h);
    if (!m)
        return false;
    if (flags & MF_BYPOSITION) {
        if (position >= m->items.size())
            return false;
        holder = h;
        index = int(position);
        return true;
    }
    for (size_t i = 0; i < m->items.size(); ++i) {
        const SysMenuItem& it = m->items[i];
        if (it.flags & MF_POPUP) {
            if (Locate(HMENU(it.id), position, flags, holder, index))
                return true;
        } else if (it.id == position) {
            holder = h;
            index = int(i);
            return true;
        }
    }
    return false;
}

SysMenuItem MakeItem(uint32_t flags, uintptr_t id, const std::wstring& text, uintptr_t data)
{
    SysMenuItem item;
    item.flags = flags & ~uint32_t(MF_BYPOSITION | MF_END);
    item.id = id;
    if (flags & MF_OWNERDRAW)
        item.data = data;
    else if (!(flags & MF_SEPARATOR))
        item.text = text;
    return item;
}

} // namespace

HMENU CreateMenu() { return Create(false); }
HMENU CreatePopupMenu() { return Create(true); }

bool DestroyMenu(HMENU h)
{
    auto it = Table().find(h);
    if (it == Table().end())
        return false;
    std::unique_ptr<Menu> m = std::move(it->second);
    Table().erase(it);
    for (const SysMenuItem& item : m->items)
        if (item.flags & MF_POPUP)
            DestroyMenu(HMENU(item.id));
    return true;
}

bool IsMenu(HMENU h) { return Get(h) != nullptr; }

int GetMenuItemCount(HMENU h)
{
    Menu* m = Get(h);
    return m ? int(m->items.size()) : -1;
}

bool AppendMenu(HMENU h, uint32_t flags, uintptr_t id, const std::wstring& text, uintptr_t data)
{
    Menu* m = Get(h);
    if (!m)
        return false;
    m->items.push_back(MakeItem(flags, id, text, data));
    return true;
}

bool InsertMenu(HMENU h, unsigned position, uint32_t flags, uintptr_t id, const std::wstring& text,
                uintptr_t data)
{
    Menu* m = Get(h);
    if (!m)
        return false;
    if ((flags & MF_BYPOSITION) && position >= m->items.size())
        return AppendMenu(h, flags, id, text, data);
    HMENU holder = 0;
    int index = -1;
    if (!Locate(h, position, flags, holder, index))
        return false;
    auto& items = Get(holder)->items;
    items.insert(items.begin() + index, MakeItem(flags, id, text, data));
    return true;
}

bool ModifyMenu(HMENU h, unsigned position, uint32_t flags, uintptr_t id, const std::wstring& text,
                uintptr_t data)
{
    HMENU holder = 0;
    int index = -1;
    if (!Locate(h, position, flags, holder, index))
        return false;
    SysMenuItem& item = Get(holder)->items[size_t(index)];
    const uintptr_t checked = item.hbmpChecked;
    item = MakeItem(flags, id, text, data);
    item.hbmpChecked = checked;
    return true;
}

namespace {

bool Drop(HMENU h, unsigned position, uint32_t flags, bool destroyPopup)
{
    HMENU holder = 0;
    int index = -1;
    if (!Locate(h, position, flags, holder, index))
        return false;
    auto& items = Get(holder)->items;
    const SysMenuItem item = items[size_t(index)];
    items.erase(items.begin() + index);
    if (destroyPopup && (item.flags & MF_POPUP))
        DestroyMenu(HMENU(item.id));
    return true;
}

} // namespace

bool RemoveMenu(HMENU h, unsigned position, uint32_t flags) { return Drop(h, position, flags, false); }
bool DeleteMenu(HMENU h, unsigned position, uint32_t flags) { return Drop(h, position, flags, true); }

SysMenuItem* FindItem(HMENU h, unsigned position, uint32_t flags, HMENU* holderOut, int* indexOut)
{
    HMENU holder = 0;
    int index = -1;
    if (!Locate(h, position, flags, holder, index))
        return nullptr;
    if (holderOut)
        *holderOut = holder;
    if (indexOut)
        *indexOut = index;
    return &Get(holder)->items[size_t(index)];
}

int GetMenuState(HMENU h, unsigned position, uint32_t flags)
{
    const SysMenuItem* item = FindItem(h, position, flags);
    if (!item)
        return -1;
    int state = int(item->flags & 0xFF);
    if (item->flags & MF_POPUP)
        state = (GetMenuItemCount(HMENU(item->id)) << 8) | (state & 0xFF);
    return state | int(item->flags & (MF_OWNERDRAW | MF_SEPARATOR));
}

bool GetMenuString(HMENU h, unsigned position, std::wstring& text, uint32_t flags)
{
    text.clear();
    const SysMenuItem* item = FindItem(h, position, flags);
    if (!item)
        return false;
    text = item->text;
    return true;
}

HMENU GetSubMenu(HMENU h, int position)
{
    const SysMenuItem* item = position < 0 ? nullptr : FindItem(h, unsigned(position), MF_BYPOSITION);
    return item && (item->flags & MF_POPUP) ? HMENU(item->id) : 0;
}

int GetMenuItemID(HMENU h, int position)
{
    const SysMenuItem* item = position < 0 ? nullptr : FindItem(h, unsigned(position), MF_BYPOSITION);
    if (!item || (item->flags & MF_POPUP))
        return -1;
    return int(item->id);
}

int CheckMenuItem(HMENU h, unsigned position, uint32_t flags)
{
    SysMenuItem* item = FindItem(h, position, flags);
    if (!item)
        return -1;
    const int old = int(item->flags & MF_CHECKED);
    item->flags = (item->flags & ~uint32_t(MF_CHECKED)) | (flags & MF_CHECKED);
    return old;
}

int EnableMenuItem(HMENU h, unsigned position, uint32_t flags)
{
    SysMenuItem* item = FindItem(h, position, flags);
    if (!item)
        return -1;
    const int old = int(item->flags & (MF_GRAYED | MF_DISABLED));
    item->flags = (item->flags & ~uint32_t(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return old;
}

bool SetMenuItemBitmaps(HMENU h, unsigned position, uint32_t flags, uintptr_t, uintptr_t checked)
{
    SysMenuItem* item = FindItem(h, position, flags);
    if (!item)
        return false;
    item->hbmpChecked = checked;
    return true;
}

void SetItemRectLookup(ItemRectLookup lookup) { g_rectLookup = std::move(lookup); }

bool GetMenuItemRect(HMENU h, int position, platform::Rect& out)
{
    out = {};
    return g_rectLookup && IsMenu(h) && g_rectLookup(h, position, out);
}

} // namespace sysmenu
