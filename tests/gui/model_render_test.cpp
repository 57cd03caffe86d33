// The generated locomotive drawn into a framebuffer with its texture and its head
// lamp; clearing it deletes the texture and switches the lamp off.
#include "engine/gl/GLcamera.h"
#include "engine/models/GLmeshObj.h"
#include "engine/models/TextureList.h"
#include "foundation/math/Tables.h"
#include "gl_fixture.h"
#include "temp_data_folder.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int kW = 200, kH = 150;

// A camera at `eye` looking at `target`.
void LookAt(CGLcamera& cam, const CVec3& eye, const CVec3& target)
{
    const CVec3 d = target - eye;
    const float heading = float(std::atan2(d.y, d.x) * kRadToDeg) - 90.0f;
    const float pitch = 90.0f + float(std::atan2(d.z, std::sqrt(d.x * d.x + d.y * d.y)) * kRadToDeg);
    cam.Setup(0, 24.0f, eye, CVec3(pitch, 0.0f, heading));
    cam.SetClipPlanes(6.0f, 1600000.0f);
    cam.SetViewport(kW, kH);
}

void BeginFrame(CGLcamera& cam)
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cam.SetProjectionMode();
    cam.GetProjection().LoadToGL();
    cam.SetModelViewMode();
    cam.GetModelView().LoadIdentity();
    cam.Update();
    cam.UpdateFrustum();
}

// The colour buffer without its alpha (opaque 3DS materials draw with alpha 0).
QImage Pixels()
{
    QImage img(kW, kH, QImage::Format_RGB888);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = 0; y < kH; ++y)
        glReadPixels(0, kH - 1 - y, kW, 1, GL_RGB, GL_UNSIGNED_BYTE, img.scanLine(y));
    return img;
}

bool BoilerRed(QRgb c) { return qRed(c) > 70 && qGreen(c) * 3 < qRed(c) && qBlue(c) * 3 < qRed(c); }
bool BrassBand(QRgb c) { return qRed(c) > 90 && qGreen(c) * 2 > qRed(c) && qBlue(c) * 2 < qGreen(c); }

// A white test light from above the camera's side, in slot 0 (slots 1 and 2 are
// switched on too, black, so the model's lamp has to take slot 3).
void TestLights()
{
    const float white[4] = {0.9f, 0.9f, 0.9f, 1}, black[4] = {0, 0, 0, 1}, dir[4] = {0.3f, -0.6f, 0.75f, 0};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightfv(GL_LIGHT0, GL_POSITION, dir);
    glPopMatrix();
    for (GLenum l : {GL_LIGHT1, GL_LIGHT2}) {
        glLightfv(l, GL_DIFFUSE, black);
        glLightfv(l, GL_SPECULAR, black);
    }
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHT2);
}

// The brightness of a white floor at the point `at` (z = 0) in front of the
// locomotive, lit only by the lights that are on.
int FloorBrightness(CGLcamera& cam, const CVec3& at)
{
    cam.GetModelView().LoadToGL();
    const float white[4] = {1, 1, 1, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
    glEnable(GL_LIGHTING);
    // small quads: fixed-function lighting is worked out at the corners
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    for (float x = 100; x < 1500; x += 10)
        for (float y = -300; y < 300; y += 10) {
            glVertex3f(x, y, 0);
            glVertex3f(x + 10, y, 0);
            glVertex3f(x + 10, y + 10, 0);
            glVertex3f(x, y + 10, 0);
        }
    glEnd();
    glDisable(GL_LIGHTING);
    CVec3 win;
    cam.Project(win, at);
    EXPECT_TRUE(win.x >= 0 && win.x < kW && win.y >= 0 && win.y < kH) << win.x << "," << win.y;
    if (!(win.x >= 0 && win.x < kW && win.y >= 0 && win.y < kH))
        return -1;
    return qGray(Pixels().pixel(int(win.x), kH - 1 - int(win.y)));
}

// In a copy of the data folder (textures are named relative to it), with a
// depth-tested framebuffer of kW x kH.
class ModelRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.Ok());
        InitTrigTables();
        ASSERT_TRUE(gl.Init(kW, kH));
        glEnable(GL_DEPTH_TEST);
    }

    TempDataFolder folder{"Models"};
    GLTestContext gl;
};

} // namespace

