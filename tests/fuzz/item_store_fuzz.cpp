// fuzz max_len: 65536
// Panel store file of any content: loaded as the program loads it, parsed
// without reading past it, and whatever the store takes in through Update is
// written back as a file that reloads every item with no line lost.
#include "app/panel/HtmlItemStore.h"
#include "app/panel/HtmlItemText.h"
#include "foundation/core/Versions.h"
#include "fuzz_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (CVersions::EnableLog(false), true); // no log file beside the fuzzer
    (void)quiet;
    CHtmlItemStore loaded; // through the file and the helper the program reads with
    if (!loaded.Load(fuzzfile::Put("items.txt", data, size)))
        std::abort();
    loaded.Lock();
    const size_t loadedCount = loaded.Items().size();
    loaded.Unlock();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::list<HtmlItem> parsed;
    ItemTextStats stats;
    ParseItemText(text, parsed, &stats);
    if (stats.badLines < 0 || (stats.badLines > 0) != (stats.firstBadLine > 0) || parsed.size() != loadedCount)
        std::abort();

    // the same bytes taken as texts of one item, with separators and line breaks
    const size_t cut = size / 2;
    parsed.push_back(HtmlItem{std::string(text.substr(0, cut)), "n", std::string(text.substr(cut)), "0", "rangeSlider"});

    CHtmlItemStore store;
    for (const HtmlItem& it : parsed) {
        store.Update(it);
        store.Lookup(it.page, it.name);
        if (store.ChangeCount() < 0 || store.ChangeCount() > CHtmlItemStore::kMaxChanges)
            std::abort();
    }
    store.Lock();
    const std::list<HtmlItem> kept = store.Items();
    store.Unlock();

    std::list<HtmlItem> back;
    ItemTextStats again;
    ParseItemText(FormatItemText(kept), back, &again);
    // a line whose page starts with blanks loses them on reading; nothing else may change
    if (again.badLines != 0 || back.size() != kept.size())
        std::abort();
    auto a = kept.begin();
    for (auto b = back.begin(); b != back.end(); ++a, ++b)
        if (a->name != b->name || a->value != b->value || a->checked != b->checked || a->className != b->className)
            std::abort();
    return 0;
}
