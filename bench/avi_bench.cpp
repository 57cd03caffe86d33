// AVI recording and playing at 640 x 480, 24 bits: frames per second written and
// decoded, uncompressed and Motion JPEG; and terrain heights from a 1024 x 1024
// depth frame (the data part of UpdateFromImage, without the GL upload).
#include <benchmark/benchmark.h>

#include "engine/terrain/GLterrain.h"
#include "foundation/image/AviFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kW = 640, kH = 480, kFrames = 30;

std::vector<uint8_t> Frame(int f)
{
    std::vector<uint8_t> px(size_t(kW) * kH * 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &px[(size_t(y) * kW + x) * 3];
            p[0] = uint8_t(x + f);
            p[1] = uint8_t(y * 2);
            p[2] = uint8_t((x ^ y) + f);
        }
    return px;
}

std::string FileFor(const std::string& codec) { return "/tmp/qm_avi_bench_" + codec + ".avi"; }

void Write(const std::string& codec, const std::vector<std::vector<uint8_t>>& frames)
{
    AviWriter w;
    if (w.Open(FileFor(codec), kW, kH, 24, 30, codec) != AviOpen::Ok)
        std::abort();
    for (size_t i = 0; i < frames.size(); ++i)
        if (!w.Write(int64_t(i), frames[i].data()))
            std::abort();
    if (!w.Close())
        std::abort();
}

const std::vector<std::vector<uint8_t>>& Frames()
{
    static const auto frames = [] {
        std::vector<std::vector<uint8_t>> v;
        for (int f = 0; f < kFrames; ++f)
            v.push_back(Frame(f));
        return v;
    }();
    return frames;
}

void BM_AviEncode(benchmark::State& state, const char* codec)
{
    for (auto _ : state)
        Write(codec, Frames());
    state.counters["fps"] = benchmark::Counter(double(kFrames) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_AviDecode(benchmark::State& state, const char* codec)
{
    Write(codec, Frames());
    for (auto _ : state) {
        AviReader r;
        if (!r.Open(FileFor(codec)) || r.Length() != kFrames)
            std::abort();
        for (int f = 0; f < kFrames; ++f)
            if (!r.GetFrame(f))
                std::abort();
    }
    state.counters["fps"] = benchmark::Counter(double(kFrames) * double(state.iterations()), benchmark::Counter::kIsRate);
    std::remove(FileFor(codec).c_str());
}

BENCHMARK_CAPTURE(BM_AviEncode, uncompressed, "rawvideo")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AviEncode, mjpeg, "mjpeg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AviDecode, uncompressed, "rawvideo")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AviDecode, mjpeg, "mjpeg")->Unit(benchmark::kMillisecond)->UseRealTime();

void PutHeader(std::vector<uint8_t>& f, size_t at, uint16_t d, float maxDepth, float minDepth)
{
    std::memcpy(&f[at], "DEEP1965", 9);
    std::memcpy(&f[at + 11], &d, 2);
    std::memcpy(&f[at + 25], &maxDepth, 4);
    std::memcpy(&f[at + 29], &minDepth, 4);
}

void BM_UpdateFromDepthFrame(benchmark::State& state)
{
    constexpr int W = 1024, H = 1024;
    const size_t row = size_t(W) * 3;
    std::vector<uint8_t> frame(row * H + 4 * size_t(W) * H);
    PutHeader(frame, 0, 1, 900.0f, 100.0f);
    PutHeader(frame, row, 1, 800.0f, 50.0f);
    for (size_t k = 0; k < size_t(W) * H; ++k) {
        const float v = 100.0f + float((k * 2654435761u) % 800);
        std::memcpy(&frame[row * H + 4 * k], &v, 4);
    }
    CGLterrain terrain;
    terrain.SetSmoothPasses(int(state.range(0)));
    bool recreated = false;
    if (!terrain.ApplyImage(frame.data(), frame.size(), W, H, 24, recreated))  // arrays made once
        std::abort();
    for (auto _ : state)
        if (!terrain.ApplyImage(frame.data(), frame.size(), W, H, 24, recreated) || recreated)
            std::abort();
}
BENCHMARK(BM_UpdateFromDepthFrame)->Arg(0)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
