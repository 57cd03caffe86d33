#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "foundation/math/Tables.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void ExpectColor(const CVec3& c, float r, float g, float b, float eps = 1e-5f)
{
    EXPECT_NEAR(c.x, r, eps);
    EXPECT_NEAR(c.y, g, eps);
    EXPECT_NEAR(c.z, b, eps);
}

TEST(TrigTables, FilledBeforeAnyExplicitInitAndInitIsIdempotent)
{
    // Static initialisation has filled the tables already.
    EXPECT_NEAR(g_SinTable[900], 1.0f, 1e-6f);
    EXPECT_EQ(g_CosTable[0], 1.0f);
    const std::vector<float> before(g_TanTable, g_TanTable + kTrigTableSize);

    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([] { InitTrigTables(); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(before, std::vector<float>(g_TanTable, g_TanTable + kTrigTableSize));
}

TEST(TrigTables, Contents)
{
    for (int i = 0; i < kTrigTableSize; i += 7) {
        const float angle = float(i * 0.0017453292519943296);
        EXPECT_EQ(g_SinTable[i], std::sin(angle)) << i;
        EXPECT_EQ(g_CosTable[i], std::cos(angle)) << i;
    }
    EXPECT_NEAR(TanDeg(45), 1.0f, 1e-5f);
    EXPECT_NEAR(TanDeg(-45), -1.0f, 1e-5f);
    // 90 degrees as a float lies just past pi/2: its cosine is a tiny negative number.
    EXPECT_EQ(TanDeg(90), -1e6f);
    EXPECT_EQ(std::fabs(g_TanTable[2700]), 1e6f);
}

struct IndexCase {
    float angle;
    int index;
};

TEST(TrigTables, DegreeIndexTruncatesAndWraps)
{
    const IndexCase cases[] = {
        {0.0f, 0},       {0.09f, 0},      {-0.05f, 0},    {-0.15f, 3599},   {359.99f, 3599},
        {360.0f, 0},     {90.0f, 900},    {-90.0f, 2700}, {725.5f, 55},     {-725.5f, 3545},
        {3.0e8f, 1200},  {-3.0e8f, 2400}, {kNaN, 0},      {kInf, 0},        {-kInf, 0},
    };
    for (const IndexCase& c : cases)
        EXPECT_EQ(trig_detail::DegIndex(c.angle), c.index) << "angle " << c.angle;
    for (float huge : {1e30f, -1e30f, 3.4e38f, -3.4e38f, 2.2e8f}) {
        const int i = trig_detail::DegIndex(huge);
        EXPECT_GE(i, 0);
        EXPECT_LT(i, kTrigTableSize);
    }
    EXPECT_EQ(SinDeg(0.09f), g_SinTable[0]);
    EXPECT_EQ(CosDeg(-90.0f), g_CosTable[2700]);
    EXPECT_EQ(SinDeg(-0.15f), g_SinTable[3599]);
    EXPECT_EQ(SinDeg(kNaN), g_SinTable[0]);
}

TEST(TrigTables, RadianIndexTruncatesAndWraps)
{
    const IndexCase cases[] = {
        {0.0f, 0},        {-7.0f, 3190}, {1.5707964f, 900}, {6.2831855f, 0}, {-0.001f, 0},
        {-0.002f, 3599},  {kNaN, 0},     {kInf, 0},         {-kInf, 0},
    };
    for (const IndexCase& c : cases)
        EXPECT_EQ(trig_detail::RadIndex(c.angle), c.index) << "angle " << c.angle;
    for (float huge : {1e10f, -1e10f, 3.4e38f}) {
        const int i = trig_detail::RadIndex(huge);
        EXPECT_GE(i, 0);
        EXPECT_LT(i, kTrigTableSize);
    }
    EXPECT_EQ(SinRad(-7.0f), g_SinTable[3190]);
    EXPECT_EQ(CosRad(-7.0f), g_CosTable[3190]);
    EXPECT_EQ(TanRad(-7.0f), g_TanTable[3190]);
    EXPECT_NEAR(SinRad(-7.0f), std::sin(-7.0f), 2e-3f);
}

TEST(ColorRamps, FourBandRamp)
{
    CVec3 c;
    ValueToColor(c, -5, 0, 8);
    ExpectColor(c, 0, 0, 1);
    ValueToColor(c, 50, 0, 8);
    ExpectColor(c, 1, 0, 0);
    ValueToColor(c, 4, 0, 8);
    ExpectColor(c, 0, 1, 0);
    ValueToColor(c, 1, 0, 8);
    ExpectColor(c, 0, 0.5f, 1);
    ValueToColor(c, 2, 0, 8);
    ExpectColor(c, 0, 1, 1);
    ValueToColor(c, 3, 0, 8);
    ExpectColor(c, 0, 1, 0.5f);
    ValueToColor(c, 5, 0, 8);
    ExpectColor(c, 0.5f, 1, 0);
    ValueToColor(c, 7, 0, 8);
    ExpectColor(c, 1, 0.5f, 0);
    // A zero-width range gives the bottom of the ramp, not NaN.
    ValueToColor(c, 3, 3, 3);
    ExpectColor(c, 0, 0, 1);
}

TEST(ColorRamps, PackedRamp)
{
    EXPECT_EQ(ValueToRGB(8, 0, 8), 255);
    EXPECT_EQ(ValueToRGB(0, 0, 8), 255 << 16);
    EXPECT_EQ(ValueToRGB(4, 0, 8), 255 << 8);
    EXPECT_EQ(ValueToRGB(1, 0, 8), 127 * 256 + 255 * 65536);
    EXPECT_EQ(ValueToRGB(7, 0, 8), 255 + (255 - 127) * 256);
    EXPECT_EQ(ValueToRGB(3, 3, 3), 255 << 16);
}

TEST(ColorRamps, FineRampIsNotClamped)
{
    CVec3 c;
    ValueToColorFine(c, -1, 0, 1);
    ExpectColor(c, 0, -2.6f, -3.4f);
    ValueToColorFine(c, 2, 0, 1);
    ExpectColor(c, -9.5f, 0, 1);
    ValueToColorFine(c, 0.2f, 0, 1);
    ExpectColor(c, 0, 0.85f, 0.7f);
    ValueToColorFine(c, 0.6f, 0, 1);
    ExpectColor(c, 0.88f, 0.82f, 0);
    ValueToColorFine(c, 0.8f, 0, 1);
    ExpectColor(c, 1, 0.35f, 0);
    ValueToColorFine(c, 0.9f, 0, 1);
    ExpectColor(c, 1, 0.15f, 0);
    // NaN falls into the first band.
    ValueToColorFine(c, kNaN, 0, 1);
    EXPECT_EQ(c.x, 0.0f);
    // Zero-width range: bottom of the ramp.
    ValueToColorFine(c, 5, 5, 5);
    ExpectColor(c, 0, 0.4f, 0.6f);
}

TEST(ColorRamps, GreyLogAndLogColorTable)
{
    CVec3 c;
    ValueToGreyLog(c, 0, 0, 10);
    ExpectColor(c, 0, 0, 0);
    ValueToGreyLog(c, 10, 0, 10);
    ExpectColor(c, 1, 1, 1, 1e-6f);
    ValueToGreyLog(c, 20, 0, 10);
    ExpectColor(c, 1, 1, 1, 1e-6f);
    const float mid = std::log(1.45f) / std::log(1.9f);
    ValueToGreyLog(c, 5, 0, 10);
    ExpectColor(c, mid, mid, mid);
    ValueToGreyLog(c, 5, 5, 5);
    ExpectColor(c, 0, 0, 0);

    InitLogColorTable();
    EXPECT_EQ(g_LogColorTable.ready, 1);
    ExpectColor(g_LogColorTable.color[0], 0, 0, 0.5f);
    ExpectColor(g_LogColorTable.color[kLogColorTableSize - 1], 0.6f, 0, 0, 1e-4f);
    for (const CVec3& e : g_LogColorTable.color) {
        for (float comp : {e.x, e.y, e.z}) {
            EXPECT_GE(comp, -1e-5f);
            EXPECT_LE(comp, 1.0f + 1e-5f);
        }
    }
}

TEST(LineAngles, SignedAnglesAndBlends)
{
    EXPECT_NEAR(LineAngleDeg({0, 1}, {1, 0}), 45.0, 1e-9);
    EXPECT_NEAR(LineAngleDeg({0, 0}, {1, 1}), -45.0, 1e-9);
    EXPECT_NEAR(LineAngleDeg({1, 0}, {0, 1}), 45.0, 1e-9);
    EXPECT_NEAR(LineAngleDeg({0, 0}, {0, 2}), -90.0, 1e-9); // vertical counts as negative
    EXPECT_EQ(LineAngleDeg({0, 0}, {3, 0}), 0.0);
    EXPECT_NEAR(LineAngleDegInt({0, 1}, {1, 0}), 45.0, 1e-9);
    EXPECT_NEAR(LineAngleBlend({0, 1}, {1, 0}, {0, 0}, {1, 1}), 22.5, 1e-9);
    CPointD sum{};
    EXPECT_NEAR(LineAngleBlendSum({0, 1}, {1, 0}, {0, 0}, {4, 8}, sum), 45.0 - 0.5 * 63.43494882, 1e-6);
    EXPECT_DOUBLE_EQ(sum.x, 2.0);
    EXPECT_DOUBLE_EQ(sum.y, 3.0);
}

TEST(LogScale, InterpolateAndInverse)
{
    EXPECT_NEAR(LogInterpolate(0, 0, 10, 100, 1), 1.0, 1e-12);
    EXPECT_NEAR(LogInterpolate(10, 0, 10, 100, 1), 100.0, 1e-9);
    EXPECT_NEAR(LogInterpolate(5, 0, 10, 100, 1), 10.0, 1e-9);
    EXPECT_NEAR(LogPosition(10, 0, 10, 100, 1), 5.0, 1e-9);
    for (double a : {0.5, 2.5, 7.0})
        EXPECT_NEAR(LogPosition(LogInterpolate(a, 0, 10, 1000, 2), 0, 10, 1000, 2), a, 1e-9);
    // A lower end of 0 is allowed.
    EXPECT_TRUE(std::isfinite(LogInterpolate(5, 0, 10, 100, 0)));
}

} // namespace
