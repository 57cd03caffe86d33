// Find and replace in the edit control.
#include "editctrl_fixture.h"

namespace edtest {
namespace {

using Search = EditFixture;

TEST_F(Search, FindInBothDirectionsWithTheOptions)
{
    struct Case
    {
        const char* text;
        int caret;
        const char* what;
        bool down, matchCase, wholeWord;
        int found; // -1: none
    } cases[] = {
        {"abc xabc abc", 1, "abc", true, true, false, 5},    // after the caret
        {"abc xabc abc", 10, "abc", true, true, false, 0},   // wrapped
        {"abc xabc abc", 1, "abc", true, true, true, 9},     // not inside a longer word
        {"abc xab", 0, "ab", true, true, true, -1},          // the longer word ends the text
        {"ab c", 2, "ab", true, true, true, 0},              // at the very start
        {"c ab", 0, "ab", true, true, true, 2},              // at the very end
        {"x ABC", 0, "abc", true, false, false, 2},          // ignoring case
        {"x ABC", 0, "abc", true, true, false, -1},
        {"ab ab ab", 8, "ab", false, true, false, 6},        // up: a hit that ends the text
        {"ab ab ab", 4, "ab", false, true, false, 0},        // up from inside the second
        {"ab ab ab", 1, "ab", false, true, false, 6},        // up, wrapped
        {"ab ab ab", 0, "ab", false, false, false, 6},       // up from the very start
        {"text", 2, "", true, true, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.what + " @" + std::to_string(c.caret));
        SetText(c.text, c.caret);
        const int r = ctrl.Find(c.what, c.down, c.matchCase, c.wholeWord);
        EXPECT_EQ(r, c.found >= 0 ? 1 : 0);
        if (c.found >= 0) {
            int s, e;
            ctrl.GetSelection(s, e);
            EXPECT_EQ(s, c.found);
            EXPECT_EQ(e, c.found + int(std::string(c.what).size()));
            EXPECT_EQ(ctrl.GetCaret(), e);
        }
    }
}

TEST_F(Search, FindNextMovesOnFromTheSelectedHit)
{
    SetText("yay");
    ASSERT_EQ(ctrl.Find("y", true, true, false), 1);
    ASSERT_EQ(ctrl.GetCaret(), 1);
    ctrl.Find("y", true, true, false);
    EXPECT_EQ(ctrl.GetCaret(), 3); // the one-character hit at the end
    ctrl.Find("y", true, true, false);
    EXPECT_EQ(ctrl.GetCaret(), 1); // and on, wrapping
    // up from a selected hit finds the one before, not itself
    SetText("ab ab ab");
    ctrl.SetSelection(3, 5);
    ctrl.Find("ab", false, true, false);
    int s, e;
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 0);
}

TEST_F(Search, ReplaceOneHit)
{
    SetText("one two one", 1);
    const std::string r = "1";
    EXPECT_EQ(ctrl.Replace("one", &r, true, true, false), 1);
    EXPECT_EQ(Text(), "one two 1");
    EXPECT_EQ(ctrl.GetSelectedText(), "1");
    ctrl.Undo();
    EXPECT_EQ(Text(), "one two one");
    EXPECT_EQ(ctrl.Replace("one", nullptr, true, true, false), 0);
    EXPECT_EQ(ctrl.Replace("zzz", &r, true, true, false), 0);
    SetText("one two", 0); // a hit at offset 0 takes two undos
    ctrl.Replace("one", &r, true, true, false);
    ctrl.Undo();
    EXPECT_EQ(Text(), " two");
    ctrl.Undo();
    EXPECT_EQ(Text(), "one two");
}

TEST_F(Search, ReplaceAllCases)
{
    struct Case
    {
        const char* text;
        int caret;
        const char* what;
        const char* with;
        bool wholeWord;
        int count;
        const char* result;
    } cases[] = {
        {"x a b a b a", 0, "a", "yy", false, 3, "x yy b yy b yy"},
        {"aaa", 0, "a", "", false, 3, ""},              // every hit, not just the first
        {"ab ab", 0, "ab", "abab", false, 2, "abab abab"}, // the replacement holds the search text
        {"foo", 0, "o", "oo", false, 2, "foooo"},
        {"aaaa", 0, "aa", "b", false, 2, "bb"},          // non-overlapping hits
        {"b a b a", 4, "a", "c", false, 2, "b c b c"},   // from the caret, wrapping
        {"cat catalog cat", 3, "cat", "dog", true, 2, "dog catalog dog"},
        {"none", 0, "zz", "y", false, 0, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.what);
        SetText(c.text, c.caret);
        const std::string with = c.with;
        EXPECT_EQ(ctrl.ReplaceAll(c.what, &with, true, true, c.wholeWord), c.count);
        EXPECT_EQ(Text(), c.result);
    }
    SetText("abc");
    EXPECT_EQ(ctrl.ReplaceAll("b", nullptr, true, true, false), 0);
}

TEST_F(Search, ReplaceAllLeavesTheLastReplacementSelectedAndUndoesByStep)
{
    SetText("x one one one", 0);
    const std::string r = "ONE";
    ASSERT_EQ(ctrl.ReplaceAll("one", &r, true, true, false), 3);
    EXPECT_EQ(Text(), "x ONE ONE ONE");
    int s, e;
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 10);
    EXPECT_EQ(e, 13);
    for (int i = 0; i < 3; ++i)
        ctrl.Undo();
    EXPECT_EQ(Text(), "x one one one");
    EXPECT_FALSE(ctrl.CanUndo());
}

} // namespace
} // namespace edtest
