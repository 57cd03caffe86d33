#include "engine/gl/GLcontext.h"
#include "engine/gl/GLview.h"
#include "gl_fixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int kSize = 64;

// A camera at (0, 0, 100) looking straight down on a large quad at z = 0.
void SetUpView(CGLview& v)
{
    v.SetPerspective(1.0f, 1000.0f, kSize, kSize);
    v.GetModelView().LoadIdentity();
    v.GetModelView().RotateTranslate(CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 0.0f, -100.0f));
    v.SetProjectionMode();
    v.GetProjection().LoadToGL();
    v.SetModelViewMode();
    v.GetModelView().LoadToGL();
}

void DrawGround()
{
    glBegin(GL_QUADS);
    glVertex3f(-1000, -1000, 0);
    glVertex3f(1000, -1000, 0);
    glVertex3f(1000, 1000, 0);
    glVertex3f(-1000, 1000, 0);
    glEnd();
}

} // namespace

TEST(EngineView, PickFindsTheDrawnPlane)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(kSize, kSize));
    CGLview v;
    SetUpView(v);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawGround();

    // Half-way to the right and top edges: x = y = 0.5 * 100 * tan(half fov).
    const float half = 0.5f * 100.0f * CGLview::kTanHalfFov;
    struct Case {
        GLPoint mouse;
        float x, y;
    };
    const Case cases[] = {{{32, 32}, 0.0f, 0.0f}, {{48, 16}, half, half}, {{16, 48}, -half, -half}};
    for (const Case& c : cases) {
        CVec3 p;
        v.Pick(p, c.mouse);
        EXPECT_NEAR(p.x, c.x, 1.0f) << c.mouse.x << "," << c.mouse.y;
        EXPECT_NEAR(p.y, c.y, 1.0f);
        EXPECT_NEAR(p.z, 0.0f, 0.2f);
        CVec3 q;
        ASSERT_TRUE(v.PickOnPlane(q, c.mouse, 0.0));
        EXPECT_NEAR(q.x, c.x, 1e-3f);
        EXPECT_NEAR(q.y, c.y, 1e-3f);
        EXPECT_EQ(q.z, 0.0f);
        // Half-way up to the camera the ray is half as far out.
        ASSERT_TRUE(v.PickOnPlane(q, c.mouse, 50.0));
        EXPECT_NEAR(q.x, c.x * 0.5f, 1e-3f);
        EXPECT_EQ(q.z, 50.0f);
    }

    // Projecting the picked point lands back under the mouse (y from the bottom).
    CVec3 win;
    v.Project(win, CVec3(half, half, 0.0f));
    EXPECT_NEAR(win.x, 48.0f, 1e-3f);
    EXPECT_NEAR(win.y, 48.0f, 1e-3f);
}

TEST(EngineView, PickWhereNothingWasDrawnReturnsTheFarPlanePoint)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(kSize, kSize));
    CGLview v;
    SetUpView(v);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    CVec3 p;
    v.Pick(p, GLPoint{32, 32});
    EXPECT_NEAR(p.z, 100.0f - 1000.0f, 1.0f);
    EXPECT_NEAR(p.x, 0.0f, 1e-2f);
}

TEST(EngineView, PerspectiveSetsTheGLViewport)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(kSize, kSize));
    ASSERT_TRUE(GLContextIsCurrent());
    CGLview v;
    v.SetPerspective(1.0f, 100.0f, 40, 30, 5);
    GLint vp[4] = {};
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[0], 0);
    EXPECT_EQ(vp[1], 5);
    EXPECT_EQ(vp[2], 40);
    EXPECT_EQ(vp[3], 30);
    EXPECT_EQ(v.GetViewport()[1], 0); // the applied viewport starts at (0, 0)
}
