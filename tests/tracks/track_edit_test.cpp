// The editing rules driven the way the scene drives them: a key, then a press or
// release, then a move to a picked terrain point; every step is followed by what
// an edit-mode frame does to the hosts (dirty meshes are rebuilt).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "log_capture.h"
#include "tracks/SplineDot.h"
#include "track_test_support.h"

namespace {

using namespace tracktest;

struct Step {
    enum Kind { Move, Press, Release, Key, Check } kind;
    CVec3 p;
    int key = 0;
    std::function<void(const CSplineDot&)> check = {};
};

// A list of input steps; Drag and Arc emit moves in small steps from the last point.
struct Script {
    std::vector<Step> steps;
    CVec3 at;

    Script& MoveTo(const CVec3& p)
    {
        steps.push_back({Step::Move, p});
        at = p;
        return *this;
    }
    Script& Press()
    {
        steps.push_back({Step::Press, at});
        return *this;
    }
    Script& Release()
    {
        steps.push_back({Step::Release, at});
        return *this;
    }
    Script& Key(int code)
    {
        steps.push_back({Step::Key, at, code});
        return *this;
    }
    Script& Drag(const CVec3& to, float step)
    {
        const CVec3 from = at;
        const int n = std::max(1, int(std::ceil(from.Distance(to) / step)));
        for (int i = 1; i <= n; ++i)
            MoveTo(from + (to - from) * (float(i) / float(n)));
        return *this;
    }
    // Around centre c at radius r from angle a0 to a1 (degrees), about every step units.
    Script& Arc(const CVec3& c, float r, float a0, float a1, float step)
    {
        const int n = std::max(1, int(std::ceil(std::fabs(a1 - a0) * M_PI / 180.0 * r / step)));
        for (int i = 1; i <= n; ++i) {
            const double a = (a0 + (a1 - a0) * double(i) / n) * M_PI / 180.0;
            MoveTo(c + CVec3(float(r * std::cos(a)), float(r * std::sin(a)), 0.0f));
        }
        return *this;
    }
    Script& Expect(std::function<void(const CSplineDot&)> f)
    {
        steps.push_back({Step::Check, at, 0, std::move(f)});
        return *this;
    }
};

struct HostSpec {
    Dots dots;
    uint8_t closed = 0;
};

void RunScript(const std::vector<HostSpec>& hosts, const Script& script, CSplineDot& set)
{
    for (const HostSpec& h : hosts) {
        TrackHost t;
        t.dots = h.dots;
        t.closed = h.closed;
        t.dirty = 1;
        set.m_Hosts.push_back(std::move(t));
    }
    set.BuildDirtyMeshes();
    bool down = false;
    for (size_t i = 0; i < script.steps.size(); ++i) {
        const Step& s = script.steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        switch (s.kind) {
        case Step::Move:
            set.OnMouseMove(s.p, down);
            break;
        case Step::Press:
            down = true;
            set.OnMouseDown(true);
            break;
        case Step::Release:
            down = false;
            set.OnMouseUp(false);
            break;
        case Step::Key:
            set.KeyDown(s.key);
            break;
        case Step::Check:
            s.check(set);
            break;
        }
        set.BuildDirtyMeshes();
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// x offsets of the live dots from x0 (all on one line).
std::vector<float> LiveOffsets(const CSplineDot& s, float x0)
{
    std::vector<float> v;
    for (const CVec3& d : s.m_LiveDots)
        v.push_back(std::round((d.x - x0) * 1000.0f) / 1000.0f);
    return v;
}

CVec3 Polar(const CVec3& from, float degrees, float r)
{
    const double a = degrees * M_PI / 180.0;
    return from + CVec3(float(r * std::cos(a)), float(r * std::sin(a)), 0.0f);
}

const CVec3 S(5000, 5000, 0); // a stroke's start, away from every host

struct Case {
    const char* what;
    std::vector<HostSpec> hosts;
    Script script;
};

TEST(TrackEditing, StrokeSimulator)
{
    const Dots endHost = Line(2000, 5000, 0, 4, 192); // open, ends at (2576, 5000)
    const CVec3 end = endHost.back();
    const Dots mergeHost = Line(2000, 3000, 0, 5, 190); // ends at (2760, 3000)
    const Dots dragHost = {{600, 1000, 0}, {1000, 1000, 0}, {1080, 1000, 0}, {1160, 1000, 0}, {1600, 1000, 0}};
    const Dots bowHost = {{600, 1000, 0}, {1000, 1000, 0}, {1150, 1300, 0}, {1300, 1000, 0}, {1700, 1000, 0}};

    std::vector<Case> cases;

    cases.push_back({"a new stroke spaces dots 192 apart, then 144 while near", {},
                     Script()
                         .MoveTo(S)
                         .Press()
                         .MoveTo(S + CVec3(1000, 0, 0))
                         .Expect([](const CSplineDot& s) {
                             // a single-dot stroke is never near: 192 apart
                             EXPECT_EQ(LiveOffsets(s, S.x), (std::vector<float>{0, 192, 384, 576, 768, 960}));
                         })
                         .MoveTo(S + CVec3(1110, 0, 0))
                         .Expect([](const CSplineDot& s) {
                             // within 384 of the inner dot at 768: 144
                             EXPECT_EQ(LiveOffsets(s, S.x).back(), 1104.0f);
                         })
                         .MoveTo(S + CVec3(2000, 0, 0))
                         .Expect([](const CSplineDot& s) {
                             // far from the start and every inner dot: 192 again
                             const auto v = LiveOffsets(s, S.x);
                             EXPECT_EQ(std::vector<float>(v.end() - 4, v.end()),
                                       (std::vector<float>{1296, 1488, 1680, 1872}));
                         })
                         .Release()
                         .Expect([](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 1);
                             EXPECT_EQ(s.m_Hosts[0].closed, 0);
                             EXPECT_TRUE(s.m_LiveDots.empty());
                         })});

    cases.push_back({"two dots within 768 of the start are near", {},
                     Script()
                         .MoveTo(S)
                         .Press()
                         .MoveTo(S + CVec3(200, 0, 0))
                         .MoveTo(S + CVec3(500, 0, 0))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(LiveOffsets(s, S.x), (std::vector<float>{0, 192, 336, 480}));
                         })});

