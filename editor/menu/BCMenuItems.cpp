// Owner-drawn menu: appending, inserting, changing, removing and finding items.
#include "editor/menu/BCMenu.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace {

void ForgetHandle(std::vector<HMENU>& list, HMENU h)
{
    auto it = std::find(list.begin(), list.end(), h);
    if (it != list.end())
        list.erase(it);
}

uintptr_t Data(BCMenuEntry* e) { return reinterpret_cast<uintptr_t>(e); }

} // namespace

void BCMenu::ForgetPopup(HMENU popup)
{
    ForgetHandle(m_popups, popup);
    ForgetHandle(s_popupHandles, popup);
}

void BCMenu::TakeImage(BCMenuEntry& entry, unsigned id, int image)
{
    if (image == -1) {
        entry.sharedImage = FindSharedImage(id);
        return;
    }
    int index = 0;
    FindToolbarImage(id, unsigned(image), index);
    MenuImageList temp(s_nImageWidth, s_nImageHeight);
    if (AddBitmapImages(temp, image))
        entry.sharedImage = AddSharedImage(temp, index, id);
}

std::unique_ptr<BCMenuEntry> BCMenu::NewEntry(const std::wstring& text, uint32_t& flags, uintptr_t id)
{
    if (id == 0)
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    else
        flags |= MF_OWNERDRAW;
    if (flags & MF_POPUP) {
        s_popupHandles.push_back(HMENU(id));
        m_popups.push_back(HMENU(id));
    }
    auto entry = std::make_unique<BCMenuEntry>();
    entry->text = text;
    entry->flags = flags;
    entry->id = id;
    return entry;
}

bool BCMenu::AppendEntry(std::unique_ptr<BCMenuEntry> entry)
{
    BCMenuEntry* e = entry.get();
    m_entries.push_back(std::move(entry));
    const bool ok = sysmenu::AppendMenu(m_hMenu, e->flags, e->id, L"", Data(e));
    if (m_bLoaded)
        RefreshTopLevel();
    return ok;
}

bool BCMenu::AddOwnerDrawItem(const std::wstring& text, uint32_t flags, uintptr_t id, int image)
{
    auto entry = NewEntry(text, flags, id);
    TakeImage(*entry, unsigned(id), image);
    return AppendEntry(std::move(entry));
}

bool BCMenu::AddOwnerDrawItem(const char* text, uint32_t flags, uintptr_t id, int image)
{
    return AddOwnerDrawItem(platform::Widen(text ? text : ""), flags, id, image);
}

bool BCMenu::AddOwnerDrawItemFromList(const std::wstring& text, uint32_t flags, uintptr_t id,
                                      const MenuImageList* list, int index)
{
    auto entry = NewEntry(text, flags, id);
    if (list && list->Get(index)) {
        entry->images = std::make_unique<MenuImageList>(list->Width(), list->Height());
        CopyImageWithEffects(*list, index, *entry->images);
        entry->imageIndex = 0;
        entry->imageOffset = 0;
    }
    return AppendEntry(std::move(entry));
}

bool BCMenu::AddOwnerDrawItemBitmap(const std::wstring& text, uint32_t flags, uintptr_t id, const MenuBitmap& bitmap)
{
    MenuImageList temp(s_nImageWidth, s_nImageHeight);
    temp.AddMasked(bitmap, TransparentColour());
    return AddOwnerDrawItemFromList(text, flags, id, temp.Count() ? &temp : nullptr, 0);
}

BCMenu* BCMenu::AddPopup(const std::wstring& text)
{
    BCMenu* sub = NewSubMenu();
    if (!sub)
        return nullptr;
    AddOwnerDrawItem(text, MF_POPUP, sub->m_hMenu, -1);
    return sub;
}

BCMenu* BCMenu::AddPopup(const char* text) { return AddPopup(platform::Widen(text ? text : "")); }

