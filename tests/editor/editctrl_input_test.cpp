// Keys, double clicks, wheel and focus handed to the edit control.
#include "editctrl_fixture.h"

#include <gtest/gtest.h>

#include <string>

using edtest::EditFixture;

namespace {
enum : unsigned { kBack = 8, kTab = 9, kReturn = 13, kEscape = 27, kEnd = 35, kHome = 36, kLeft = 37, kUp = 38, kRight = 39 };
} // namespace

TEST_F(EditFixture, ShiftEndThenShiftHomeKeepsTheAnchor)
{
    SetText("    abc def", 6);
    ctrl.OnKeyDown(kEnd, true, false);
    ctrl.OnKeyDown(kHome, true, false);
    int a, b;
    ctrl.GetSelection(a, b);
    EXPECT_EQ(std::min(a, b), 4); // the line's first non-blank
    EXPECT_EQ(std::max(a, b), 6); // where selecting began
    EXPECT_EQ(ctrl.GetCaret(), 4);
}

TEST_F(EditFixture, ArrowsWithASelection)
{
    SetText("abc\ndefgh\nij", 5);
    ctrl.SelectRange(5, 8);
    ctrl.OnKeyDown(kLeft, false, false);
    EXPECT_EQ(ctrl.GetCaret(), 5); // to the start, no further
    EXPECT_FALSE(ctrl.HasSelection());

    ctrl.SelectRange(5, 8);
    ctrl.OnKeyDown(kRight, false, false);
    EXPECT_EQ(ctrl.GetCaret(), 8);

    ctrl.SelectRange(5, 8);
    ctrl.OnKeyDown(kUp, false, false);
    EXPECT_EQ(ctrl.GetCaretLine(), 0); // to the start, then a line up
    EXPECT_FALSE(ctrl.HasSelection());
}

TEST_F(EditFixture, BackspaceAtStartWithSelectionDeletesIt)
{
    SetText("abcdef", 0);
    ctrl.SelectRange(0, 3, true);
    ctrl.OnKeyDown(kBack, false, false);
    EXPECT_EQ(Text(), "def");
    EXPECT_EQ(ctrl.GetCaret(), 0);
    EXPECT_FALSE(ctrl.HasSelection());
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(Text(), "abcdef"); // one step
    // at 0 without a selection nothing happens
    SetText("xy", 0);
    ctrl.OnKeyDown(kBack, false, false);
    EXPECT_EQ(Text(), "xy");
    EXPECT_EQ(ctrl.GetCaret(), 0);
    // an ordinary backspace
    SetText("xy", 2);
    ctrl.OnKeyDown(kBack, false, false);
    EXPECT_EQ(Text(), "x");
    EXPECT_EQ(ctrl.GetCaret(), 1);
}

TEST_F(EditFixture, TabEnterEscAndTypedCharacters)
{
    SetText("ab", 1);
    ctrl.OnKeyDown(kTab, false, false);
    EXPECT_EQ(Text(), "a\tb");
    ctrl.OnKeyDown(kReturn, false, false);
    EXPECT_EQ(Text(), "a\t\nb");
    ctrl.OnChar('x');
    ctrl.OnChar(0x01); // Ctrl+A's control character is ignored
    ctrl.OnChar(0xE9); // a byte above 126 is typed
    EXPECT_EQ(Text(), "a\t\nx\xE9" "b");
    ctrl.SelectRange(0, 2);
    ctrl.OnKeyDown(kEscape, false, false);
    EXPECT_FALSE(ctrl.HasSelection());
    // typing over a selection replaces it
    ctrl.SelectRange(0, 1);
    ctrl.OnChar('Z');
    EXPECT_EQ(Text().substr(0, 2), "Z\t");
}

