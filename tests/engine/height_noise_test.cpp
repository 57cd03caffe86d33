#include "engine/terrain/HeightNoise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

// Reference values below come from a separate double-precision implementation
// of the same lattice hash, smoothing, blend and octave sum (only the lattice
// coordinates f * y + S are rounded to float, as the interface passes them).

TEST(HeightNoise, LatticeValuesMatchReference)
{
    struct Case {
        int32_t i, j;
        double expected;
    } cases[] = {
        {0, 0, -0.281791},
        {1, 0, -0.226373},
        {0, 1, 0.204344},
        {-3, 7, -0.104864},
        {12345, -678, -0.255615},
        {2147483647, 1, 0.666479},      // wraps in 32 bits
        {-2147483647 - 1, -1, -0.160474},
    };
    for (const auto& c : cases) {
        const float n = CHeightNoise::Noise(c.i, c.j);
        EXPECT_NEAR(n, c.expected, 1e-5) << c.i << "," << c.j;
        EXPECT_GT(n, -1.0f);
        EXPECT_LE(n, 1.0f);
    }
    EXPECT_NEAR(CHeightNoise::Smoothed(0, 0), 0.007430, 1e-5);
    EXPECT_NEAR(CHeightNoise::Smoothed(5186, 5186), 0.105579, 1e-5);
}

TEST(HeightNoise, SmoothedNoiseInterpolates)
{
    CHeightNoise noise;
    EXPECT_NEAR(noise.SmoothedNoise(5186.25f, 5186.75f), 0.089494, 1e-5);
    EXPECT_NEAR(noise.SmoothedNoise(2.5f, 3.5f), -0.235978, 1e-5);
    EXPECT_NEAR(noise.SmoothedNoise(-2.75f, 4.5f), -0.666662, 1e-5);
    // at lattice points the blend picks the smoothed lattice value exactly
    for (int i = -3; i <= 3; ++i)
        for (int j = -2; j <= 2; ++j)
            EXPECT_FLOAT_EQ(noise.SmoothedNoise(float(7 + i), float(j - 3)), CHeightNoise::Smoothed(7 + i, j - 3));
}

TEST(HeightNoise, TerrainParametersMatchReference)
{
    CHeightNoise noise;
    EXPECT_EQ(noise.GetHeight(3.0f, 4.0f), 0.0f); // default: no octaves
    noise.Set(0.5f, 0.0005f, 250.0f, 6, 72);
    EXPECT_EQ(noise.GetSeedOffset(), 5186);
    struct Case {
        float x, y;
        double expected;
    } cases[] = {
        {0.0f, 0.0f, 51.964759},
        {1000.0f, -2000.0f, -129.939011},
        {-51200.0f, 51100.0f, 15.609006},
        {12345.5f, -6789.25f, 7.414067},
        {-1234.0f, 987.0f, 4.717828},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(noise.GetHeight(c.x, c.y), c.expected, 1e-3) << c.x << "," << c.y;

    CHeightNoise other(0.7f, 0.01f, 3.0f, 4, 3);
    EXPECT_NEAR(other.GetHeight(10.5f, -20.25f), 1.271656, 1e-4);
}

TEST(HeightNoise, DeterministicAndBounded)
{
    CHeightNoise a, b;
    a.Set(0.5f, 0.0005f, 250.0f, 6, 72);
    b.Set(0.5f, 0.0005f, 250.0f, 6, 72);
    CHeightNoise zero;
    zero.Set(0.5f, 0.0005f, 250.0f, 0, 72);
    for (int k = 0; k < 2000; ++k) {
        const float x = float((k * 7919) % 102400 - 51200) + 0.37f * k;
        const float y = float((k * 104729) % 102400 - 51200);
        const float ha = a.GetHeight(x, y);
        const float hb = b.GetHeight(x, y);
        EXPECT_EQ(std::memcmp(&ha, &hb, sizeof ha), 0);
        EXPECT_LT(std::fabs(ha), 500.0f);
        EXPECT_EQ(zero.GetHeight(x, y), 0.0f);
    }
}
