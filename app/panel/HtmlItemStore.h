#pragma once
#include "platform/Lock.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

// One control of the panel page as the store keeps it.
struct HtmlItem {
    std::string page;      // page file name without extension ("Tracks")
    std::string name;      // the element's name
    std::string value;     // the element's value as text
    std::string checked;   // the element's checked state as text
    std::string className; // the element's class
};

// The panel's memory of its controls, shared by the GUI thread (updates) and the
// render thread (lookups). A small change counter tells the reader when something
// new has arrived. File format: one line "page|name|value|checked|className" per
// item, in list order, no header; a file read without a final newline is written
// without one.
class CHtmlItemStore {
public:
    static constexpr int kMaxChanges = 127;
    // A store holds a few hundred controls: a larger file is not read.
    static constexpr uint64_t kMaxFileBytes = uint64_t(1) << 20;

    // Appends the file's items (no duplicate check) and counts one change, also when
    // the file is missing. Malformed lines are skipped with one log line. Returns
    // false only when an existing file cannot be read (not a regular file, above
    // kMaxFileBytes, unreadable), with one log line naming it.
    bool Load(const std::string& fileName);
    // Writes every item atomically; false (and a log line) when it cannot, also
    // when the text would pass kMaxFileBytes (the old file is kept). A file that
    // could not be read at Load is kept as it is until an Update has come (the
    // field rewrites of Lookup and of the panel's push do not count).
    bool Save(const std::string& fileName);
    // Updates the first item of the same page and name (its non-empty class, value
    // and checked, one change each) or appends a new one (one change). '|', '\r'
    // and '\n' in the texts are stored as blanks, so the file stays loadable. An
    // update that would take the saved text past kMaxFileBytes is refused with one
    // log line.
    void Update(const HtmlItem& item);
    // The text the render thread applies for (page, name), by the item's class;
    // "" when there is no such item or its class is not one the store knows.
    // Consumes one change for a toggle, slider or checkbox; reading a red button
    // resets its checked text to "0" so it acts once.
    std::string Lookup(const std::string& page, const std::string& name);
    // Read without the lock.
    bool HasChanged() const { return m_changes.load(std::memory_order_relaxed) != 0; }
    int ChangeCount() const { return m_changes.load(std::memory_order_relaxed); }

    // For a caller that walks the items (recursive: the store's own calls may nest).
    void Lock() { m_lock.Enter(); }
    void Unlock()
    {
        m_bytesKnown = false; // a walker may have changed texts
        m_lock.Leave();
    }
    void lock() { Lock(); } // BasicLockable, for std::lock_guard
    void unlock() { Unlock(); }
    // Only between Lock and Unlock. A walker may change the value, checked and
    // class texts of an item, never its page or name, nor the list itself.
    std::list<HtmlItem>& Items() { return m_items; }

    // Empties the list and the counter (a fresh start).
    void Clear();

private:
    void CountChange();
    void Append(HtmlItem item);
    HtmlItem* Find(const std::string& page, const std::string& name);
    uint64_t SavedBytes();

    std::atomic<int8_t> m_changes{0};
    std::list<HtmlItem> m_items;
    // the first item of each page and name, keyed "page|name" (no text holds '|')
    std::unordered_map<std::string, HtmlItem*> m_index;
    bool m_unreadable = false; // a file was there at Load and could not be read
    bool m_updated = false;    // an Update came since
    uint64_t m_bytes = 0;      // the length of the items' lines, when known
    bool m_bytesKnown = true;
    bool m_finalNewline = true; // false: items were read from a text without one, written so
    platform::RecursiveLock m_lock;
};

extern CHtmlItemStore g_HtmlItemStore;

// The store file, relative to the working folder.
inline constexpr const char* kHtmlItemsFile = "Html//HtmlItems.dat";
