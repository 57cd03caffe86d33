// Markers of the edit control: toggling, order, navigation, change notification.
#include "editctrl_fixture.h"

namespace edtest {
namespace {

class Markers : public EditFixture
{
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        std::string text;
        for (int i = 0; i < 20; ++i)
            text += "line " + std::to_string(i) + "\n";
        SetText(text);
        ctrl.SetMarkersChangedHandler([this] { ++changes; });
    }
    std::vector<std::pair<int, int>> List() const // (line, priority) in list order
    {
        std::vector<std::pair<int, int>> out;
        for (auto& m : ctrl.Markers())
            out.emplace_back(m->m_nLine, m->m_nPriority);
        return out;
    }
    int changes = 0;
};

TEST_F(Markers, ToggleAddsThenRemoves)
{
    EXPECT_EQ(ctrl.ToggleMarker(3, 1), 1);
    EXPECT_TRUE(ctrl.HasMarkers(1));
    EXPECT_EQ(ctrl.ToggleMarker(3, 1), 0);
    EXPECT_FALSE(ctrl.HasMarkers(1));
    // two types on one line
    ctrl.ToggleMarker(4, 2);
    EXPECT_EQ(ctrl.ToggleMarker(4, 1), 1);
    EXPECT_EQ(ctrl.Markers().size(), 2u);
    ctrl.ToggleMarker(4, 1);
    ASSERT_EQ(ctrl.Markers().size(), 1u);
    EXPECT_EQ(ctrl.Markers().front()->m_nType, 2);
    // -1: the caret line
    ctrl.SetCaretOffset(ctrl.LineStartOf(int(Text().find("line 6"))), true, false);
    ctrl.ToggleMarker(-1, 1);
    CEditMarker* found = nullptr;
    EXPECT_NE(ctrl.FindMarker(6, &found, 1), nullptr);
    EXPECT_EQ(found->m_nLine, 6);
}

TEST_F(Markers, RefusedTypesAddNothing)
{
    EXPECT_EQ(ctrl.ToggleMarker(2, 32), 0);
    EXPECT_EQ(ctrl.ToggleMarker(2, 0x8000 | 1), 0);
    EXPECT_TRUE(ctrl.Markers().empty());
    EXPECT_EQ(ctrl.ToggleMarker(2, 0x10000 | 1), 1); // bits above 32768 pass
    CEditCtrl windowless;
    EXPECT_EQ(windowless.ToggleMarker(0, 1), 0);
}

TEST_F(Markers, LineColourSpanFromAboveBlocksTheToggle)
{
    CEditMarker* m = ctrl.AddLineColorMarker(5, 0xFF, 0xFFFFFFFF, false, 3);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_nType, CEditMarker::kLineColor);
    EXPECT_EQ(ctrl.ToggleMarker(7, CEditMarker::kLineColor), 0);
    EXPECT_EQ(ctrl.Markers().size(), 1u);
}

TEST_F(Markers, OrderedByPriorityThenLineThenType)
{
    ctrl.ToggleMarker(7, 1);
    ctrl.ToggleMarker(3, 1);
    ctrl.ToggleMarker(9, 1, 0, true, 5);
    ctrl.ToggleMarker(1, 1, 0, true, -1); // negative ranks above every positive priority
    ctrl.ToggleMarker(3, 2);
    EXPECT_EQ(List(), (std::vector<std::pair<int, int>>{{1, -1}, {9, 5}, {3, 0}, {3, 0}, {7, 0}}));
    auto it = ctrl.Markers().begin();
    std::advance(it, 2);
    EXPECT_EQ((*it)->m_nType, 1);
}

TEST_F(Markers, NextMarkerWraps)
{
    ctrl.ToggleMarker(3, 1);
    ctrl.ToggleMarker(8, 1);
    ctrl.ToggleMarker(5, 2);
    ctrl.SetCaretOffset(ctrl.LineStartOf(int(Text().find("line 10"))), true, false);
    EXPECT_EQ(ctrl.GoToNextMarker(1, true), 1);
    EXPECT_EQ(ctrl.GetCaretLine(), 3); // wrapped to the first
    EXPECT_EQ(ctrl.GoToNextMarker(1, true), 1);
    EXPECT_EQ(ctrl.GetCaretLine(), 8);
    EXPECT_EQ(ctrl.GoToNextMarker(1, false), 1);
    EXPECT_EQ(ctrl.GetCaretLine(), 3);
    EXPECT_EQ(ctrl.GoToNextMarker(1, false), 1);
    EXPECT_EQ(ctrl.GetCaretLine(), 8); // wrapped to the last
    EXPECT_EQ(ctrl.GoToNextMarker(4, true), 0);
}

