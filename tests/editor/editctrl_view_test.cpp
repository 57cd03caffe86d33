// View core of the edit control: pixel mapping, caret movement, scrolling.
#include "editctrl_fixture.h"

namespace edtest {
namespace {

using View = EditFixture;

std::string Lines(int n, const std::string& line = "line")
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += line + std::to_string(i) + "\n";
    return s;
}

TEST_F(View, ClickRuleHalfCharactersAndTheLastCharacter)
{
    SetText("abc\nxy");
    struct Case
    {
        EcPoint pt;
        int offset;
    } cases[] = {
        {At(0, 0), 0},     {At(0, 0, 4), 0},  {At(0, 0, 5), 1}, // up to the middle: before, right of it: after
        {At(1, 0, 4), 1},  {At(1, 0, 5), 2},
        {At(2, 0, 7), 2},  // anywhere on the last character of a line: before it
        {At(3, 0), 3},     {At(20, 0), 3}, // right of it: the line end
        {At(1, 1, 7), 5},  {At(2, 1), 6},  // the last line, without "\n"
        {At(0, 9), 6},     // below the last line: the end of the text
    };
    for (const auto& c : cases)
        EXPECT_EQ(ctrl.OffsetFromPoint(c.pt, false, false), c.offset) << c.pt.x << "," << c.pt.y;
    EXPECT_EQ(ctrl.OffsetFromPoint({kLeft - 5, 5}, false, false), -1);
    EXPECT_EQ(ctrl.OffsetFromPoint({kLeft - 5, 5}, false, true), 0);
    EcPoint snapped;
    EXPECT_EQ(ctrl.OffsetFromPoint(At(1, 0, 6), true, false, &snapped), 2);
    EXPECT_EQ(snapped, (EcPoint{kLeft + 2 * kCharW, 0}));
}

TEST_F(View, PointsFromOffsetsExpandTabs)
{
    SetText("a\tb\ncd");
    EcPoint p, colLine;
    ASSERT_TRUE(ctrl.PointFromOffset(0, p));
    EXPECT_EQ(p, (EcPoint{kLeft + 1, 0})); // never left of the text's first pixel
    ASSERT_TRUE(ctrl.PointFromOffset(2, p, &colLine));
    EXPECT_EQ(p.x, kLeft + 4 * kCharW);
    EXPECT_EQ(colLine, (EcPoint{4, 0}));
    ASSERT_TRUE(ctrl.PointFromOffset(6, p));
    EXPECT_EQ(p, (EcPoint{kLeft + 2 * kCharW, kLineH}));
    EXPECT_FALSE(ctrl.PointFromOffset(7, p));
    // a click on the tab's right half lands after it
    EXPECT_EQ(ctrl.OffsetFromPoint(At(3, 0), false, false), 2);
    EXPECT_EQ(ctrl.OffsetFromPoint(At(1, 0, 3), false, false), 1);
}

TEST_F(View, MovementsRefuseAtTheBounds)
{
    struct Case
    {
        const char* text;
        int caret;
        int (*move)(CEditCtrl&);
        unsigned code;
    } cases[] = {
        {"ab", 0, [](CEditCtrl& c) { return c.MoveCharLeft(); }, CEditCtrl::errCharLeft},
        {"ab", 2, [](CEditCtrl& c) { return c.MoveCharRight(); }, CEditCtrl::errCharRight},
        {"ab\ncd", 1, [](CEditCtrl& c) { return c.MoveLineUp(); }, CEditCtrl::errLineUp},
        {"", 0, [](CEditCtrl& c) { return c.MoveLineUp(); }, CEditCtrl::errLineUp},
        {"", 0, [](CEditCtrl& c) { return c.MoveLineStart(); }, CEditCtrl::errLineStart},
        {"", 0, [](CEditCtrl& c) { return c.MovePageUp(); }, CEditCtrl::errPageUp},
        {"ab cd", 4, [](CEditCtrl& c) { return c.MoveWordRight(); }, CEditCtrl::errWordRight},
        {"ab cd", 0, [](CEditCtrl& c) { return c.MoveWordLeft(); }, CEditCtrl::errWordLeft},
        {"ab\n  cd", 3, [](CEditCtrl& c) { return c.MoveTabLeft(); }, CEditCtrl::errTabLeft},
    };
    for (const auto& c : cases) {
        SetText(c.text, c.caret);
        SCOPED_TRACE(std::string(c.text) + " code " + std::to_string(c.code));
        EXPECT_EQ(c.move(ctrl), 0);
        EXPECT_EQ(ctrl.errors, std::vector<unsigned>{c.code});
        EXPECT_EQ(ctrl.GetCaret(), c.caret);
    }
}

TEST_F(View, WantedColumnSurvivesAShortLine)
{
    SetText("0123456789abcdefghij\nabc\n0123456789abcdefghij\n", 15);
    ASSERT_EQ(ctrl.MoveLineDown(), 1);
    EXPECT_EQ(ctrl.GetCaret(), 24); // the end of "abc"
    ASSERT_EQ(ctrl.MoveLineDown(), 1);
    EXPECT_EQ(ctrl.GetCaret(), 25 + 15);
    EXPECT_EQ(ctrl.GetCaretColumn(), 15);
    // a horizontal movement on the short line resets it
    ctrl.MoveLineUp();
    ctrl.MoveCharLeft();
    EXPECT_EQ(ctrl.GetWantedColumn(), 2);
    ctrl.MoveLineDown();
    EXPECT_EQ(ctrl.GetCaret(), 25 + 2);
}

TEST_F(View, DownReachesTheTrueEndOfTheLastLine)
{
    SetText("abcdef\nxy", 5);
    ctrl.MoveLineDown();
    EXPECT_EQ(ctrl.GetCaret(), 9); // after "y", not before it
    SetText("abcdef\n", 5);
    ctrl.MoveLineDown();
    EXPECT_EQ(ctrl.GetCaret(), 7); // the empty line after the final "\n"
    EXPECT_EQ(ctrl.GetCaretLine(), 1);
}

TEST_F(View, DownReachesTheLastLinesOfAFittingText)
{
    // 20 lines in a 20-line view: nothing scrolls, Down still walks to the end
    std::string text = Lines(20);
    text.pop_back();
    for (bool shift : {false, true}) {
        SetText(text, 0);
        for (int i = 0; i < 19; ++i)
            ctrl.OnKeyDown(40, shift, false);
        EXPECT_EQ(ctrl.GetCaretLine(), 19) << shift;
        EXPECT_EQ(ctrl.GetFirstLine(), 0) << shift;
        int a, b;
        ctrl.GetSelection(a, b);
        if (shift) {
            EXPECT_EQ(b, ctrl.GetCaret());
        }
    }
    // Page Down on a fitting text still goes to its end
    SetText(text, 0);
    ctrl.OnKeyDown(34, false, false);
    EXPECT_EQ(ctrl.GetCaret(), ctrl.GetTextLength());
}

TEST_F(View, HomeTogglesBetweenTextStartAndLineStart)
{
    SetText("x\n    abc\n   \n", 9);
    ctrl.MoveLineStart();
    EXPECT_EQ(ctrl.GetCaret(), 6);
    ctrl.MoveLineStart();
    EXPECT_EQ(ctrl.GetCaret(), 2);
    ctrl.MoveLineStart();
    EXPECT_EQ(ctrl.GetCaret(), 6);
    ctrl.SetCaretOffset(11, true, false);
    ctrl.MoveLineStart();
    EXPECT_EQ(ctrl.GetCaret(), 13); // a line of blanks: its "\n"
    ctrl.MoveLineEnd();
    EXPECT_EQ(ctrl.GetCaret(), 13);
}

TEST_F(View, WordMovementByCharacterClass)
{
    struct Case
    {
        const char* text;
        int caret, right, left;
    } cases[] = {
        {"foo  bar", 0, 5, 0},  // word, then both blanks
        {";;;x1", 0, 3, 0},     // a run of one special delimiter
        {"ab cd", 1, 3, 0},     // from inside a word
        {"x = 1", 2, 4, 0},     // punctuation run, then blanks
        {"f(a)", 0, 1, 0},
        {"\tx y", 0, 1, 0},     // a tab is punctuation here, never a dead stop
        {"a\n\nb", 1, 2, 0},    // one "\n" at a time
        {"foo.bar", 7, 7, 4},   // left over a word to its start
        {"ab\ncd", 3, 5, 2},    // left right after a "\n": the end of the previous line
        {"a  ;;b", 5, 6, 3},    // left over repeats of a special delimiter
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SetText(c.text, c.caret);
        if (c.caret < ctrl.GetTextLength() - 1) {
            EXPECT_EQ(ctrl.MoveWordRight(), 1);
            EXPECT_EQ(ctrl.GetCaret(), c.right);
        }
        SetText(c.text, c.caret);
        if (c.caret > 0) {
            EXPECT_EQ(ctrl.MoveWordLeft(), 1);
            EXPECT_EQ(ctrl.GetCaret(), c.left);
        }
    }
}

TEST_F(View, ScrollCodesAndClamping)
{
    SetText(Lines(50) + "last");
    EXPECT_EQ(ctrl.Scroll(2, 1), 0);
    EXPECT_EQ(ctrl.Scroll(1, 8), 0);
    EXPECT_EQ(ctrl.GetFirstLine(), 0);
    EXPECT_EQ(ctrl.Scroll(1, 0), 0); // already at the top
    EXPECT_EQ(ctrl.Scroll(1, 1), 1);
    EXPECT_EQ(ctrl.GetFirstLine(), 1);
    EXPECT_EQ(ctrl.Scroll(1, 3), 1); // a page less one line
    EXPECT_EQ(ctrl.GetFirstLine(), 20);
    EXPECT_EQ(ctrl.Scroll(1, 7), 1); // the bottom: the last line stands at the top
    EXPECT_EQ(ctrl.GetFirstLine(), 50);
    EXPECT_EQ(ctrl.GetFirstLineOffset(), ctrl.LineStartOf(ctrl.GetTextLength()));
    EXPECT_EQ(ctrl.Scroll(1, 4, 10), 1);
    EXPECT_EQ(ctrl.GetFirstLineOffset(), int(ctrl.GetText().find("line10")));
    EXPECT_EQ(sink.barPos[1], 10);
    EXPECT_EQ(ctrl.Scroll(0, 4, 5000), 1);
    EXPECT_EQ(ctrl.GetFirstColumn(), CEditCtrl::kMaxLineLength - 1);
}

TEST_F(View, CaretPlacementScrollsItIntoView)
{
    SetText(Lines(100) + std::string(300, 'w'));
    ctrl.SetCaretOffset(ctrl.LineStartOf(60 * 7), true, false);
    const EcPoint p = ctrl.GetCaretPoint();
    EXPECT_GE(p.y, 0);
    EXPECT_LE(p.y + kLineH, ctrl.GetTextRect().bottom);
    EXPECT_EQ(ctrl.LineFromOffset(ctrl.GetFirstLineOffset()), ctrl.GetFirstLine());
    ctrl.MoveDocumentEnd();
    EXPECT_GT(ctrl.GetFirstColumn(), 0);
    EXPECT_TRUE(ctrl.GetTextRect().Contains({ctrl.GetCaretPoint().x, ctrl.GetCaretPoint().y + 1}));
    ctrl.MoveDocumentStart();
    EXPECT_EQ(ctrl.GetFirstColumn(), 0);
    EXPECT_EQ(ctrl.GetFirstLine(), 0);
}

TEST_F(View, PagesAndLineScroll)
{
    SetText("short\ntext\nhere", 2);
    ctrl.MovePageDown();
    EXPECT_EQ(ctrl.GetCaret(), ctrl.GetTextLength()); // everything fits: the end
    SetText(Lines(60), int(Lines(60).find("line5")) + 3);
    ctrl.MovePageUp(); // near the top: the first line at the wanted column
    EXPECT_EQ(ctrl.GetCaret(), 3);
    ctrl.MovePageDown();
    EXPECT_EQ(ctrl.GetFirstLine(), 19);
    EXPECT_EQ(ctrl.GetCaretLine(), 19);
    EXPECT_EQ(ctrl.GetCaretColumn(), 3);
    // Ctrl+Down takes the caret along once its line leaves the view
    ctrl.LineScroll(true);
    EXPECT_EQ(ctrl.GetFirstLine(), 20);
    EXPECT_EQ(ctrl.GetCaretLine(), 20);
}

TEST_F(View, TopLineStaysOnALineStartInsideTheText)
{
    SetText(Lines(80));
    ctrl.Scroll(1, 4, 60);
    // a large deletion from above the top line
    ctrl.SelectRange(3, ctrl.GetTextLength() - 2, true);
    ctrl.DeleteSelection(false, false, false);
    EXPECT_LE(ctrl.GetFirstLineOffset(), ctrl.GetTextLength());
    EXPECT_EQ(ctrl.GetFirstLineOffset(), ctrl.LineStartOf(ctrl.GetFirstLineOffset()));
    EXPECT_EQ(ctrl.GetFirstLine(), ctrl.LineFromOffset(ctrl.GetFirstLineOffset()));

    SetText(Lines(80));
    ctrl.SelectRange(10, 12, true); // joins lines 1 and 2
    ctrl.DeleteSelection(false, false, false);
    ctrl.Scroll(1, 4, 40);
    auto topText = [&] { return ctrl.GetText().substr(size_t(ctrl.GetFirstLineOffset()), 7); };
    ASSERT_EQ(topText(), "line41\n");
    ctrl.Undo(false, false); // a line comes back above the top line: the top keeps its text
    EXPECT_EQ(topText(), "line41\n");
    EXPECT_EQ(ctrl.GetFirstLine(), 41);
    ctrl.Redo(false, false);
    EXPECT_EQ(topText(), "line41\n");
    EXPECT_EQ(ctrl.GetFirstLine(), 40);
    ctrl.SelectRange(5, int(Lines(80).find("line41")), true); // across the top line
    ctrl.DeleteSelection(false, false, false);
    EXPECT_EQ(ctrl.GetFirstLineOffset(), ctrl.LineStartOf(ctrl.GetFirstLineOffset()));
    EXPECT_EQ(ctrl.GetFirstLine(), ctrl.LineFromOffset(ctrl.GetFirstLineOffset()));
}

TEST_F(View, SelectionHitTest)
{
    SetText("abcdef\nghijkl\nmnopqr");
    ctrl.SelectRange(2, 16, true);
    EXPECT_TRUE(ctrl.PtInSelection(At(3, 0)));
    EXPECT_FALSE(ctrl.PtInSelection(At(1, 0)));
    EXPECT_TRUE(ctrl.PtInSelection(At(0, 1)));
    EXPECT_TRUE(ctrl.PtInSelection(At(1, 2)));
    EXPECT_FALSE(ctrl.PtInSelection(At(3, 2)));
}

} // namespace
} // namespace edtest

