// Writes the loading picture <data>/Map/Splash.bmp (24-bit, 640 x 360): an evening
// sky with a low sun, three ranges of hills and a railway running into the distance.
#include "engine/terrain/HeightNoise.h"
#include "foundation/image/Dib.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr int kW = 640, kH = 360;

struct Rgb {
    float r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Smooth 1D noise in about [-1, 1] along x.
float Ridge(float x, int seed)
{
    float sum = 0.0f, amp = 1.0f, norm = 0.0f, freq = 1.0f / 160.0f;
    for (int o = 0; o < 4; ++o) {
        const float u = x * freq;
        const int i = int(std::floor(u));
        const float f = u - float(i);
        const float s = f * f * (3.0f - 2.0f * f);
        const float a = CHeightNoise::Noise(i + seed * 7919, seed), b = CHeightNoise::Noise(i + 1 + seed * 7919, seed);
        sum += (a + (b - a) * s) * amp;
        norm += amp;
        amp *= 0.5f;
        freq *= 2.0f;
    }
    return sum / norm;
}

Rgb Pixel(int x, int y)
{
    const float fx = float(x), fy = float(y);
    const float horizon = kH * 0.62f;
    // sky: deep blue above, warm near the horizon, a sun with a glow
    Rgb c = Mix({30, 48, 96}, {236, 150, 84}, std::pow(fy / horizon, 1.6f));
    const float sunX = kW * 0.72f, sunY = horizon - 34.0f;
    const float d = std::hypot(fx - sunX, fy - sunY);
    c = Mix(c, {255, 226, 160}, 0.55f * std::exp(-d / 60.0f));
    if (d < 22.0f)
        c = {255, 240, 196};
    // three ranges of hills, nearer ones darker and higher
    const Rgb hills[3] = {{122, 92, 112}, {78, 70, 88}, {44, 52, 50}};
    const float base[3] = {horizon - 40.0f, horizon - 16.0f, horizon + 10.0f};
    const float height[3] = {38.0f, 46.0f, 54.0f};
    for (int k = 0; k < 3; ++k)
        if (fy > base[k] - height[k] * (0.5f + 0.5f * Ridge(fx, 3 + k)))
            c = hills[k];
    // the ground, with the railway from the bottom centre to a vanishing point
    const float groundTop = horizon + 30.0f;
    if (fy > groundTop) {
        const float t = (fy - groundTop) / (kH - groundTop); // 0 far, 1 near
        c = Mix({52, 66, 44}, {70, 96, 52}, t);
        const float vx = kW * 0.42f;
        const float half = 6.0f + 150.0f * t; // half the gauge at this row
        const float centre = vx + (kW * 0.5f - vx) * t;
        const float off = fx - centre;
        // sleepers at distances that shrink toward the horizon
        const float z = 1.0f / (0.06f + t);
        if (std::fabs(off) < half * 1.35f && std::fmod(z * 3.0f, 1.0f) < 0.35f)
            c = {92, 70, 50};
        for (float side : {-1.0f, 1.0f})
            if (std::fabs(off - side * half) < 1.0f + 3.0f * t)
                c = {196, 200, 206};
    }
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_splash <data folder>\n");
        return 2;
    }
    const std::string folder = platform::JoinPath(argv[1], "Map");
    platform::CreateDirectories(folder);
    CDib dib;
    if (!dib.Create(kW, kH, 24))
        return 1;
    uint8_t* px = dib.GetBits();
    auto byte = [](float v) { return uint8_t(std::clamp(v, 0.0f, 255.0f)); };
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Rgb c = Pixel(x, y);
            uint8_t* p = px + (size_t(y) * kW + x) * 3;
            p[0] = byte(c.b); // 24-bit pixels are blue, green, red
            p[1] = byte(c.g);
            p[2] = byte(c.r);
        }
    const std::string path = platform::JoinPath(folder, "Splash.bmp");
    if (!dib.Save(path.c_str(), nullptr)) {
        std::fprintf(stderr, "gen_splash: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