bool BCMenu::InsertOwnerDrawItem(unsigned position, const std::wstring& text, uint32_t flags, uintptr_t id, int image)
{
    if (!(flags & MF_BYPOSITION)) {
        int pos = -1;
        BCMenu* holder = FindMenuOption(position, pos);
        return holder && holder->InsertOwnerDrawItem(unsigned(pos), text, flags | MF_BYPOSITION, id, image);
    }
    const int count = GetMenuItemCount();
    if (position == unsigned(-1) || int(position) > count)
        position = unsigned(std::max(count, 0));
    auto entry = NewEntry(text, flags, id);
    TakeImage(*entry, unsigned(id), image);
    BCMenuEntry* e = entry.get();
    size_t at = position;
    if ((flags & MF_POPUP) && m_bLoaded) {
        const int offset = FirstPopupPosition();
        if (int(position) >= offset)
            at = size_t(int(position) - offset);
    }
    at = std::min(at, m_entries.size());
    m_entries.insert(m_entries.begin() + ptrdiff_t(at), std::move(entry));
    const bool ok = sysmenu::InsertMenu(m_hMenu, position, flags, id, L"", Data(e));
    if (m_bLoaded)
        RefreshTopLevel();
    return ok;
}

bool BCMenu::InsertOwnerDrawItem(unsigned position, const char* text, uint32_t flags, uintptr_t id, int image)
{
    return InsertOwnerDrawItem(position, platform::Widen(text ? text : ""), flags, id, image);
}

bool BCMenu::InsertOwnerDrawItemFromList(unsigned position, const std::wstring& text, uint32_t flags, uintptr_t id,
                                         const MenuImageList* list, int index)
{
    if (!InsertOwnerDrawItem(position, text, flags, id, -1))
        return false;
    if (list && list->Get(index) && id != 0) {
        const int shared = AddSharedImage(*list, index, unsigned(id));
        if (BCMenuEntry* e = FindEntryById(unsigned(id)))
            e->sharedImage = shared;
    }
    return true;
}

bool BCMenu::InsertOwnerDrawItemBitmap(unsigned position, const std::wstring& text, uint32_t flags, uintptr_t id,
                                       const MenuBitmap& bitmap)
{
    MenuImageList temp(s_nImageWidth, s_nImageHeight);
    temp.AddMasked(bitmap, TransparentColour());
    return InsertOwnerDrawItemFromList(position, text, flags, id, temp.Count() ? &temp : nullptr, 0);
}

// ---- changing

namespace {

void CollectById(BCMenu& menu, unsigned id, std::vector<BCMenuEntry*>& out)
{
    for (const auto& e : menu.m_entries) {
        if (e->flags & MF_POPUP) {
            if (BCMenu* sub = BCMenu::FromHandlePermanent(HMENU(e->id)))
                CollectById(*sub, id, out);
        } else if (e->id == id && !(e->flags & MF_SEPARATOR)) {
            out.push_back(e.get());
        }
    }
}

} // namespace

bool BCMenu::ChangeRecords(const std::wstring* text, unsigned id, const std::function<void(BCMenuEntry&)>& setImage)
{
    std::vector<BCMenuEntry*> records;
    CollectById(*this, id, records);
    if (records.empty()) {
        auto entry = std::make_unique<BCMenuEntry>();
        entry->id = id;
        entry->flags = MF_OWNERDRAW;
        records.push_back(entry.get());
        m_entries.push_back(std::move(entry));
    }
    for (BCMenuEntry* e : records) {
        if (text)
            e->text = *text;
        setImage(*e);
        e->flags = (e->flags & ~uint32_t(MF_BYPOSITION)) | MF_OWNERDRAW;
    }
    BCMenuEntry* last = records.back();
    return sysmenu::ModifyMenu(m_hMenu, id, MF_BYCOMMAND | last->flags, id, L"", Data(last));
}

bool BCMenu::ChangeOwnerDrawItem(const std::wstring* text, unsigned id, int image)
{
    return ChangeRecords(text, id, [&](BCMenuEntry& e) { TakeImage(e, id, image); });
}

bool BCMenu::ChangeOwnerDrawItem(const char* text, unsigned id, int image)
{
    if (!text)
        return ChangeOwnerDrawItem(static_cast<const std::wstring*>(nullptr), id, image);
    const std::wstring wide = platform::Widen(text);
    return ChangeOwnerDrawItem(&wide, id, image);
}

bool BCMenu::ChangeOwnerDrawItemFromList(const std::wstring* text, unsigned id, const MenuImageList* list, int index)
{
    const int shared = list && list->Get(index) ? AddSharedImage(*list, index, id) : -1;
    return ChangeRecords(text, id, [shared](BCMenuEntry& e) { e.sharedImage = shared; });
}

bool BCMenu::ChangeOwnerDrawItemBitmap(const std::wstring& text, unsigned id, const MenuBitmap& bitmap)
{
    MenuImageList temp(s_nImageWidth, s_nImageHeight);
    temp.AddMasked(bitmap, TransparentColour());
    return ChangeOwnerDrawItemFromList(&text, id, temp.Count() ? &temp : nullptr, 0);
}

