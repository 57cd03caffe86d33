#include "app/panel/HtmlItemStore.h"

#include "app/panel/HtmlItemText.h"
#include "foundation/core/FileHelpers.h"
#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <array>
#include <mutex>
#include <utility>
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

// The item's line in the saved text: five fields, four separators, a line end.
uint64_t LineBytes(const HtmlItem& it)
{
    return it.page.size() + it.name.size() + it.value.size() + it.checked.size() + it.className.size() + 5;
}

// The fields an update sets (when given), and where they go.
std::array<std::pair<const std::string*, std::string*>, 3> Fields(const HtmlItem& from, HtmlItem& to)
{
    return {{{&from.className, &to.className}, {&from.value, &to.value}, {&from.checked, &to.checked}}};
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
    m_bytes = 0;
    m_bytesKnown = true;
    m_finalNewline = true;
    m_changes.store(0, std::memory_order_relaxed);
}

void CHtmlItemStore::Append(HtmlItem item)
{
    m_items.push_back(std::move(item));
    HtmlItem& added = m_items.back();
    m_bytes += LineBytes(added);
    m_index.try_emplace(KeyOf(added.page, added.name), &added); // the first one answers
}

HtmlItem* CHtmlItemStore::Find(const std::string& page, const std::string& name)
{
    if (page.find('|') != std::string::npos || name.find('|') != std::string::npos)
        return nullptr;
    const auto it = m_index.find(KeyOf(page, name));
    return it == m_index.end() ? nullptr : it->second;
}

// The length of the text Save writes.
uint64_t CHtmlItemStore::SavedBytes()
{
    if (!m_bytesKnown) {
        m_bytes = 0;
        for (const HtmlItem& it : m_items)
            m_bytes += LineBytes(it);
        m_bytesKnown = true;
    }
    return m_finalNewline ? m_bytes : m_bytes - 1;
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
        if (!items.empty() && bytes.back() != '\n')
            m_finalNewline = false;
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
        if (!m_finalNewline)
            text.pop_back();
    }
    if (text.size() > kMaxFileBytes) // the reader would refuse it
        return CVersions::Print(false, "CHtmlItemStore::Save %s: %zu bytes, above the %llu the store may have: not saved\n",
                                fileName.c_str(), text.size(), static_cast<unsigned long long>(kMaxFileBytes));
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
    HtmlItem* it = Find(in.page, in.name);
    // the saved text's length after the update: one that grows past the reader's
    // cap is refused
    const uint64_t before = SavedBytes();
    uint64_t after = before + LineBytes(in);
    if (it) {
        after = before;
        for (auto [from, to] : Fields(in, *it))
            if (!from->empty())
                after = after - to->size() + from->size();
    }
    if (after > kMaxFileBytes && after > before) {
        CVersions::Print(false, "CHtmlItemStore::Update %s|%s refused: the store would pass %llu bytes\n",
                         in.page.c_str(), in.name.c_str(), static_cast<unsigned long long>(kMaxFileBytes));
        return;
    }
    m_updated = true;
    if (it) {
        m_bytes = m_bytes - before + after;
        for (auto [from, to] : Fields(in, *it)) {
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
        const uint64_t lineBefore = LineBytes(it);
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
        m_bytes += LineBytes(it) - lineBefore;
        const int8_t n = m_changes.load(std::memory_order_relaxed);
        m_changes.store(int8_t(n - consumed > 0 ? n - consumed : 0), std::memory_order_relaxed);
    }
    return result;
}
