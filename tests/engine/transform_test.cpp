#include "engine/gl/GLtransform.h"
#include "foundation/math/Tables.h"

#include <gtest/gtest.h>

namespace {

class TransformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTrigTables(); }
};

void ExpectMatrixNear(const float* a, const float* b, float tol = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
}

CVec3 Apply(const CGLtransform& t, CVec3 p)
{
    CVec3 out;
    return t.TransformPoint(out, p);
}

TEST_F(TransformTest, NewTransformIsIdentityWithOneMillisecond)
{
    CGLtransform t;
    ExpectMatrixNear(t.GetMatrix(), CGLtransform::GetIdentity(), 0.0f);
    EXPECT_EQ(t.GetFrameTime(), 1.0);
    EXPECT_EQ(t.GetDepth(), 0);
}

TEST_F(TransformTest, RotationsFollowTheRightHandRuleAndTableSteps)
{
    CGLtransform t;
    t.Rotate(CVec3(0.0f, 0.0f, 90.0f));
    CVec3 p = Apply(t, CVec3(1.0f, 0.0f, 0.0f));
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);

    CGLtransform rx;
    rx.RotateX(90.0f);
    p = Apply(rx, CVec3(0.0f, 1.0f, 0.0f));
    EXPECT_NEAR(p.z, 1.0f, 1e-6f);
    CGLtransform ry;
    ry.RotateY(90.0f);
    p = Apply(ry, CVec3(0.0f, 0.0f, 1.0f));
    EXPECT_NEAR(p.x, 1.0f, 1e-6f);

    // Angles inside one 0.1 degree step give the same matrix.
    CGLtransform a, b;
    a.Rotate(CVec3(10.01f, 20.02f, 30.03f));
    b.Rotate(CVec3(10.08f, 20.07f, 30.06f));
    ExpectMatrixNear(a.GetMatrix(), b.GetMatrix(), 0.0f);

    // M = Rx * Rz: Rz acts first on a point, then Rx.
    CGLtransform c;
    c.Rotate(CVec3(90.0f, 0.0f, 90.0f));
    p = Apply(c, CVec3(0.0f, 1.0f, 0.0f)); // Rz: -> (-1,0,0); Rx keeps it
    EXPECT_NEAR(p.x, -1.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
    p = Apply(c, CVec3(1.0f, 0.0f, 0.0f)); // Rz: -> (0,1,0); Rx: -> (0,0,1)
    EXPECT_NEAR(p.z, 1.0f, 1e-6f);
}

TEST_F(TransformTest, TranslateMovesInTheLocalFrameAndComposes)
{
    CGLtransform t;
    t.TranslateXYZ(5.0f, 0.0f, 0.0f);
    t.RotateZ(90.0f);
    t.Translate(CVec3(1.0f, 0.0f, 0.0f)); // local x is world y now
    CVec3 p = Apply(t, CVec3(0.0f, 0.0f, 0.0f));
    EXPECT_NEAR(p.x, 5.0f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);

    // RotateTranslate(-r, -p) undoes a placement at p with rotation r about z.
    CGLtransform view;
    view.RotateTranslate(CVec3(0.0f, 0.0f, -30.0f), CVec3(-10.0f, -20.0f, -30.0f));
    p = Apply(view, CVec3(10.0f, 20.0f, 30.0f));
    EXPECT_NEAR(p.x, 0.0f, 1e-4f);
    EXPECT_NEAR(p.y, 0.0f, 1e-4f);
    EXPECT_NEAR(p.z, 0.0f, 1e-4f);
}

TEST_F(TransformTest, MatrixStackKeepsNineLevelsAndPinsTheTenth)
{
    CGLtransform t;
    for (int i = 1; i <= 12; ++i) {
        t.LoadIdentity();
        t.TranslateXYZ(float(i), 0.0f, 0.0f);
        t.PushMatrix();
    }
    EXPECT_EQ(t.GetDepth(), 9);
    // Pushes 10..12 all wrote entry 9; the next pop reloads entry 8 (push 9).
    t.PopMatrix();
    EXPECT_EQ(t.GetDepth(), 8);
    EXPECT_EQ(t.GetMatrix()[12], 9.0f);
    for (int expect = 8; expect >= 1; --expect) {
        t.PopMatrix();
        EXPECT_EQ(t.GetMatrix()[12], float(expect));
    }
    EXPECT_EQ(t.GetDepth(), 0);
    t.PopMatrix(); // at depth 0 it keeps reloading entry 0
    EXPECT_EQ(t.GetDepth(), 0);
    EXPECT_EQ(t.GetMatrix()[12], 1.0f);
}

