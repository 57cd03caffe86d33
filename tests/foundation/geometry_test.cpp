#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "foundation/math/Vec3.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void ExpectNear(const CVec3& v, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

TEST(Vec3, LayoutIsThreePackedFloats)
{
    const CVec3 v(1.5f, -2.0f, 3.25f);
    float raw[3];
    std::memcpy(raw, &v, sizeof raw);
    EXPECT_EQ(raw[0], 1.5f);
    EXPECT_EQ(raw[1], -2.0f);
    EXPECT_EQ(raw[2], 3.25f);
}

TEST(Vec3, ConstructorsAndAssignment)
{
    EXPECT_TRUE(CVec3() == 0.0f);
    EXPECT_TRUE(CVec3(7) == 7.0f);
    EXPECT_TRUE(CVec3(1, 2, 3) == CVec3(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(CVec3(0.5, 2, 3.5f) == CVec3(0.5f, 2.0f, 3.5f)); // mixed components convert
    EXPECT_TRUE(CVec3(0.5) == 0.5f);
    CVec3 v(1, 2, 3);
    v = 4.0f;
    EXPECT_TRUE(v == CVec3(4, 4, 4));
    EXPECT_TRUE(v != CVec3(4, 4, 5));
    EXPECT_TRUE(v != 5.0f);
    EXPECT_FALSE(CVec3(4, 4, 5) == 4.0f);
}

TEST(Vec3, Arithmetic)
{
    const CVec3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_TRUE(a + b == CVec3(5, -3, 9));
    EXPECT_TRUE(a - b == CVec3(-3, 7, -3));
    EXPECT_TRUE(a * 2.0f == CVec3(2, 4, 6));
    CVec3 c = a;
    c += b;
    EXPECT_TRUE(c == CVec3(5, -3, 9));
    c *= 0.5f;
    EXPECT_TRUE(c == CVec3(2.5f, -1.5f, 4.5f));
    EXPECT_FLOAT_EQ(a.Dot(b), 4 - 10 + 18);
    EXPECT_FLOAT_EQ(CVec3::DotOf(a, b), 12.0f);
    EXPECT_FLOAT_EQ(CVec3(3, 4, 12).Length(), 13.0f);
    EXPECT_FLOAT_EQ(CVec3(3, 4, 12).LengthSq(), 169.0f);
    EXPECT_FLOAT_EQ(a.Distance(CVec3(4, 6, 15)), 13.0f);
    EXPECT_FLOAT_EQ(a.DistanceSq(CVec3(4, 6, 15)), 169.0f);
}

TEST(Vec3, NormalizeAndZeroVector)
{
    CVec3 v(0, 3, 4);
    v.Normalize();
    ExpectNear(v, 0.0f, 0.6f, 0.8f);
    CVec3 zero;
    zero.Normalize();
    EXPECT_FALSE(std::isfinite(zero.x));
    EXPECT_FALSE(std::isfinite(zero.y));
    EXPECT_FALSE(std::isfinite(zero.z));
}

TEST(Vec3, CrossProducts)
{
    const CVec3 ex(1, 0, 0), ey(0, 1, 0);
    CVec3 c;
    EXPECT_TRUE(c.Cross(ex, ey) == CVec3(0, 0, 1));
    const CVec3 a(1, 2, 3), b(-4, 5, 0.5f);
    CVec3 ab;
    ab.Cross(a, b);
    // CrossWith takes the argument as the left operand: this := b x this.
    CVec3 w = a;
    w.CrossWith(b);
    EXPECT_TRUE(w == ab * -1.0f);
    // Cross result may alias an operand.
    CVec3 self = a;
    self.Cross(self, b);
    EXPECT_TRUE(self == ab);
}

TEST(Vec3, PlaneNormalDividesBySquaredLength)
{
    CVec3 n;
    // (p1 - p2) x (p2 - p3) = (-2,0,0) x (0,-2,0) = (0,0,4); divided by 16.
    n.PlaneNormal(CVec3(0, 0, 0), CVec3(2, 0, 0), CVec3(2, 2, 0));
    ExpectNear(n, 0.0f, 0.0f, 0.25f);
}

TEST(Vec3, MinMaxBoundsAndClamp)
{
    CVec3 a(1, 5, -3);
    const CVec3 b(2, 4, -4);
    CVec3 m = a;
    EXPECT_TRUE(m.Max(b) == CVec3(2, 5, -3));
    m = a;
    EXPECT_TRUE(m.Min(b) == CVec3(1, 4, -4));

    CVec3 other = b;
    a.MaxTo(other);
    EXPECT_TRUE(other == CVec3(2, 5, -3));
    EXPECT_TRUE(a == CVec3(1, 5, -3));
    other = b;
    a.MinTo(other);
    EXPECT_TRUE(other == CVec3(1, 4, -4));

    CVec3 boxMax(0, 0, 0), boxMin(0, 0, 0);
    CVec3(3, -2, 1).ExtendBounds(boxMax, boxMin);
    CVec3(-1, 4, 0).ExtendBounds(boxMax, boxMin);
    EXPECT_TRUE(boxMax == CVec3(3, 4, 1));
    EXPECT_TRUE(boxMin == CVec3(-1, -2, 0));

    CVec3 c(5, -5, 0.5f);
    c.Clamp(CVec3(1, 1, 1), CVec3(0, 0, 0));
    EXPECT_TRUE(c == CVec3(1.0f, 0.0f, 0.5f));
    // lo above hi: lo wins.
    CVec3 d(5, 5, 5);
    d.Clamp(CVec3(1, 1, 1), CVec3(2, 0, 0));
    EXPECT_TRUE(d == CVec3(2, 1, 1));
}

TEST(Vec3, RotationsScaleTheAxisComponentByTheCosine)
{
    CVec3 v(1, 0, 0);
    ExpectNear(v.RotateX(90), 0, 0, 0);
    v = CVec3(0, 1, 0);
    ExpectNear(v.RotateX(90), 0, 0, 1);
    v = CVec3(0, 0, 1);
    ExpectNear(v.RotateY(90), 1, 0, 0);
    v = CVec3(1, 0, 0);
    ExpectNear(v.RotateZ(90), 0, 1, 0);
    v = CVec3(2, 3, 4);
    ExpectNear(v.RotateZ(60), 2 * 0.5f - 3 * 0.8660254f, 3 * 0.5f + 2 * 0.8660254f, 4 * 0.5f);

    CVec3 composed(1, 2, 3), stepwise(1, 2, 3);
    composed.Rotate(10, 20, 30);
    stepwise.RotateX(10).RotateY(20).RotateZ(30);
    EXPECT_TRUE(composed == stepwise);
}

TEST(Vec3, ToAngles)
{
    CVec3 out;
    CVec3::ToAngles(out, CVec3(1, 0, 0), CVec3(0, 10, 0));
    EXPECT_FLOAT_EQ(out.x, 90.0f);
    EXPECT_FLOAT_EQ(out.z, -90.0f);
    EXPECT_FLOAT_EQ(out.y, 1.0f); // p.y / trunc(|p|)

    CVec3::ToAngles(out, CVec3(0, 0, 1), CVec3(3, 4, 0));
    EXPECT_FLOAT_EQ(out.x, 180.0f);
    EXPECT_FLOAT_EQ(out.y, 0.8f);

    // |p| = 10.9 truncates to 10.
    CVec3::ToAngles(out, CVec3(0, 1, 0), CVec3(0, 10.9f, 0));
    EXPECT_FLOAT_EQ(out.y, 1.09f);
    EXPECT_NEAR(out.z, 0.0f, 1e-4f);

    // A position shorter than 1 leaves the middle component at 0 instead of dividing by zero.
    for (const CVec3& p : {CVec3(), CVec3(0.5f, 0.5f, 0.5f)}) {
        CVec3::ToAngles(out, CVec3(1, 0, 0), p);
        EXPECT_EQ(out.y, 0.0f);
        EXPECT_FLOAT_EQ(out.x, 90.0f);
        EXPECT_FLOAT_EQ(out.z, -90.0f);
    }
}

TEST(Vec3, ToStringFormatsThreeDecimals)
{
    EXPECT_STREQ(CVec3(1.0f, -2.5f, 1.0f / 3).ToString(), "1.000 -2.500 0.333");
}

TEST(Quad, CentredRectangles)
{
    const CVec3 m(10, 20, 30);
    const CQuad xz(m, 4, 2, 1);
    ExpectNear(xz.p[0], 12, 20, 29);
    ExpectNear(xz.p[1], 12, 20, 31);
    ExpectNear(xz.p[2], 8, 20, 31);
    ExpectNear(xz.p[3], 8, 20, 29);
    const CQuad yz(m, 4, 2, 2);
    ExpectNear(yz.p[0], 10, 18, 29);
    ExpectNear(yz.p[1], 10, 18, 31);
    ExpectNear(yz.p[2], 10, 22, 31);
    ExpectNear(yz.p[3], 10, 22, 29);
    const CQuad xy(m, 4, 2, 4);
    ExpectNear(xy.p[0], 12, 19, 30);
    ExpectNear(xy.p[1], 12, 21, 30);
    ExpectNear(xy.p[2], 8, 21, 30);
    ExpectNear(xy.p[3], 8, 19, 30);
    ExpectNear(xy.Centre(), 10, 20, 30);
    for (int kind : {0, 3, 5, 8}) {
        const CQuad none(m, 4, 2, kind);
        for (const CVec3& c : none.p)
            EXPECT_TRUE(c == 0.0f) << "kind " << kind;
    }
}

TEST(Quad, CentreRadiusTranslateAndDiagonal)
{
    CQuad q(CVec3(0, 0, 0), CVec3(2, 0, 0), CVec3(2, 2, 0), CVec3(0, 2, 0));
    ExpectNear(q.Centre(), 1, 1, 0);
    EXPECT_FLOAT_EQ(q.Radius(), std::sqrt(2.0f));
    q.Translate(CVec3(1, 1, 1));
    ExpectNear(q.p[2], 3, 3, 1);
    EXPECT_FLOAT_EQ(CQuad::SquareDiagonal(CVec3(0, 0, 0), CVec3(3, 4, 0)), 5.0f * std::sqrt(2.0f));
}

TEST(Polygon, AngleSums)
{
    const CTriangle tri(CVec3(0, 0, 0), CVec3(3, 0, 0), CVec3(0, 3, 0));
    EXPECT_NEAR(CTriangle::AngleSum(tri, CVec3(1, 1, 0)), 2 * kPi, 1e-4f);
    EXPECT_LT(CTriangle::AngleSum(tri, CVec3(1000, 1000, 500)), 0.01f);
    // Just outside an edge falls below the camera's 0.9-turn threshold.
    EXPECT_LT(CTriangle::AngleSum(tri, CVec3(1, -1, 0)), 5.654866626658817f);
    EXPECT_TRUE(tri.p[1] == CVec3(3, 0, 0)); // the reading form leaves the triangle alone
    // A corner on the point: NaN, which fails any threshold.
    EXPECT_TRUE(std::isnan(CTriangle::AngleSum(tri, CVec3(0, 0, 0))));

    const CQuad square(CVec3(-1, -1, 5), CVec3(1, -1, 5), CVec3(1, 1, 5), CVec3(-1, 1, 5));
    EXPECT_NEAR(CQuad::AngleSum(square, square.Centre()), 2 * kPi, 1e-4f);

    // The in-place forms measure the same and leave the polygon moved by -p.
    CTriangle t2 = tri;
    EXPECT_EQ(t2.AngleSumInPlace(CVec3(1, 1, 0)), CTriangle::AngleSum(tri, CVec3(1, 1, 0)));
    EXPECT_TRUE(t2.p[0] == CVec3(-1, -1, 0));
    CQuad q2 = square;
    EXPECT_EQ(q2.AngleSumInPlace(CVec3(0, 0, 5)), CQuad::AngleSum(square, CVec3(0, 0, 5)));
    EXPECT_TRUE(q2.p[2] == CVec3(1, 1, 0));
}

} // namespace
