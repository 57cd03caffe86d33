// Writes the four tiling ground textures of the terrain into <data>/Map:
// VodiGround.bmp (water), VodiMid.bmp (grass), VodiRock.bmp (rock) and
// VodiHead.bmp (mountain tops), 24-bit, 512 x 512.
#include "engine/terrain/HeightNoise.h"
#include "foundation/image/Dib.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kSize = 512;

// Value noise on a lattice of `cells` x `cells` that wraps, so the texture tiles.
float TiledNoise(float x, float y, int cells, int seed)
{
    const float u = x * float(cells) / float(kSize);
    const float v = y * float(cells) / float(kSize);
    const int i = int(std::floor(u));
    const int j = int(std::floor(v));
    const float fu = u - float(i), fv = v - float(j);
    auto at = [&](int a, int b) {
        a = ((a % cells) + cells) % cells;
        b = ((b % cells) + cells) % cells;
        return CHeightNoise::Noise(a + seed * 7919, b - seed * 104729);
    };
    auto s = [](float t) { return t * t * (3.0f - 2.0f * t); };
    const float top = at(i, j) + (at(i + 1, j) - at(i, j)) * s(fu);
    const float bottom = at(i, j + 1) + (at(i + 1, j + 1) - at(i, j + 1)) * s(fu);
    return top + (bottom - top) * s(fv);
}

// Sum of octaves in about [-1, 1].
float Fbm(float x, float y, int cells, int octaves, int seed)
{
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += TiledNoise(x, y, cells << o, seed + o) * amp;
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

struct Rgb {
    float r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Water(float x, float y)
{
    const float n = Fbm(x, y, 4, 5, 11);
    const float ripple = std::sin((x + 18.0f * Fbm(x, y, 8, 3, 12)) * 6.2831853f * 16.0f / kSize);
    Rgb c = Mix({22, 62, 110}, {40, 105, 150}, 0.5f + 0.5f * n);
    const float k = 1.0f + 0.06f * ripple;
    return {c.r * k, c.g * k, c.b * k};
}

Rgb Grass(float x, float y)
{
    const float patches = Fbm(x, y, 4, 4, 21);
    const float blades = TiledNoise(x, y, 128, 22) * 0.5f + TiledNoise(x, y, 256, 23) * 0.5f;
    Rgb c = Mix({58, 98, 34}, {104, 140, 52}, 0.5f + 0.6f * patches);
    c = Mix(c, {92, 82, 50}, std::max(0.0f, Fbm(x, y, 2, 3, 24) - 0.35f) * 1.5f); // dry spots
    const float k = 1.0f + 0.12f * blades;
    return {c.r * k, c.g * k, c.b * k};
}

Rgb Rock(float x, float y)
{
    // layered: noise stretched along x gives strata
    const float strata = Fbm(x * 0.25f, y * 2.0f, 4, 4, 31);
    const float grain = TiledNoise(x, y, 128, 32);
    const float cracks = std::fabs(Fbm(x, y, 8, 3, 33));
    Rgb c = Mix({96, 88, 80}, {150, 142, 130}, 0.5f + 0.5f * strata);
    const float k = (1.0f + 0.1f * grain) * (cracks < 0.04f ? 0.7f : 1.0f);
    return {c.r * k, c.g * k, c.b * k};
}

Rgb Head(float x, float y)
{
    const float snow = Fbm(x, y, 4, 5, 41);
    const float sparkle = TiledNoise(x, y, 256, 42);
    Rgb rock = Rock(x, y);
    Rgb c = Mix(rock, {228, 232, 240}, 0.55f + 1.2f * snow);
    const float k = 1.0f + 0.05f * sparkle;
    return {c.r * k, c.g * k, c.b * k};
}

bool Write(const std::string& folder, const char* name, Rgb (*texel)(float, float))
{
    CDib dib;
    if (!dib.Create(kSize, kSize, 24))
        return false;
    uint8_t* px = dib.GetBits();
    auto byte = [](float v) { return uint8_t(std::clamp(v, 0.0f, 255.0f)); };
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const Rgb c = texel(float(x), float(y));
            uint8_t* p = px + (size_t(y) * kSize + x) * 3;
            p[0] = byte(c.b); // 24-bit pixels are blue, green, red
            p[1] = byte(c.g);
            p[2] = byte(c.r);
        }
    const std::string path = platform::JoinPath(folder, name);
    if (!dib.Save(path.c_str(), nullptr)) {
        std::fprintf(stderr, "gen_ground_textures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_ground_textures <data folder>\n");
        return 2;
    }
    const std::string folder = platform::JoinPath(argv[1], "Map");
    platform::CreateDirectories(folder);
    bool ok = Write(folder, "VodiGround.bmp", Water);
    ok = Write(folder, "VodiMid.bmp", Grass) && ok;
    ok = Write(folder, "VodiRock.bmp", Rock) && ok;
    ok = Write(folder, "VodiHead.bmp", Head) && ok;
    return ok ? 0 : 1;
}
