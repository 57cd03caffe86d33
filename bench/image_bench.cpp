// Height-grid smoothing threaded against one thread; BMP and JPEG files of a
// 1024 x 1024 picture written and read.
#include "foundation/core/Versions.h"
#include "foundation/image/Dib.h"
#include "foundation/image/ImageFilters.h"
#include "foundation/image/Jpeg.h"
#include "foundation/image/JpegEncoder.h"
#include "foundation/math/Vec3.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSize = 1024;

std::vector<CVec3> HillGrid()
{
    std::vector<CVec3> g(size_t(kSize) * kSize);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-20.0f, 20.0f);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            g[size_t(y) * kSize + x] =
                CVec3(x * 100.0f, y * 100.0f, 500.0f + 300.0f * std::sin(x * 0.01f) * std::cos(y * 0.013f) + noise(rng));
    return g;
}

void SmoothGrid(benchmark::State& state)
{
    const int threads = int(state.range(0));
    const std::vector<CVec3> start = HillGrid();
    std::vector<CVec3> grid;
    for (auto _ : state) {
        state.PauseTiming();
        grid = start;
        state.ResumeTiming();
        SmoothHeightGridThreaded(5, kSize, kSize, grid.data(), threads);
        benchmark::DoNotOptimize(grid.data());
    }
    state.counters["threads"] = threads;
}
BENCHMARK(SmoothGrid)->Arg(1)->Arg(2)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The engine on every core with shorter and longer halos: "redone" counts the bands
// run again because their halo had not reached the exact values.
void SmoothGridHalo(benchmark::State& state)
{
    const int halo = int(state.range(0));
    const std::vector<CVec3> start = HillGrid();
    std::vector<CVec3> grid;
    int redone = 0;
    for (auto _ : state) {
        state.PauseTiming();
        grid = start;
        state.ResumeTiming();
        redone += SmoothHeightGridBands(5, kSize, kSize, grid.data(), 10, halo);
        benchmark::DoNotOptimize(grid.data());
    }
    state.counters["redone"] = benchmark::Counter(redone, benchmark::Counter::kAvgIterations);
}
BENCHMARK(SmoothGridHalo)->Arg(16)->Arg(22)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

// One thread against all of them, one after the other in every iteration so that
// both meet the same machine load: "speedup" is the one-thread time / threaded time
// and "per_core" that divided by the cores; "same" is 1 while the results agree bit for bit.
void SmoothGridSpeedup(benchmark::State& state)
{
    const std::vector<CVec3> start = HillGrid();
    std::vector<CVec3> one, all;
    double oneSeconds = 0.0, allSeconds = 0.0;
    bool same = true;
    for (auto _ : state) {
        one = start;
        all = start;
        const auto t0 = std::chrono::steady_clock::now();
        SmoothHeightGridThreaded(5, kSize, kSize, one.data(), 1);
        const auto t1 = std::chrono::steady_clock::now();
        SmoothHeightGridThreaded(5, kSize, kSize, all.data());
        const auto t2 = std::chrono::steady_clock::now();
        oneSeconds += std::chrono::duration<double>(t1 - t0).count();
        allSeconds += std::chrono::duration<double>(t2 - t1).count();
        same = same && std::memcmp(one.data(), all.data(), one.size() * sizeof(CVec3)) == 0;
    }
    const double cores = std::max(1u, std::thread::hardware_concurrency());
    state.counters["speedup"] = allSeconds > 0.0 ? oneSeconds / allSeconds : 0.0;
    state.counters["per_core"] = state.counters["speedup"] / cores;
    state.counters["same"] = same ? 1.0 : 0.0;
}
BENCHMARK(SmoothGridSpeedup)->Unit(benchmark::kMillisecond)->UseRealTime();

struct Files {
    Files()
    {
        char tmpl[] = "/tmp/qm-image-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        CVersions::EnableLog(false);
    }
    ~Files() { std::filesystem::remove_all(dir); }
    std::string dir;
};

Files& TempFiles()
{
    static Files f;
    return f;
}

void FillPicture(CDib& dib)
{
    uint8_t* p = dib.GetBits();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x, p += 3) {
            p[0] = uint8_t(x / 4);
            p[1] = uint8_t(y / 4);
            p[2] = uint8_t((x + y) / 8);
        }
}

void BmpWrite(benchmark::State& state)
{
    CDib dib;
    dib.Create(kSize, kSize, 24);
    FillPicture(dib);
    const std::string path = TempFiles().dir + "/w.bmp";
    for (auto _ : state)
        if (!dib.Save(path.c_str(), nullptr))
            state.SkipWithError("save failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(BmpWrite)->Unit(benchmark::kMillisecond);

void BmpRead(benchmark::State& state)
{
    CDib src;
    src.Create(kSize, kSize, 24);
    FillPicture(src);
    const std::string path = TempFiles().dir + "/r.bmp";
    src.Save(path.c_str(), nullptr);
    CDib dib;
    for (auto _ : state)
        if (!dib.Load(path.c_str()))
            state.SkipWithError("load failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(BmpRead)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> RgbPicture()
{
    CDib dib;
    dib.Create(kSize, kSize, 24);
    FillPicture(dib);
    return std::vector<uint8_t>(dib.GetBits(), dib.GetBits() + size_t(kSize) * kSize * 3);
}

void JpegWrite(benchmark::State& state)
{
    const std::vector<uint8_t> rgb = RgbPicture();
    const std::string path = TempFiles().dir + "/w.jpg";
    for (auto _ : state)
        if (!WriteJpegBytes(path, rgb.data(), kSize, kSize, true, int(state.range(0)), nullptr))
            state.SkipWithError("write failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(JpegWrite)->Arg(90)->Unit(benchmark::kMillisecond);

void JpegRead(benchmark::State& state)
{
    const std::vector<uint8_t> rgb = RgbPicture();
    const std::string path = TempFiles().dir + "/r.jpg";
    WriteJpegBytes(path, rgb.data(), kSize, kSize, true, 90, nullptr);
    for (auto _ : state) {
        int w, h;
        auto pixels = ReadJpeg(path, &w, &h);
        if (!pixels)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(JpegRead)->Unit(benchmark::kMillisecond);

// The image buffer's own paths: JPEG save (quality 100) and load through the picture loader.
void DibJpegSaveLoad(benchmark::State& state)
{
    CDib dib;
    dib.Create(kSize, kSize, 24);
    FillPicture(dib);
    const std::string path = TempFiles().dir + "/d.jpg";
    CDib back;
    for (auto _ : state) {
        if (!dib.Save(path.c_str(), nullptr) || !back.Load(path.c_str()))
            state.SkipWithError("save or load failed");
    }
}
BENCHMARK(DibJpegSaveLoad)->Unit(benchmark::kMillisecond);

void CompactEncoder(benchmark::State& state)
{
    const std::vector<uint8_t> bgr = RgbPicture();  // 1024 x 3 bytes: rows already padded
    std::vector<uint8_t> out(bgr.size());
    CJpegEncoder encoder(50);
    for (auto _ : state) {
        int count = 0;
        if (!encoder.Encode(bgr.data(), out.data(), out.size(), kSize, kSize, &count))
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(CompactEncoder)->Unit(benchmark::kMillisecond);

} // namespace