TEST_F(ModelRender, LocomotiveIsDrawnWithItsTextureAndLamp)
{
    glDepthFunc(GL_LEQUAL);
    TestLights();

    CGLcamera cam;
    LookAt(cam, CVec3(140, -230, 110), CVec3(40, 0, 30));

    // untextured first: the boiler's white material shows no red
    CGLmeshObj plain;
    ASSERT_EQ(plain.Load("Models\\Locomotive.3ds", 1.0f, CVec3(), 4, false, false), 6);
    EXPECT_EQ(g_TextureList.GetCount(), 0);
    BeginFrame(cam);
    int drawn = 0, collisions = 0;
    plain.Render(&cam, nullptr, &drawn, &collisions);
    EXPECT_EQ(drawn, 6);
    const int redWithout = CountPixels(Pixels(), BoilerRed);

    plain.Clear();

    CGLmeshObj loco;
    ASSERT_EQ(loco.Load("Models\\Locomotive.3ds", 1.0f, CVec3(), 4, false, true), 6);
    ASSERT_EQ(loco.GetLights().size(), 1u);
    const CGLlight& lamp = *loco.GetLights()[0];
    EXPECT_EQ(lamp.GetNumber(), 3); // lights 0 to 2 were on
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    EXPECT_EQ(lamp.IsSpot(), 1);
    EXPECT_EQ(lamp.GetCutoff(), 90.0f);

    // one texture for the boiler, shared through the list
    ASSERT_EQ(g_TextureList.GetCount(), 1);
    GLuint texture = 0;
    for (const auto& mesh : loco.GetMeshes())
        if (mesh->GetMaterial() && mesh->GetMaterial()->HasTexture())
            texture = GLuint(mesh->GetMaterial()->GetTexture());
    ASSERT_NE(texture, 0u);
    EXPECT_TRUE(glIsTexture(texture));
    // the transparent windows come last
    EXPECT_EQ(loco.GetMeshes().back()->GetRecord()->name, "Windows");

    BeginFrame(cam);
    drawn = 0;
    loco.Render(&cam, nullptr, &drawn, &collisions);
    EXPECT_EQ(drawn, 6);
    const QImage shot = Pixels();
    EXPECT_GT(CountPixels(shot, BoilerRed), redWithout + 300);
    EXPECT_GT(CountPixels(shot, BrassBand), 30);

    // the lamp lights the floor ahead of the locomotive
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHT2);
    const CVec3 ahead(160, -20, 0);
    const int lit = FloorBrightness(cam, ahead);
    glDisable(GL_LIGHT3);
    const int dark = FloorBrightness(cam, ahead);
    EXPECT_GT(lit, dark + 40) << lit << " " << dark;

    // looking away, nothing is drawn
    LookAt(cam, CVec3(140, -230, 110), CVec3(400, -660, 140));
    BeginFrame(cam);
    drawn = 0;
    loco.Render(&cam, nullptr, &drawn, &collisions);
    EXPECT_EQ(drawn, 0);

    loco.Clear();
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
    EXPECT_EQ(g_TextureList.GetCount(), 0);
    EXPECT_TRUE(loco.GetMeshes().empty());
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHT2);
}

TEST_F(ModelRender, AFlaggedModelPushesTheCameraOffItsWall)
{

    // the station's front wall faces -y at y = 20 (model coordinates)
    const CVec3 at(1000, 0, 0);
    for (bool collision : {false, true}) {
        SCOPED_TRACE(collision);
        CGLmeshObj station;
        ASSERT_GT(station.Load("Models\\Station.3ds", 1.0f, at, 0, collision, false), 0);
        CGLcamera cam;
        LookAt(cam, at + CVec3(0, 10, 50), at + CVec3(0, 100, 50));
        BeginFrame(cam);
        int drawn = 0, collisions = 0;
        station.Render(&cam, nullptr, &drawn, &collisions);
        EXPECT_GT(drawn, 0);
        if (collision) {
            EXPECT_GT(collisions, 0);
            // pushed back out to its radius (24) in front of the wall
            EXPECT_NEAR(cam.GetPush().y, -14.0f, 0.01f);
        } else {
            EXPECT_EQ(collisions, 0);
            EXPECT_EQ(cam.GetPush(), CVec3());
        }
        station.Clear();
    }
}
