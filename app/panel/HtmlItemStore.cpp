#include "app/panel/HtmlItemStore.h"

#include "app/panel/HtmlItemText.h"
#include "foundation/core/FileHelpers.h"
#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <mutex>
#include <vector>

CHtmlItemStore g_HtmlItemStore;

namespace {

void Sanitize(std::string& text)
{
    for (char& c : text)
        if (c == '|' || c == '\r' || c == '\n')
            c = ' ';
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

std::string KeyOf(const std::string& page, const std::string& name)
{
    std::string key;
    key.reserve(page.size() + name.size() + 1);
    key += page;
    key += '|';
    key += name;
    return key;
}

} // namespace

void CHtmlItemStore::CountChange()
{
    const int8_t n = m_changes.load(std::memory_order_relaxed);
    if (n < kMaxChanges)
        m_changes.store(int8_t(n + 1), std::memory_order_relaxed);
}

void CHtmlItemStore::Clear()
{
    std::lock_guard guard(m_lock);
    m_items.clear();
    m_index.clear();
    m_unreadable = m_updated = false;
    m_changes.store(0, std::memory_order_relaxed);
}

void CHtmlItemStore::Append(HtmlItem item)
{
    m_items.push_back(std::move(item));
    HtmlItem& added = m_items.back();
    m_index.try_emplace(KeyOf(added.page, added.name), &added); // the first one answers
}

HtmlItem* CHtmlItemStore::Find(const std::string& page, const std::string& name)
{
    if (page.find('|') != std::string::npos || name.find('|') != std::string::npos)
        return nullptr;
    const auto it = m_index.find(KeyOf(page, name));
    return it == m_index.end() ? nullptr : it->second;
}

bool CHtmlItemStore::Load(const std::string& fileName)
{
    std::lock_guard guard(m_lock);
    const std::string path = platform::ResolvePath(fileName);
    bool ok = true;
    std::vector<uint8_t> bytes;
    std::string why;
    if (platform::ReadWholeFile(path, bytes, kMaxFileBytes, &why)) {
        std::list<HtmlItem> items;
        ItemTextStats stats;
        ParseItemText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), items, &stats);
        for (HtmlItem& it : items)
            Append(std::move(it));
        if (stats.badLines > 0)
            CVersions::Print(false, "CHtmlItemStore::Load %s: skipped %d malformed line(s), the first is line %d\n",
                             fileName.c_str(), stats.badLines, stats.firstBadLine);
    } else if (why != "not found") { // the reader's word for a missing file: nothing to keep
        m_unreadable = true;
        ok = CVersions::Print(false, "CHtmlItemStore::Load %s cannot be read (%s): it is kept until a control changes\n",
                              fileName.c_str(), why.c_str());
    }
    CountChange();
    return ok;
}

bool CHtmlItemStore::Save(const std::string& fileName)
{
    std::string text;
    {
        std::lock_guard guard(m_lock);
        if (m_unreadable && !m_updated)
            return true; // nothing of the user's to write over what could not be read
        text = FormatItemText(m_items);
    }
    const std::string path = platform::ResolvePath(fileName);
    const std::string folder = GetFolderOf(path);
    if (!folder.empty() && !platform::DirectoryExists(folder))
        platform::CreateDirectories(folder);
    if (!platform::WriteFileAtomic(path, text.data(), text.size()))
        return CVersions::Print(false, "CHtmlItemStore::Save %s failed\n", fileName.c_str());
    return true;
}

void CHtmlItemStore::Update(const HtmlItem& item)
{
    HtmlItem in = item;
    for (std::string* s : {&in.page, &in.name, &in.value, &in.checked, &in.className})
        Sanitize(*s);

    std::lock_guard guard(m_lock);
    m_updated = true;
    if (HtmlItem* it = Find(in.page, in.name)) {
        for (auto [from, to] : {std::pair{&in.className, &it->className}, std::pair{&in.value, &it->value},
                                std::pair{&in.checked, &it->checked}}) {
            if (!from->empty()) {
                *to = *from;
                CountChange();
            }
        }
        return;
    }
    Append(std::move(in));
    CountChange();
}

std::string CHtmlItemStore::Lookup(const std::string& page, const std::string& name)
{
    std::lock_guard guard(m_lock);
    std::string result;
    if (HtmlItem* found = Find(page, name)) {
        HtmlItem& it = *found;
        int consumed = 0;
        if (Contains(it.className, "toggleButton")) {
            it.value = Contains(it.className, "active") ? "1" : "0";
            result = it.value;
            consumed = 1;
        } else if (Contains(it.className, "rangeSlider")) {
            result = it.value;
            consumed = 1;
        } else if (Contains(it.className, "styledCheckbox")) {
            result = it.checked;
            consumed = 1;
        } else if (Contains(it.className, "styledButtonRed")) {
            result = it.checked;
            it.checked = "0";
        }
        const int8_t n = m_changes.load(std::memory_order_relaxed);
        m_changes.store(int8_t(n - consumed > 0 ? n - consumed : 0), std::memory_order_relaxed);
    }
    return result;
}
