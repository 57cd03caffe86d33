// The line queries and movements over a collapsed region supplied through the
// outline interface.
#include "editctrl_fixture.h"
#include "one_region_outline.h"

namespace edtest {
namespace {

TEST_F(EditFixture, CollapsedRegionCountsAsItsPlaceholder)
{
    SetText("ab{\n12\n}cd\nnext");
    OneRegion region(ctrl, 2, 7); // "{\n12\n}"
    ctrl.m_bOutlining = true;
    ctrl.SetOutline(&region);
    EXPECT_EQ(ctrl.ColumnFromOffset(8), 5);
    EXPECT_EQ(ctrl.ColumnFromOffset(8, false), 1);
    EXPECT_EQ(ctrl.LineFromOffset(8), 0);
    EXPECT_EQ(ctrl.LineFromOffset(8, false, false), 2);
    EXPECT_EQ(ctrl.LineStartOf(8), 0);
    EXPECT_EQ(ctrl.LineEndOf(0), 10);
    EXPECT_EQ(ctrl.OffsetFromColumn(3, 0), 2);
    EXPECT_EQ(ctrl.OffsetFromColumn(5, 0), 8);
    EcPoint p;
    ctrl.PointFromOffset(8, p);
    EXPECT_EQ(p, (EcPoint{kLeft + 2 * kCharW + 3 * kCharW, 0}));
    EXPECT_EQ(ctrl.OffsetFromPoint(At(2, 1), false, false), 13); // the second visible line is "next"

    ctrl.SetCaretOffset(2, true, false);
    ctrl.MoveCharRight();
    EXPECT_EQ(ctrl.GetCaret(), 8); // over the whole region
    ctrl.MoveCharLeft();
    EXPECT_EQ(ctrl.GetCaret(), 2);
    ctrl.SetCaretOffset(9, true, false);
    ctrl.SetWantedColumn();
    ctrl.MoveLineDown();
    EXPECT_EQ(ctrl.GetCaret(), 15); // column 6 is past "next": its end
    ctrl.MoveLineUp();
    EXPECT_EQ(ctrl.GetCaret(), 9);

    ctrl.InsertText("x", 0);
    ctrl.SetCaretOffset(0, true, false);
    ctrl.DeleteChar();
    EXPECT_EQ(region.inserted, 1);
    EXPECT_EQ(region.deleted, 1);
    ctrl.SetOutline(nullptr);
}

} // namespace
} // namespace edtest
