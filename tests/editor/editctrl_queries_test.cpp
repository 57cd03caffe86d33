// Marker colour and data queries, archiving of markers and outline nodes,
// visible-line stepping and one-line repaints.
#include "editctrl_fixture.h"
#include "one_region_outline.h"

#include "editor/editctrl/EditArchive.h"
#include "editor/editctrl/OutlineChangeSet.h"

namespace edtest {
namespace {

TEST_F(EditFixture, MarkerColourQueriesFindTheFirstCoveringMarker)
{
    SetText(std::string(20, '\n'));
    ctrl.AddLineColorMarker(4, 0x0000FF, 0x00FF00, true, 2); // lines 4 to 6
    ctrl.AddLineColorMarker(6, 0x111111, 0x222222, true, 0);
    ctrl.AddHiliteMarker(3, 7, 0x333333, 0x444444); // offsets 3 .. 6
    COLORREF text = 0, back = 0;
    EXPECT_TRUE(ctrl.GetLineColorMarkerColors(6, text, back));
    EXPECT_EQ(text, 0x0000FFu); // list order: the one added first stands first
    EXPECT_EQ(back, 0x00FF00u);
    EXPECT_FALSE(ctrl.GetLineColorMarkerColors(7, text, back));
    EXPECT_FALSE(ctrl.GetLineColorMarkerColors(3, text, back));

    EXPECT_TRUE(ctrl.GetHiliteColors(3, text, back));
    EXPECT_EQ(text, 0x333333u);
    EXPECT_EQ(back, 0x444444u);
    EXPECT_TRUE(ctrl.GetHiliteColors(6, text, back));
    EXPECT_FALSE(ctrl.GetHiliteColors(7, text, back)); // the end is excluded
    EXPECT_FALSE(ctrl.GetHiliteColors(2, text, back));
}

TEST_F(EditFixture, MarkerDataIsSetOnlyOnAMarkerOfTheList)
{
    SetText("a\nb\nc");
    ctrl.ToggleMarker(1, CEditMarker::kBreakpoint);
    CEditMarker* marker = ctrl.FindMarker(1, nullptr, CEditMarker::kBreakpoint);
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(ctrl.SetMarkerDataAt(marker, 77));
    EXPECT_EQ(ctrl.FindMarkerByData(77), marker);
    CEditMarker stranger(1, CEditMarker::kBreakpoint, 0, 0);
    EXPECT_FALSE(ctrl.SetMarkerDataAt(&stranger, 5));
    EXPECT_EQ(stranger.m_nData, 0u);
}

TEST(EditArchiveTest, MarkersAndOutlineNodesStopAtTheirUserData)
{
    // storing: the fields are written, then the data refuses
    CHiliteMarker marker;
    marker.m_nLine = 3;
    marker.m_nPriority = 2;
    marker.m_nStart = 10;
    std::vector<uint8_t> bytes;
    CEditArchive store(bytes, false);
    try {
        marker.Serialize(store);
        FAIL() << "a marker was archived";
    } catch (const CEditArchiveException& e) {
        EXPECT_EQ(e.m_cause, CEditArchiveException::writeOnly);
    }
    EXPECT_EQ(bytes.size(), 12u); // line, type and priority; never the offsets

    // loading: the fields are read back, then the data refuses
    CHiliteMarker loaded;
    CEditArchive load(bytes, true);
    try {
        loaded.Serialize(load);
        FAIL() << "a marker was loaded";
    } catch (const CEditArchiveException& e) {
        EXPECT_EQ(e.m_cause, CEditArchiveException::readOnly);
    }
    EXPECT_EQ(loaded.m_nLine, 3);
    EXPECT_EQ(loaded.m_nType, CEditMarker::kHilite);
    EXPECT_EQ(loaded.m_nPriority, 2);
    EXPECT_EQ(loaded.m_nStart, 0);

    COutlineNode node;
    node.m_nStart = 4;
    node.m_nEnd = 9;
    node.m_rcBox = {1, 2, 3, 4};
    node.m_nData = 8;
    node.SetData();
    EXPECT_EQ(node.m_nData, 8u); // setting data does nothing
    node.ClearData();
    EXPECT_EQ(node.m_nData, 0u);
    bytes.clear();
    CEditArchive storeNode(bytes, false);
    EXPECT_THROW(node.Serialize(storeNode), CEditArchiveException);
    EXPECT_TRUE(node.m_rcBox.IsEmpty());
    COutlineNode back;
    CEditArchive loadNode(bytes, true);
    EXPECT_THROW(back.Serialize(loadNode), CEditArchiveException);
    EXPECT_EQ(back.m_nStart, 4);
    EXPECT_EQ(back.m_nEnd, 9);
    EXPECT_EQ(back.m_strReplace, "...");

    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 6);
    CEditArchive loadCut(cut, true);
    try {
        COutlineNode().Serialize(loadCut);
        FAIL();
    } catch (const CEditArchiveException& e) {
        EXPECT_EQ(e.m_cause, CEditArchiveException::endOfFile);
    }
}

TEST(OutlineNodeTest, CollectChildrenInRangeTakesDirectChildrenTouchingTheRange)
{
    COutlineNode root;
    OutlineChangeSet changes(0, 0);
    auto add = [&](int start, int end) {
        COutlineBaseNode n;
        n.m_nStart = start;
        n.m_nEnd = end;
        return root.AddCopy(n, changes);
    };
    add(0, 10);
    add(2, 4); // inside the first
    add(20, 30);
    add(40, 50);
    std::vector<COutlineNode*> out;
    root.CollectChildrenInRange(3, 25, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0]->m_nStart, 0);
    EXPECT_EQ(out[1]->m_nStart, 20);
    out.clear();
    root.CollectChildrenInRange(11, 19, out);
    EXPECT_TRUE(out.empty());
}

