// Random editing sessions driven through the key handler and the Edit menu's
// commands: every action is one undo step, each single Undo gives back the text
// as it was before that action, and redoing everything gives the edited text.
#include "editctrl_fixture.h"

#include "platform/VirtualKeys.h"

#include <random>

namespace edtest {
namespace {

namespace vk = platform::vk; // a bare kLeft is the fixture's margin

class RandomSession : public EditFixture
{
protected:
    struct Snapshot
    {
        std::string text; // before the action
        int caret;        // where Undo leaves the caret; -1: not checked
        std::string what;
    };

    void Key(unsigned vk, bool shift = false, bool control = false) { ctrl.OnKeyDown(vk, shift, control); }
    void Char(char c)
    {
        const unsigned vk = c >= 'a' && c <= 'z' ? unsigned(c - 'a' + 'A') : static_cast<unsigned char>(c);
        ctrl.OnKeyDown(vk, false, false); // does nothing for a character key but note it
        ctrl.OnChar(static_cast<unsigned char>(c));
    }

    // A movement first, so that nothing merges with the previous action, and
    // sometimes a selection made with Shift.
    void Prelude(std::mt19937& rng)
    {
        static const unsigned moves[] = {vk::kLeft, vk::kRight, vk::kUp, vk::kDown, vk::kHome, vk::kEnd, vk::kPrior, vk::kNext};
        for (int k = 0, n = 1 + int(rng() % 2); k < n; ++k)
            Key(moves[rng() % 8], false, rng() % 4 == 0);
        if (rng() % 3 == 0) {
            static const unsigned extend[] = {vk::kLeft, vk::kRight, vk::kDown, vk::kUp, vk::kEnd, vk::kHome};
            for (int k = 0, n = 1 + int(rng() % 3); k < n; ++k)
                Key(extend[rng() % 6], true, rng() % 4 == 0);
        }
    }

    // One action; returns what Undo must leave the caret at (-1: not checked).
    int Act(std::mt19937& rng, std::string& what)
    {
        int a, b;
        ctrl.GetSelection(a, b);
        const bool had = ctrl.HasSelection();
        const int selEnd = std::max(a, b);
        const int caret = ctrl.GetCaret();
        // an undone deletion puts the caret after the text it puts back; an
        // undone insertion puts it where the insertion was made
        const int afterSelection = had ? selEnd : caret;
        switch (rng() % 11) {
        case 0: {
            static const char* words[] = {"a", "word", "xy", "end"};
            what = words[rng() % 4];
            for (const char* c = what.c_str(); *c; ++c)
                Char(*c);
            return afterSelection;
        }
        case 1: what = "char ;"; Char(';'); return afterSelection;
        case 2: what = "Enter"; Key(vk::kReturn); return afterSelection;
        case 3: what = "Tab"; Key(vk::kTab); return had ? -1 : caret; // a selection may be indented
        case 4: what = "Shift+Tab"; Key(vk::kTab, true); return -1;
        case 5: what = "Backspace"; Key(vk::kBack); return afterSelection;
        case 6: what = "Delete"; Key(vk::kDelete); return had ? selEnd : caret + 1;
        case 7: what = "menu Cut"; ctrl.Cut(); return afterSelection;
        case 8: {
            static const char* clips[] = {"pa\r\nste", "x", ""};
            const char* clip = clips[rng() % 3];
            what = std::string("menu Paste \"") + clip + "\"";
            clipboard.SetText(clip, false);
            ctrl.Paste(-1);
            return afterSelection;
        }
        case 9:
            what = "overwrite char";
            Key(vk::kInsert);
            Char('o');
            Key(vk::kInsert);
            return had ? selEnd : -1;
        default:
        {
            const bool enter = rng() % 2;
            what = enter ? "overwrite Enter" : "overwrite Tab";
            Key(vk::kInsert);
            Key(enter ? vk::kReturn : vk::kTab);
            Key(vk::kInsert);
            return had && enter ? selEnd : -1;
        }
        }
    }

    void CheckLayout()
    {
        ASSERT_EQ(ctrl.LineCountMember(), NewlineCount(Text()));
        const int top = ctrl.GetFirstLineOffset();
        ASSERT_LE(top, ctrl.GetTextLength());
        ASSERT_EQ(top, ctrl.LineStartOf(top));
        ASSERT_EQ(ctrl.GetFirstLine(), ctrl.LineFromOffset(top));
        ASSERT_LE(ctrl.GetCaret(), ctrl.GetTextLength());
        int a, b;
        ctrl.GetSelection(a, b);
        ASSERT_LE(std::max(a, b), ctrl.GetTextLength());
    }
};

TEST_F(RandomSession, EachUndoTakesBackOneAction)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const std::string original = "local a = 1\n\tif a then\n    print(a)\nend\n";
        SetText(original);
        ctrl.ClearUndo();
        std::vector<Snapshot> steps;
        for (int i = 0; i < 40; ++i) {
            Prelude(rng);
            const std::string before = Text();
            const int stepsBefore = ctrl.UndoSteps();
            int a, b;
            ctrl.GetSelection(a, b);
            const bool fromStart = ctrl.HasSelection() && std::min(a, b) == 0;
            std::string what;
            const int caret = Act(rng, what);
            SCOPED_TRACE("action " + std::to_string(i) + ": " + what);
            const int added = ctrl.UndoSteps() - stepsBefore;
            if (fromStart && what.rfind("menu Paste", 0) == 0 && added == 2) {
                // a paste over a selection from the text start undoes in two steps
                steps.push_back({before, std::max(a, b), what + " (deletion)"});
                steps.push_back({before.substr(size_t(std::max(a, b))), 0, what});
                continue;
            }
            ASSERT_LE(added, 1) << "one action, more than one undo step";
            if (added == 1)
                steps.push_back({before, caret, what});
            else
                ASSERT_EQ(Text(), before) << "an edit merged into the step before it";
            ASSERT_FALSE(ctrl.IsOverwrite());
            ASSERT_NO_FATAL_FAILURE(CheckLayout());
        }
        const std::string edited = Text();
        while (!steps.empty()) {
            const Snapshot& s = steps.back();
            SCOPED_TRACE("undoing " + s.what);
            ASSERT_TRUE(ctrl.CanUndo());
            ctrl.Undo(true, true); // as the Edit menu's Undo
            ASSERT_EQ(Text(), s.text);
            ASSERT_FALSE(ctrl.HasSelection());
            if (s.caret >= 0) {
                ASSERT_EQ(ctrl.GetCaret(), s.caret);
            }
            ASSERT_NO_FATAL_FAILURE(CheckLayout());
            steps.pop_back();
        }
        ASSERT_FALSE(ctrl.CanUndo());
        ASSERT_EQ(Text(), original);
        EXPECT_FALSE(ctrl.IsModified());
        while (ctrl.CanRedo())
            ctrl.Redo(rng() % 2, false);
        ASSERT_EQ(Text(), edited);
        EXPECT_EQ(ctrl.LineCountMember(), NewlineCount(Text()));
    }
}

} // namespace
} // namespace edtest
