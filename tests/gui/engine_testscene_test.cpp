#include "app/TestScene.h"
#include "foundation/core/InputState.h"
#include "foundation/math/Tables.h"
#include "gl_fixture.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

bool IsSky(QRgb c) { return qBlue(c) > 180 && qRed(c) < 120; }
bool IsGridLine(QRgb c) { return qRed(c) > 150 && qGreen(c) > 150 && qBlue(c) > 150; }
bool IsRedBox(QRgb c) { return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90; }

} // namespace

TEST(EngineTestScene, DrawsTheGroundGridAndFliesFromTheKeys)
{
    InitTrigTables();
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(320, 240));
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    CTestScene scene;
    ASSERT_TRUE(scene.Create());
    scene.Resize(320, 240);
    g_InputState.SetOverlayHit(false);
    scene.RenderFrame();
    QImage img = gl.Grab();
    EXPECT_GT(CountPixels(img, IsSky), 320 * 240 / 10);
    EXPECT_GT(CountPixels(img, IsGridLine), 200);
    const int redBefore = CountPixels(img, IsRedBox);
    EXPECT_GT(redBefore, 50);
    EXPECT_GE(scene.GetBoxesDrawn(), 1);
    EXPECT_LT(scene.GetBoxesDrawn(), 5); // one box lies outside the first view

    // Forward for a few frames: the camera moves along +y and the box in front grows.
    const CVec3 start = *scene.GetCamera().GetPosition();
    g_InputState.SetForward(1);
    for (int i = 0; i < 40; ++i) {
        platform::SleepMs(16);
        scene.RenderFrame();
    }
    g_InputState.SetForward(0);
    const CVec3 moved = *scene.GetCamera().GetPosition();
    EXPECT_GT(moved.y, start.y + 50.0f);
    EXPECT_GT(CountPixels(gl.Grab(), IsRedBox), redBefore);

    // Sideways to the right.
    g_InputState.SetStrafe(1);
    for (int i = 0; i < 10; ++i) {
        platform::SleepMs(16);
        scene.RenderFrame();
    }
    g_InputState.SetStrafe(0);
    EXPECT_GT(scene.GetCamera().GetPosition()->x, moved.x);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    scene.Free();
}
