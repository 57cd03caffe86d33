#include "engine/terrain/GLcloud.h"
#include "engine/terrain/GLflare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(Flare, FadeRadiusAndDepthRules)
{
    struct Case {
        float sx, sy;
        float fade;
    } cases[] = {
        {500.0f, 500.0f, 1.0f},  {37.5f, 500.0f, 0.5f},  // X = -0.925: half-way into the left zone
        {962.5f, 500.0f, 0.5f},  {500.0f, 980.0f, 0.2667f}, {0.0f, 500.0f, 0.0f},
        {-50.0f, 500.0f, 0.0f},  {962.5f, 20.0f, 0.2667f}, // the smaller of x and y
        {75.0f, 925.0f, 1.0f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(CGLflare::EdgeFade(c.sx, c.sy, 1000, 1000), c.fade, 1e-3) << c.sx << "," << c.sy;
    EXPECT_EQ(CGLflare::EdgeFade(1.0f, 1.0f, 0, 100), 0.0f);

    // 0.25 * 150^2 * pi / 1e6 * 75 is about 1.325, capped to 0.25
    EXPECT_FLOAT_EQ(CGLflare::Radius(150.0f, 1000, 1000), 0.25f);
    EXPECT_NEAR(CGLflare::Radius(150.0f, 4000, 3000), 0.25f * 150 * 150 * 3.14159265f / 12e6f * 75.0f, 1e-6);
    EXPECT_EQ(CGLflare::Radius(150.0f, 0, 0), 0.0f);

    EXPECT_TRUE(CGLflare::DepthVisible(0.5f, 0.5f));
    EXPECT_TRUE(CGLflare::DepthVisible(0.50009f, 0.5f));
    EXPECT_FALSE(CGLflare::DepthVisible(0.5002f, 0.5f));
    EXPECT_TRUE(CGLflare::DepthVisible(1.0f, 1.0f)); // empty sky

    CGLflare f;
    EXPECT_FALSE(f.IsVisible());
    EXPECT_TRUE(f.Setup(150.0f, 102400.0f, CVec3(102400.0f, 102400.0f, 34133.0f)));
    EXPECT_EQ(f.GetSize(), 150.0f);
    EXPECT_EQ(f.GetWorldPosition(), CVec3(102400.0f, 102400.0f, 34133.0f));
}

TEST(PointCloud, BuildsClearsAndMeasures)
{
    CGLcloud c;
    c.Clear();
    EXPECT_FALSE(c.HasLists());

    // 4 samples per row, 4 rows; only the middle row (2) is read
    const int n = 4, rows = 4;
    std::vector<CVec3> depth(n * rows, CVec3(0.0f, 0.0f, -1.0f));
    std::vector<CVec3> colours(n * rows, CVec3(0.5f, 0.5f, 0.5f));
    c.BuildRing(n, rows, 10.0f, 0.0f, 0.0f, 0.0f, CVec3(), depth.data(), colours.data());
    ASSERT_EQ(c.GetLists().size(), 1u);
    EXPECT_TRUE(c.GetLists()[0].empty()); // no sample in front: one empty list

    depth[2 * n + 0] = CVec3(1.0f, 0.0f, 5.0f); // read for j = 1
    colours[2 * n + 1] = CVec3(1.0f, 0.0f, 0.0f);
    c.BuildRing(n, rows, 10.0f, 0.0f, 0.0f, 0.0f, CVec3(0.0f, 0.0f, 100.0f), depth.data(), colours.data());
    ASSERT_EQ(c.GetLists().size(), 1u);
    const auto& pts = c.GetLists()[0];
    ASSERT_EQ(pts.size(), 360u);
    EXPECT_EQ(pts[0].color, CVec3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(pts[0].normal, CVec3(1.0f, 1.0f, 1.0f));
    EXPECT_NEAR(pts[0].position.x, 11.0f, 1e-4); // (1, 0, 5) unrotated, plus (10, 0, 100)
    EXPECT_NEAR(pts[0].position.z, 105.0f, 1e-4);
    // at 90 degrees about z the sample's x is turned (and scaled by the cosine of 90 in z)
    EXPECT_NEAR(pts[90].position.y, 10.0f + 1.0f, 1e-3);

    // too few rows for a slice: only the marker point
    c.AddSlice(0.0f, n, rows, 3.0f, 1.0f, 0.0f, 0.0f, 0.0f, CVec3(), depth.data(), colours.data());
    ASSERT_EQ(c.GetLists().size(), 1u);
    EXPECT_EQ(c.GetLists()[0].size(), 1u);
    EXPECT_NEAR(c.GetLists()[0][0].position.x, 4.0f, 1e-6);
    c.AddSlice(450.0f, n, rows, 3.0f, 1.0f, 0.0f, 0.0f, 0.0f, CVec3(), depth.data(), colours.data());
    EXPECT_EQ(c.GetLists().size(), 2u);
    EXPECT_NEAR(c.GetLists()[1][0].position.y, 4.0f, 1e-5);

    c.Clear();
    EXPECT_FALSE(c.HasLists());
    EXPECT_TRUE(c.GetPoints().empty());
    // bad sizes give an empty list instead of reading outside the samples
    c.BuildRing(2, 0, 1.0f, 0, 0, 0, CVec3(), depth.data(), colours.data());
    EXPECT_TRUE(c.GetLists()[0].empty());

    const double x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1};
    const double xr[4] = {0, 0, 1, 1}, yr[4] = {0, 1, 1, 0};
    EXPECT_DOUBLE_EQ(PolygonArea2D(x, y, 4), 1.0);
    EXPECT_DOUBLE_EQ(PolygonArea2D(xr, yr, 4), 1.0);
    const double tx[3] = {0, 4, 0}, ty[3] = {0, 0, 3};
    EXPECT_DOUBLE_EQ(PolygonArea2D(tx, ty, 3), 6.0);
    EXPECT_EQ(PolygonArea2D(x, y, 0), 0.0);
}
