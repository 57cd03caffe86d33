#include "editor/status/LampCaptionState.h"
#include "editor/status/PromptStrings.h"
#include "editor/status/StatusPanes.h"

#include <gtest/gtest.h>

namespace {

std::vector<unsigned> Ids(const StatusPaneModel& m)
{
    std::vector<unsigned> ids;
    CCJStatusBarPane p;
    for (int i = 0; m.GetPane(i, p); ++i)
        ids.push_back(p.id);
    return ids;
}

// The editor's bar: three panes of id 0, then the steps its window takes.
StatusPaneModel EditorBar()
{
    StatusPaneModel m(1024);
    m.SetIndicators({0, 0, 0});
    EXPECT_FALSE(m.AddIndicator(0, 0));
    m.SetPaneWidth(0, 190);
    EXPECT_TRUE(m.AddIndicator(1, 1));
    m.SetPaneWidth(1, 240);
    return m;
}

} // namespace

TEST(StatusPanes, EditorBarEndsWithIds0100)
{
    StatusPaneModel m = EditorBar();
    EXPECT_EQ(Ids(m), (std::vector<unsigned>{0, 1, 0, 0}));
    CCJStatusBarPane p;
    ASSERT_TRUE(m.GetPane(0, p));
    EXPECT_EQ(p.width, 190);
    EXPECT_EQ(p.style, unsigned(SBPS_STRETCH | SBPS_NOBORDERS));  // kept through the insert
    ASSERT_TRUE(m.GetPane(1, p));
    EXPECT_EQ(p.width, 240);
    EXPECT_EQ(p.style, 0u);
    ASSERT_TRUE(m.GetPane(3, p));
    EXPECT_EQ(p.width, 256);
    EXPECT_FALSE(m.GetPane(4, p));
    EXPECT_FALSE(m.GetPane(-1, p));
}

TEST(StatusPanes, AddIndicatorPositions)
{
    struct Case {
        int position;
        std::vector<unsigned> ids;
    } cases[] = {
        {0, {9, 1, 2, 3}},
        {2, {1, 2, 9, 3}},
        {3, {1, 2, 3, 9}},    // at the count: appended
        {4, {1, 2, 9, 3}},    // beyond the count: before the last pane
        {40, {1, 2, 9, 3}},
        {-5, {9, 1, 2, 3}},   // negative: at the front
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        StatusPaneModel m;
        m.SetIndicators({1, 2, 3});
        m.SetPaneWidth(1, 77);
        m.SetPaneText(2, L"ready");
        ASSERT_TRUE(m.AddIndicator(c.position, 9));
        EXPECT_EQ(Ids(m), c.ids);
        CCJStatusBarPane p;
        m.GetPane(m.CommandToIndex(9), p);
        EXPECT_EQ(p.width, 50);
        m.GetPane(m.CommandToIndex(2), p);
        EXPECT_EQ(p.width, 77);
        m.GetPane(m.CommandToIndex(3), p);
        EXPECT_EQ(p.text, L"ready");
    }
    StatusPaneModel empty;
    EXPECT_TRUE(empty.AddIndicator(5, 4));
    EXPECT_EQ(Ids(empty), (std::vector<unsigned>{4}));
    EXPECT_FALSE(empty.AddIndicator(0, 4));
    EXPECT_EQ(Ids(empty), (std::vector<unsigned>{4}));
}

TEST(StatusPanes, ControlsNeedAFreeExistingPane)
{
    StatusPaneModel m = EditorBar();
    EXPECT_FALSE(m.AddControl(11, 7, true));   // no pane 7
    EXPECT_TRUE(m.AddControl(11, 0, false));
    EXPECT_FALSE(m.AddControl(12, 0, true));   // pane 0 taken
    EXPECT_TRUE(m.AddControl(12, 1, true));
    ASSERT_EQ(m.Controls().size(), 2u);
    EXPECT_EQ(m.GetPaneControl(0)->m_pWnd, 11);
    EXPECT_FALSE(m.GetPaneControl(0)->m_bAutoDelete);

    CCJStatusBarPaneControlInfo removed;
    EXPECT_TRUE(m.RemoveIndicator(1, &removed));
    EXPECT_EQ(removed.m_pWnd, 12);
    EXPECT_TRUE(removed.m_bAutoDelete);
    EXPECT_EQ(Ids(m), (std::vector<unsigned>{0, 0, 0}));
    EXPECT_EQ(m.GetPaneControl(1), nullptr);
    // every pane of id 0 goes with the first control record of that id
    EXPECT_TRUE(m.RemoveIndicator(0, &removed));
    EXPECT_EQ(m.GetCount(), 0);
}

