#include "engine/terrain/GLterrain.h"
#include "foundation/image/Dib.h"
#include "gl_fixture.h"
#include "work_folder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool Reddish(QRgb c) { return qRed(c) > 150 && qBlue(c) < 80; }
bool Bluish(QRgb c) { return qBlue(c) > 150 && qRed(c) < 80; }

TEST(PictureTerrainGui, GeneratedPictureRendersWithItsTexture)
{
    WorkFolder folder("picgui");
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(64, 64));
    // left half red, right half blue: equal grey means, so the ground is flat
    CDib picture;
    ASSERT_TRUE(picture.Create(16, 16, 24));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = picture.GetBits() + (y * 16 + x) * 3;
            p[0] = x < 8 ? 0 : 255;
            p[2] = x < 8 ? 255 : 0;
        }
    ASSERT_TRUE(picture.Save("ground.bmp", nullptr));

    CGLterrain t;
    ASSERT_TRUE(t.CreateFromPicture("ground.bmp", 0, 0, 0));
    EXPECT_TRUE(t.IsPictureFromFile());
    EXPECT_NE(t.GetTexture(), 0u);
    EXPECT_FLOAT_EQ(t.GetMaxHeight(), 0.0f);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-8, 7, -8, 7, -100, 100);  // the grid spans -8 .. 7 in cells
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    t.RenderArrays();
    const QImage shot = gl.Grab();
    EXPECT_TRUE(Reddish(shot.pixel(10, 32))) << std::hex << shot.pixel(10, 32);
    EXPECT_TRUE(Bluish(shot.pixel(54, 32))) << std::hex << shot.pixel(54, 32);

    // drawn lit through its buffer objects as well (the quick normals face +z)
    const float towardsGround[4] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, towardsGround);
    glEnable(GL_LIGHT0);
    glClear(GL_COLOR_BUFFER_BIT);
    t.Render(nullptr, nullptr);
    const QImage again = gl.Grab();
    EXPECT_GT(CountPixels(again, Reddish), 64 * 64 / 4);
    EXPECT_GT(CountPixels(again, Bluish), 64 * 64 / 4);
    t.Free();
}

TEST(PictureTerrainGui, SaveScreenRectMatchesTheFrame)
{
    WorkFolder folder("shotgui");
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(64, 48));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    const struct {
        int x, y, w, h;
        float r, g, b;
    } blocks[] = {{0, 0, 20, 10, 1, 0, 0}, {20, 0, 17, 10, 0, 1, 0}, {0, 10, 37, 10, 0.2f, 0.4f, 1}};
    for (const auto& b : blocks) {
        glScissor(b.x, b.y, b.w, b.h);
        glClearColor(b.r, b.g, b.b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    // 37 pixels wide: rows of 111 bytes, not a multiple of four
    ASSERT_TRUE(CGLterrain::SaveScreenRect("shot.bmp", ImageRect{0, 0, 37, 20}));
    const QImage saved("shot.bmp");
    ASSERT_EQ(saved.width(), 37);
    ASSERT_EQ(saved.height(), 20);
    const QImage frame = gl.Grab();  // top row first
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(saved.pixel(x, y) & 0xFFFFFF, frame.pixel(x, 48 - 20 + y) & 0xFFFFFF) << x << "," << y;
    EXPECT_FALSE(CGLterrain::SaveScreenRect("none.bmp", ImageRect{0, 0, 0, 20}));
}

TEST(DibClipboardGui, PictureRoundTripsAt24Bits)
{
    QGuiApplication::clipboard()->clear();
    CDib target;
    ASSERT_TRUE(target.Create(2, 2, 8));
    EXPECT_FALSE(target.PasteFromClipboard());  // nothing there: unchanged
    EXPECT_EQ(target.GetBitCount(), 8);

    CDib source;
    ASSERT_TRUE(source.Create(5, 3, 32));
    for (int i = 0; i < 15; ++i) {
        uint8_t* p = source.GetBits() + 4 * i;
        p[0] = uint8_t(i * 10), p[1] = uint8_t(255 - i), p[2] = uint8_t(i * 3), p[3] = 0x77;
    }
    ASSERT_TRUE(source.CopyToClipboard());
    ASSERT_TRUE(target.PasteFromClipboard());
    EXPECT_EQ(target.GetWidth(), 5);
    EXPECT_EQ(target.GetHeight(), 3);
    EXPECT_EQ(target.GetBitCount(), 24);  // a 32-bit picture goes out at 24 bits
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(std::memcmp(target.GetBits() + 3 * i, source.GetBits() + 4 * i, 3), 0) << i;

    // GetJpegBuffer with a count of -1 copies to the clipboard too
    QGuiApplication::clipboard()->clear();
    int count = -1;
    EXPECT_EQ(source.GetJpegBuffer(&count), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
}

} // namespace
