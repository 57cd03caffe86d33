#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/gl/GLcamera.h"
#include "foundation/core/FrameTimer.h"
#include "log_capture.h"
#include "tracks/SplineCamFollow.h"
#include "tracks/SplineDot.h"
#include "track_test_support.h"

namespace {

using namespace tracktest;

CVec3 Unit(CVec3 v) { return v * (1.0f / v.Length()); }

// The frame clock in milliseconds, driven by the test.
int64_t g_clockMs = 1000000;
int64_t FakeCounter() { return g_clockMs; }

} // namespace

TEST(TrackCamera, TwentyMillisecondsMoveFiftyUnitsOneHundredFiftyAbove)
{
    CSplineDot set;
    set.m_Hosts.push_back(MakeHost({CVec3(1000, 500, 75), CVec3(2000, 500, 75), CVec3(3000, 500, 75)}));
    CSplineCamFollow cam;
    CGLcamera view;
    view.GetModelView().SetFrameTime(20.0);
    LogCapture log;
    for (int frame = 1; frame <= 4; ++frame) {
        EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Rails"));
        EXPECT_NEAR(Travelled(cam), 50.0f * float(frame), 1e-3f);
        ExpectVec(*view.GetPosition(), CVec3(1000.0f + 50.0f * float(frame), 500.0f, 75.0f + 150.0f), 1e-2f);
        // Looking level along +x.
        EXPECT_NEAR(view.GetRotation()->x, 90.0f, 1e-3f);
        EXPECT_NEAR(view.GetRotation()->z, -90.0f, 1e-3f);
    }
    EXPECT_TRUE(log.Contains("CSplineCamFollow::GetNextTrackCam(Rails) Generate new spline Sz=21\r\n"));
    EXPECT_TRUE(log.Contains("CSplineCamFollow::GetNextTrackCam(Rails) Cache Segments=20\r\n"));
    EXPECT_EQ(log.Lines().size(), 2u); // the curve is made once

    // On a bent host the camera rides 150 above the curve point it is on.
    CSplineDot bent;
    bent.m_Hosts.push_back(MakeHost({CVec3(0, 0, 10), CVec3(800, 300, 200), CVec3(900, 1200, 50)}));
    CSplineCamFollow cam2;
    for (int frame = 0; frame < 30; ++frame) {
        view.GetModelView().SetFrameTime(7.0 + frame);
        ASSERT_FALSE(cam2.GetNextTrackCam(&view, bent, "Bent"));
        const TrackSegments& s = cam2.GetSegments();
        const int i = cam2.GetSegmentIndex();
        const CVec3 onCurve = s.curve[size_t(i)] + s.directions[size_t(i)] * cam2.GetDistance();
        ExpectVec(*view.GetPosition(), onCurve + CVec3(0, 0, 150), 1e-2f);
    }
}

TEST(TrackCamera, LookTargetMixesTheNeighbours)
{
    const std::vector<CVec3> d = {CVec3(1, 0, 0), CVec3(0, 1, 0), CVec3(0, 0, 1)};
    struct Case {
        int i;
        float o;
        CVec3 raw; // before normalising
    } cases[] = {
        {1, 0.5f, CVec3(0.25f, 1.0f, 0.25f)}, // a quarter of each neighbour
        {1, 0.0f, CVec3(0.5f, 1.0f, 0.0f)},   // at the start only the previous, half
        {1, 1.0f, CVec3(0.0f, 1.0f, 0.5f)},   // at the end only the next
        {0, 0.0f, CVec3(1.0f, 0.0f, 0.0f)},   // no previous segment
        {0, 0.5f, CVec3(1.0f, 0.25f, 0.0f)},
        {2, 0.5f, CVec3(0.0f, 0.25f, 1.0f)},  // no next segment
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.i * 10 + int(c.o * 2));
        ExpectVec(CSplineCamFollow::LookTarget(d, c.i, c.o), Unit(c.raw), 1e-6f);
    }
    // Opposite neighbours cancelling to nothing fall back to the segment's own direction.
    const std::vector<CVec3> back = {CVec3(1, 0, 0), CVec3(-1, 0, 0)};
    ExpectVec(CSplineCamFollow::LookTarget(back, 1, 0.0f), CVec3(-1, 0, 0), 1e-6f);
}

