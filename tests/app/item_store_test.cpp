// The panel's item store: its file, the update and lookup rules and the change
// counter the render thread polls.
#include "app/panel/HtmlItemStore.h"
#include "app/panel/HtmlItemText.h"
#include "log_capture.h"
#include "work_folder.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

namespace {

const char* kFile = "Html//HtmlItems.dat";

// A store loaded from the given file text (in the current working folder).
void LoadText(CHtmlItemStore& store, const WorkFolder& dir, const std::string& text)
{
    dir.Write("Html/HtmlItems.dat", text);
    ASSERT_TRUE(store.Load(kFile));
}

size_t ItemCount(CHtmlItemStore& store)
{
    store.Lock();
    const size_t n = store.Items().size();
    store.Unlock();
    return n;
}

HtmlItem Item(const char* page, const char* name, const char* value, const char* checked, const char* cls)
{
    return HtmlItem{page, name, value, checked, cls};
}

TEST(ItemStore, MissingFileCountsOneChangeThatLookupsNeverConsume)
{
    WorkFolder dir("store");
    CHtmlItemStore store;
    EXPECT_FALSE(store.HasChanged());
    EXPECT_TRUE(store.Load(kFile));
    EXPECT_EQ(store.ChangeCount(), 1);
    for (const char* name : {"framerate", "vsync", "wireframe", "fullscreen"})
        EXPECT_EQ(store.Lookup("Options", name), "");
    EXPECT_EQ(store.ChangeCount(), 1);
    EXPECT_EQ(ItemCount(store), 0u);
}

TEST(ItemStore, LookupFollowsTheClassRules)
{
    WorkFolder dir("store");
    CHtmlItemStore store;
    LoadText(store, dir,
             "Options|framerate|60|0|rangeSlider\n"
             "Options|wireframe|1|1|styledCheckbox\n"
             "Tracks|Clear|0|1|styledButtonRed\n"
             "Tracks|TrackOn|0|0|toggleButton active\n"
             "Trains|TrackOn|1|0|toggleButton\n"
             "Trains|Label|hello|0|plainText\n");
    EXPECT_EQ(store.ChangeCount(), 1);
    EXPECT_EQ(store.Lookup("Options", "framerate"), "60");
    EXPECT_EQ(store.ChangeCount(), 0) << "a slider lookup consumes one change";
    EXPECT_EQ(store.Lookup("Options", "wireframe"), "1") << "a checkbox answers its checked text";
    EXPECT_EQ(store.ChangeCount(), 0) << "never below 0";

    // a red button acts once: its checked text, then "0"; no change consumed
    store.Update(Item("Options", "framerate", "61", "", ""));
    const int before = store.ChangeCount();
    EXPECT_EQ(store.Lookup("Tracks", "Clear"), "1");
    EXPECT_EQ(store.Lookup("Tracks", "Clear"), "0");
    EXPECT_EQ(store.ChangeCount(), before);

    // a toggle's value is taken from its class, whatever was stored
    EXPECT_EQ(store.Lookup("Tracks", "TrackOn"), "1");
    EXPECT_EQ(store.Lookup("Trains", "TrackOn"), "0");
    // a class the store does not know and a missing item answer ""
    EXPECT_EQ(store.Lookup("Trains", "Label"), "");
    EXPECT_EQ(store.Lookup("Options", "framerate"), "61");
    EXPECT_EQ(store.Lookup("Options", "vsync"), "") << "a miss must not inherit the previous answer";
    EXPECT_EQ(store.Lookup("options", "framerate"), "") << "page and name are case-sensitive";
}

TEST(ItemStore, UpdateReplacesNonEmptyFieldsAndCountsEach)
{
    CHtmlItemStore store;
    store.Update(Item("Options", "vsync", "0", "0", "styledCheckbox"));
    EXPECT_EQ(store.ChangeCount(), 1);
    EXPECT_EQ(ItemCount(store), 1u);

    store.Update(Item("Options", "vsync", "", "", ""));
    EXPECT_EQ(store.ChangeCount(), 1) << "an all-empty update of an existing item counts nothing";
    EXPECT_EQ(store.Lookup("Options", "vsync"), "0");

    store.Update(Item("Options", "vsync", "1", "1", "styledCheckbox"));
    EXPECT_EQ(store.ChangeCount(), 3) << "class, value and checked: one change each";
    EXPECT_EQ(store.Lookup("Options", "vsync"), "1");

    store.Update(Item("Options", "new", "", "", ""));
    EXPECT_EQ(ItemCount(store), 2u) << "an all-empty update of a new item appends it";
    EXPECT_EQ(store.ChangeCount(), 3);
}

TEST(ItemStore, LoadingTwiceAppendsAndTheFirstOfEachPairAnswers)
{
    WorkFolder dir("store");
    CHtmlItemStore store;
    LoadText(store, dir, "Options|framerate|30|0|rangeSlider\nOptions|framerate|90|0|rangeSlider\n");
    ASSERT_TRUE(store.Load(kFile));
    EXPECT_EQ(ItemCount(store), 4u);
    EXPECT_EQ(store.ChangeCount(), 2);
    EXPECT_EQ(store.Lookup("Options", "framerate"), "30");
}

TEST(ItemStore, LoadSkipsOnlyMalformedLines)
{
    WorkFolder dir("store");
    LogCapture log;
    CHtmlItemStore store;
    LoadText(store, dir,
             "Trains|Speed||0|rangeSlider\r\n"            // empty field: kept
             "not an item\r\n"                            // malformed: skipped
             "a|b|c|d|e|f\n"                              // six fields: skipped
             "\n"                                         // blank: ignored
             "Options|framerate|60|0|rangeSlider\r\n"     // CRLF
             "Tracks|Name|" + std::string(600, 'x') + "|0|other\n" // long field
             "Options|wireframe|0|1|styledCheckbox");     // no final line break
    EXPECT_EQ(ItemCount(store), 4u);
    EXPECT_EQ(store.Lookup("Trains", "Speed"), "");
    EXPECT_EQ(store.Lookup("Options", "framerate"), "60") << "the class must not keep the '\\r'";
    EXPECT_EQ(store.Lookup("Options", "wireframe"), "1");
    int logged = 0;
    for (const auto& l : log.Lines())
        logged += l.find("CHtmlItemStore::Load") != std::string::npos;
    EXPECT_EQ(logged, 1);
    EXPECT_TRUE(log.Contains("2 malformed")) << "the line names how many were skipped";
}

TEST(ItemStore, SavedFileReloadsEveryItemEvenWithSeparatorsInTheTexts)
{
    WorkFolder dir("store");
    {
        CHtmlItemStore store;
        store.Update(Item("Trains", "Speed", "", "0", "rangeSlider")); // an empty field
        store.Update(Item("Tracks", "Note", "a|b\nc\rd", "0", "text|x"));
        store.Update(Item("Options", "vsync", "1", "1", "styledCheckbox"));
        ASSERT_TRUE(store.Save(kFile));
    }
    EXPECT_EQ(dir.Read("Html/HtmlItems.dat"),
              "Trains|Speed||0|rangeSlider\nTracks|Note|a b c d|0|text x\nOptions|vsync|1|1|styledCheckbox\n");
    CHtmlItemStore again;
    ASSERT_TRUE(again.Load(kFile));
    EXPECT_EQ(ItemCount(again), 3u);
    EXPECT_EQ(again.Lookup("Options", "vsync"), "1");
}

TEST(ItemStore, SaveReportsFailureAndKeepsTheOldFile)
{
    WorkFolder dir("store");
    dir.Write("Html", "a file where the folder should be");
    LogCapture log;
    CHtmlItemStore store;
    store.Update(Item("Options", "vsync", "1", "1", "styledCheckbox"));
    EXPECT_FALSE(store.Save(kFile));
    EXPECT_TRUE(log.Contains("CHtmlItemStore::Save"));
    EXPECT_EQ(dir.Read("Html"), "a file where the folder should be");
}

TEST(ItemStore, ChangeCounterSaturatesInsteadOfWrapping)
{
    CHtmlItemStore store;
    store.Update(Item("Options", "framerate", "1", "0", "rangeSlider"));
    for (int i = 0; i < 300; ++i)
        store.Update(Item("Options", "framerate", std::to_string(i).c_str(), "", ""));
    EXPECT_TRUE(store.HasChanged());
    EXPECT_EQ(store.ChangeCount(), CHtmlItemStore::kMaxChanges);
    for (int i = 0; i < CHtmlItemStore::kMaxChanges; ++i)
        store.Lookup("Options", "framerate");
    EXPECT_FALSE(store.HasChanged());
    EXPECT_EQ(store.Lookup("Options", "framerate"), "299");
    EXPECT_EQ(store.ChangeCount(), 0);
}

TEST(ItemStore, UpdatesAndLookupsFromTwoThreads)
{
    // the GUI thread updates while the render thread polls and looks up
    CHtmlItemStore store;
    store.Update(Item("Options", "framerate", "0", "0", "rangeSlider"));
    std::atomic<bool> done{false};
    std::thread render([&] {
        while (!done.load()) {
            if (store.HasChanged()) {
                const std::string v = store.Lookup("Options", "framerate");
                ASSERT_FALSE(v.empty());
            }
        }
    });
    for (int i = 1; i <= 5000; ++i)
        store.Update(Item("Options", "framerate", std::to_string(i).c_str(), "", ""));
    done = true;
    render.join();
    EXPECT_EQ(store.Lookup("Options", "framerate"), "5000");
    EXPECT_GE(store.ChangeCount(), 0);
    EXPECT_LE(store.ChangeCount(), CHtmlItemStore::kMaxChanges);
}

// A store file of valid lines, a little over `bytes` long.
std::string StoreTextOf(size_t bytes)
{
    std::string text;
    for (int i = 0; text.size() <= bytes; ++i)
        text += "Options|control" + std::to_string(i) + "|" + std::to_string(i) + "|0|rangeSlider\n";
    return text;
}

TEST(ItemStore, FileAboveOneMebibyteIsRefusedWithOneLineAndKept)
{
    WorkFolder dir("store");
    const std::string big = StoreTextOf(CHtmlItemStore::kMaxFileBytes + 1);
    dir.Write("Html/HtmlItems.dat", big);
    LogCapture log;
    CHtmlItemStore store;
    EXPECT_FALSE(store.Load(kFile));
    EXPECT_EQ(ItemCount(store), 0u);
    EXPECT_EQ(store.ChangeCount(), 1) << "the settings are still read once, from nothing";
    int logged = 0;
    for (const auto& l : log.Lines())
        logged += l.find("HtmlItems.dat") != std::string::npos;
    EXPECT_EQ(logged, 1);

    // a file within the cap loads every line
    const std::string fits = StoreTextOf(CHtmlItemStore::kMaxFileBytes - 200);
    ASSERT_LE(fits.size(), CHtmlItemStore::kMaxFileBytes);
    dir.Write("Html/HtmlItems.dat", fits);
    CHtmlItemStore within;
    EXPECT_TRUE(within.Load(kFile));
    EXPECT_EQ(ItemCount(within), size_t(std::count(fits.begin(), fits.end(), '\n')));
    EXPECT_EQ(within.Lookup("Options", "control7"), "7");
}

// A click that would take the saved store past the reader's cap is refused with
// one line, so every store written is one the next start reads; a store read
// without a final newline is counted, and written, as it was.
TEST(ItemStore, ChangesThatWouldPassTheCapAreRefused)
{
    WorkFolder dir("store");
    // a store file of exactly the cap: a line padded to fit, then the given one
    auto atCap = [](const std::string& last, bool finalNewline = true) {
        std::string text = StoreTextOf(CHtmlItemStore::kMaxFileBytes - 200);
        const std::string head = "Options|pad|", tail = "|0|text\n";
        const size_t pad = CHtmlItemStore::kMaxFileBytes - text.size() - head.size() - tail.size() - last.size();
        text += head + std::string(pad, 'x') + tail + last;
        if (!finalNewline) {
            text.pop_back();
            text.insert(text.size() - tail.size() - last.size() + 1, "x");
        }
        return text;
    };
    ASSERT_EQ(atCap("").size(), CHtmlItemStore::kMaxFileBytes);
    ASSERT_EQ(atCap("", false).size(), CHtmlItemStore::kMaxFileBytes);
    ASSERT_NE(atCap("", false).back(), '\n');
    for (const bool finalNewline : {true, false}) {
        SCOPED_TRACE(finalNewline ? "a final newline" : "no final newline");
        CHtmlItemStore store;
        LoadText(store, dir, atCap("", finalNewline));
        const size_t items = ItemCount(store);

        const struct {
            HtmlItem click;
            bool kept;
        } clicks[] = {
            {Item("Options", "vsync", "1", "1", "styledCheckbox"), false}, // a new control
            {Item("Options", "control7", "77", "", ""), false},             // a longer value
            {Item("Options", "control7", "8", "", ""), true},               // as long
            {Item("Options", "control10", "9", "", ""), true},              // a byte shorter
            {Item("Options", "control7", "88", "", ""), true},              // that byte again
            {Item("Options", "control8", "88", "", ""), false},             // one more
        };
        for (const auto& c : clicks) {
            LogCapture log;
            store.Update(c.click);
            EXPECT_EQ(log.Lines().size(), c.kept ? 0u : 1u) << c.click.name << " " << c.click.value;
        }
        EXPECT_EQ(ItemCount(store), items);
        LogCapture log;
        ASSERT_TRUE(store.Save(kFile));
        EXPECT_TRUE(log.Lines().empty());
        EXPECT_EQ(dir.Read("Html/HtmlItems.dat").size(), CHtmlItemStore::kMaxFileBytes);
        CHtmlItemStore next;
        ASSERT_TRUE(next.Load(kFile));
        EXPECT_EQ(next.Lookup("Options", "control7"), "88");
        EXPECT_EQ(next.Lookup("Options", "control8"), "8");
    }

    // a red button's reading that grows the store is not saved past the cap
    CHtmlItemStore red;
    LoadText(red, dir, atCap("Tracks|Clear|||styledButtonRed\n"));
    red.Lookup("Tracks", "Clear");
    LogCapture log;
    EXPECT_FALSE(red.Save(kFile));
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(dir.Read("Html/HtmlItems.dat").size(), CHtmlItemStore::kMaxFileBytes);
}

TEST(ItemStore, UnreadableFileIsReplacedOnlyAfterAControlChanged)
{
    WorkFolder dir("store");
    const std::string big = StoreTextOf(CHtmlItemStore::kMaxFileBytes + 1);
    dir.Write("Html/HtmlItems.dat", big);
    CHtmlItemStore store;
    EXPECT_FALSE(store.Load(kFile));
    // the field rewrites lookups make are not the user's changes
    store.Lookup("Tracks", "Clear");
    EXPECT_TRUE(store.Save(kFile));
    EXPECT_TRUE(dir.Read("Html/HtmlItems.dat") == big) << "the unreadable file is kept";

    // a click's update is
    store.Update(Item("Options", "vsync", "1", "1", "styledCheckbox"));
    EXPECT_TRUE(store.Save(kFile));
    EXPECT_EQ(dir.Read("Html/HtmlItems.dat"), "Options|vsync|1|1|styledCheckbox\n");
}

TEST(ItemStore, LookupsFindTheFirstItemOfAPageAndNameAmongMany)
{
    // the render thread looks up every 10 ms: by an index, answering as the list did
    CHtmlItemStore store;
    for (int i = 0; i < 2000; ++i)
        store.Update(Item("Options", ("c" + std::to_string(i)).c_str(), std::to_string(i).c_str(), "0", "rangeSlider"));
    store.Update(Item("Trains", "c5", "55", "0", "rangeSlider"));
    EXPECT_EQ(store.Lookup("Options", "c1999"), "1999");
    EXPECT_EQ(store.Lookup("Trains", "c5"), "55");
    EXPECT_EQ(store.Lookup("Options", "c5"), "5");
    EXPECT_EQ(store.Lookup("Options|c", "5"), "") << "page and name are told apart";
    store.Update(Item("Options", "c5", "500", "", ""));
    EXPECT_EQ(store.Lookup("Options", "c5"), "500");
    store.Clear();
    EXPECT_EQ(store.Lookup("Options", "c5"), "");
    store.Update(Item("Options", "c5", "7", "0", "rangeSlider"));
    EXPECT_EQ(store.Lookup("Options", "c5"), "7");
}

TEST(ItemText, FormatThenParseGivesTheSameItems)
{
    std::list<HtmlItem> items{Item("Tracks", "TrackOn", "1", "0", "toggleButton active"), Item("", "", "", "", "")};
    std::list<HtmlItem> back;
    ItemTextStats stats;
    ParseItemText(FormatItemText(items), back, &stats);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back.front().className, "toggleButton active");
    EXPECT_EQ(stats.badLines, 0);
}

} // namespace
