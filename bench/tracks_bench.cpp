// Track mesh building and track set loading.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/core/Versions.h"
#include "foundation/math/Spline.h"
#include "platform/Paths.h"
#include "tracks/SplineDot.h"
#include "tracks/TrackFile.h"

namespace {

// Dots of a winding track as a stroke lays them, about 170 apart.
std::vector<CVec3> WindingDots(int count, float x0, float y0)
{
    std::vector<CVec3> dots;
    dots.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const float t = float(i);
        dots.emplace_back(x0 + 150.0f * t, y0 + 900.0f * std::sin(t * 0.12f), 40.0f * std::sin(t * 0.05f));
    }
    return dots;
}

void BM_TrackMeshBuild(benchmark::State& state)
{
    CVersions::EnableLog(false);
    std::vector<CVec3> curve;
    Spline::Generate(curve, WindingDots(int(state.range(0)), 0.0f, 0.0f), 10, false);
    CTrackMesh mesh;
    for (auto _ : state) {
        mesh.Build(curve, CTrackMesh::kTrackWidth);
        benchmark::DoNotOptimize(mesh.m_Indices.data());
    }
    const double triangles = double(mesh.GetIndexCount()) / 3.0;
    state.counters["triangles"] = triangles;
    state.counters["vertices"] = double(mesh.GetVertexCount());
    state.counters["tris/s"] = benchmark::Counter(triangles, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TrackMeshBuild)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// LoadTrack of a set of 50 hosts of 60 dots each, read from a file in a temporary
// working folder (chaining, snapping and every mesh included).
void BM_LoadTrack50Hosts(benchmark::State& state)
{
    CVersions::EnableLog(false);
    char tmpl[] = "/tmp/qm_tracks_bench_XXXXXX";
    if (!mkdtemp(tmpl)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(tmpl);
    {
        std::vector<TrackHost> hosts(50);
        for (int h = 0; h < 50; ++h)
            hosts[size_t(h)].dots = WindingDots(60, float(h % 5) * 12000.0f, float(h / 5) * 4000.0f);
        const std::vector<uint8_t> bytes = WriteTrackSet(hosts);
        platform::CreateDirectories("User/Bench");
        platform::WriteFileAtomic(CSplineDot::TrackFilePath("Bench"), bytes.data(), bytes.size());
    }
    long long indices = 0;
    for (auto _ : state) {
        CSplineDot set;
        const int n = set.LoadTrack("Bench");
        if (n != 50)
            state.SkipWithError("set did not load");
        indices = 0;
        for (const TrackHost& h : set.m_Hosts)
            indices += h.mesh.GetIndexCount();
    }
    state.counters["triangles"] = double(indices) / 3.0;
    std::filesystem::current_path(old);
    std::filesystem::remove_all(tmpl);
}
BENCHMARK(BM_LoadTrack50Hosts)->Unit(benchmark::kMillisecond);

} // namespace