TEST_F(Markers, EditsMoveAndRemoveMarkers)
{
    ctrl.ToggleMarker(10, 1);
    ctrl.ToggleMarker(12, 1);
    ctrl.InsertText("a\nb\n", ctrl.LineStartOf(int(Text().find("line 2"))));
    EXPECT_EQ(List(), (std::vector<std::pair<int, int>>{{12, 0}, {14, 0}}));
    // deleting whole lines 12 to 13 removes that marker and moves the one below
    const int a = ctrl.LineStartOf(int(Text().find("line 10")));
    const int b = ctrl.LineStartOf(int(Text().find("line 12")));
    ctrl.SelectRange(a, b, true);
    ctrl.DeleteSelection(false, false, false);
    EXPECT_EQ(List(), (std::vector<std::pair<int, int>>{{12, 0}}));
    ctrl.Undo();
    EXPECT_EQ(List(), (std::vector<std::pair<int, int>>{{14, 0}}));
}

TEST_F(Markers, LineColourSpanFollowsADeletionFromAbove)
{
    struct Case
    {
        int fromLine, fromColumn, toLine, toColumn;
        int line, extra; // the span after the deletion
    } cases[] = {
        {7, 2, 11, 2, 7, 3},  // inside line 7 to inside line 11: old 11..14 now 7..10
        {8, 0, 11, 0, 8, 3},  // whole lines 8..10
        {7, 2, 10, 7, 8, 3},  // inside line 7 to the end of line 10: line 11 becomes 8
        {12, 0, 13, 0, 10, 3} // a line inside the span
    };
    const std::string original = Text();
    for (const Case& c : cases) {
        SetText(original);
        ctrl.RemoveAllMarkers();
        ASSERT_NE(ctrl.AddLineColorMarker(10, 0xFF, 0x00, true, 4), nullptr);
        auto at = [&](int line, int column) { return ctrl.LineStartOf(int(Text().find("line " + std::to_string(line) + "\n"))) + column; };
        ctrl.SelectRange(at(c.fromLine, c.fromColumn), at(c.toLine, c.toColumn), true);
        ctrl.OnKeyDown(46, false, false); // Delete
        ASSERT_EQ(ctrl.Markers().size(), 1u);
        const auto* m = dynamic_cast<const CLineColorMarker*>(ctrl.Markers().front().get());
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->m_nLine, c.line) << c.fromLine << "." << c.fromColumn;
        EXPECT_EQ(m->m_nExtraLines, c.extra) << c.fromLine << "." << c.fromColumn;
    }
}

TEST_F(Markers, EveryChangeIsNotified)
{
    ctrl.ToggleMarker(10, 1);
    EXPECT_EQ(changes, 1);
    ctrl.InsertText("x\n", 0); // shift
    EXPECT_EQ(changes, 2);
    const int a = ctrl.LineStartOf(int(Text().find("line 9")));
    ctrl.SelectRange(a, a + 13, true); // "line 9\nline 1": the marked line moves up
    ctrl.DeleteSelection(false, false, false);
    EXPECT_EQ(changes, 3);
    ASSERT_EQ(List(), (std::vector<std::pair<int, int>>{{10, 0}}));
    const int before = changes;
    ctrl.Undo(); // the lines come back: markers shift again
    EXPECT_GT(changes, before);
    const int beforeToggle = changes;
    ctrl.InsertText("same line", 0); // no line end: nothing moves
    EXPECT_EQ(changes, beforeToggle);
    ctrl.ToggleMarker(3, 1);
    EXPECT_EQ(changes, beforeToggle + 1);
    const int line3 = ctrl.LineStartOf(int(Text().find("line 2"))); // "line 2" stands on line 3
    ctrl.SelectRange(line3, line3 + 7, true); // the whole marked line: range removal
    ctrl.DeleteSelection(false, false, false);
    EXPECT_EQ(ctrl.FindMarker(3, nullptr, 1), nullptr);
    EXPECT_EQ(changes, beforeToggle + 3); // removed, and the marker below moved up
    ctrl.RemoveAllMarkers();
    EXPECT_EQ(changes, beforeToggle + 4);
    ctrl.Reset();
    EXPECT_EQ(changes, beforeToggle + 4); // nothing left to remove
}

TEST_F(Markers, LineColourSpansShrinkWithDeletedLines)
{
    struct Case
    {
        int first, last;
        int line, extra; // after
    } cases[] = {
        {12, 20, 10, 1},  // starts inside, reaches past the end: cut before it
        {11, 12, 10, 2},  // inside: shorter
        {8, 11, 8, 2},    // from above into the span: the rest stays, from the first deleted line
    };
    for (const auto& c : cases) {
        CLineColorMarker m;
        m.m_nLine = 10;
        m.m_nExtraLines = 4; // lines 10..14
        m.OnLinesDeleted(c.first, c.last);
        EXPECT_EQ(m.m_nLine, c.line) << c.first << "-" << c.last;
        EXPECT_EQ(m.m_nExtraLines, c.extra) << c.first << "-" << c.last;
    }
    CHiliteMarker h;
    h.m_nStart = 5;
    h.m_nEnd = 10;
    EXPECT_EQ(h.OffsetRelation(0, 4), 0);
    EXPECT_EQ(h.OffsetRelation(0, 20), 1);
    EXPECT_EQ(h.OffsetRelation(8, 20), 2);
    h.UniteOffsets(8, 20);
    EXPECT_EQ(h.m_nEnd, 21);
}

} // namespace
} // namespace edtest
