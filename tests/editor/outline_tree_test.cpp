#include "editor/editctrl/OutlineChangeSet.h"
#include "editor/editctrl/OutlineNode.h"
#include "outline_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<COutlineNode> Node(int start, int end, int header = 0, uint32_t kind = COutlineNode::kRegion)
{
    auto n = std::make_unique<COutlineNode>();
    n->m_nStart = start;
    n->m_nEnd = end;
    n->m_nHeaderLength = header;
    n->m_nKind = kind;
    n->m_nBlock = 0;
    return n;
}

COutlineNode* Place(COutlineNode& parent, int start, int end, int header = 0, uint32_t kind = COutlineNode::kRegion)
{
    OutlineChangeSet changes(0, 0);
    return parent.InsertChild(Node(start, end, header, kind), changes);
}

} // namespace

TEST(OutlineNode, FollowsInsertions)
{
    // region 10..20 whose header starts at 6
    const struct {
        int offset, length;
        int start, end, header;
    } cases[] = {
        {3, 2, 12, 22, 4},   // before the header: moves
        {6, 2, 12, 22, 4},   // at the header's start: moves, header unchanged
        {8, 2, 12, 22, 6},   // inside the header: the header grows
        {10, 2, 12, 22, 6},  // at the start: between keyword and start
        {15, 2, 10, 22, 4},  // inside: grows at its end
        {20, 2, 10, 22, 4},  // at the last character
        {21, 2, 10, 20, 4},  // after: unchanged
    };
    for (const auto& c : cases) {
        COutlineNode root;
        COutlineNode* n = Place(root, 10, 20, 4);
        root.OnTextInserted(c.offset, c.length);
        EXPECT_EQ(n->m_nStart, c.start) << c.offset;
        EXPECT_EQ(n->m_nEnd, c.end) << c.offset;
        EXPECT_EQ(n->m_nHeaderLength, c.header) << c.offset;
        EXPECT_EQ(root.m_nStart, -1);
    }
}

TEST(OutlineNode, FollowsDeletions)
{
    const struct {
        int first, end;  // deleted first .. end (excluded)
        int start, stop, header;
    } cases[] = {
        {0, 3, 7, 17, 4},    // before
        {7, 9, 8, 18, 2},    // inside the header
        {4, 8, 6, 16, 2},    // from before the header into it
        {12, 15, 10, 17, 4}, // inside
        {15, 25, 10, 14, 4}, // from inside past the end
        {8, 12, 8, 16, 2},   // over the start: the header keeps its own start
        {21, 30, 10, 20, 4}, // after
    };
    for (const auto& c : cases) {
        COutlineNode root;
        COutlineNode* n = Place(root, 10, 20, 4);
        root.OnTextDeleted(c.first, c.end);
        EXPECT_EQ(n->m_nStart, c.start) << c.first << ".." << c.end;
        EXPECT_EQ(n->m_nEnd, c.stop) << c.first << ".." << c.end;
        EXPECT_EQ(n->m_nHeaderLength, c.header) << c.first << ".." << c.end;
    }
}

TEST(OutlineNode, InsertChildPlacesMovesAndRemoves)
{
    COutlineNode root;
    COutlineNode* a = Place(root, 0, 5);
    COutlineNode* b = Place(root, 10, 20);
    COutlineNode* b1 = Place(root, 16, 18);  // passed down into b
    Place(root, 30, 40);
    ASSERT_EQ(b1->Parent(), b);
    ASSERT_EQ(root.Children().size(), 3u);

    // overlaps b and c, holds b1: b and c are removed, b1 moves into the new node
    OutlineChangeSet changes(15, 35);
    COutlineNode* n = root.InsertChild(Node(15, 35), changes);
    ASSERT_EQ(root.Children().size(), 2u);
    EXPECT_EQ(root.Children()[0].get(), a);
    EXPECT_EQ(root.Children()[1].get(), n);
    ASSERT_EQ(n->Children().size(), 1u);
    EXPECT_EQ(n->Children()[0].get(), b1);
    EXPECT_EQ(b1->Parent(), n);
    ASSERT_EQ(changes.m_removed.size(), 2u);
    EXPECT_EQ(changes.m_removed[0]->m_nStart, 10);
    EXPECT_TRUE(changes.m_removed[0]->Children().empty());
    EXPECT_EQ(changes.m_removed[1]->m_nStart, 30);
    EXPECT_EQ(changes.m_added, (std::vector<COutlineNode*>{n}));
    EXPECT_EQ(changes.m_nFirst, 10);
    EXPECT_EQ(changes.m_nLast, 40);

    // in front of a later child; inside a child
    COutlineNode* front = Place(root, 7, 8);
    COutlineNode* inner = Place(root, 2, 3);
    EXPECT_EQ(root.Children()[1].get(), front);
    EXPECT_EQ(inner->Parent(), a);
    EXPECT_EQ(CheckOutlineTree(root), "");
}