TEST_F(EditFixture, NextVisibleLineStepsOverACollapsedRegion)
{
    SetText("ab{\n12\n}cd\nnext\nlast");
    OneRegion region(ctrl, 2, 7); // "{\n12\n}" hides two line ends
    ctrl.m_bOutlining = true;
    ctrl.SetOutline(&region);
    int line = 0, count = 0, offset = 0;
    ASSERT_TRUE(ctrl.NextVisibleLine(line, count, offset));
    EXPECT_EQ(offset, 11); // "next"
    EXPECT_EQ(line, 3);
    EXPECT_EQ(count, 1);
    ASSERT_TRUE(ctrl.NextVisibleLine(line, count, offset));
    EXPECT_EQ(offset, 16);
    EXPECT_EQ(line, 4);
    EXPECT_EQ(count, 2);
    EXPECT_FALSE(ctrl.NextVisibleLine(line, count, offset)); // the last line
    EXPECT_EQ(offset, 16);
    ctrl.SetOutline(nullptr);
}

class RectSink : public RecordingSink
{
public:
    void Invalidate(const EcRect& r) override { rects.push_back(r); }
    std::vector<EcRect> rects;
};

TEST(EditCtrlRepaint, RedrawLineTextCoversTheTextColumnsOfOneLine)
{
    FixedMeasurer measurer;
    RectSink sink;
    CEditCtrl ctrl;
    ctrl.Create(&sink, &measurer, EcRect{0, 0, kLeft + 80 * kCharW, 20 * kLineH});
    ctrl.SetWindowText(std::string(40, '\n'));
    ctrl.ScrollView(1, 4, 5); // line 5 on top
    sink.rects.clear();
    ctrl.RedrawLineText(7);
    ASSERT_EQ(sink.rects.size(), 1u);
    EXPECT_EQ(sink.rects[0], (EcRect{kLeft, 2 * kLineH, kLeft + 80 * kCharW, 3 * kLineH}));
    sink.rects.clear();
    ctrl.RedrawLineText(2); // above the view
    EXPECT_TRUE(sink.rects.empty());

    const EcRect client{30, 40, 50, 60};
    const EcRect doc = ctrl.ClientToDocRect(client);
    EXPECT_EQ(doc, (EcRect{30, 40 + 5 * kLineH, 50, 60 + 5 * kLineH}));
    EXPECT_EQ(ctrl.DocToClientRect(doc), client);
}

} // namespace
} // namespace edtest
