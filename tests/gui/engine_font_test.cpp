#include "engine/gl/GLfont.h"
#include "gl_fixture.h"
#include "log_capture.h"
#include "platform/GlyphRaster.h"

#include <gtest/gtest.h>

namespace {

int LitPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qGreen(img.pixel(x, y)) > 128 ? 1 : 0;
    return n;
}

void PixelProjection(int w, int h)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, h, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

} // namespace

TEST(EngineFont, GlyphRasterGivesOneBitGlyphsOfTheCellHeight)
{
    platform::GlyphFont font;
    font.face = "Arial";
    font.weight = 700;
    font.height = 18;
    std::vector<platform::GlyphBitmap> glyphs;
    ASSERT_TRUE(platform::RasterizeGlyphs(font, 0, 128, glyphs));
    ASSERT_EQ(glyphs.size(), 128u);
    const auto& a = glyphs['A'];
    EXPECT_GT(a.width, 4);
    EXPECT_GT(a.height, 6);
    EXPECT_LE(a.height, 18);
    EXPECT_GT(a.advance, 0.0f);
    EXPECT_EQ(a.bits.size(), size_t((a.width + 7) / 8 * a.height));
    EXPECT_EQ(glyphs[' '].width, 0);
    EXPECT_GT(glyphs[' '].advance, 0.0f);
    EXPECT_EQ(glyphs[10].advance, 0.0f);
    // 'g' reaches below the baseline, 'A' does not.
    EXPECT_GT(glyphs['g'].yOrigin, 0.0f);
    EXPECT_EQ(a.yOrigin, 0.0f);

    EXPECT_FALSE(platform::RasterizeGlyphs(font, 200, 100, glyphs));
    font.height = 0;
    EXPECT_FALSE(platform::RasterizeGlyphs(font, 0, 128, glyphs));
}

TEST(EngineFont, BitmapTextProducesPixels)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(128, 32));
    CGLfont font;
    // Nothing before Create.
    PixelProjection(128, 32);
    glColor3f(1, 1, 1);
    font.Draw(CVec3(4.0f, 22.0f, 0.0f), "Hello", true);
    EXPECT_EQ(LitPixels(gl.Grab()), 0);

    LogCapture log;
    ASSERT_TRUE(font.Create("Arial", 700, 18, false, false));
    EXPECT_TRUE(log.Contains("CGLfont::Create Font erfolgreich erstellt. Kontext: "));
    EXPECT_EQ(font.GetHeight(), 18);
    EXPECT_EQ(font.GetTextWidth(10), 36);
    const GLuint base = font.GetListBase();
    EXPECT_NE(base, 0u);
    EXPECT_TRUE(glIsList(base + 'A'));

    glColor3f(1, 1, 1);
    font.Draw(CVec3(4.0f, 22.0f, 0.0f), "Hello", true);
    const int hello = LitPixels(gl.Grab());
    EXPECT_GT(hello, 40);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)); // switched back on

    // Longer text lights more; codes above 127 draw nothing.
    PixelProjection(128, 32);
    font.Draw(CVec3(4.0f, 22.0f, 0.0f), "Hello\xC4\xE9", true);
    EXPECT_EQ(LitPixels(gl.Grab()), hello);
    PixelProjection(128, 32);
    font.Draw(CVec3(4.0f, 22.0f, 0.0f), "Hello World", true);
    EXPECT_GT(LitPixels(gl.Grab()), hello);

    // An empty text draws nothing but still moves the raster position.
    PixelProjection(128, 32);
    font.Draw(CVec3(50.0f, 20.0f, 0.0f), "", true);
    EXPECT_EQ(LitPixels(gl.Grab()), 0);
    GLfloat raster[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_NEAR(raster[0], 50.0f, 1e-3f);

    // Colored text: green channel of 0x0000FF00, then the colour is black.
    PixelProjection(128, 32);
    font.DrawColored(CVec3(4.0f, 22.0f, 0.0f), "Hello", 0x0000FF00u);
    EXPECT_EQ(LitPixels(gl.Grab()), hello);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[1], 0.0f);

    // A second Create changes nothing.
    EXPECT_TRUE(font.Create("DejaVu Sans Mono", 400, 30, false, false));
    EXPECT_EQ(font.GetListBase(), base);
    EXPECT_EQ(font.GetHeight(), 18);

    font.Delete();
    EXPECT_FALSE(glIsList(base + 'A'));
    EXPECT_FALSE(font.IsCreated());
}

TEST(EngineFont, CreateWithoutContextLogsAndMakesNothing)
{
    LogCapture log;
    CGLfont font;
    EXPECT_FALSE(font.Create("Arial", 700, 18, false, false));
    EXPECT_TRUE(log.Contains("CGLfont::Create Kein gültiger DC oder RC vorhanden!"));
    EXPECT_FALSE(font.IsCreated());
}
