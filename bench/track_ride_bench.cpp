// Per-frame cost of the track follower and the track camera: frames on the cached
// curve (the curve made again once per lap, amortised) against a frame that has to
// make the host's curve first.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/gl/GLcamera.h"
#include "foundation/core/Versions.h"
#include "tracks/SplineCamFollow.h"
#include "tracks/SplineDot.h"
#include "tracks/TrackFollower.h"

namespace {

// One host of `dots` dots about 170 apart, winding.
CSplineDot WindingSet(int dots)
{
    CSplineDot set;
    TrackHost h;
    for (int i = 0; i < dots; ++i) {
        const float t = float(i);
        h.dots.emplace_back(150.0f * t, 900.0f * std::sin(t * 0.12f), 75.0f);
    }
    set.m_Hosts.push_back(std::move(h));
    return set;
}

void BM_FollowerFrameCached(benchmark::State& state)
{
    const CSplineDot set = WindingSet(int(state.range(0)));
    CTrackFollower f;
    CVec3 pos, rot;
    for (auto _ : state) {
        if (f.Step(pos, rot, 16.0, set)) // at the end of the set: start again
            f.Step(pos, rot, 16.0, set);
        benchmark::DoNotOptimize(pos);
    }
}
BENCHMARK(BM_FollowerFrameCached)->Arg(60)->Arg(600);

void BM_FollowerFrameNewCurve(benchmark::State& state)
{
    const CSplineDot set = WindingSet(int(state.range(0)));
    CVec3 pos, rot;
    for (auto _ : state) {
        CTrackFollower f;
        f.Step(pos, rot, 16.0, set);
        benchmark::DoNotOptimize(pos);
    }
}
BENCHMARK(BM_FollowerFrameNewCurve)->Arg(60)->Arg(600);

void BM_TrackCameraFrameCached(benchmark::State& state)
{
    CVersions::EnableLog(false);
    const CSplineDot set = WindingSet(int(state.range(0)));
    CSplineCamFollow cam;
    CGLcamera view;
    view.GetModelView().SetFrameTime(16.0);
    for (auto _ : state) {
        cam.GetNextTrackCam(&view, set, "Bench");
        benchmark::DoNotOptimize(view.GetPosition());
    }
}
BENCHMARK(BM_TrackCameraFrameCached)->Arg(60)->Arg(600);

} // namespace
