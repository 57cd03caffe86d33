#include "engine/gl/GLview.h"
#include "foundation/math/Tables.h"
#include "platform/GL.h"
#include "start_view.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class ViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTrigTables(); }
};

void ToDouble(const float* m, double* out)
{
    for (int i = 0; i < 16; ++i)
        out[i] = m[i];
}

TEST_F(ViewTest, PerspectiveElementsFollowTheWindowShape)
{
    const float k = CGLview::kTanHalfFov;
    CGLview square;
    square.SetPerspective(6.0f, 1600000.0f, 400, 400);
    const float* m = square.GetProjection().GetMatrix();
    EXPECT_NEAR(m[0], 1.0f / k, 1e-5f);
    EXPECT_NEAR(m[5], 1.0f / k, 1e-5f);
    EXPECT_NEAR(m[10], -(1600000.0f + 6.0f) / (1600000.0f - 6.0f), 1e-6f);
    EXPECT_EQ(m[11], -1.0f);
    EXPECT_NEAR(m[14], -(2.0f * 6.0f * 1600000.0f) / (1600000.0f - 6.0f), 1e-3f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15})
        EXPECT_EQ(m[i], 0.0f) << i;
    EXPECT_EQ(square.GetViewport()[2], 400);
    EXPECT_EQ(square.GetViewport()[3], 400);

    CGLview wide;
    wide.SetPerspective(1.0f, 100.0f, 800, 400);
    m = wide.GetProjection().GetMatrix();
    EXPECT_NEAR(m[5], 2.0f * m[0], 1e-5f);
    EXPECT_EQ(wide.GetViewportPair(), std::make_pair(800, 400));
}

TEST_F(ViewTest, ClipPlanesApplyAfterResizeAndBadSizesAreIgnored)
{
    // The scene's order: clip planes while the size is 1 x 1, then the window size,
    // then (later) new clip planes at the same size.
    CGLview v;
    v.SetClipPlanes(6.0f, 1600000.0f);
    v.SetViewport(1030, 725);
    EXPECT_EQ(v.GetNear(), 6.0f);
    const float m14Before = v.GetProjection().GetMatrix()[14];
    v.SetClipPlanes(10.0f, 1000.0f);
    EXPECT_EQ(v.GetNear(), 10.0f);
    EXPECT_EQ(v.GetFar(), 1000.0f);
    EXPECT_NE(v.GetProjection().GetMatrix()[14], m14Before);
    EXPECT_NEAR(v.GetProjection().GetMatrix()[14], -(2.0f * 10.0f * 1000.0f) / 990.0f, 1e-4f);

    // A zero height (minimised window) keeps the last good projection.
    const float m5 = v.GetProjection().GetMatrix()[5];
    v.SetViewport(1030, 0);
    v.SetViewport(0, 725);
    EXPECT_EQ(v.GetProjection().GetMatrix()[5], m5);
    EXPECT_EQ(v.GetHeight(), 725);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(v.GetProjection().GetMatrix()[i]));

    // Nothing changed: the matrix is left alone.
    v.GetProjection().GetMatrix()[0] = 42.0f;
    v.SetViewport(1030, 725);
    EXPECT_EQ(v.GetProjection().GetMatrix()[0], 42.0f);
}