TEST(OutlineNode, QueriesAndRangeRemoval)
{
    COutlineNode root;
    COutlineNode* outer = Place(root, 0, 50);
    COutlineNode* inner = Place(root, 10, 20);
    Place(root, 12, 12, 0, COutlineNode::kOpenOnly);
    COutlineNode* later = Place(root, 30, 40);

    const struct {
        int offset;
        COutlineNode* region;
    } regions[] = {{5, outer}, {10, inner}, {12, inner}, {21, inner}, {22, outer}, {41, later}, {51, outer}, {52, nullptr}};
    for (const auto& c : regions)
        EXPECT_EQ(root.FindRegionAt(c.offset), c.region) << c.offset;

    EXPECT_EQ(root.FindCollapsedAt(15), nullptr);
    inner->SetCollapsed(true);
    outer->SetCollapsed(true);
    EXPECT_EQ(root.FindCollapsedAt(15), outer);  // depth first: the outer one comes first
    outer->SetCollapsed(false);
    EXPECT_EQ(root.FindCollapsedAt(15), inner);
    EXPECT_EQ(root.FindCollapsedAt(25), nullptr);

    OutlineChangeSet changes(5, 45);
    EXPECT_EQ(root.RemoveNodesInRange(5, 45, changes), 3);  // inner with its child, and later
    ASSERT_EQ(outer->Children().size(), 0u);
    EXPECT_EQ(changes.m_removed.size(), 2u);
    EXPECT_EQ(changes.m_removed[0]->Children().size(), 1u);
    EXPECT_EQ(root.Children().size(), 1u);
}

TEST(Outlining, TogglingCountsHiddenLinesAndOnlyFoldsRegions)
{
    TextOutline o("a\nb {\nc\nd\n}\ne");
    o.m_bOutlining = true;
    COutlineNode* region = o.AddOutlineRegion(4, 10, 2, false, nullptr);
    COutlineNode* open = Place(o.m_OutlineRoot, 12, 12, 0, COutlineNode::kOpenOnly);
    COutlineNode* close = Place(o.m_OutlineRoot, 13, 13, 0, COutlineNode::kCloseOnly);
    ASSERT_EQ(region->m_nBlock, -1);
    EXPECT_EQ(region->m_strReplace, "...");

    EXPECT_EQ(o.ToggleOutlineNode(region), 1);
    EXPECT_TRUE(region->m_bCollapsed);
    EXPECT_EQ(o.m_nHiddenLines, 3);
    EXPECT_EQ(o.caret, 2);  // start of the line holding the region's start
    EXPECT_EQ(o.FindCollapsedNodeAt(6), region);
    std::string visible;
    o.GetVisibleText(visible, 0, int(o.text.size()));
    EXPECT_EQ(visible, "a\nb \ne");

    for (COutlineNode* unmatched : {open, close}) {
        o.ToggleOutlineNode(unmatched);
        EXPECT_FALSE(unmatched->m_bCollapsed);
    }
    EXPECT_EQ(o.m_nHiddenLines, 3);

    EXPECT_EQ(o.ToggleOutlineAtLine(3), 1);  // the line "b {"
    EXPECT_FALSE(region->m_bCollapsed);
    EXPECT_EQ(o.m_nHiddenLines, 0);
    EXPECT_EQ(o.ToggleOutlineAtLine(0), 0);  // no region on "a"
}

TEST(Outlining, CollapsedTipIsCutAt512)
{
    TextOutline o(std::string(1000, 'x'));
    o.m_bOutlining = true;
    COutlineNode* big = o.AddOutlineRegion(100, 899, 0, true, "[...]");
    COutlineNode* small = o.AddOutlineRegion(950, 959, 0, true, nullptr);
    big->m_rcBox = OutlineRect{10, 10, 40, 20};
    small->m_rcBox = OutlineRect{50, 10, 70, 20};
    std::string tip;
    ASSERT_TRUE(o.CollapsedTextAtPoint(15, 15, tip));
    EXPECT_EQ(tip.size(), 512u);
    ASSERT_TRUE(o.CollapsedTextAtPoint(60, 12, tip));
    EXPECT_EQ(tip.size(), 10u);
    EXPECT_FALSE(o.CollapsedTextAtPoint(45, 15, tip));
    EXPECT_TRUE(o.CollapsedTextAtOffset(960, tip));  // just after the region
    EXPECT_EQ(tip.size(), 10u);
}

