// Curve generation on track-like dot lists: alternating straight stretches and bends of
// 20 dots each, about 50 units apart.
#include <benchmark/benchmark.h>

#include <cmath>

#include "foundation/math/Spline.h"

namespace {

CVec3Array TrackDots(int n)
{
    CVec3Array dots;
    dots.reserve(size_t(n));
    CVec3 pos(0, 0, 75);
    float heading = 0.0f;
    for (int i = 0; i < n; ++i) {
        dots.push_back(pos);
        if ((i / 20) % 2 == 1)
            heading += 4.0f; // degrees per dot in a bend
        const float rad = heading * 0.017453292f;
        pos += CVec3(std::cos(rad), std::sin(rad), 0.0f) * 50.0f;
    }
    return dots;
}

void BM_GenerateOpen(benchmark::State& state)
{
    const CVec3Array dots = TrackDots(int(state.range(0)));
    CVec3Array curve;
    for (auto _ : state) {
        Spline::Generate(curve, dots, 10, false);
        benchmark::DoNotOptimize(curve.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["points"] = double(curve.size());
}

void BM_GenerateClosed(benchmark::State& state)
{
    const CVec3Array dots = TrackDots(int(state.range(0)));
    CVec3Array curve;
    for (auto _ : state) {
        Spline::Generate(curve, dots, 10, true);
        benchmark::DoNotOptimize(curve.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Smooth and Thin change their list: each iteration starts from a fresh copy (an
// assignment into reused storage, measured alone by BM_CopyBaseline).
void BM_Smooth(benchmark::State& state)
{
    const CVec3Array dots = TrackDots(int(state.range(0)));
    CVec3Array work;
    for (auto _ : state) {
        work = dots;
        Spline::Smooth(work, 192, 0.75f, 5);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["kept"] = double(work.size());
}

void BM_Thin(benchmark::State& state)
{
    const CVec3Array dots = TrackDots(int(state.range(0)));
    CVec3Array work;
    for (auto _ : state) {
        work = dots;
        Spline::Thin(work);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["kept"] = double(work.size());
}

void BM_CopyBaseline(benchmark::State& state)
{
    const CVec3Array dots = TrackDots(int(state.range(0)));
    CVec3Array work;
    for (auto _ : state) {
        work = dots;
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_GenerateOpen)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_GenerateClosed)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_Smooth)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_Thin)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_CopyBaseline)->Arg(10)->Arg(100)->Arg(1000);

} // namespace
