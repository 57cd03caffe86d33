// Editing commands of the edit control: typing, line breaks, tabs, deletion,
// indenting, markers following the lines.
#include "editctrl_fixture.h"

namespace edtest {
namespace {

using Edit = EditFixture;

TEST_F(Edit, EnterCopiesTheLeadingBlanks)
{
    struct Case
    {
        const char* text;
        int caret;
        const char* result;
        int caretAfter;
    } cases[] = {
        {"\t\tabc", 5, "\t\tabc\n\t\t", 8},
        {"    abc", 2, "  \n    abc", 5}, // before the text: only the blanks left of the caret
        {"abc", 1, "a\nbc", 2},
        {"", 0, "\n", 1},
    };
    for (const auto& c : cases) {
        SetText(c.text, c.caret);
        EXPECT_EQ(ctrl.InsertChar('\n'), 1);
        EXPECT_EQ(Text(), c.result);
        EXPECT_EQ(ctrl.GetCaret(), c.caretAfter);
    }
    ctrl.m_bAutoIndent = false;
    SetText("  ab", 4);
    ctrl.InsertChar('\n');
    EXPECT_EQ(Text(), "  ab\n");
}

TEST_F(Edit, OverwriteReplacesUpToTheLineEnd)
{
    SetText("abc\nde", 2);
    ctrl.ToggleOverwrite();
    EXPECT_EQ(sink.caretWidth, kCharW);
    Type("X"); // over the last character of the line
    EXPECT_EQ(Text(), "abX\nde");
    Type("Y"); // at the "\n": inserted
    EXPECT_EQ(Text(), "abXY\nde");
    ctrl.SetCaretOffset(1, true, false);
    ctrl.InsertChar('\n'); // Enter only moves
    EXPECT_EQ(Text(), "abXY\nde");
    EXPECT_EQ(ctrl.GetCaret(), 5);
    ctrl.Undo();
    EXPECT_EQ(Text(), "abX\nde");
    ctrl.Undo();
    EXPECT_EQ(Text(), "abc\nde"); // the old letter comes back
    ctrl.Redo();
    EXPECT_EQ(Text(), "abX\nde");
    ctrl.m_bReadOnly = true;
    EXPECT_EQ(ctrl.ToggleOverwrite(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errOverwriteReadOnly);
    ctrl.m_bReadOnly = false;
    ctrl.ToggleOverwrite();
    EXPECT_EQ(sink.caretWidth, 2);
}

TEST_F(Edit, LongLinesAreBrokenNotRefused)
{
    // typing into a full line breaks it at the caret first
    SetText(std::string(2047, 'x'), 1000);
    Type("z");
    EXPECT_EQ(Text(), std::string(1000, 'x') + "z\n" + std::string(1047, 'x'));
    EXPECT_EQ(ctrl.GetCaret(), 1001);

    // inserted text: no "\r", no line of more than 2047 characters
    SetText("");
    clipboard.SetText("a\r\nb\r\n" + std::string(5000, 'p'), false);
    ctrl.Paste();
    const std::string& t = Text();
    EXPECT_EQ(t.find('\r'), std::string::npos);
    EXPECT_EQ(t.substr(0, 4), "a\nb\n");
    size_t longest = 0, start = 0;
    for (size_t nl; (nl = t.find('\n', start)) != std::string::npos; start = nl + 1)
        longest = std::max(longest, nl - start);
    longest = std::max(longest, t.size() - start);
    EXPECT_EQ(longest, 2047u);
    EXPECT_EQ(NewlineCount(t), 4); // the 5000 characters arrive as three lines

    // an insertion that makes its last line too long breaks it, as one undo step
    SetText(std::string(2040, 'q'), 2000);
    ctrl.InsertText("01234567"); // exactly 2048 characters: already too long
    EXPECT_EQ(Text().find('\n'), 2047u);
    EXPECT_EQ(ctrl.GetCaret(), 2008);
    ctrl.Undo();
    EXPECT_EQ(Text(), std::string(2040, 'q'));
}

TEST_F(Edit, DeleteRefusals)
{
    SetText("ab", 2);
    EXPECT_EQ(ctrl.DeleteChar(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errNothingToDelete);
    SetText(std::string(1000, 'a') + "\n" + std::string(1047, 'b'), 1000);
    EXPECT_EQ(ctrl.DeleteChar(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errJoinTooLong);
    EXPECT_EQ(ctrl.GetLineCount(), 2);
    SetText(std::string(1000, 'a') + "\n" + std::string(1046, 'b'), 1000);
    EXPECT_EQ(ctrl.DeleteChar(), 1); // 2046 columns still join
    EXPECT_EQ(ctrl.GetLineCount(), 1);
    SetText("abc");
    ctrl.SelectRange(1, 1, true);
    EXPECT_EQ(ctrl.DeleteChar(), 1); // an empty selection counts as none
    EXPECT_EQ(Text(), "bc");
}

TEST_F(Edit, TabInsertsOrMovesAndRefusesAtTheLimit)
{
    SetText("ab", 1);
    EXPECT_EQ(ctrl.InsertTab(), 1);
    EXPECT_EQ(Text(), "a\tb");
    EXPECT_EQ(ctrl.GetCaret(), 2);
    ctrl.m_nIndentWidth = 6;
    std::string indent;
    ctrl.MakeIndent(indent);
    EXPECT_EQ(indent, "\t  ");
    ctrl.m_nIndentWidth = 4;
    ctrl.SetOverwrite(true);
    SetText("abcdefgh", 1);
    ctrl.InsertTab();
    EXPECT_EQ(Text(), "abcdefgh");
    EXPECT_EQ(ctrl.GetCaret(), 5);
    ctrl.SetOverwrite(false);
    SetText(std::string(2044, 'x'), 0);
    EXPECT_EQ(ctrl.InsertTab(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errTabTooLong);
}

TEST_F(Edit, IndentThreeLinesIsOneUndoStep)
{
    SetText("a\nb\nc\nd");
    ctrl.SelectRange(0, 5, true);
    ASSERT_EQ(ctrl.IndentSelection(true), 1);
    EXPECT_EQ(Text(), "\ta\n\tb\n\tc\nd");
    int s, e;
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 0);
    ctrl.Undo();
    EXPECT_EQ(Text(), "a\nb\nc\nd");
    ctrl.Redo();
    EXPECT_EQ(Text(), "\ta\n\tb\n\tc\nd");
    // a selection made upwards keeps its direction
    SetText("a\nb\nc");
    ctrl.SelectRange(3, 1, true);
    ctrl.IndentSelection(true);
    ctrl.GetSelection(s, e);
    EXPECT_EQ(Text(), "\ta\n\tb\nc");
    EXPECT_GT(s, e);
    EXPECT_EQ(e, 0);
    // Shift+Tab removes one step and undoes exactly what it removed
    SetText("  \tx\n      y\n\t  z\nq");
    ctrl.SelectRange(0, 16, true);
    ASSERT_EQ(ctrl.IndentSelection(false), 1);
    EXPECT_EQ(Text(), "x\n  y\n\tz\nq");
    ctrl.Undo();
    EXPECT_EQ(Text(), "  \tx\n      y\n\t  z\nq");
    ctrl.Redo();
    EXPECT_EQ(Text(), "x\n  y\n\tz\nq");
}

TEST_F(Edit, OutdentEndingInsideTheRemovedBlanks)
{
    // the selection ends among the blanks that go: its end moves only by those before it
    SetText("a\n\n    b\n");
    ctrl.SelectRange(2, 4, true);
    ASSERT_EQ(ctrl.IndentSelection(false), 1);
    EXPECT_EQ(Text(), "a\n\nb\n");
    int s, e;
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 2);
    EXPECT_EQ(e, 3);
    ctrl.Undo();
    EXPECT_EQ(Text(), "a\n\n    b\n");
    ctrl.Redo();
    EXPECT_EQ(Text(), "a\n\nb\n");
}

TEST_F(Edit, SelectionEndingAtALineStartLeavesThatLine)
{
    SetText("a\nb\nc");
    ctrl.SelectRange(0, 4, true);
    ctrl.IndentSelection(true);
    EXPECT_EQ(Text(), "\ta\n\tb\nc");
}

TEST_F(Edit, WhichSelectionsQualifyForIndenting)
{
    struct Case
    {
        const char* text;
        int a, b;
        bool indent, outdent;
    } cases[] = {
        {"ab\ncd", 0, 1, false, false}, // inside one line
        {"ab\ncd", 0, 5, true, false},  // no blank anywhere
        {" b\ncd", 1, 5, true, true},   // the first line begins with a blank
        {"ab\n c", 1, 4, true, true},   // a line after a "\n" inside
        {"ab\n c\n", 1, 3, true, false}, // a line that begins at the selection's end does not count
        {"ab\n c", 4, 5, true, true},   // no "\n", but reaching the end: its line
        {"ab\ncd", 2, 2, false, false}, // empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.a) + "-" + std::to_string(c.b));
        SetText(c.text);
        ctrl.SelectRange(c.a, c.b, true);
        EXPECT_EQ(ctrl.CheckSelectionLines(true) != 0, c.indent);
        EXPECT_EQ(ctrl.CheckSelectionLines(false) != 0, c.outdent);
    }
    SetText("ab\ncd");
    ctrl.SelectRange(0, 1, true);
    EXPECT_EQ(ctrl.IndentSelection(true), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errIndent);
}

TEST_F(Edit, MarkersFollowTheLines)
{
    std::string text;
    for (int i = 0; i < 15; ++i)
        text += "l" + std::to_string(i) + "\n";
    SetText(text);
    auto line = [&](int n) { return ctrl.LineStartOf(int(text.find("l" + std::to_string(n) + "\n"))); };
    ctrl.ToggleMarker(10, 1);
    ctrl.InsertText("x\ny\n", line(3)); // two lines above
    EXPECT_EQ(ctrl.Markers().front()->m_nLine, 12);
    ctrl.Undo();
    EXPECT_EQ(ctrl.Markers().front()->m_nLine, 10);

    // joining two non-empty lines keeps the lower line's marker on the joined line
    ctrl.ToggleMarker(5, 1);
    ctrl.SetCaretOffset(line(4) + 2, true, false);
    ctrl.DeleteChar();
    std::vector<int> lines;
    for (auto& m : ctrl.Markers())
        lines.push_back(m->m_nLine);
    EXPECT_EQ(lines, (std::vector<int>{4, 9}));

    // deleting an empty line removes its markers
    ctrl.RemoveAllMarkers();
    SetText("a\n\nb\n");
    ctrl.ToggleMarker(1, 1);
    ctrl.ToggleMarker(2, 1);
    ctrl.SetCaretOffset(2, true, false);
    ctrl.DeleteChar();
    ASSERT_EQ(ctrl.Markers().size(), 1u);
    EXPECT_EQ(ctrl.Markers().front()->m_nLine, 1);
    // Enter at a line start moves that line's marker down
    ctrl.SetCaretOffset(2, true, false);
    ctrl.InsertChar('\n');
    EXPECT_EQ(ctrl.Markers().front()->m_nLine, 2);
}

TEST_F(Edit, LineCountFollowsEveryChange)
{
    SetText("one\ntwo\n");
    auto check = [&](const char* step) {
        EXPECT_EQ(ctrl.LineCountMember(), NewlineCount(Text())) << step;
        EXPECT_EQ(ctrl.GetLineCount(), NewlineCount(Text()) + 1) << step;
    };
    Type("a\nb\n");
    check("typing");
    ctrl.SelectRange(1, 9, true);
    ctrl.DeleteSelection(true, false, false);
    check("delete selection");
    clipboard.SetText("p\r\nq\r\n", false);
    ctrl.Paste();
    check("paste");
    ctrl.SelectRange(0, ctrl.GetTextLength(), true);
    ctrl.IndentSelection(true);
    check("indent");
    while (ctrl.CanUndo())
        ctrl.Undo();
    check("undo all");
    while (ctrl.CanRedo())
        ctrl.Redo();
    check("redo all");
}

class Blocks : public IEditBlockTable
{
public:
    int BlockCount() const override { return 2; }
    std::string_view BlockStart(int i) const override { return i ? "\"" : "--[["; }
    std::string_view BlockEnd(int i) const override { return i ? "\"" : "]]"; }
};

// A block table of the comment block and n more that counts how often it is asked.
class CountingBlocks : public IEditBlockTable
{
public:
    explicit CountingBlocks(int n) : starts{"--[["}, ends{"]]"}
    {
        for (int i = 0; i < n; ++i) {
            starts.push_back("#" + std::to_string(i % 1000));
            ends.push_back(i % 2 ? "" : "@" + std::to_string(i % 100));
        }
    }
    int BlockCount() const override { return ++calls, int(starts.size()); }
    std::string_view BlockStart(int i) const override { return ++calls, starts.at(size_t(i)); }
    std::string_view BlockEnd(int i) const override { return ++calls, ends.at(size_t(i)); }
    std::vector<std::string> starts, ends;
    mutable long calls = 0;
};

TEST_F(Edit, TypedCharacterAsksTheBlockTableAsOftenWithThirtyThousandBlocks)
{
    const std::string text = "local x = 1 --[[ note ]] y #7 z";
    long asked[2] = {0, 0};
    const int counts[2] = {30, 30000};
    for (int k = 0; k < 2; ++k) {
        CountingBlocks blocks(counts[k]);
        ctrl.SetBlockTable(&blocks);
        for (int caret : {3, 12, 29}) { // away from the blocks, at "--[[", after "#7"
            SetText(text, caret);
            ctrl.NoteKeyDown('Z');
            ctrl.OnChar('z'); // the first look may read the whole table
            blocks.calls = 0;
            ctrl.NoteKeyDown('Z');
            ctrl.OnChar('z');
            asked[k] += blocks.calls;
        }
        EXPECT_TRUE(ctrl.IsNearBlockDelimiter(13));
        EXPECT_TRUE(ctrl.IsNearBlockDelimiter(28));
        EXPECT_FALSE(ctrl.IsNearBlockDelimiter(3));
        ctrl.SetBlockTable(nullptr);
    }
    EXPECT_EQ(asked[1], asked[0]);
}

TEST_F(Edit, BlockDelimitersNearTheCaretRepaintTheTextArea)
{
    Blocks blocks;
    const std::string text = "local x = 1 --[[ note ]] y";
    SetText(text);
    EXPECT_FALSE(ctrl.IsNearBlockDelimiter(12)); // no table yet
    ctrl.SetBlockTable(&blocks);
    EXPECT_FALSE(ctrl.IsNearBlockDelimiter(3));
    EXPECT_TRUE(ctrl.IsNearBlockDelimiter(12));
    EXPECT_TRUE(ctrl.IsNearBlockDelimiter(24));
    // an edit near a delimiter may recolour every line below: the text area
    // is repainted; elsewhere only the edited line
    struct Case
    {
        int caret;
        unsigned key; // 0: the character 'z'
        bool textArea;
    } cases[] = {
        {3, 0, false}, {12, 0, true}, {26, 0, true},       // typing
        {3, 46, false}, {14, 46, true}, {23, 46, true},    // Delete
        {4, 8, false}, {17, 8, true},                      // Backspace
    };
    for (const Case& c : cases) {
        SetText(text, c.caret);
        sink.rects.clear();
        if (c.key) {
            ctrl.OnKeyDown(c.key, false, false);
        } else {
            ctrl.NoteKeyDown('Z');
            ctrl.OnChar('z');
        }
        ASSERT_NE(Text(), text) << c.caret << " " << c.key;
        const bool area = std::find(sink.rects.begin(), sink.rects.end(), ctrl.GetTextRect()) != sink.rects.end();
        EXPECT_EQ(area, c.textArea) << c.caret << " " << c.key;
        if (!c.textArea) {
            for (const EcRect& r : sink.rects)
                EXPECT_LE(r.Height(), kLineH + 2) << c.caret << " " << c.key; // never the whole window
        }
    }
}

} // namespace
} // namespace edtest