    cases.push_back({"a stroke from an open end adds its second dot at 192", {{endHost}},
                     Script()
                         .MoveTo(end + CVec3(40, 0, 0))
                         .Expect([&](const CSplineDot& s) {
                             EXPECT_EQ(s.m_PickedHost, 0);
                             EXPECT_EQ(s.m_PickedDot, end);
                         })
                         .Press()
                         .Expect([&](const CSplineDot& s) {
                             ASSERT_EQ(s.m_LiveDots.size(), 1u);
                             EXPECT_EQ(s.m_LiveDots[0], end);
                             EXPECT_EQ(s.m_AnchorDot, endHost[2]);
                             EXPECT_EQ(s.m_StartDir, CVec3(1, 0, 0));
                         })
                         .MoveTo(end + CVec3(191, 0, 0))
                         .Expect([](const CSplineDot& s) { EXPECT_EQ(s.m_LiveDots.size(), 1u); })
                         .MoveTo(end + CVec3(192.5f, 0, 0))
                         .Expect([&](const CSplineDot& s) {
                             ASSERT_EQ(s.m_LiveDots.size(), 2u);
                             EXPECT_EQ(s.m_LiveDots[1], end + CVec3(192, 0, 0));
                         })
                         .Release()
                         .Expect([&](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 2);
                             EXPECT_EQ(s.m_Hosts[1].dots.front(), end);
                         })});

    cases.push_back({"moving back along the stroke removes dots and drops a one-dot stroke", {},
                     Script()
                         .MoveTo(S)
                         .Press()
                         .MoveTo(S + CVec3(400, 0, 0))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(LiveOffsets(s, S.x), (std::vector<float>{0, 192, 384}));
                         })
                         .MoveTo(S + CVec3(250, 0, 0))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(LiveOffsets(s, S.x), (std::vector<float>{0, 192}));
                         })
                         .MoveTo(S + CVec3(140, 50, 0))
                         .Expect([](const CSplineDot& s) { EXPECT_TRUE(s.m_LiveDots.empty()); })
                         .MoveTo(S + CVec3(600, 0, 0))
                         .Release()
                         .Expect([](const CSplineDot& s) { EXPECT_EQ(s.GetHostCount(), 0); })});

    const CVec3 last = S + CVec3(960, 0, 0);
    cases.push_back({"a bend over 35 degrees stops growth until it is back to 29.75", {},
                     Script()
                         .MoveTo(S)
                         .Press()
                         .MoveTo(S + CVec3(1000, 0, 0))
                         .MoveTo(Polar(last, 40, 300))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.m_LiveDots.size(), 6u);
                             EXPECT_EQ(s.m_Bent, 1);
                             EXPECT_NEAR(s.m_BendAngle, 40.0f, 0.01f);
                         })
                         .MoveTo(Polar(last, 32, 300))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.m_LiveDots.size(), 6u);
                             EXPECT_EQ(s.m_Bent, 1);
                         })
                         .MoveTo(Polar(last, 29, 300))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.m_Bent, 0);
                             EXPECT_EQ(s.m_LiveDots.size(), 7u);
                         })});

    cases.push_back({"a bend that never passed 35 degrees does not stop growth", {},
                     Script()
                         .MoveTo(S)
                         .Press()
                         .MoveTo(S + CVec3(1000, 0, 0))
                         .MoveTo(Polar(last, 32, 300))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.m_Bent, 0);
                             EXPECT_EQ(s.m_LiveDots.size(), 7u);
                         })});

    const CVec3 centre = S + CVec3(0, 1000, 0);
    cases.push_back({"returning to the start closes the stroke at once", {},
                     Script()
                         .MoveTo(S)
                         .Press()
                         .Arc(centre, 1000, -90, 200, 30)
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.GetHostCount(), 0);
                             EXPECT_GT(s.m_LiveDots.size(), 20u);
                         })
                         .Arc(centre, 1000, 200, 266, 30)
                         .Expect([](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 1);
                             EXPECT_EQ(s.m_Hosts[0].closed, 1);
                             EXPECT_TRUE(s.m_LiveDots.empty());
                         })
                         .Arc(centre, 1000, 266, 300, 30) // later moves change nothing
                         .Release()
                         .Expect([](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 1);
                             EXPECT_EQ(s.m_Hosts[0].closed, 1);
                             EXPECT_GT(s.m_Hosts[0].dots.size(), 30u);
                         })});

    cases.push_back({"reaching an open host's end merges the stroke into it", {{mergeHost}},
                     Script()
                         .MoveTo(CVec3(2760, 4500, 0))
                         .Press()
                         .Drag(CVec3(2760, 3060, 0), 20)
                         .Expect([&](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 1);
                             const Dots& d = s.m_Hosts[0].dots;
                             EXPECT_EQ(Dots(d.begin(), d.begin() + 4), Dots(mergeHost.begin(), mergeHost.begin() + 4));
                             EXPECT_NEAR(d[4].x, 2760, 1e-3);
                             EXPECT_LT(d[4].y, 3000 + 128);
                             EXPECT_EQ(d.back(), CVec3(2760, 4500, 0));
                             EXPECT_GT(d.size(), 10u);
                             EXPECT_EQ(s.m_Hosts[0].closed, 0);
                             EXPECT_TRUE(s.m_LiveDots.empty());
                         })
                         .Drag(CVec3(2900, 3060, 0), 20)
                         .Release()
                         .Expect([](const CSplineDot& s) { EXPECT_EQ(s.GetHostCount(), 1); })});

    cases.push_back({"dragging an inner dot towards a neighbour stops 44 from it", {{dragHost}},
                     Script()
                         .MoveTo(CVec3(1080, 1100, 0))
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.m_PickedHost, 0);
                             EXPECT_EQ(s.m_PickedDot, CVec3(1080, 1000, 0));
                         })
                         .Press()
                         .MoveTo(CVec3(1080, 1000, 0))
                         .Drag(CVec3(1000, 1000, 0), 2)
                         .Expect([](const CSplineDot& s) {
                             const Dots& d = s.m_Hosts[0].dots;
                             EXPECT_NEAR(d[2].x, 1044, 1e-3);
                             EXPECT_EQ(d[2].y, 1000);
                             EXPECT_EQ(d[1], CVec3(1000, 1000, 0));
                             EXPECT_TRUE(s.m_LiveDots.empty());
                         })
                         .Release()});

    cases.push_back({"a dragged dot's offset from its neighbours' chord is cut to 182.4", {{bowHost}},
                     Script()
                         .MoveTo(CVec3(1150, 1250, 0))
                         .Press()
                         .MoveTo(CVec3(1150, 1250, 0))
                         .Expect([](const CSplineDot& s) {
                             const CVec3 d = s.m_Hosts[0].dots[2];
                             EXPECT_NEAR(d.x, 1150, 1e-3);
                             EXPECT_NEAR(d.y, 1000 + 182.4, 1e-3);
                             EXPECT_EQ(s.m_PickedDot, d);
                         })
                         .MoveTo(CVec3(1150, 1400, 0)) // moving away outside the neighbours: refused
                         .Expect([](const CSplineDot& s) {
                             EXPECT_NEAR(s.m_Hosts[0].dots[2].y, 1000 + 182.4, 1e-3);
                         })});

    cases.push_back({"Delete on a two-dot host removes the host", {{{{1000, 1000, 0}, {1300, 1000, 0}}}},
                     Script()
                         .MoveTo(CVec3(1300, 1010, 0))
                         .Key(0x2E)
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.GetHostCount(), 0);
                             EXPECT_EQ(s.m_PickedHost, -1);
                         })});

    cases.push_back({"Delete removes the picked dot", {{{{1000, 1000, 0}, {1300, 1000, 0}, {1600, 1000, 0}}}},
                     Script()
                         .MoveTo(CVec3(1300, 1010, 0))
                         .Key(0x2E)
                         .Expect([](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 1);
                             EXPECT_EQ(s.m_Hosts[0].dots, (Dots{{1000, 1000, 0}, {1600, 1000, 0}}));
                         })});

    cases.push_back({"Backspace removes the picked host",
                     {{Line(1000, 1000, 0, 3, 300)}, {Line(1000, 4000, 0, 3, 300)}},
                     Script()
                         .MoveTo(CVec3(1300, 4000, 0))
                         .Key(0x08)
                         .Expect([](const CSplineDot& s) {
                             ASSERT_EQ(s.GetHostCount(), 1);
                             EXPECT_EQ(s.m_Hosts[0].dots.front(), CVec3(1000, 1000, 0));
                         })
                         .Key(0x08) // nothing picked any more
                         .Expect([](const CSplineDot& s) { EXPECT_EQ(s.GetHostCount(), 1); })});

    cases.push_back({"O smooths and thins the picked host", {{Line(1000, 1000, 0, 20, 144)}},
                     Script()
                         .MoveTo(CVec3(1000, 1000, 0))
                         .Key('O')
                         .Expect([](const CSplineDot& s) { EXPECT_EQ(s.m_Hosts[0].dots.size(), 8u); })});

    cases.push_back({"a dot at the origin cannot be picked", {{{{0, 0, 0}, {300, 0, 0}}}},
                     Script()
                         .MoveTo(CVec3(10, 0, 0))
                         .Key(0x2E)
                         .Expect([](const CSplineDot& s) {
                             EXPECT_EQ(s.m_PickedHost, -1);
                             EXPECT_EQ(s.m_Hosts[0].dots.size(), 2u);
                         })});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSplineDot set;
        RunScript(c.hosts, c.script, set);
    }
}

