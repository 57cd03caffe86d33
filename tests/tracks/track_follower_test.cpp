#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_data_folder.h"
#include "engine/gl/GLcamera.h"
#include "engine/models/GLmeshObj.h"
#include "tracks/SplineDot.h"
#include "tracks/TrackFollower.h"
#include "track_test_support.h"

namespace {

using namespace tracktest;

// A straight open host along +x at y = 500, z = 75, dots every `spacing`.
TrackHost StraightX(float x0, int dots, float spacing)
{
    std::vector<CVec3> d;
    for (int i = 0; i < dots; ++i)
        d.emplace_back(x0 + spacing * float(i), 500.0f, 75.0f);
    return MakeHost(d);
}

bool Finite(const CVec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

TEST(TrackFollower, SegmentsOfACurve)
{
    TrackSegments s;
    s.curve = {CVec3(0, 0, 0), CVec3(3, 4, 0), CVec3(3, 4, 0), CVec3(3, 4, 10)};
    s.Segment();
    ASSERT_EQ(s.lengths.size(), 3u);
    EXPECT_FLOAT_EQ(s.lengths[0], 5.0f);
    ExpectVec(s.directions[0], CVec3(0.6f, 0.8f, 0.0f), 1e-6f);
    EXPECT_EQ(s.lengths[1], 0.0f);
    EXPECT_EQ(s.directions[1], CVec3(1.0f, 0.0f, 0.0f)); // zero length: +x, no NaN
    ExpectVec(s.directions[2], CVec3(0.0f, 0.0f, 1.0f), 1e-6f);
}

TEST(TrackFollower, SixteenMillisecondsMoveTwentyUnits)
{
    // Long segments (about 100) and short ones (about 4, where half a segment
    // caps every step): the model covers 20 units of curve per 16 ms frame.
    for (float spacing : {1000.0f, 40.0f}) {
        SCOPED_TRACE(spacing);
        CSplineDot set;
        set.m_Hosts.push_back(StraightX(1000.0f, 6, spacing));
        CTrackFollower f;
        CVec3 pos(-1, -1, -1), rot(7, 7, 7);
        for (int frame = 1; frame <= 5; ++frame) {
            EXPECT_FALSE(f.Step(pos, rot, 16.0, set));
            EXPECT_NEAR(Travelled(f), 20.0f * float(frame), 1e-3f);
            // On a straight line the arc length is the x distance.
            EXPECT_NEAR(pos.x, 1000.0f + 20.0f * float(frame), 1e-2f);
            EXPECT_FLOAT_EQ(pos.y, 500.0f);
            EXPECT_FLOAT_EQ(pos.z, 75.0f);
            ExpectVec(rot, CVec3(0, 0, 0), 1e-5f);
        }
        EXPECT_EQ(f.GetHostIndex(), 0);
        EXPECT_EQ(f.GetCachedHost(), 0);
    }
}

TEST(TrackFollower, ModelFrameTimeDrivesAdvance)
{
    CSplineDot set;
    set.m_Hosts.push_back(StraightX(1000.0f, 3, 1000.0f));
    CGLmeshObj model;
    model.GetTransform().SetFrameTime(16.0);
    CTrackFollower f;
    EXPECT_FALSE(f.Advance(&model, set, "Test"));
    EXPECT_NEAR(model.GetPosition()->x, 1020.0f, 1e-2f);
    model.GetTransform().SetFrameTime(8.0);
    EXPECT_FALSE(f.Advance(&model, set, "Test"));
    EXPECT_NEAR(model.GetPosition()->x, 1030.0f, 1e-2f);
}

TEST(TrackFollower, DegenerateHostsAreSkippedAndTheEndResets)
{
    CSplineDot set;
    set.m_Hosts.push_back(MakeHost({CVec3(50, 50, 75)}));  // one dot: no curve
    set.m_Hosts.push_back(StraightX(1000.0f, 2, 300.0f)); // 300 units long
    CTrackFollower f;
    const CVec3 start(-5, -5, -5);
    CVec3 pos = start, rot;

    EXPECT_FALSE(f.Step(pos, rot, 16.0, set)); // skips host 0 in one call
    EXPECT_EQ(pos, start);
    EXPECT_EQ(f.GetHostIndex(), 1);
    EXPECT_EQ(f.GetCachedHost(), -1);
    EXPECT_TRUE(f.GetSegments().curve.empty());

    EXPECT_FALSE(f.Step(pos, rot, 16.0, set));
    EXPECT_NEAR(pos.x, 1020.0f, 1e-2f);

    // 280 units are left: 14 more frames end the host, the model keeps its place.
    for (int i = 0; i < 13; ++i)
        EXPECT_FALSE(f.Step(pos, rot, 16.0, set));
    EXPECT_NEAR(pos.x, 1280.0f, 1e-2f);
    const CVec3 last = pos;
    EXPECT_FALSE(f.Step(pos, rot, 16.0, set));
    EXPECT_EQ(pos, last);
    EXPECT_EQ(f.GetHostIndex(), 2);

    // Past the last host: true once, reset to host 0 with empty caches.
    EXPECT_TRUE(f.Step(pos, rot, 16.0, set));
    EXPECT_EQ(f.GetHostIndex(), 0);
    EXPECT_EQ(f.GetSegmentIndex(), 0);
    EXPECT_EQ(f.GetCachedHost(), -1);
    EXPECT_EQ(f.GetDistance(), 0.0f);
    EXPECT_TRUE(f.GetSegments().curve.empty());
    EXPECT_TRUE(f.GetSegments().lengths.empty());
    EXPECT_EQ(f.GetDirection(), CVec3(1.0f, 0.0f, 0.0f));

    // An empty set reports the end at once.
    CSplineDot empty;
    EXPECT_TRUE(f.Step(pos, rot, 16.0, empty));
    EXPECT_EQ(pos, last);
}

TEST(TrackFollower, RotationFromHeading)
{
    const float r = std::sqrt(0.5f);
    struct Case {
        CVec3 dir, rot;
    } cases[] = {
        {CVec3(1, 0, 0), CVec3(0, 0, 0)},
        {CVec3(0, 1, 0), CVec3(0, 0, 90)},
        {CVec3(-1, 0, 0), CVec3(0, 0, 180)},
        {CVec3(0, -1, 0), CVec3(0, 0, -90)},
        {CVec3(r, 0, r), CVec3(0, -45, 0)},  // climbing at 45 degrees
        {CVec3(0, r, -r), CVec3(0, 45, 90)}, // falling along +y
    };
    for (const Case& c : cases)
        ExpectVec(CTrackFollower::RotationFromDirection(c.dir), c.rot, 1e-4f);

    // And through the stepping: a host climbing at 45 degrees.
    CSplineDot set;
    set.m_Hosts.push_back(MakeHost({CVec3(100, 100, 100), CVec3(1100, 100, 1100), CVec3(2100, 100, 2100)}));
    CTrackFollower f;
    CVec3 pos, rot;
    f.Step(pos, rot, 16.0, set);
    ExpectVec(rot, CVec3(0, -45, 0), 1e-3f);
}

TEST(TrackFollower, ChaseOffsetStaysWithinLimits)
{
    CTrackFollower f;
    CGLcamera cam;
    const CVec3 model(1000, 2000, 75);

    // A camera 300 units off the model is put 5000 away in the same direction,
    // turned to look at the model.
    cam.SetPosition(model + CVec3(0, -300, 0));
    f.Chase(&cam, model);
    ExpectVec(*cam.GetPosition(), model + CVec3(0, -5000, 0), 1e-2f);
    EXPECT_NEAR(cam.GetRotation()->x, 90.0f, 1e-3f); // level
    EXPECT_NEAR(cam.GetRotation()->z, 0.0f, 1e-3f);  // facing +y
    EXPECT_FALSE(f.IsFirstFrame());

    // The model moves: the camera keeps the offset.
    const CVec3 model2 = model + CVec3(700, 0, 0);
    f.Chase(&cam, model2);
    ExpectVec(*cam.GetPosition(), model2 + CVec3(0, -5000, 0), 1e-2f);

    // The user flies away: at most 10000; then close in: at least 2500.
    cam.SetPosition(*cam.GetPosition() + CVec3(0, -20000, 0));
    f.Chase(&cam, model2);
    EXPECT_NEAR(cam.GetPosition()->Distance(model2), 10000.0f, 0.05f);
    cam.SetPosition(model2 + CVec3(0, -100, 0));
    f.Chase(&cam, model2);
    EXPECT_NEAR(cam.GetPosition()->Distance(model2), 2500.0f, 0.05f);
    ExpectVec(*cam.GetPosition(), model2 + CVec3(0, -2500, 0), 1e-2f);

    // The user puts the camera right on the model: no direction to scale, the
    // previous offset stays (no NaN).
    const CVec3 before = f.GetChaseOffset();
    cam.SetPosition(model2);
    f.Chase(&cam, model2);
    EXPECT_TRUE(Finite(*cam.GetPosition()));
    ExpectVec(f.GetChaseOffset(), before, 1e-3f);
    ExpectVec(*cam.GetPosition(), model2 + before, 1e-2f);
}

TEST(TrackFollower, ChaseCameraStartingOnTheModelGoesBelowIt)
{
    CTrackFollower f;
    CGLcamera cam;
    CGLmeshObj model;
    model.SetPosition(CVec3(100, 200, 300));
    cam.SetPosition(CVec3(100.05f, 200, 300));
    cam.SetRotation(CVec3(12, 0, 34));
    f.ChaseCamera(&cam, &model);
    ExpectVec(f.GetChaseOffset(), CVec3(0, 0, -5000), 1e-3f);
    ExpectVec(*cam.GetPosition(), CVec3(100, 200, -4700), 1e-3f);
    EXPECT_NEAR(cam.GetRotation()->x, 180.0f, 1e-3f); // looking straight up
    // Later calls leave the rotation to the user.
    cam.SetRotation(CVec3(80, 0, 10));
    f.ChaseCamera(&cam, &model);
    EXPECT_EQ(*cam.GetRotation(), CVec3(80, 0, 10));
}

TEST(TrackFollower, RunsThroughTheShippedTrackSets)
{
    // Every set under data/User, the test scene's "Demo" among them.
    std::vector<std::string> names;
    TempDataFolder folder{"User"};
    ASSERT_TRUE(folder.Ok());
    for (const auto& e : std::filesystem::directory_iterator("User"))
        if (e.is_directory())
            names.push_back(e.path().filename().string());
    ASSERT_NE(std::find(names.begin(), names.end(), "Demo"), names.end());

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        CSplineDot set;
        const int hosts = set.LoadTrack(name);
        ASSERT_GE(hosts, 1);
        EXPECT_FALSE(set.LoadFailed());

        // The model visits every host in order and comes back to the start; every
        // place is finite and, within a host, no frame moves it more than 20 units.
        CTrackFollower f;
        CVec3 pos, rot, prev;
        int frames = 0, lastHost = 0, prevCached = -1;
        while (!f.Step(pos, rot, 16.0, set)) {
            ASSERT_LT(++frames, 1000000);
            ASSERT_TRUE(Finite(pos) && Finite(rot));
            ASSERT_GE(f.GetHostIndex(), lastHost);
            lastHost = f.GetHostIndex();
            if (prevCached != -1 && prevCached == f.GetCachedHost()) {
                ASSERT_LE(pos.Distance(prev), 20.01f);
            }
            prev = pos;
            prevCached = f.GetCachedHost();
        }
        EXPECT_EQ(lastHost, hosts);
        EXPECT_GT(frames, 500);
    }
}
