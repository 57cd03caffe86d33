// Selection, clipboard and dragging out of the edit control.
#include "editctrl_fixture.h"

namespace edtest {
namespace {

using Clip = EditFixture;

TEST_F(Clip, CopyNeedsASelectionUnlessTheWholeTextIsWanted)
{
    SetText("ab\ncd");
    clipboard.SetText("old", false);
    EXPECT_EQ(ctrl.Copy(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errCopy);
    EXPECT_EQ(clipboard.text, "old");
    ctrl.m_bCopyWholeText = true;
    EXPECT_EQ(ctrl.Copy(), 1);
    EXPECT_EQ(clipboard.text, "ab\r\ncd");
}

TEST_F(Clip, LineEndsAreCrLfOutAndLfIn)
{
    SetText("one\ntwo\nthree");
    ctrl.SelectRange(0, 7, true);
    ASSERT_EQ(ctrl.Copy(), 1);
    EXPECT_EQ(clipboard.text, "one\r\ntwo");
    ctrl.SelectRange(-1, 0);
    ctrl.SetCaretOffset(ctrl.GetTextLength(), true, false);
    ctrl.Paste();
    EXPECT_EQ(Text(), "one\ntwo\nthreeone\ntwo");
    EXPECT_EQ(ctrl.GetCaret(), ctrl.GetTextLength());
}

TEST_F(Clip, PasteOverASelectionAtTheStartTakesTwoUndos)
{
    clipboard.SetText("NEW", false);
    SetText("abc def");
    ctrl.SelectRange(0, 3, true);
    ctrl.Paste();
    EXPECT_EQ(Text(), "NEW def");
    ctrl.Undo();
    EXPECT_EQ(Text(), " def");
    ctrl.Undo();
    EXPECT_EQ(Text(), "abc def");

    SetText("abc def");
    ctrl.SelectRange(4, 7, true);
    ctrl.Paste();
    EXPECT_EQ(Text(), "abc NEW");
    ctrl.Undo();
    EXPECT_EQ(Text(), "abc def");
    ctrl.Redo();
    EXPECT_EQ(Text(), "abc NEW");
}

TEST_F(Clip, CutRefusesWhenTheClipboardFails)
{
    SetText("keep this");
    ctrl.SelectRange(0, 4, true);
    clipboard.fail = true;
    EXPECT_EQ(ctrl.Cut(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errCutClipboard);
    EXPECT_EQ(Text(), "keep this");
    EXPECT_FALSE(ctrl.CanUndo());
    EXPECT_EQ(ctrl.Copy(), 0);
    clipboard.fail = false;
    EXPECT_EQ(ctrl.Cut(), 1);
    EXPECT_EQ(Text(), " this");
    EXPECT_EQ(clipboard.text, "keep");
}

TEST_F(Clip, PasteRefusals)
{
    SetText("x");
    EXPECT_EQ(ctrl.Paste(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errPasteNoText);
    clipboard.SetText("y", false);
    ctrl.m_bReadOnly = true;
    EXPECT_EQ(ctrl.CanPaste(), 0);
    EXPECT_EQ(ctrl.Paste(), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errPasteReadOnly);
    EXPECT_EQ(Text(), "x");
}

TEST_F(Clip, ExtendSelectionKeepsTheAnchorAndRestoresOnRefusal)
{
    SetText("  abc def\nxyz", 7);
    ctrl.ExtendSelection(CEditCtrl::selLineEnd);
    ctrl.ExtendSelection(CEditCtrl::selLineStart);
    int s, e;
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 7);
    EXPECT_EQ(e, 2);

    SetText("abc", 3);
    ctrl.SelectRange(1, 3);
    EXPECT_EQ(ctrl.ExtendSelection(CEditCtrl::selCharRight), 0);
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errExtend);
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 1);
    EXPECT_EQ(e, 3);

    SetText("abc", 0); // a refused movement without a selection leaves none
    EXPECT_EQ(ctrl.ExtendSelection(CEditCtrl::selCharLeft), 0);
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, -1);
    EXPECT_EQ(e, -1);