TEST(TrackEditing, OptimizeKeyLogsTheNewSize)
{
    CSplineDot set;
    TrackHost h;
    h.dots = Line(1000, 1000, 0, 20, 144);
    set.m_Hosts.push_back(std::move(h));
    set.m_PickedHost = 0;
    LogCapture log;
    set.KeyDown('O');
    EXPECT_TRUE(log.Contains("CSplineDot::KeyDown  Optimize size=8"));
    EXPECT_EQ(set.m_Hosts[0].dirty, 1);
    set.m_PickedHost = 5; // out of range: ignored
    set.KeyDown('O');
    set.KeyDown(0x08);
    EXPECT_EQ(set.GetHostCount(), 1);
}

TEST(TrackEditing, DragRefusedWhenNeighboursCoincide)
{
    CSplineDotUtil u;
    TrackHost h;
    h.dots = {{1000, 1000, 0}, {1200, 1000, 0}, {1000, 1000, 0}};
    CVec3 cursor(1150, 1100, 0);
    EXPECT_FALSE(u.CanDragDot(h, 1, cursor));
    EXPECT_TRUE(std::isfinite(cursor.x) && std::isfinite(cursor.y));
    EXPECT_FALSE(u.CanDragDot(h, 5, cursor));
    EXPECT_TRUE(u.CanDragDot(h, 0, cursor));
}