TEST_F(TransformTest, SetPlacementTurnsAboutThePivot)
{
    CGLtransform plain;
    plain.SetPlacement(CVec3(1.0f, 2.0f, 3.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 0.0f, 0.0f));
    CVec3 p = Apply(plain, CVec3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(p, CVec3(1.0f, 2.0f, 3.0f));

    // Same result as the explicit product T(P + Q) * R * T(-Q), on a non-identity start.
    const CVec3 P(10.0f, -4.0f, 2.0f), Q(1.0f, 2.0f, 3.0f), A(15.0f, 25.0f, 80.0f);
    CGLtransform placed, reference;
    placed.RotateX(30.0f);
    placed.TranslateXYZ(7.0f, 8.0f, 9.0f);
    reference.RotateX(30.0f);
    reference.TranslateXYZ(7.0f, 8.0f, 9.0f);
    placed.SetPlacement(P, Q, A);
    reference.Translate(P + Q);
    reference.Rotate(A);
    reference.Translate(CVec3(-Q.x, -Q.y, -Q.z));
    ExpectMatrixNear(placed.GetMatrix(), reference.GetMatrix(), 1e-4f);
    // The pivot lands at P + Q (in the parent frame of the start matrix).
    CGLtransform start;
    start.RotateX(30.0f);
    start.TranslateXYZ(7.0f, 8.0f, 9.0f);
    CVec3 expect = Apply(start, P + Q);
    p = Apply(placed, Q);
    EXPECT_NEAR(p.x, expect.x, 1e-4f);
    EXPECT_NEAR(p.y, expect.y, 1e-4f);
    EXPECT_NEAR(p.z, expect.z, 1e-4f);
}

TEST_F(TransformTest, ProductsAndInverse)
{
    CGLtransform a, b;
    a.Rotate(CVec3(10.0f, 20.0f, 30.0f));
    a.TranslateXYZ(1.0f, 2.0f, 3.0f);
    b.RotateZ(45.0f);
    b.TranslateXYZ(-5.0f, 0.0f, 4.0f);
    b.GetMatrix()[11] = -1.0f; // a perspective-like row

    float ab[16], m4[16];
    CGLtransform::MultMatrix(a.GetMatrix(), b.GetMatrix(), ab);
    CGLtransform::Multiply4(b.GetMatrix(), a.GetMatrix(), m4); // = A * B
    ExpectMatrixNear(ab, m4, 1e-5f);
    CGLtransform c = a;
    c.Multiply(b.GetMatrix());
    ExpectMatrixNear(c.GetMatrix(), ab, 1e-5f);
    // Column-major check of one element: (A*B)[row 0, col 3] = sum_k A[0,k] B[k,3]
    const float* A = a.GetMatrix();
    const float* B = b.GetMatrix();
    EXPECT_NEAR(ab[12], A[0] * B[12] + A[4] * B[13] + A[8] * B[14] + A[12] * B[15], 1e-5f);

    float inv[16], id[16];
    ASSERT_TRUE(CGLtransform::Invert(ab, inv));
    CGLtransform::MultMatrix(ab, inv, id);
    ExpectMatrixNear(id, CGLtransform::GetIdentity(), 1e-4f);
    ASSERT_NE(c.GetInverse(), nullptr);

    float singular[16] = {1, 2, 3, 0, 4, 5, 6, 0, 0, 0, 0, 0, 1, 1, 1, 1}; // zero column 2
    float untouched[16];
    for (float& v : untouched)
        v = 7.0f;
    EXPECT_FALSE(CGLtransform::Invert(singular, untouched));
    EXPECT_EQ(untouched[0], 7.0f);
    CGLtransform s;
    std::copy(singular, singular + 16, s.GetMatrix());
    EXPECT_EQ(s.GetInverse(), nullptr);
}

TEST_F(TransformTest, AnglesFromAxesAndDump)
{
    CVec3 out;
    CGLtransform::AnglesFromAxes(out, CVec3(1.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), CVec3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(out, CVec3(0.0f, 0.0f, 0.0f));
    // Gimbal case: Z along -x gives asin(1) = 90 and the fallback branch.
    CGLtransform::AnglesFromAxes(out, CVec3(0.0f, 0.0f, 1.0f), CVec3(0.0f, 1.0f, 0.0f), CVec3(-1.0f, 0.0f, 0.0f));
    EXPECT_NEAR(out.x, 90.0f, 1e-3f);
    EXPECT_NEAR(out.y, 0.0f, 1e-3f);
    EXPECT_EQ(out.z, 0.0f);

    CGLtransform t;
    t.TranslateXYZ(1.5f, 0.0f, 0.0f);
    const std::string text = t.Dump();
    EXPECT_EQ(text.rfind("0:1.000  1:0.000  2:0.000  3:0.000 4:0.000", 0), 0u) << text;
    EXPECT_NE(text.find(" 12:1.500 13:0.000 14:0.000 15:1.000"), std::string::npos) << text;
    EXPECT_EQ(t.GetName(), text);
}

} // namespace