bool BCMenu::ChangeOwnerDrawItemByText(const std::wstring& newText, const std::wstring& oldText, int bitmapId)
{
    BCMenuEntry* e = FindEntryByText(oldText);
    if (!e)
        return false;
    e->text = newText;
    auto list = std::make_unique<MenuImageList>(s_nImageWidth, s_nImageHeight);
    if (AddBitmapImages(*list, bitmapId)) {
        e->images = std::move(list);
        e->imageIndex = 0;
        e->imageOffset = 0;
    }
    return true;
}

bool BCMenu::ChangeOwnerDrawItemSwatch(const std::wstring& text, unsigned id, COLORREF fill, COLORREF border,
                                       int hatch, int size)
{
    const int cx = size > 0 ? size : s_nImageWidth;
    const int cy = size > 0 ? size : s_nImageHeight;
    const MenuBitmap swatch = MakeSwatchBitmap(cx, cy, s_nImageWidth, s_nImageHeight, fill, border, hatch);
    return ChangeOwnerDrawItemBitmap(text, id, swatch);
}

bool BCMenu::SetItemText(unsigned position, const std::wstring& text, uint32_t flags)
{
    if (!(flags & MF_BYPOSITION)) {
        int pos = -1;
        BCMenu* holder = FindMenuOption(position, pos);
        return holder && holder->SetItemText(unsigned(pos), text, MF_BYPOSITION);
    }
    if (position >= m_entries.size())
        return false;
    m_entries[position]->text = text;
    return true;
}

bool BCMenu::SetItemText(unsigned position, const char* text, uint32_t flags)
{
    return SetItemText(position, platform::Widen(text ? text : ""), flags);
}

bool BCMenu::GetItemText(unsigned position, std::wstring& text, uint32_t flags)
{
    text.clear();
    if (!(flags & MF_BYPOSITION)) {
        int pos = -1;
        BCMenu* holder = FindMenuOption(position, pos);
        return holder && holder->GetItemText(unsigned(pos), text, MF_BYPOSITION);
    }
    if (position >= m_entries.size())
        return false;
    text = m_entries[position]->text;
    return true;
}

bool BCMenu::GetItemText(unsigned position, std::string& text, uint32_t flags)
{
    std::wstring wide;
    const bool ok = GetItemText(position, wide, flags);
    text = platform::Narrow(wide);
    return ok;
}

// ---- removing

bool BCMenu::RemoveOrDelete(unsigned position, uint32_t flags, bool destroy)
{
    if (!(flags & MF_BYPOSITION)) {
        int pos = -1;
        BCMenu* holder = FindMenuOption(position, pos);
        return holder && holder->RemoveOrDelete(unsigned(pos), MF_BYPOSITION, destroy);
    }
    const SysMenuItem* item = sysmenu::FindItem(m_hMenu, position, MF_BYPOSITION);
    if (!item)
        return false;
    const SysMenuItem copy = *item;
    auto eraseWhere = [this](auto pred) {
        auto it = std::find_if(m_entries.begin(), m_entries.end(), pred);
        if (it != m_entries.end())
            m_entries.erase(it);
    };
    if (copy.flags & MF_SEPARATOR) {
        // the item data names the record; a plain separator takes the first separator record
        eraseWhere([&](const auto& e) {
            return copy.data ? Data(e.get()) == copy.data : (e->flags & MF_SEPARATOR) != 0;
        });
    } else if (copy.flags & MF_POPUP) {
        const HMENU popup = HMENU(copy.id);
        ForgetPopup(popup);
        BCMenu* sub = FromHandlePermanent(popup);
        if (sub)
            for (int i = sub->GetMenuItemCount() - 1; i >= 0; --i)
                sub->RemoveOrDelete(unsigned(i), MF_BYPOSITION, destroy);
        eraseWhere([&](const auto& e) { return e->id == copy.id; });
        delete sub;
    } else {
        eraseWhere([&](const auto& e) { return e->id == copy.id && !(e->flags & (MF_POPUP | MF_SEPARATOR)); });
    }
    return destroy ? sysmenu::DeleteMenu(m_hMenu, position, MF_BYPOSITION)
                   : sysmenu::RemoveMenu(m_hMenu, position, MF_BYPOSITION);
}

