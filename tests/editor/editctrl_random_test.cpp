// Random editing sessions: undoing everything gives the loaded text back, redoing
// everything gives the edited text back, and the line count never drifts.
#include "editctrl_fixture.h"

#include <random>

namespace edtest {
namespace {

class RandomSession : public EditFixture
{
protected:
    void Step(std::mt19937& rng)
    {
        const int len = ctrl.GetTextLength();
        auto any = [&](int n) { return n > 0 ? int(rng() % unsigned(n)) : 0; };
        ctrl.SetCaretOffset(any(len + 1), true, false);
        if (rng() % 4 == 0)
            ctrl.Scroll(1, 4, any(ctrl.GetLineCount()));
        switch (rng() % 14) {
        case 0: Type("word"); break;
        case 1: Type(" x;"); break;
        case 2: ctrl.InsertChar('\n'); break;
        case 3: ctrl.DeleteChar(); break;
        case 4: ctrl.InsertTab(); break;
        case 5: {
            ctrl.SelectRange(any(len + 1), any(len + 1), true);
            clipboard.SetText(rng() % 2 ? "pa\r\nste" : "", false);
            ctrl.Paste();
            break;
        }
        case 6: {
            ctrl.SelectRange(any(len + 1), any(len + 1), true);
            ctrl.IndentSelection(rng() % 2);
            break;
        }
        case 7: {
            ctrl.SetOverwrite(true);
            Type("ov");
            ctrl.SetOverwrite(false);
            break;
        }
        case 8: {
            ctrl.SelectRange(any(len + 1), any(len + 1), true);
            ctrl.DeleteSelection(true, false, rng() % 2);
            ctrl.CloseUndoChain();
            break;
        }
        case 9: {
            const std::string with = "wo\nrd";
            ctrl.Replace("word", &with, rng() % 2, true, false);
            break;
        }
        case 10: {
            const std::string with = "w";
            ctrl.ReplaceAll("word", &with, rng() % 2, true, rng() % 2);
            break;
        }
        case 11: ctrl.InsertText(std::string(size_t(2040 + any(20)), 'q'), any(len + 1)); break;
        case 12: {
            // movements and selection changes, a few at a time
            for (int k = 0; k < 4; ++k) {
                switch (rng() % 9) {
                case 0: ctrl.MoveWordRight(); break;
                case 1: ctrl.MoveWordLeft(); break;
                case 2: ctrl.MoveLineDown(rng() % 2); break;
                case 3: ctrl.MoveLineUp(rng() % 2); break;
                case 4: ctrl.MovePageDown(); break;
                case 5: ctrl.MovePageUp(); break;
                case 6: ctrl.ExtendSelection(any(13)); break;
                case 7: ctrl.MoveTabLeft(); break;
                default: ctrl.LineScroll(rng() % 2); break;
                }
            }
            break;
        }
        default: ctrl.NewLine(true, false, any(len + 1), rng() % 2); break;
        }
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

TEST_F(RandomSession, UndoAndRedoRetraceEveryStep)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const std::string original = "local a = 1\n\tif a then\n    print(a)\nend\n";
        SetText(original);
        for (int i = 0; i < 60; ++i)
            ASSERT_NO_FATAL_FAILURE(Step(rng));
        ASSERT_LT(ctrl.GetUndoCount(), CEditCtrl::kUndoLimit);
        const std::string edited = Text();
        while (ctrl.CanUndo())
            ctrl.Undo(rng() % 2, false);
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

