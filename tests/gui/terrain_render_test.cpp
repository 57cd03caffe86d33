#include "engine/terrain/GLRadar.h"
#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLflare.h"
#include "engine/terrain/GLterrain.h"
#include "foundation/image/Dib.h"
#include "gl_fixture.h"
#include "log_capture.h"
#include "temp_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A camera high above the origin looking straight down, its matrices in GL.
void LookDown(CGLcamera& cam, int w, int h, float height)
{
    cam.SetPerspective(6.0f, 1600000.0f, w, h);
    cam.SetPosition(CVec3(0.0f, 0.0f, height));
    cam.SetRotation(CVec3(0.0f, 0.0f, 0.0f));
    cam.SetProjectionMode();
    cam.GetProjection().LoadToGL();
    cam.SetModelViewMode();
    cam.GetModelView().LoadIdentity();
    cam.Update();
}

struct Census {
    int water = 0, grass = 0, light = 0, clear = 0, other = 0;
};

Census Count(const QImage& img, QRgb clearColour)
{
    Census c;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            const int r = qRed(p), g = qGreen(p), b = qBlue(p);
            if ((p & 0xFFFFFF) == (clearColour & 0xFFFFFF))
                ++c.clear;
            else if (b > r + 20 && b > g)
                ++c.water;
            else if (g > r + 10 && g > b + 10)
                ++c.grass;
            else if (std::abs(r - g) < 40 && std::abs(g - b) < 40)
                ++c.light; // rock, snow and grey
            else
                ++c.other;
        }
    return c;
}

} // namespace

TEST(TerrainRender, ChunksDrawGroundTexturesWithTheShader)
{
    TempDataFolder folder{"Shader", "Map"}; // the terrain and radar files it writes stay there
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(160, 120));
    LogCapture log;
    CGLterrain terrain;
    ASSERT_TRUE(terrain.Create(300, 300));
    EXPECT_TRUE(terrain.GetShader().IsValid());
    EXPECT_TRUE(log.Contains("CGLchunk::Create CalcTime="));
    EXPECT_FALSE(log.Contains("Failed load 4 Texels"));
    EXPECT_FALSE(log.Contains("CGLterrain::Create Error Create Radar"));
    EXPECT_EQ(terrain.GetChunks().GetRecords().size(), 4u);
    for (unsigned tex : {0, 1, 2, 3})
        EXPECT_NE(terrain.GetChunks().GetGroundTextures()[tex], 0u);
    EXPECT_TRUE(fs::exists(fs::path(folder.Path()) / "Terrain" / "Vert.ter"));
    EXPECT_TRUE(fs::exists(fs::path(folder.Path()) / "Radar" / "Radar.bmp"));

    CGLcamera cam;
    LookDown(cam, 160, 120, 18000.0f);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    int drawn = -1;
    terrain.Render(&cam, &drawn);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(drawn, 2); // the far chunk row starts beyond the view's top edge
    const Census c = Count(gl.Grab(), qRgb(255, 0, 255));
    const int total = 160 * 120;
    EXPECT_EQ(c.clear, 0) << "the terrain covers the view";
    EXPECT_GT(c.water + c.grass + c.light, total * 9 / 10)
        << "water " << c.water << " grass " << c.grass << " light " << c.light << " other " << c.other;
    EXPECT_GT(c.grass, total / 20);

    // turned away from the terrain no chunk is drawn
    cam.SetRotation(CVec3(180.0f, 0.0f, 0.0f));
    cam.GetModelView().LoadIdentity();
    cam.Update();
    terrain.Render(&cam, &drawn);
    EXPECT_EQ(drawn, 0);
    terrain.Free();
    EXPECT_FALSE(terrain.GetShader().IsValid());
}

TEST(TerrainRender, FailedShaderIsNotUsed)
{
    TempDataFolder folder{"Map"}; // no shader sources
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(64, 48));
    LogCapture log;
    CGLterrain terrain;
    ASSERT_TRUE(terrain.Create(40, 40));
    EXPECT_TRUE(log.Contains("CGLShader::Load Shader file not found: Shader\\TestFs2Reduced.vert"));
    EXPECT_FALSE(terrain.GetShader().IsValid());

    CGLcamera cam;
    LookDown(cam, 64, 48, 3000.0f);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    int drawn = 0;
    terrain.Render(&cam, &drawn);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(drawn, 1);
    // still drawn, without the program (the terrain is narrower than the view)
    const QImage img = gl.Grab();
    EXPECT_NE(img.pixel(32, 24) & 0xFFFFFF, qRgb(255, 0, 255) & 0xFFFFFF);
    EXPECT_LT(Count(img, qRgb(255, 0, 255)).clear, 64 * 48 / 4);
}

