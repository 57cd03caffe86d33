#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "log_capture.h"
#include "tracks/SplineDot.h"
#include "track_test_support.h"

namespace {

using namespace tracktest;

bool AllFinite(const Dots& d)
{
    for (const CVec3& p : d)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return false;
    return true;
}

TEST(CommitTrack, TurnsTheStrokeIntoAnOpenOrClosedHost)
{
    const Dots ring = {{1000, 1000, 0}, {1500, 1000, 0}, {1500, 1500, 0}, {1000, 1500, 0}, {1050, 1060, 0}};
    struct Case {
        const char* what;
        Dots live;
        CVec3 cursor;
        int hosts;
        uint8_t closed;
        Dots expected; // empty: not checked
    } cases[] = {
        {"closing drops the repeated last dot", ring, {1300, 1300, 0}, 1, 1, Dots(ring.begin(), ring.end() - 1)},
        {"near the start alone keeps every dot", Dots(ring.begin(), ring.end() - 1), {1010, 1000, 0}, 1, 1,
         Dots(ring.begin(), ring.end() - 1)},
        {"two dots close together make a one-dot ring", {{1000, 1000, 0}, {1100, 1000, 0}}, {3000, 0, 0}, 1, 1,
         {{1000, 1000, 0}}},
        {"one dot is dropped", {{1000, 1000, 0}}, {3000, 0, 0}, 0, 0, {}},
        {"an open stroke is smoothed and thinned", Line(1000, 1000, 0, 20, 144), {5000, 5000, 0}, 1, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSplineDot set;
        set.m_LiveDots = c.live;
        set.m_Cursor = c.cursor;
        set.m_PickedHost = 0;
        LogCapture log;
        set.CommitTrack();
        ASSERT_EQ(set.GetHostCount(), c.hosts);
        EXPECT_TRUE(set.m_LiveDots.empty());
        EXPECT_EQ(set.m_PickedHost, -1);
        if (c.hosts == 0)
            continue;
        const TrackHost& h = set.m_Hosts[0];
        EXPECT_EQ(h.closed, c.closed);
        EXPECT_EQ(h.dirty, 1);
        if (!c.expected.empty()) {
            EXPECT_EQ(h.dots, c.expected);
        }
        EXPECT_EQ(log.Contains("CSplineDotUtil::CommitTrack Optimize size="), c.closed == 0);
        set.CommitTrack(); // nothing left to commit
        EXPECT_EQ(set.GetHostCount(), c.hosts);
    }
    // 20 collinear dots keep the 4 at each end
    CSplineDot set;
    set.m_LiveDots = Line(1000, 1000, 0, 20, 144);
    set.m_Cursor = CVec3(9000, 9000, 0);
    LogCapture log;
    set.CommitTrack();
    EXPECT_TRUE(log.Contains("CSplineDotUtil::CommitTrack Optimize size=8//20"));
    EXPECT_EQ(set.m_Hosts[0].dots.size(), 8u);
}

TEST(CommitTrack, CornerDotsAreInsertedNextToCorners)
{
    CSplineDotUtil u;
    // a long run into a corner, then a short step and a long run out of it
    TrackHost h = MakeHost({{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {700, 0, 0}, {700, 50, 0}, {700, 550, 0},
                            {700, 650, 0}});
    u.AddCornerDots(h);
    const Dots expected = {{0, 0, 0},   {100, 0, 0},  {200, 0, 0},  {392, 0, 0},
                           {700, 0, 0}, {700, 50, 0}, {700, 358, 0}, {700, 550, 0}, {700, 650, 0}};
    ASSERT_EQ(h.dots.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(h.dots[i].x, expected[i].x, 1e-3f) << i;
        EXPECT_NEAR(h.dots[i].y, expected[i].y, 1e-3f) << i;
    }
    // segments shorter than 384 get nothing; fewer than 4 dots are left alone
    TrackHost shortRun = MakeHost({{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {500, 0, 0}, {500, 300, 0}});
    TrackHost three = MakeHost({{0, 0, 0}, {900, 0, 0}, {900, 900, 0}});
    const Dots before = shortRun.dots, threeBefore = three.dots;
    u.AddCornerDots(shortRun);
    u.AddCornerDots(three);
    EXPECT_EQ(shortRun.dots, before);
    EXPECT_EQ(three.dots, threeBefore);
}

TEST(MergeIntoHost, JoinsAtTheMatchingEnds)
{
    const Dots host = {{1000, 0, 0}, {1200, 0, 0}, {1400, 0, 0}, {1600, 0, 0}};
    struct Case {
        const char* what;
        Dots list;
        CVec3 point;
        Dots joined;
    } cases[] = {
        {"end to end", {{1600, 800, 0}, {1600, 600, 0}, {1600, 400, 0}, {1610, 50, 0}}, {1610, 50, 0},
         {{1000, 0, 0}, {1200, 0, 0}, {1400, 0, 0}, {1610, 50, 0}, {1600, 400, 0}, {1600, 600, 0}, {1600, 800, 0}}},
        {"end to start", {{1000, 800, 0}, {1000, 400, 0}, {990, 40, 0}}, {990, 40, 0},
         {{1000, 800, 0}, {1000, 400, 0}, {990, 40, 0}, {1200, 0, 0}, {1400, 0, 0}, {1600, 0, 0}}},
        {"start to end", {{1610, 40, 0}, {1600, 400, 0}, {1600, 800, 0}}, {1610, 40, 0},
         {{1000, 0, 0}, {1200, 0, 0}, {1400, 0, 0}, {1610, 40, 0}, {1600, 400, 0}, {1600, 800, 0}}},
        {"start to start", {{990, 40, 0}, {1000, 400, 0}, {1000, 800, 0}}, {990, 40, 0},
         {{1000, 800, 0}, {1000, 400, 0}, {990, 40, 0}, {1200, 0, 0}, {1400, 0, 0}, {1600, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSplineDotUtil u;
        u.m_Hosts.push_back(MakeHost(host));
        u.m_Hosts.push_back(MakeHost(host, 1)); // closed hosts never take a stroke
        u.m_LiveDots = c.list;
        u.m_PickedDot = CVec3(1, 1, 1);
        ASSERT_TRUE(u.MergeIntoHost(u.m_LiveDots, c.point));
        EXPECT_EQ(u.m_Hosts[0].dots, c.joined);
        EXPECT_EQ(u.m_Hosts[0].dirty, 1);
        EXPECT_EQ(u.m_Hosts[0].closed, 0);
        EXPECT_EQ(u.m_Hosts[1].dots, host);
        EXPECT_TRUE(u.m_LiveDots.empty());
        EXPECT_EQ(u.m_PickedDot, CVec3());
    }
}

TEST(MergeIntoHost, HighestCaseWinsAndAHostListIsRemoved)
{
    CSplineDotUtil u;
    u.m_Hosts.push_back(MakeHost({{0, 0, 0}, {200, 0, 0}}));        // its first dot: end to start
    u.m_Hosts.push_back(MakeHost({{400, 300, 0}, {60, 20, 0}}));    // its last dot: end to end
    u.m_Hosts.push_back(MakeHost({{-800, 0, 0}, {-500, 0, 0}, {50, 50, 0}})); // the list itself
    Dots& list = u.m_Hosts[2].dots;
    ASSERT_TRUE(u.MergeIntoHost(list, CVec3(50, 50, 0)));
    ASSERT_EQ(u.GetHostCount(), 2);
    EXPECT_EQ(u.m_Hosts[0].dots, (Dots{{0, 0, 0}, {200, 0, 0}}));
    EXPECT_EQ(u.m_Hosts[1].dots, (Dots{{400, 300, 0}, {50, 50, 0}, {-500, 0, 0}, {-800, 0, 0}}));

    CSplineDotUtil none;
    none.m_Hosts.push_back(MakeHost({{0, 0, 0}, {200, 0, 0}}));
    Dots far = {{5000, 5000, 0}, {6000, 5000, 0}};
    EXPECT_FALSE(none.MergeIntoHost(far, CVec3(6000, 5000, 0)));
    Dots empty;
    EXPECT_FALSE(none.MergeIntoHost(empty, CVec3(0, 0, 0)));
}

TEST(ChainHosts, ReversesToMeetNearestEndsAndPutsClosedHostsLast)
{
    CSplineDotUtil u;
    const Dots ring = {{0, 5000, 0}, {300, 5000, 0}, {300, 5300, 0}};
    const Dots a = Line(1000, 1000, 0, 4, 300);        // ends at (1900, 1000)
    const Dots b = Line(4000, 1000, 180, 5, 400);      // runs back towards a, ends at (2400, 1000)
    u.m_Hosts.push_back(MakeHost(ring, 1));
    u.m_Hosts.push_back(MakeHost({}));                 // an empty host is left over, not read
    u.m_Hosts.push_back(MakeHost(a));
    u.m_Hosts.push_back(MakeHost(b));
    u.ChainHosts();
    ASSERT_EQ(u.GetHostCount(), 4);
    EXPECT_EQ(u.m_Hosts[0].dots, a);
    Dots reversed(b.rbegin(), b.rend());
    EXPECT_EQ(u.m_Hosts[1].dots, reversed) << "500 units apart: too far to snap";
    EXPECT_EQ(u.m_Hosts[2].dots, ring);
    EXPECT_EQ(u.m_Hosts[2].mesh.m_Number, 0);
    EXPECT_TRUE(u.m_Hosts[3].dots.empty());
    EXPECT_EQ(u.m_Hosts[3].mesh.m_Number, 1);

    // nothing open to start from: the first host starts, even an empty one
    CSplineDotUtil closedOnly;
    closedOnly.m_Hosts.push_back(MakeHost({}));
    closedOnly.m_Hosts.push_back(MakeHost(ring, 1));
    closedOnly.m_Hosts.push_back(MakeHost(ring, 1));
    closedOnly.ChainHosts();
    EXPECT_TRUE(closedOnly.m_Hosts[0].dots.empty());
    EXPECT_EQ(closedOnly.m_Hosts[1].dots, ring);

    // a single host is left as it is
    CSplineDotUtil single;
    single.m_Hosts.push_back(MakeHost(b));
    single.ChainHosts();
    EXPECT_EQ(single.m_Hosts[0].dots, b);
    EXPECT_EQ(single.m_Hosts[0].dirty, 0);
}

TEST(ChainHosts, KeepsThePickOnTheSameDot)
{
    CSplineDotUtil u;
    const Dots a = Line(1000, 1000, 0, 4, 300);
    const Dots b = Line(4000, 1000, 180, 5, 400);
    u.m_Hosts.push_back(MakeHost(b));
    u.m_Hosts.push_back(MakeHost(a));
    u.m_PickedHost = 0;
    u.m_PickedDot = b.front(); // b's first dot becomes its last when reversed
    u.ChainHosts();
    EXPECT_EQ(u.m_PickedHost, 1);
    EXPECT_EQ(u.m_PickedDot, b.front());

    u.m_PickedHost = 1;
    u.m_PickedDot = u.m_Hosts[1].dots[2]; // an inner dot still names its host
    u.m_Hosts.insert(u.m_Hosts.begin(), MakeHost(Line(9000, 9000, 0, 2, 100), 1));
    u.m_PickedHost = 2;
    u.ChainHosts();
    EXPECT_EQ(u.m_Hosts[u.m_PickedHost].dots.size(), 5u);
}

TEST(SnapHosts, MovesOrTurnsEachHostOntoItsPredecessor)
{
    const Dots a = Line(1000, 1000, 0, 4, 300); // ends at (1900, 1000) heading +x
    struct Case {
        const char* what;
        CVec3 start;      // of the second host
        float degrees;    // its heading
        bool moves;
        float heading;    // expected heading afterwards
    } cases[] = {
        {"100 apart: moved as a whole", {1900, 1100, 40}, 30.0f, true, 30.0f},
        {"200 apart within 20 degrees: turned and moved", {2100, 1000, 0}, 15.0f, true, 0.0f},
        {"200 apart, turned the other way", {2100, 1000, 0}, -15.0f, true, 0.0f},
        {"200 apart beyond 20 degrees: left", {2100, 1000, 0}, 25.0f, false, 25.0f},
        {"beyond 384: left", {2300, 1000, 0}, 0.0f, false, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSplineDotUtil u;
        u.m_Hosts.push_back(MakeHost(a));
        Dots b = Line(c.start.x, c.start.y, c.degrees, 4, 300);
        for (CVec3& d : b)
            d.z = c.start.z;
        u.m_Hosts.push_back(MakeHost(b));
        u.SnapHosts();
        const TrackHost& h = u.m_Hosts[1];
        EXPECT_EQ(h.dirty, c.moves ? 1 : 0);
        if (!c.moves) {
            EXPECT_EQ(h.dots, b);
            continue;
        }
        EXPECT_EQ(h.dots.front(), a.back());
        const CVec3 seg = h.dots[1] - h.dots[0];
        EXPECT_NEAR(std::atan2(seg.y, seg.x) * 180.0 / M_PI, c.heading, 0.15);
        EXPECT_NEAR(seg.Length(), 300.0f, 0.5f);
        EXPECT_NEAR(h.dots.back().z, 0.0f, 1e-3f) << "heights follow the join";
    }
}

TEST(SnapHosts, ClosedAndShortHostsStayAndZeroLengthEndsGiveNoNaN)
{
    const Dots a = Line(1000, 1000, 0, 4, 300);
    CSplineDotUtil u;
    u.m_Hosts.push_back(MakeHost(a));
    u.m_Hosts.push_back(MakeHost(Line(1950, 1000, 0, 3, 300), 1)); // closed, 50 away
    u.m_Hosts.push_back(MakeHost({{2000, 1000, 0}}));             // one dot
    const Dots closedBefore = u.m_Hosts[1].dots;
    u.SnapHosts();
    EXPECT_EQ(u.m_Hosts[1].dots, closedBefore);
    EXPECT_EQ(u.m_Hosts[2].dots, (Dots{{2000, 1000, 0}}));

    // repeated dots at both sides of the joint: the directions come from longer segments
    Dots prev = a;
    prev.push_back(prev.back());
    Dots next = Line(2100, 1000, 10, 4, 300);
    next.insert(next.begin(), next.front());
    CSplineDotUtil v;
    v.m_Hosts.push_back(MakeHost(prev));
    v.m_Hosts.push_back(MakeHost(next));
    v.SnapHosts();
    const Dots& got = v.m_Hosts[1].dots;
    EXPECT_TRUE(AllFinite(got));
    EXPECT_EQ(got.front(), prev.back());
    EXPECT_NEAR(got.back().y, 1000.0f, 2.0f) << "turned onto the heading of the host before";

    // a host whose dots all coincide has no direction: it is not turned
    CSplineDotUtil w;
    w.m_Hosts.push_back(MakeHost(a));
    const Dots same = {{2100, 1000, 0}, {2100, 1000, 0}, {2100, 1000, 0}};
    w.m_Hosts.push_back(MakeHost(same));
    w.SnapHosts();
    EXPECT_EQ(w.m_Hosts[1].dots, same);
}

} // namespace