TEST(TrackEditing, LiveCurveFollowsEveryChangeOfTheLiveDots)
{
    CSplineDot set;
    set.m_LiveDots = Line(1000, 1000, 0, 3, 192);
    EXPECT_TRUE(set.UpdateLiveCurve());
    EXPECT_EQ(set.m_LiveCurveCount, 3);
    EXPECT_EQ(set.m_LiveCurve.size(), 21u);
    EXPECT_FALSE(set.UpdateLiveCurve());
    set.m_LiveDots.back() = CVec3(1384, 1100, 0); // same count, other dots
    EXPECT_TRUE(set.UpdateLiveCurve());
    EXPECT_EQ(set.m_LiveCurve.back(), CVec3(1384, 1100, 0));
    set.ClearLiveEdit();
    set.m_LiveDots = Line(1000, 1000, 0, 3, 192); // a new stroke of the old count
    EXPECT_TRUE(set.UpdateLiveCurve());
    set.m_LiveDots.resize(1);
    EXPECT_FALSE(set.UpdateLiveCurve());
}

TEST(TrackEditing, ClearLiveEditKeepsCursorAndBendAngle)
{
    CSplineDot set;
    set.m_Cursor = CVec3(1, 2, 3);
    set.m_BendAngle = 12.5f;
    set.m_LiveDots = {{1, 1, 1}};
    set.m_PickedHost = 3;
    set.m_PickedDot = CVec3(4, 4, 4);
    set.m_Bent = 1;
    set.ClearLiveEdit();
    EXPECT_EQ(set.m_Cursor, CVec3(1, 2, 3));
    EXPECT_EQ(set.m_BendAngle, 12.5f);
    EXPECT_TRUE(set.m_LiveDots.empty());
    EXPECT_EQ(set.m_PickedHost, -1);
    EXPECT_EQ(set.m_PickedDot, CVec3());
    EXPECT_EQ(set.m_Bent, 0);
}

} // namespace