TEST(TrackCamera, EasingTowardTheTarget)
{
    EXPECT_EQ(CSplineCamFollow::BlendWeight(0.0f), 0.0f);
    EXPECT_EQ(CSplineCamFollow::BlendWeight(-1.0f), 0.0f);
    EXPECT_NEAR(CSplineCamFollow::BlendWeight(0.001f), 0.012f, 1e-7f);
    EXPECT_NEAR(CSplineCamFollow::BlendWeight(0.1f), 1.0f - std::exp(-1.2f), 1e-6f);
    EXPECT_NEAR(CSplineCamFollow::BlendWeight(0.1f), 0.699f, 1e-3f);
    // Both branches meet near 5 ms.
    EXPECT_NEAR(CSplineCamFollow::BlendWeight(0.00499f), CSplineCamFollow::BlendWeight(0.005f), 2e-3f);

    // In the ride: the look direction turns toward the target step by step. A
    // right-angle corner: along +x, then +y.
    CSplineDot set;
    set.m_Hosts.push_back(MakeHost({CVec3(0, 0, 0), CVec3(400, 0, 0), CVec3(400, 400, 0)}));
    CSplineCamFollow cam;
    CGLcamera view;
    view.GetModelView().SetFrameTime(1.0);
    cam.GetNextTrackCam(&view, set, "Corner");
    const TrackSegments& s = cam.GetSegments();
    // Starting from the first direction, one 1 ms frame moves 1.2 % of the way.
    const int i = cam.GetSegmentIndex();
    const float o = cam.GetDistance() / s.lengths[size_t(i)];
    const CVec3 target = CSplineCamFollow::LookTarget(s.directions, i, o);
    const CVec3 expected = Unit(s.directions[0] * (1.0f - 0.012f) + target * 0.012f);
    ExpectVec(cam.GetCameraDirection(), expected, 1e-5f);
}

// In the scene's order: the camera rides by the view's last frame time, then the
// view measures the new one.
TEST(TrackCamera, OnlyTheFrameTimeThatSpansAPauseIsDiscarded)
{
    CFrameTimer::SetCounterSource(&FakeCounter, 1000);
    CSplineDot set;
    set.m_Hosts.push_back(MakeHost({CVec3(0, 0, 0), CVec3(5000, 0, 0), CVec3(10000, 0, 0)}));
    CSplineCamFollow cam;
    CGLcamera view;
    auto frame = [&](int ms) {
        g_clockMs += ms;
        const float before = Travelled(cam);
        EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Pause"));
        view.Update();
        return Travelled(cam) - before;
    };
    cam.Resume(); // the view becomes current for the first time
    for (int i = 0; i < 3; ++i)
        frame(40);
    EXPECT_NEAR(frame(40), 100.0f, 1e-2f);

    // away for a minute, then back: that minute is not ridden, every 40 ms frame is
    g_clockMs += 60000;
    cam.Resume();
    float ridden = 0.0f;
    for (int i = 0; i < 4; ++i) {
        const float step = frame(40);
        EXPECT_LE(step, 100.01f) << "frame " << i << " after the pause";
        ridden += step;
    }
    EXPECT_NEAR(ridden, 300.0f, 1e-2f); // one frame time (the pause's) left out
    EXPECT_EQ(cam.GetHostIndex(), 0);

    // a slow frame (5 per second) keeps the full 2.5 units per millisecond
    frame(200);
    EXPECT_NEAR(frame(40), 500.0f, 1e-2f);
    CFrameTimer::SetCounterSource(nullptr, 0);

    // not-a-number and negative frame times move nothing
    const float at = Travelled(cam);
    for (double bad : {-5.0, std::nan("")}) {
        view.GetModelView().SetFrameTime(bad);
        EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Pause"));
        EXPECT_NEAR(Travelled(cam), at, 1e-2f);
    }
}

TEST(TrackCamera, DegenerateHostIsSkippedAndTheEndIsReported)
{
    CSplineDot set;
    set.m_Hosts.push_back(MakeHost({CVec3(300, 300, 75)}));
    set.m_Hosts.push_back(MakeHost({CVec3(1000, 0, 0), CVec3(1120, 0, 0)})); // 120 long
    CSplineCamFollow cam;
    CGLcamera view;
    view.SetPosition(CVec3(1, 2, 3));
    view.SetRotation(CVec3(4, 5, 6));
    view.GetModelView().SetFrameTime(20.0);
    LogCapture log;

    EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Set"));
    EXPECT_TRUE(log.Contains("CSplineCamFollow::GetNextTrackCam(Set) Generate new spline Sz=0\r\n"));
    EXPECT_TRUE(log.Contains("CSplineCamFollow::GetNextTrackCam(Set) Skip degenerate host 1/2 (sz=0)\r\n"));
    EXPECT_FALSE(log.Contains("Cache Segments"));
    EXPECT_EQ(*view.GetPosition(), CVec3(1, 2, 3)); // not moved in that call
    EXPECT_EQ(*view.GetRotation(), CVec3(4, 5, 6));
    EXPECT_EQ(cam.GetHostIndex(), 1);

    // 120 units at 50 per frame: two frames ride, the third passes the end.
    EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Set"));
    EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Set"));
    EXPECT_FALSE(log.Contains("Advance host"));
    EXPECT_FALSE(cam.GetNextTrackCam(&view, set, "Set"));
    EXPECT_TRUE(log.Contains("CSplineCamFollow::GetNextTrackCam(Set) Advance host to 2/2\r\n"));
    EXPECT_EQ(cam.GetHostIndex(), 2);

    EXPECT_TRUE(cam.GetNextTrackCam(&view, set, "Set"));
    EXPECT_EQ(cam.GetHostIndex(), 0);
    EXPECT_EQ(cam.GetCachedHost(), -1);
    EXPECT_TRUE(cam.GetSegments().curve.empty());
    EXPECT_EQ(cam.GetCameraDirection(), CVec3(1, 0, 0));
}