TEST(Outlining, EditsMoveAndRemoveRegions)
{
    TextOutline o("0123456789abcdefghij");
    o.m_bOutlining = true;
    COutlineNode* keep = o.AddOutlineRegion(2, 8, 0, false, nullptr);
    o.AddOutlineRegion(12, 15, 0, false, nullptr);
    o.Insert(0, "++");
    EXPECT_EQ(keep->m_nStart, 4);
    o.Erase(14, 4);  // the whole second region
    ASSERT_EQ(o.m_OutlineRoot.Children().size(), 1u);
    EXPECT_EQ(o.m_OutlineRoot.Children()[0].get(), keep);
    EXPECT_GT(o.invalidates, 0);

    o.m_bOutlining = false;  // regions are not honoured: edits leave them alone
    o.Insert(0, "++");
    EXPECT_EQ(keep->m_nStart, 4);
}

TEST(Outlining, ReparseDoesNothingUntilOutliningIsStarted)
{
    TextOutline o("t = {\n  a = { 1 },\n}\n");
    o.Enable();
    o.ReadOutlineSettings("<BLOCKS><BLOCK><Start>{</Start><End>}</End></BLOCK></BLOCKS>", " \n{}");
    o.ReparseOutlineRange(-1, -1);
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());
    EXPECT_EQ(o.redraws + o.invalidates, 0);

    o.StartOutlining();
    ASSERT_EQ(o.m_OutlineRoot.Children().size(), 1u);
    const COutlineNode& table = *o.m_OutlineRoot.Children()[0];
    EXPECT_TRUE(table.m_bCollapsed);  // every region found is folded
    EXPECT_EQ(table.Children().size(), 1u);
    EXPECT_EQ(o.m_nHiddenLines, 2);
    EXPECT_GT(o.redraws, 0);

    o.StopOutlining();
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());
    EXPECT_EQ(o.m_nHiddenLines, 0);
    o.Insert(0, "{}");  // stopped: no reparse
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());

    o.m_bOutliningStarted = true;
    o.m_bOutlineParse = false;
    o.ReparseOutlineRange(-1, -1);
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());
    o.m_bOutlineParse = true;
    o.ReparseOutline(5, 1000, true);  // past the text
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());
    o.ReparseOutlineRange(-1, -1);
    EXPECT_EQ(o.m_OutlineRoot.Children().size(), 2u);
}

TEST(Outlining, HandMadeRegionsFromTheSelectionAndTheCaret)
{
    TextOutline o("one\ntwo\nthree\nfour\n");
    o.m_bOutlining = true;
    o.selFirst = 4;
    o.selEnd = 14;  // "two\nthree\n": the region ends before the selected line feed
    o.HideSelection();
    ASSERT_EQ(o.m_OutlineRoot.Children().size(), 1u);
    COutlineNode* hidden = o.m_OutlineRoot.Children()[0].get();
    EXPECT_EQ(hidden->m_nStart, 4);
    EXPECT_EQ(hidden->m_nEnd, 12);
    EXPECT_TRUE(hidden->m_bCollapsed);
    EXPECT_EQ(o.m_nHiddenLines, 1);
    EXPECT_EQ(o.caret, 14);

    o.selFirst = o.selEnd = -1;
    o.caret = 13;  // just after the region: the caret stays
    EXPECT_EQ(o.ToggleOutliningAtCaret(), 1);
    EXPECT_FALSE(hidden->m_bCollapsed);
    EXPECT_EQ(o.caret, 13);
    o.caret = 6;
    EXPECT_EQ(o.ToggleOutliningAtCaret(), 1);
    EXPECT_TRUE(hidden->m_bCollapsed);
    EXPECT_EQ(o.caret, 4);

    o.m_bOutliningStarted = true;  // automatic outlining keeps its regions
    o.StopHidingSelection();
    EXPECT_EQ(o.m_OutlineRoot.Children().size(), 1u);
    o.m_bOutliningStarted = false;
    o.StopHidingSelection();
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());
    EXPECT_EQ(o.m_nHiddenLines, 0);
}
