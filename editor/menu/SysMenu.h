#pragma once
#include "platform/GdiCanvas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Menus as handle-addressed lists of items, in the manner the owner-drawn menu
// expects of the system: items addressed by position or by command (searched
// through the sub-menus), owner-drawn items carrying an item-data word.
using HMENU = uintptr_t;  // 0: no menu

enum : uint32_t {
    MF_BYCOMMAND = 0x0,
    MF_STRING = 0x0,
    MF_ENABLED = 0x0,
    MF_UNCHECKED = 0x0,
    MF_GRAYED = 0x1,
    MF_DISABLED = 0x2,
    MF_BITMAP = 0x4,
    MF_CHECKED = 0x8,
    MF_POPUP = 0x10,
    MF_MENUBARBREAK = 0x20,
    MF_MENUBREAK = 0x40,
    MF_END = 0x80,
    MF_OWNERDRAW = 0x100,
    MF_BYPOSITION = 0x400,
    MF_SEPARATOR = 0x800,
};

struct SysMenuItem {
    uint32_t flags = 0;      // type and state flags, MF_BYPOSITION never kept
    uintptr_t id = 0;        // command id, or the popup's handle for MF_POPUP
    std::wstring text;       // string items
    uintptr_t data = 0;      // owner-drawn items: the item data
    uintptr_t hbmpChecked = 0;  // checked-state bitmap (SetMenuItemBitmaps)
};

namespace sysmenu {

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and, recursively, its popups.
bool DestroyMenu(HMENU menu);
bool IsMenu(HMENU menu);
int GetMenuItemCount(HMENU menu);  // -1 for no menu

// `data` is the item data of an owner-drawn item; `text` that of a string item.
bool AppendMenu(HMENU menu, uint32_t flags, uintptr_t id, const std::wstring& text, uintptr_t data = 0);
// Position -1 (by position) or an absent command appends.
bool InsertMenu(HMENU menu, unsigned position, uint32_t flags, uintptr_t id, const std::wstring& text,
                uintptr_t data = 0);
bool ModifyMenu(HMENU menu, unsigned position, uint32_t flags, uintptr_t id, const std::wstring& text,
                uintptr_t data = 0);
// Removes the item; a popup item's menu stays.
bool RemoveMenu(HMENU menu, unsigned position, uint32_t flags);
// Removes the item and destroys a popup item's menu.
bool DeleteMenu(HMENU menu, unsigned position, uint32_t flags);

// State flags of the item (for a popup: its item count in the high byte), -1 when absent.
int GetMenuState(HMENU menu, unsigned position, uint32_t flags);
bool GetMenuString(HMENU menu, unsigned position, std::wstring& text, uint32_t flags);
HMENU GetSubMenu(HMENU menu, int position);
// Command id at a position: -1 for a popup or no item.
int GetMenuItemID(HMENU menu, int position);
// The item itself (0 when absent); by command the search runs through the sub-menus.
SysMenuItem* FindItem(HMENU menu, unsigned position, uint32_t flags, HMENU* holder = nullptr, int* index = nullptr);
// Previous check state (MF_CHECKED or 0), -1 when absent.
int CheckMenuItem(HMENU menu, unsigned position, uint32_t flags);
int EnableMenuItem(HMENU menu, unsigned position, uint32_t flags);
bool SetMenuItemBitmaps(HMENU menu, unsigned position, uint32_t flags, uintptr_t unchecked, uintptr_t checked);

// Screen rectangle of an item as the window showing the menu knows it; the
// window layer installs the lookup. False when no window shows the item.
using ItemRectLookup = std::function<bool(HMENU menu, int position, platform::Rect& out)>;
void SetItemRectLookup(ItemRectLookup lookup);
bool GetMenuItemRect(HMENU menu, int position, platform::Rect& out);

} // namespace sysmenu