TEST(TerrainRender, RadarPictureIsReusedOnlyWhenItFits)
{
    TempDataFolder folder{"Shader", "Map"};
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(32, 32));
    std::vector<CVec3> colours(64 * 32, CVec3(0.0f, 1.0f, 0.0f));
    std::vector<CVec3> vertices(64 * 32);
    CGLRadar radar;
    ASSERT_TRUE(radar.Create(64, 32, 24, colours.data(), vertices.data(), 100.0f));
    EXPECT_TRUE(radar.PictureWasBuilt());
    EXPECT_NE(radar.GetTexture(), 0u);
    CDib saved;
    ASSERT_TRUE(saved.Load("Radar//Radar.bmp"));
    int w = 0, h = 0, bits = 0;
    saved.GetDimension(&w, &h, &bits);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(saved.GetBits()[1], 255); // the bytes are r, g, b of the cell colour

    CGLRadar again;
    ASSERT_TRUE(again.Create(64, 32, 24, colours.data(), vertices.data(), 100.0f));
    EXPECT_FALSE(again.PictureWasBuilt()); // the next start reads the picture

    // a terrain of another size gets a new picture
    std::vector<CVec3> other(48 * 48, CVec3(1.0f, 0.0f, 0.0f));
    CGLRadar resized;
    ASSERT_TRUE(resized.Create(48, 48, 24, other.data(), other.data(), 100.0f));
    EXPECT_TRUE(resized.PictureWasBuilt());
    radar.DeleteTexture();
    EXPECT_EQ(radar.GetTexture(), 0u);

    // a picture that cannot be saved is said so; the radar works from the built one
    fs::remove("Radar/Radar.bmp");
    fs::create_directory("Radar/Radar.bmp");
    LogCapture log;
    CGLRadar unsaved;
    ASSERT_TRUE(unsaved.Create(64, 32, 24, colours.data(), vertices.data(), 100.0f));
    EXPECT_NE(unsaved.GetTexture(), 0u);
    EXPECT_TRUE(log.Contains("CGLRadar::Create cannot write Radar/Radar.bmp"));
}

TEST(TerrainRender, CircularRadarIsClippedByTheStencil)
{
    TempDataFolder folder{"Shader", "Map"};
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(200, 220));
    std::vector<CVec3> colours(64 * 64, CVec3(1.0f, 1.0f, 1.0f));
    std::vector<CVec3> vertices(64 * 64);
    CGLRadar radar;
    ASSERT_TRUE(radar.Create(64, 64, 24, colours.data(), vertices.data(), 100.0f));
    radar.SetLocked(true); // the whole map fills the minimap

    CGLcamera cam;
    cam.SetPosition(CVec3(0.0f, 0.0f, 500.0f));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 200, 220, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);

    auto draw = [&] {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        radar.Draw(&cam, nullptr);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return gl.Grab();
    };
    // minimap from (16, 40) to (169.6, 193.6); (20, 44) lies in its corner, outside the circle
    QImage round = draw();
    EXPECT_GT(qGreen(round.pixel(40, 117)), 60);  // inside the circle: the map (grey, half bright)
    EXPECT_EQ(qGreen(round.pixel(20, 44)), 0);    // clipped
    EXPECT_EQ(qRed(round.pixel(92, 110)), 255);   // the camera marker at the map's centre
    EXPECT_EQ(qGreen(round.pixel(92, 110)), 0);
    GLboolean stencil = GL_TRUE;
    glGetBooleanv(GL_STENCIL_TEST, &stencil);
    EXPECT_FALSE(stencil);

    radar.SetRound(false);
    QImage square = draw();
    EXPECT_GT(qGreen(square.pixel(20, 44)), 60);
    EXPECT_EQ(qGreen(square.pixel(10, 44)), 0); // outside the minimap
}

TEST(TerrainRender, FlareHiddenBehindAnOccluder)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(64, 64));
    CGLcamera view; // at (0, 0, 100) looking down -z
    view.SetPerspective(1.0f, 1000.0f, 64, 64);
    view.GetModelView().LoadIdentity();
    view.GetModelView().RotateTranslate(CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 0.0f, -100.0f));
    view.SetProjectionMode();
    view.GetProjection().LoadToGL();
    view.SetModelViewMode();
    view.GetModelView().LoadToGL();
    view.UpdateFrustum();
    glEnable(GL_DEPTH_TEST);

    CGLflare flare;
    flare.Setup(1.0f, 1.0f, CVec3(10.0f, 5.0f, -400.0f));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    flare.TestVisible(&view);
    EXPECT_TRUE(flare.IsVisible()); // nothing drawn: the sky
    EXPECT_GT(flare.GetScreenPosition().x, 32.0f);

    // an occluder in front of the sun
    glBegin(GL_QUADS);
    glVertex3f(-500, -500, 0);
    glVertex3f(500, -500, 0);
    glVertex3f(500, 500, 0);
    glVertex3f(-500, 500, 0);
    glEnd();
    const float read = flare.TestVisible(&view);
    EXPECT_FALSE(flare.IsVisible());
    EXPECT_LT(read, flare.GetScreenPosition().z);

    // a sun behind the camera is outside the frustum, whatever the depth buffer holds
    glClear(GL_DEPTH_BUFFER_BIT);
    flare.Setup(1.0f, 1.0f, CVec3(0.0f, 0.0f, 400.0f));
    flare.TestVisible(&view);
    EXPECT_FALSE(flare.IsVisible());

    // drawn in device coordinates: bright at the sun, nothing at the screen's edge
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    flare.Setup(150.0f, 1.0f, CVec3(0.0f, 0.0f, 0.0f));
    flare.SetScreenPosition(CVec3(32.0f, 32.0f, 0.5f), true);
    flare.Draw(&view);
    EXPECT_GT(qRed(gl.Grab().pixel(32, 32)), 40);
    glClear(GL_COLOR_BUFFER_BIT);
    flare.SetScreenPosition(CVec3(0.0f, 32.0f, 0.5f), true);
    flare.Draw(&view);
    EXPECT_LT(qRed(gl.Grab().pixel(2, 32)), 3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