namespace edtest {
namespace {

class ZeroMeasurer : public IEditMeasurer
{
public:
    int FontHeight() const override { return 0; }
    int MaxCharWidth() const override { return 0; }
    int AveCharWidth() const override { return 0; }
    int CharWidth(unsigned char) const override { return 0; }
};

// Before a font is measured every size is 0: nothing may divide by it.
TEST(ViewUnmeasured, OperationsWithoutFontMetrics)
{
    ZeroMeasurer zero;
    RecordingSink sink;
    CEditCtrl ctrl;
    ctrl.m_nLineSpacing = 0;
    ctrl.Create(&sink, &zero, EcRect{0, 0, 400, 300});
    ctrl.SetWindowText("a\tb\nsecond line\nthird");
    ctrl.SetCaretOffset(5, true, true);
    EXPECT_EQ(ctrl.OffsetFromPoint({50, 10}, true, true), -1);
    ctrl.MoveLineDown();
    ctrl.MovePageDown();
    ctrl.MovePageUp();
    ctrl.MoveWordRight();
    ctrl.LineScroll(true);
    ctrl.Scroll(1, 3);
    ctrl.InsertChar('x');
    ctrl.InsertTab();
    EXPECT_EQ(ctrl.GetText().substr(0, 3), "a\tb");
}

TEST_F(View, MarginsMoveTheTextArea)
{
    SetText("abc");
    ctrl.ShowLineNumbers(true, 45);
    EXPECT_EQ(ctrl.GetTextRect().left, kLeft + 45);
    ctrl.ShowOutlineMargin(true, 20);
    EXPECT_EQ(ctrl.GetTextRect().left, kLeft + 65);
    EXPECT_EQ(ctrl.OffsetFromPoint({kLeft + 65 + kCharW + 5, 5}, false, false), 2);
    EXPECT_EQ(ctrl.OffsetFromPoint({kLeft + 30, 5}, false, false), -1); // on the line numbers
}

} // namespace
} // namespace edtest