bool BCMenu::RemoveItem(unsigned position, uint32_t flags) { return RemoveOrDelete(position, flags, false); }
bool BCMenu::DeleteItem(unsigned position, uint32_t flags) { return RemoveOrDelete(position, flags, true); }

// Mode 1: the separator just above goes too; mode 2: the separator just below;
// mode 3: both. Only separators are taken with the item, never a neighbouring command.
bool BCMenu::RemoveOrDeleteByText(const std::wstring& text, int mode, bool destroy)
{
    const int index = FindTextPosition(text);
    if (index < 0)
        return false;
    auto isSeparator = [this](int pos) {
        const SysMenuItem* it = pos < 0 ? nullptr : sysmenu::FindItem(m_hMenu, unsigned(pos), MF_BYPOSITION);
        return it && (it->flags & MF_SEPARATOR);
    };
    if (!RemoveOrDelete(unsigned(index), MF_BYPOSITION, destroy))
        return false;
    if ((mode == 2 || mode == 3) && isSeparator(index))
        RemoveOrDelete(unsigned(index), MF_BYPOSITION, destroy);
    if ((mode == 1 || mode == 3) && isSeparator(index - 1))
        RemoveOrDelete(unsigned(index - 1), MF_BYPOSITION, destroy);
    return true;
}

bool BCMenu::RemoveItemByText(const std::wstring& text, int mode) { return RemoveOrDeleteByText(text, mode, false); }
bool BCMenu::DeleteItemByText(const std::wstring& text, int mode) { return RemoveOrDeleteByText(text, mode, true); }

// ---- lookups

BCMenu* BCMenu::FindMenuOption(unsigned id, int& position)
{
    std::vector<BCMenu*> menus;
    std::vector<int> positions;
    return FindAnotherMenuOption(id, position, menus, positions);
}

BCMenu* BCMenu::FindAnotherMenuOption(unsigned id, int& position, std::vector<BCMenu*>& menus,
                                      std::vector<int>& positions)
{
    const int count = GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        const SysMenuItem* item = sysmenu::FindItem(m_hMenu, unsigned(i), MF_BYPOSITION);
        if (item->flags & MF_POPUP) {
            if (BCMenu* sub = FromHandlePermanent(HMENU(item->id)))
                if (BCMenu* found = sub->FindAnotherMenuOption(id, position, menus, positions))
                    return found;
            continue;
        }
        if (item->id != id)
            continue;
        bool skip = false;
        for (size_t k = 0; k < menus.size() && k < positions.size(); ++k)
            skip = skip || (menus[k] == this && positions[k] == i);
        if (!skip) {
            position = i;
            return this;
        }
    }
    position = -1;
    return nullptr;
}

BCMenuEntry* BCMenu::FindEntryById(unsigned id)
{
    for (const auto& e : m_entries)
        if (e->id == id && !(e->flags & (MF_POPUP | MF_SEPARATOR)))
            return e.get();
    int pos = -1;
    BCMenu* holder = FindMenuOption(id, pos);
    if (!holder || holder == this)
        return nullptr;
    return holder->FindEntryById(id);
}

BCMenuEntry* BCMenu::FindEntryByText(const std::wstring& text)
{
    for (const auto& e : m_entries) {
        if (e->text == text)
            return e.get();
        if (e->flags & MF_POPUP)
            if (BCMenu* sub = FromHandlePermanent(HMENU(e->id)))
                if (BCMenuEntry* found = sub->FindEntryByText(text))
                    return found;
    }
    return nullptr;
}

int BCMenu::FindTextPosition(const std::wstring& text) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (!(m_entries[i]->flags & MF_POPUP) && m_entries[i]->text == text)
            return int(i);
    return -1;
}

BCMenu* BCMenu::FindPopupByText(const std::wstring& text)
{
    for (const auto& e : m_entries)
        if ((e->flags & MF_POPUP) && e->text == text)
            return FromHandlePermanent(HMENU(e->id));
    return nullptr;
}

BCMenu* BCMenu::FindPopupByName(const std::wstring& name)
{
    const int count = GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        std::wstring s;
        if (sysmenu::GetMenuString(m_hMenu, unsigned(i), s, MF_BYPOSITION) && s == name)
            return GetPopup(i);
    }
    return nullptr;
}

BCMenu* BCMenu::GetPopup(int position) { return FromHandlePermanent(sysmenu::GetSubMenu(m_hMenu, position)); }
