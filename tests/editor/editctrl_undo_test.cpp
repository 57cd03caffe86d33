// Undo history of the edit control: merging, limits, chains, modified state.
#include "editctrl_fixture.h"

namespace edtest {
namespace {

using Undo = EditFixture;

TEST_F(Undo, WordBlankWordAreThreeSteps)
{
    SetText("");
    Type("foo  bar");
    EXPECT_EQ(ctrl.GetUndoCount(), 3);
    ctrl.Undo();
    EXPECT_EQ(Text(), "foo  ");
    ctrl.Undo();
    EXPECT_EQ(Text(), "foo");
    EXPECT_EQ(ctrl.GetCaret(), 3);
    ctrl.Undo();
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(ctrl.Undo(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errUndo);
    ctrl.Redo();
    ctrl.Redo();
    EXPECT_EQ(Text(), "foo  ");
    // a caret moved away ends the merge
    SetText("ab");
    ctrl.SetCaretOffset(2, true, false);
    Type("c");
    ctrl.SetCaretOffset(0, true, false);
    Type("d");
    EXPECT_EQ(ctrl.GetUndoCount(), 2);
}

TEST_F(Undo, NewRecordAfterUndoDropsTheRedoSteps)
{
    SetText("");
    Type("one two");
    ctrl.Undo();
    ctrl.Undo();
    Type("x");
    EXPECT_EQ(Text(), "onex");
    EXPECT_EQ(ctrl.Redo(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errRedo);
}

TEST_F(Undo, UndoKeepsWorkingAfterEverythingWasUndone)
{
    SetText("");
    Type("a");
    ctrl.Undo();
    Type("b");
    EXPECT_TRUE(ctrl.CanUndo());
    EXPECT_EQ(ctrl.Undo(), 1);
    EXPECT_EQ(Text(), "");
    Type("c");
    ctrl.Undo();
    ctrl.Redo();
    EXPECT_EQ(Text(), "c");
    EXPECT_EQ(ctrl.Undo(), 1);
}

TEST_F(Undo, HistoryKeepsThreeHundredRecords)
{
    SetText("");
    for (int i = 0; i < 301; ++i)
        ctrl.InsertText(i % 2 ? "b" : "a", -1, false);
    EXPECT_EQ(ctrl.GetUndoCount(), CEditCtrl::kUndoLimit);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(ctrl.Undo(false, false), 1) << i;
    EXPECT_EQ(Text(), "a"); // the oldest record was dropped
    EXPECT_EQ(ctrl.Undo(), 0);
    EXPECT_TRUE(ctrl.IsModified()); // the loaded text is out of reach
}

TEST_F(Undo, ModifiedFollowsTheSavedPosition)
{
    SetText("x");
    EXPECT_FALSE(ctrl.IsModified());
    Type("abc");
    EXPECT_TRUE(ctrl.IsModified());
    while (ctrl.CanUndo())
        ctrl.Undo();
    EXPECT_FALSE(ctrl.IsModified()); // undoing everything restores the loaded text

    Type("abc");
    ctrl.MarkSaved();
    EXPECT_FALSE(ctrl.IsModified());
    Type("d"); // continues the last word, but the save ended the merge
    EXPECT_TRUE(ctrl.IsModified());
    ctrl.Undo();
    EXPECT_EQ(Text(), "abcx");
    EXPECT_FALSE(ctrl.IsModified());
    ctrl.Undo(); // before the saved state: differs from the file
    EXPECT_EQ(Text(), "x");
    EXPECT_TRUE(ctrl.IsModified());
    ctrl.Redo();
    EXPECT_FALSE(ctrl.IsModified());
    // records after the saved position are dropped by a new edit
    ctrl.Undo();
    Type("z");
    ctrl.Undo();
    EXPECT_EQ(Text(), "x");
    EXPECT_TRUE(ctrl.IsModified());
}

TEST_F(Undo, AChainedDeletionWithoutFollowUpEndsItsChain)
{
    SetText("hello world");
    ctrl.SelectRange(6, 11, true);
    clipboard.SetText("", false); // a paste that inserts nothing
    ctrl.Paste();
    EXPECT_EQ(Text(), "hello ");
    Type("X");
    ctrl.Undo();
    EXPECT_EQ(Text(), "hello "); // only the typing
    ctrl.Undo();
    EXPECT_EQ(Text(), "hello world");

    SetText("hello world", 11);
    std::string empty;
    ctrl.Replace("world", &empty, false, true, false);
    Type("Y");
    ctrl.Undo();
    EXPECT_EQ(Text(), "hello ");
}

// A key that replaces the selection undoes as one step, apart from the next edit,
// whatever followed the deletion.
TEST_F(Undo, KeysOverASelectionUndoApartFromTheNextEdit)
{
    enum : unsigned { kTab = 9, kReturn = 13 };
    struct Case
    {
        const char* name;
        unsigned key; // 0: the character 'x'
        bool overwrite;
        int maxLine;
        bool refuse;
    } cases[] = {
        {"Enter", kReturn, false, CEditCtrl::kMaxLineLength, false},
        {"overwrite Enter", kReturn, true, CEditCtrl::kMaxLineLength, false},
        {"overwrite Tab", kTab, true, CEditCtrl::kMaxLineLength, false},
        {"Tab at the length limit", kTab, false, 12, false},
        {"Enter refused", kReturn, false, CEditCtrl::kMaxLineLength, true},
        {"character refused", 0, false, CEditCtrl::kMaxLineLength, true},
    };
    for (const Case& c : cases) {
        ctrl.m_nMaxLineLength = c.maxLine;
        SetText("hello world\nnext line");
        ctrl.ClearUndo();
        ctrl.SetOverwrite(c.overwrite);
        ctrl.SelectRange(0, 2, true);
        ctrl.refuseInserts = c.refuse;
        if (c.key)
            ctrl.OnKeyDown(c.key, false, false);
        else
            ctrl.OnChar('x');
        ctrl.refuseInserts = false;
        const std::string after = Text();
        ctrl.OnKeyDown(39, false, false); // Right: the next edit starts apart
        ctrl.NoteKeyDown('Z');
        ctrl.OnChar('Z');
        ASSERT_NE(Text(), after) << c.name;
        ctrl.Undo();
        EXPECT_EQ(Text(), after) << c.name;
        ctrl.Undo();
        EXPECT_EQ(Text(), "hello world\nnext line") << c.name;
        ctrl.SetOverwrite(false);
    }
}

TEST_F(Undo, ActionCodesAndChainsAsListed)
{
    SetText("abc def");
    ctrl.SelectRange(4, 7, true);
    clipboard.SetText("xyz", false);
    ctrl.Paste(); // a deletion chained to its insertion
    ctrl.SetLastAction(0);
    Type("!");
    std::vector<int> undo;
    ctrl.GetUndoActions(undo);
    EXPECT_EQ(undo, (std::vector<int>{1, 1 | CEditCtrl::actPaste}));
    ctrl.Undo();
    ctrl.Undo();
    EXPECT_EQ(Text(), "abc def");
    std::vector<int> redo;
    ctrl.GetRedoActions(redo);
    EXPECT_EQ(redo.size(), 2u);
}

} // namespace
} // namespace edtest