TEST_F(ViewTest, FrustumTestsOnTheUnitCube)
{
    // Identity model-view and projection: the frustum is the cube [-1, 1]^3 and
    // every plane distance is exact.
    CGLview v;
    v.GetProjection().LoadIdentity();
    v.UpdateFrustum();
    const float* right = v.GetPlane(CGLview::kRight);
    EXPECT_EQ(right[0], -1.0f);
    EXPECT_EQ(right[3], 1.0f);

    EXPECT_TRUE(v.PointInFrustum(CVec3(0.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(v.PointInFrustum(CVec3(0.99f, -0.99f, 0.5f)));
    EXPECT_FALSE(v.PointInFrustum(CVec3(1.0f, 0.0f, 0.0f))); // on the plane is outside
    EXPECT_FALSE(v.PointInFrustum(CVec3(0.0f, 0.0f, -1.5f)));
    EXPECT_TRUE(v.SegmentInFrustum(CVec3(5.0f, 0.0f, 0.0f), CVec3(0.0f, 0.0f, 0.0f)));
    EXPECT_FALSE(v.SegmentInFrustum(CVec3(5.0f, 0.0f, 0.0f), CVec3(-5.0f, 0.0f, 0.0f))); // end points only

    // A sphere whose centre lies exactly radius behind a plane.
    EXPECT_FALSE(v.SphereInFrustum(CVec3(2.0f, 0.0f, 0.0f), 1.0f));
    EXPECT_EQ(v.ClassifySphere(CVec3(2.0f, 0.0f, 0.0f), 1.0f), 1);
    EXPECT_EQ(v.ClassifySphere(CVec3(2.5f, 0.0f, 0.0f), 1.0f), 0);
    EXPECT_TRUE(v.SphereInFrustum(CVec3(1.5f, 0.0f, 0.0f), 1.0f));
    EXPECT_EQ(v.ClassifySphere(CVec3(1.5f, 0.0f, 0.0f), 1.0f), 1);
    EXPECT_EQ(v.ClassifySphere(CVec3(0.0f, 0.0f, 0.0f), 0.5f), 2);

    EXPECT_TRUE(v.BoxInFrustum(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(v.BoxInFrustum(0.5f, 0.5f, 0.5f, 3.0f, 3.0f, 3.0f)); // crossing
    EXPECT_FALSE(v.BoxInFrustum(1.5f, -0.5f, -0.5f, 3.0f, 0.5f, 0.5f));
    EXPECT_TRUE(v.CubeInFrustum(CVec3(1.2f, 0.0f, 0.0f), 0.5f));
    EXPECT_FALSE(v.CubeInFrustum(CVec3(0.0f, -2.0f, 0.0f), 0.5f));
}

TEST_F(ViewTest, PerspectiveFrustumOfAZUpCameraLookingAlongY)
{
    // A camera at (0, 0, 100) with pitch 90 (level) and heading 0 looks along +y.
    CGLview v;
    v.SetPerspective(6.0f, 10000.0f, 800, 600);
    v.GetModelView().RotateTranslate(CVec3(-90.0f, 0.0f, 0.0f), CVec3(0.0f, 0.0f, -100.0f));
    v.UpdateFrustum();
    EXPECT_TRUE(v.PointInFrustum(CVec3(0.0f, 500.0f, 100.0f)));
    EXPECT_FALSE(v.PointInFrustum(CVec3(0.0f, -500.0f, 100.0f)));   // behind
    EXPECT_FALSE(v.PointInFrustum(CVec3(0.0f, 20000.0f, 100.0f)));  // beyond far
    EXPECT_FALSE(v.PointInFrustum(CVec3(0.0f, 3.0f, 100.0f)));      // before near
    // Horizontal half-angle: tan = 0.7742661, so x = 0.7 y is in, x = 0.85 y is out.
    EXPECT_TRUE(v.PointInFrustum(CVec3(700.0f, 1000.0f, 100.0f)));
    EXPECT_FALSE(v.PointInFrustum(CVec3(850.0f, 1000.0f, 100.0f)));
    EXPECT_FALSE(v.PointInFrustum(CVec3(-850.0f, 1000.0f, 100.0f)));
    // Vertical half-angle is 0.7742661 * 600/800 = 0.58.
    EXPECT_TRUE(v.PointInFrustum(CVec3(0.0f, 1000.0f, 100.0f + 550.0f)));
    EXPECT_FALSE(v.PointInFrustum(CVec3(0.0f, 1000.0f, 100.0f + 620.0f)));
    EXPECT_TRUE(v.SphereInFrustum(CVec3(0.0f, -10.0f, 100.0f), 50.0f)); // around the eye
}

TEST_F(ViewTest, DoublePrecisionProjectAgreesWithKnownValuesAndGlu)
{
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int vp[4] = {10, 20, 100, 50};
    double wx, wy, wz;
    ASSERT_TRUE(CGLview::ProjectD(0, 0, 0, identity, identity, vp, &wx, &wy, &wz));
    EXPECT_DOUBLE_EQ(wx, 60.0);
    EXPECT_DOUBLE_EQ(wy, 45.0);
    EXPECT_DOUBLE_EQ(wz, 0.5);
    ASSERT_TRUE(CGLview::ProjectD(1, -1, 1, identity, identity, vp, &wx, &wy, &wz));
    EXPECT_DOUBLE_EQ(wx, 110.0);
    EXPECT_DOUBLE_EQ(wy, 20.0);
    EXPECT_DOUBLE_EQ(wz, 1.0);

    // Perspective: points on the near and far planes get depths 0 and 1.
    CGLview v;
    v.SetPerspective(2.0f, 200.0f, 640, 480);
    v.GetModelView().RotateTranslate(CVec3(-90.0f, 0.0f, -30.0f), CVec3(-5.0f, 7.0f, -50.0f));
    double mv[16], pr[16];
    ToDouble(v.GetModelView().GetMatrix(), mv);
    ToDouble(v.GetProjection().GetMatrix(), pr);
    const int vp2[4] = {0, 0, 640, 480};
    double eyeOnly[16];
    ToDouble(CGLtransform::GetIdentity(), eyeOnly);
    ASSERT_TRUE(CGLview::ProjectD(0, 0, -2, eyeOnly, pr, vp2, &wx, &wy, &wz));
    EXPECT_NEAR(wx, 320.0, 1e-9);
    EXPECT_NEAR(wy, 240.0, 1e-9);
    EXPECT_NEAR(wz, 0.0, 1e-6);
    ASSERT_TRUE(CGLview::ProjectD(0, 0, -200, eyeOnly, pr, vp2, &wx, &wy, &wz));
    EXPECT_NEAR(wz, 1.0, 1e-6);
    // w = 0 (a point in the eye plane) has no projection.
    EXPECT_FALSE(CGLview::ProjectD(1, 1, 0, eyeOnly, pr, vp2, &wx, &wy, &wz));

    const double points[][3] = {{0, 40, 50}, {30, 80, -20}, {-60, 150, 90}, {5, -7, 50}};
    for (const auto& p : points) {
        double gx, gy, gz;
        const bool ours = CGLview::ProjectD(p[0], p[1], p[2], mv, pr, vp2, &wx, &wy, &wz);
        const bool glu = gluProject(p[0], p[1], p[2], mv, pr, vp2, &gx, &gy, &gz) == GL_TRUE;
        ASSERT_EQ(ours, glu);
        if (!ours)
            continue;
        EXPECT_NEAR(wx, gx, 1e-6);
        EXPECT_NEAR(wy, gy, 1e-6);
        EXPECT_NEAR(wz, gz, 1e-9);
        // And back again.
        double ux, uy, uz;
        ASSERT_TRUE(CGLview::UnProjectD(wx, wy, wz, mv, pr, vp2, &ux, &uy, &uz));
        EXPECT_NEAR(ux, p[0], 1e-3);
        EXPECT_NEAR(uy, p[1], 1e-3);
        EXPECT_NEAR(uz, p[2], 1e-3);
        ASSERT_EQ(gluUnProject(wx, wy, wz, mv, pr, vp2, &gx, &gy, &gz), GL_TRUE);
        EXPECT_NEAR(ux, gx, 1e-6);
    }
    const double zero[16] = {};
    EXPECT_FALSE(CGLview::UnProjectD(1, 1, 0.5, zero, pr, vp2, &wx, &wy, &wz));
}

TEST(View, LineOnPlaneRefusesALevelRayAndOneThatMeetsThePlaneBehindTheEye)
{
    struct Case {
        double p0[3], p1[3];
        bool hit;
        float x, y;
    } cases[] = {
        {{0, 0, 100}, {100, 50, -100}, true, 12.5f, 6.25f}, // descending ray meets z = 75 a quarter in
        {{0, 0, 100}, {100, 0, 100}, false, 0, 0},          // level: parallel to the plane
        {{0, 0, 75}, {100, 0, 75}, false, 0, 0},            // level in the plane itself
        {{0, 0, 100}, {1e30, 0, 100 - 1e-10}, false, 0, 0}, // nearly level: beyond a float
        {{0, 0, NAN}, {1, 0, 0}, false, 0, 0},
        {{0, 0, 100}, {100, 0, 300}, false, 0, 0},          // rising: the plane lies behind
        {{0, 0, 50}, {100, 0, 30}, false, 0, 0},            // below the plane, looking down
        {{0, 0, 75}, {100, 0, 30}, true, 0.0f, 0.0f},       // starting on the plane
    };
    for (const Case& c : cases) {
        CVec3 out(-1, -2, -3);
        EXPECT_EQ(CGLview::LineOnPlane(c.p0, c.p1, 75.0, out), c.hit) << c.p1[0];
        if (c.hit) {
            EXPECT_FLOAT_EQ(out.x, c.x);
            EXPECT_FLOAT_EQ(out.y, c.y);
            EXPECT_EQ(out.z, 75.0f);
        } else {
            EXPECT_EQ(out, CVec3(-1, -2, -3)); // left as it was
        }
    }
}

// The pick of the start view (level, from 1000 above the ground) in a window of
// the program's first size: below the horizon the ground in front of the camera,
// above it nothing, however far the pointer goes.
TEST_F(ViewTest, PickOnPlaneFromTheStartViewFindsNothingAboveTheHorizon)
{
    const StartView start;
    struct Case {
        int x, y;
        bool hit;
    } cases[] = {{300, 420, true}, {516, 667, true}, {516, 300, false}, {700, 300, false}, {10, 0, false}};
    for (const Case& c : cases) {
        CVec3 p(-1, -2, -3);
        EXPECT_EQ(start.Pick(c.x, c.y, p), c.hit) << c.x << "," << c.y;
        if (c.hit) {
            EXPECT_GT(p.y, 1000.0f) << "in front of the camera";
            EXPECT_EQ(p.z, 75.0f);
        }
    }
}

} // namespace