    EXPECT_EQ(ctrl.ExtendSelection(CEditCtrl::selAll), 1);
    ctrl.GetSelection(s, e);
    EXPECT_EQ(s, 3);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(ctrl.ExtendSelection(99), 0);
}

TEST_F(Clip, CancelAndSelectLine)
{
    SetText("abcdef\nsecond\nlast");
    ctrl.SelectRange(5, 2);
    EXPECT_EQ(ctrl.CancelSelection(true, false, true), 1);
    EXPECT_EQ(ctrl.GetCaret(), 2);
    EXPECT_EQ(ctrl.CancelSelection(true, false, true), 0);
    ctrl.SelectLine(1);
    int s, e;
    ctrl.GetSelection(s, e);
    EXPECT_EQ(ctrl.GetSelectedText(), "second\n");
    EXPECT_EQ(ctrl.GetCaret(), 7);
    ctrl.SelectLine(2, true);
    EXPECT_EQ(ctrl.GetSelectedText(), "last");
    ctrl.SelectLine(3);
    EXPECT_EQ(ctrl.GetSelectedText(), "last");
}

class FakeDrag : public IEditDragSource
{
public:
    int RunDrag(const std::string& bytes, EcPoint& end) override
    {
        dragged = bytes;
        end = endAt;
        return effect;
    }
    std::string dragged;
    int effect = 0;
    EcPoint endAt;
};

TEST_F(Clip, DraggingTheSelectionOut)
{
    FakeDrag drag;
    ctrl.SetDragSource(&drag);
    SetText("move me\nplease");
    ctrl.SelectRange(0, 10, true);
    drag.effect = 2; // moved into another window
    drag.endAt = {300, 200};
    ctrl.DragSelection(At(1, 0));
    EXPECT_EQ(drag.dragged, "move me\r\npl");
    EXPECT_EQ(Text(), "ease");
    ctrl.Undo();
    EXPECT_EQ(Text(), "move me\nplease");

    // a press and release in place is a click: the selection goes, the caret lands there
    ctrl.SelectRange(0, 4, true);
    drag.effect = 0;
    drag.endAt = At(2, 0);
    ctrl.DragSelection(At(2, 0));
    EXPECT_FALSE(ctrl.HasSelection());
    EXPECT_EQ(ctrl.GetCaret(), 2);
    EXPECT_EQ(Text(), "move me\nplease");
}

TEST_F(Clip, ColumnTextPastesOneLineBelowTheOther)
{
    SetText("abcd\nefgh\nij", 2);
    clipboard.SetText("X\r\nY\r\nZ\r\nW", true);
    ASSERT_EQ(ctrl.Paste(), 1);
    EXPECT_EQ(Text(), "abXcd\nefYgh\nijZ\nW");
    EXPECT_EQ(ctrl.GetLineCount(), 4);
    EXPECT_TRUE(ctrl.IsModified());
    ctrl.Undo(); // one step, and nothing else goes out of step with the history
    EXPECT_EQ(Text(), "abcd\nefgh\nij");
    ctrl.Redo();
    EXPECT_EQ(Text(), "abXcd\nefYgh\nijZ\nW");
    SetText("a\nbcd", 0); // a target line of one character: plain text
    ctrl.Paste();
    EXPECT_EQ(Text(), "X\nY\nZ\nWa\nbcd");
}

TEST_F(Clip, DropRulesWithoutARegisteredTarget)
{
    SetText("abc def");
    ctrl.SelectRange(0, 3, true);
    EXPECT_EQ(ctrl.OnDrop("xyz", false, 1, At(1, 0)), 0); // onto the selection
    EXPECT_EQ(ctrl.LastError(), CEditCtrl::errDrop);
    EXPECT_EQ(ctrl.OnDrop("", false, 1, At(5, 0)), 0); // no text offered
    EXPECT_EQ(ctrl.OnDragOver("xyz", 8, At(5, 0)), 1);  // Ctrl: copy
    EXPECT_EQ(ctrl.OnDragOver("xyz", 0, At(5, 0)), 2);
    EXPECT_EQ(ctrl.OnDrop("xyz", false, 1, At(5, 0)), 1);
    EXPECT_EQ(Text(), "abc dxyzef");
    ctrl.Undo();
    EXPECT_EQ(Text(), "abc def");
}

} // namespace
} // namespace edtest