TEST_F(EditFixture, InsertKeyThenTypingOverASelectionReplacesOnlyTheSelection)
{
    enum : unsigned { kInsert = 45 };
    struct Case {
        const char* name;
        int selFrom, selTo; // equal: no selection, the caret there
        const char* after;
        int caret;
    } cases[] = {
        {"selection", 0, 5, "Z world\nnext", 1},
        {"selection made backwards", 5, 0, "Z world\nnext", 1},
        {"selection inside", 1, 4, "hZo world\nnext", 2},
        {"selection to the line end", 6, 11, "hello Z\nnext", 7},
        {"selection over a line break", 8, 13, "hello woZext", 9},
        {"no selection", 0, 0, "Zello world\nnext", 1},
        {"no selection at the line end", 11, 11, "hello worldZ\nnext", 12},
    };
    for (const Case& c : cases) {
        SetText("hello world\nnext", c.selFrom);
        ctrl.ClearUndo();
        ctrl.OnKeyDown(kInsert, false, false);
        ASSERT_TRUE(ctrl.IsOverwrite());
        if (c.selFrom != c.selTo)
            ctrl.SelectRange(c.selFrom, c.selTo, true);
        ctrl.OnChar('Z');
        EXPECT_EQ(Text(), c.after) << c.name;
        EXPECT_EQ(ctrl.GetCaret(), c.caret) << c.name;
        EXPECT_TRUE(ctrl.Undo()) << c.name;
        EXPECT_EQ(Text(), "hello world\nnext") << c.name; // one step
        ctrl.OnKeyDown(kInsert, false, false);
        ASSERT_FALSE(ctrl.IsOverwrite());
    }
}

TEST_F(EditFixture, ReadOnlyArrowsScrollWithoutMovingTheCaret)
{
    SetText(std::string(200, 'x'), 0);
    ctrl.m_bReadOnly = true;
    ctrl.OnKeyDown(kRight, false, false);
    EXPECT_EQ(ctrl.GetFirstColumn(), 1);
    EXPECT_EQ(ctrl.GetCaret(), 0);
    ctrl.OnKeyDown(kLeft, false, false);
    EXPECT_EQ(ctrl.GetFirstColumn(), 0);
    ctrl.OnChar('a');
    EXPECT_EQ(Text(), std::string(200, 'x'));
}

TEST_F(EditFixture, DoubleClickSelectsBlanksOrWord)
{
    struct Case {
        const char* text;
        int column;
        int start, end;
    } cases[] = {
        {"ab  cd", 2, 2, 4}, // either of two blanks: both
        {"ab  cd", 3, 2, 4},
        {"ab cd", 2, 3, 5},  // a single blank: the next word
        {"ab cd", 0, 0, 2},
        {"ab cd", 4, 3, 5},
    };
    for (const Case& c : cases) {
        SetText(c.text);
        ctrl.SelectWordAt(At(c.column, 0, 2));
        int a, b;
        ctrl.GetSelection(a, b);
        EXPECT_EQ(a, c.start) << c.text << " @" << c.column;
        EXPECT_EQ(b, c.end) << c.text << " @" << c.column;
        EXPECT_EQ(ctrl.GetCaret(), c.end);
    }
}

TEST_F(EditFixture, WheelMovesLinesOnlyWhenTextIsLongerThanAPage)
{
    SetText("a\nb\nc");
    EXPECT_FALSE(ctrl.WheelLines(3));
    EXPECT_EQ(ctrl.GetFirstLine(), 0);
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line\n";
    SetText(text);
    EXPECT_TRUE(ctrl.WheelLines(3));
    EXPECT_EQ(ctrl.GetFirstLine(), 3);
    ctrl.WheelLines(-1);
    EXPECT_EQ(ctrl.GetFirstLine(), 2);
}

TEST_F(EditFixture, DragSelectionBelowTheTextScrolls)
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line\n";
    SetText(text, 0);
    const EcPoint below{edtest::kLeft + 10, 20 * edtest::kLineH + 30};
    for (int i = 0; i < 3; ++i)
        ctrl.DragSelectTo(below);
    EXPECT_GE(ctrl.GetFirstLine(), 1);
    int a, b;
    ctrl.GetSelection(a, b);
    EXPECT_EQ(a, 0);
    EXPECT_GT(b, 20 * 5);
    EXPECT_EQ(ctrl.GetCaret(), b);
}
