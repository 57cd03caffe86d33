// Loading large track sets: many short hosts (chaining) and one long host (mesh
// weld), each at n and 4n below the mesh budget: time and memory should grow
// about 4x (within 5x). A host of 60 000 dots is past the budget: its load should
// cost about what reading its dots costs. Counters: the memory the meshes hold
// and the process's peak so far (run one case per process, --benchmark_filter,
// for a peak of that case alone).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "foundation/core/Versions.h"
#include "tracks/SplineDot.h"
#include "tracks/TrackFile.h"

namespace {

double PeakMB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// Hosts of two dots laid end to end along rows, stored in shuffled order and half
// of them backwards, as a set edited over a long time may be.
std::vector<uint8_t> ManyShortHosts(int count)
{
    std::vector<TrackHost> hosts;
    hosts.resize(size_t(count));
    const int perRow = 300;
    for (int i = 0; i < count; ++i) {
        const float x = float(i % perRow) * 400.0f, y = float(i / perRow) * 2000.0f;
        hosts[size_t(i)].dots = {CVec3(x, y, 0.0f), CVec3(x + 400.0f, y, 0.0f)};
    }
    std::mt19937 rng(7);
    std::shuffle(hosts.begin(), hosts.end(), rng);
    for (size_t i = 0; i < hosts.size(); i += 2)
        std::reverse(hosts[i].dots.begin(), hosts[i].dots.end());
    return WriteTrackSet(hosts);
}

std::vector<uint8_t> OneLongHost(int dots)
{
    std::vector<TrackHost> hosts(1);
    for (int i = 0; i < dots; ++i) {
        const float t = float(i);
        hosts[0].dots.emplace_back(150.0f * t, 900.0f * std::sin(t * 0.12f), 40.0f * std::sin(t * 0.05f));
    }
    return WriteTrackSet(hosts);
}

void Load(benchmark::State& state, const std::vector<uint8_t>& bytes)
{
    CVersions::EnableLog(false);
    // Freed memory stays with the process, so every repetition after the first
    // reuses pages at every size: page faults (costly on a virtual machine) would
    // otherwise fall on the larger cases only, as the smaller reuse what earlier
    // cases left.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
    double meshMB = 0;
    long long vertices = 0;
    for (auto _ : state) {
        CSplineDot set;
        set.LoadFromBytes(bytes.data(), bytes.size());
        vertices = 0;
        size_t meshBytes = 0;
        for (const TrackHost& h : set.m_Hosts) {
            vertices += h.mesh.GetVertexCount();
            meshBytes += h.mesh.HeldBytes();
        }
        meshMB = double(meshBytes) / 1048576.0;
    }
    state.counters["mesh_MB"] = meshMB;
    state.counters["peak_MB"] = PeakMB();
    state.counters["vertices"] = double(vertices);
    state.counters["file_MB"] = double(bytes.size()) / 1048576.0;
}

void BM_LoadManyShortHosts(benchmark::State& state) { Load(state, ManyShortHosts(int(state.range(0)))); }
BENCHMARK(BM_LoadManyShortHosts)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LoadOneLongHost(benchmark::State& state) { Load(state, OneLongHost(int(state.range(0)))); }
BENCHMARK(BM_LoadOneLongHost)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadOneLongHost)->Name("BM_LoadHostPastTheBudget")->Arg(60000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
