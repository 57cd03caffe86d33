// Owner-drawn menu: mnemonics, keeping the item records in step with the menu,
// and keeping a loaded menu bar plain.
#include "editor/menu/BCMenu.h"

#include <algorithm>
#include <cwctype>

namespace {

constexpr long kMncExecute = 2;

std::wstring Upper(std::wstring s)
{
    for (wchar_t& c : s)
        c = wchar_t(std::towupper(wint_t(c)));
    return s;
}

} // namespace

long BCMenu::FindMnemonic(wchar_t ch, uint32_t flags, HMENU menu)
{
    if (!(flags & MF_POPUP))
        return 0;
    BCMenu* target = FromHandlePermanent(menu);
    if (!target)
        target = this;
    const std::wstring key = Upper(std::wstring(L"&") + ch);
    if (target->GetMenuItemCount() != int(target->m_entries.size()))
        target->Resync();
    for (size_t i = 0; i < target->m_entries.size(); ++i) {
        const std::wstring text = Upper(target->m_entries[i]->text);
        if (text.find(key) != std::wstring::npos)
            return (kMncExecute << 16) | long(i);
    }
    return 0;
}

void BCMenu::SetSyncMarks()
{
    for (auto& e : m_entries)
        e->syncMark = 1;
}

BCMenuEntry* BCMenu::TakeUnmarkedEntry(uintptr_t id)
{
    for (auto& e : m_entries)
        if (!e->syncMark && e->id == id) {
            e->syncMark = 1;
            return e.get();
        }
    return nullptr;
}

BCMenuEntry* BCMenu::NewEntryAt(size_t index, uint32_t flags, uintptr_t id, const std::wstring& text)
{
    auto entry = std::make_unique<BCMenuEntry>();
    entry->flags = flags;
    entry->id = id;
    entry->text = text;
    entry->syncMark = 1;
    BCMenuEntry* e = entry.get();
    m_entries.push_back(std::move(entry));
    const uintptr_t data = (flags & MF_OWNERDRAW) ? reinterpret_cast<uintptr_t>(e) : 0;
    sysmenu::ModifyMenu(m_hMenu, unsigned(index), flags | MF_BYPOSITION, id, text, data);
    return e;
}

void BCMenu::DeleteUnmarkedEntries()
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [](const auto& e) { return !e->syncMark; }),
                    m_entries.end());
}

void BCMenu::Resync()
{
    for (auto& e : m_entries)
        e->syncMark = 0;
    std::vector<BCMenuEntry*> order;
    const int count = GetMenuItemCount();
    for (int pos = 0; pos < count; ++pos) {
        const SysMenuItem item = *sysmenu::FindItem(m_hMenu, unsigned(pos), MF_BYPOSITION);
        // a string item's text is the menu's; an owner-drawn item keeps its record's
        auto refresh = [&](BCMenuEntry* e) {
            if (!(item.flags & MF_OWNERDRAW) && !item.text.empty())
                e->text = item.text;
        };
        BCMenuEntry* e = nullptr;
        if (item.flags & MF_POPUP) {
            e = TakeUnmarkedEntry(item.id);
            if (e)
                refresh(e);
            else
                e = NewEntryAt(size_t(pos), MF_BYPOSITION | MF_POPUP | MF_OWNERDRAW, item.id, item.text);
        } else if (item.flags & MF_SEPARATOR) {
            e = TakeUnmarkedEntry(0);
            if (!e)
                e = NewEntryAt(size_t(pos), MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW, 0, L"");
        } else {
            e = TakeUnmarkedEntry(item.id);
            if (e) {
                refresh(e);
                e->flags = MF_BYPOSITION | MF_OWNERDRAW | (item.flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED));
            } else {
                e = NewEntryAt(size_t(pos),
                               MF_BYPOSITION | MF_OWNERDRAW | (item.flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED)),
                               item.id, item.text);
            }
        }
        const bool owner = (e->flags & MF_OWNERDRAW) != 0;
        sysmenu::ModifyMenu(m_hMenu, unsigned(pos), e->flags | MF_BYPOSITION, e->id, owner ? L"" : e->text,
                            owner ? reinterpret_cast<uintptr_t>(e) : 0);
        order.push_back(e);
    }
    DeleteUnmarkedEntries();
    // records in menu order
    std::vector<std::unique_ptr<BCMenuEntry>> sorted;
    for (BCMenuEntry* e : order) {
        auto it = std::find_if(m_entries.begin(), m_entries.end(), [e](const auto& p) { return p.get() == e; });
        sorted.push_back(std::move(*it));
        m_entries.erase(it);
    }
    m_entries = std::move(sorted);
}

int BCMenu::FirstPopupPosition()
{
    if (!m_bLoaded)
        return 0;
    const int count = GetMenuItemCount();
    for (int p = 0; p < count; ++p) {
        std::wstring s;
        if (!sysmenu::GetMenuString(m_hMenu, unsigned(p), s, MF_BYPOSITION) || s.empty())
            continue;
        for (size_t r = 0; r < m_entries.size(); ++r) {
            if (m_entries[r]->text != s)
                continue;
            return int(r) <= p ? p - int(r) : 0;
        }
    }
    return 0;
}

void BCMenu::RefreshTopLevel()
{
    const int count = GetMenuItemCount();
    size_t r = 0;
    for (int p = FirstPopupPosition(); p < count && r < m_entries.size(); ++p, ++r) {
        const SysMenuItem* item = sysmenu::FindItem(m_hMenu, unsigned(p), MF_BYPOSITION);
        if (!(item->flags & MF_POPUP))
            continue;
        BCMenuEntry& e = *m_entries[r];
        e.flags = MF_BYPOSITION | MF_POPUP;
        sysmenu::ModifyMenu(m_hMenu, unsigned(p), MF_BYPOSITION | MF_POPUP | MF_STRING, item->id, e.text);
    }
}