TEST(StatusPanes, RectanglesAndInsets)
{
    StatusPaneModel m = EditorBar();
    ASSERT_TRUE(m.AddControl(1, 0, false));
    // narrow bar: every pane at its width plus 6, 2 pixels apart
    EXPECT_EQ(m.GetItemRect(0, 500, 28), (Rect{0, 2, 196, 28}));
    EXPECT_EQ(m.GetItemRect(1, 500, 28), (Rect{198, 2, 444, 28}));
    auto placed = m.PositionControls(500, 28);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].second, (Rect{2, 4, 194, 26}));
    // a bar wider than its panes: the stretching first pane takes the rest
    const int used = 196 + 2 + 246 + 2 + 262 + 2 + 262;
    EXPECT_EQ(m.GetItemRect(0, used + 100, 28), (Rect{0, 2, 296, 28}));
    EXPECT_EQ(m.PositionControls(used + 100, 40)[0].second, (Rect{2, 4, 294, 38}));
    // a pane that lets its control fill it
    m.SetPaneInfo(0, 0, SBPS_FILLCONTROL, 190);
    EXPECT_EQ(m.PositionControls(500, 28)[0].second, (Rect{0, 2, 196, 28}));
}

TEST(LampCaption, LayoutAndCountdown)
{
    LampCaptionState s;
    s.m_strCaption = L"LuaEdit";
    s.Layout(186, 22);
    EXPECT_EQ(s.m_rcLampColumn, (Rect{84, 0, 94, 22}));
    EXPECT_EQ(s.m_rcLamp[2], (Rect{84, 14, 94, 21}));
    s.Layout(0, 22);  // an empty client keeps the old layout
    EXPECT_EQ(s.m_rcLampColumn, (Rect{84, 0, 94, 22}));
    EXPECT_EQ(s.TextRect(186, 22), (Rect{0, 0, 84, 22}));
    EXPECT_EQ(s.m_crLamp[2], 0u);

    EXPECT_TRUE(s.SetBlinkPeriods(100, 0, 30));
    EXPECT_EQ(s.m_nLampPeriod[0], 5);
    EXPECT_EQ(s.m_nLampPeriod[1], 0);
    EXPECT_EQ(s.m_nLampPeriod[2], 1);  // under one tick: at least one
    EXPECT_EQ(s.FlashLamp(0, true), 5);
    EXPECT_EQ(s.FlashLamp(1, true), 1);  // no period: lit for one count, never counted down
    EXPECT_EQ(s.FlashLamp(2, true), 1);

    // tick 1: lamps 0 and 2 count (2 counting: repaint); tick 2: only lamp 0 (repaint);
    // ticks 3, 4: lamp 0 alone again (no change); tick 5: lamp 0 reaches 0
    EXPECT_TRUE(s.Tick());
    EXPECT_TRUE(s.Tick());
    EXPECT_FALSE(s.Tick());
    EXPECT_FALSE(s.Tick());
    EXPECT_FALSE(s.Tick());
    EXPECT_EQ(s.m_nLampTicks[0], 0);
    EXPECT_TRUE(s.Tick());  // nothing counts any more
    EXPECT_EQ(s.m_nLampTicks[1], 1);
    EXPECT_EQ(s.m_nLampTicks[2], 0);

    s.LightLamp(0);
    for (int i = 0; i < 100; ++i)
        s.Tick();
    EXPECT_NE(s.m_nLampTicks[0], 0);  // lit for good
    EXPECT_NE(s.m_bLampsShown, 0);

    EXPECT_FALSE(s.SetBlinkPeriods(0, 0, 500));  // lamp 2 alone starts no timer
    EXPECT_EQ(s.m_nLampPeriod[0], 0);
}

TEST(LampCaption, HoverReportsLampChanges)
{
    LampCaptionState s;
    s.m_strCaption = L"Lamp";
    s.Layout(100, 30);  // column 48..58, lamps 10 high
    int lamp = -1;
    EXPECT_FALSE(s.MouseMove(50, 5, lamp));  // tips off
    s.m_bLampTips = true;
    EXPECT_FALSE(s.MouseMove(20, 5, lamp));  // outside the column
    EXPECT_TRUE(s.MouseMove(50, 5, lamp));
    EXPECT_EQ(lamp, 0);
    EXPECT_FALSE(s.MouseMove(52, 6, lamp));  // same lamp: nothing new
    EXPECT_TRUE(s.MouseMove(50, 25, lamp));
    EXPECT_EQ(lamp, 2);
}

TEST(PromptStrings, Table)
{
    const std::pair<unsigned, const char*> prompts[] = {
        {32820, "Sace Script As"},      {32821, "Load other Script"},
        {40005, "Exit with SaveCheck"}, {40007, "HTML Reference "},
        {40008, "ShowInfo"},            {40009, "Start DebugView"},
        {40015, "Start Debug with LineTrace"}, {40018, "Dump on Trace/Break"},
        {57603, "Save Script"},
    };
    std::string s;
    for (const auto& [id, text] : prompts) {
        EXPECT_TRUE(LoadPromptString(id, s)) << id;
        EXPECT_EQ(s, text);
    }
    EXPECT_FALSE(LoadPromptString(57634, s));
    EXPECT_TRUE(s.empty());
}
