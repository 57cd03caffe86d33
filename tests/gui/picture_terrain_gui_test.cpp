#include "engine/terrain/GLterrain.h"
#include "foundation/image/Dib.h"
#include "gl_fixture.h"
#include "work_folder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <vector>

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

// The texel a picture's pixel gives as RGBA.
std::array<uint8_t, 4> Texel(const uint8_t* p, int bits)
{
    if (bits == 8)
        return {p[0], p[0], p[0], 255};
    return {p[2], p[1], p[0], bits == 32 ? p[3] : uint8_t(255)};
}

TEST(PictureTerrainGui, TextureOfAnotherDepthThanTheHeightPicture)
{
    WorkFolder folder("pictex");
    std::filesystem::copy(std::string(QM_DATA_DIR) + "/Shader", "Shader");
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(32, 32));
    for (auto [heightBits, textureBits] : {std::pair{24, 8}, std::pair{32, 8}, std::pair{8, 32}}) {
        CDib heights, texture;
        ASSERT_TRUE(heights.Create(16, 12, heightBits));
        for (int k = 0; k < 16 * 12 * heightBits / 8; ++k)
            heights.GetBits()[k] = uint8_t(k % 16 * 5);
        const int tw = 6, th = 5;  // rows of 6 bytes at 8 bits: not a multiple of four
        ASSERT_TRUE(texture.Create(tw, th, textureBits));
        const int size = tw * th * textureBits / 8;
        for (int k = 0; k < size; ++k)
            texture.GetBits()[k] = uint8_t(40 + k * 7);

        CGLterrain t;
        ASSERT_TRUE(t.Create(&heights, &texture)) << heightBits << " " << textureBits;
        EXPECT_TRUE(t.GetShader().IsValid());  // Shader/TestFs2.frag, TestVs2.vert and Demo.geom
        EXPECT_GT(t.GetMaxHeight(), 0.0f);
        ASSERT_NE(t.GetTexture(), 0u);
        glBindTexture(GL_TEXTURE_2D, t.GetTexture());
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_EQ(std::pair(w, h), std::pair(tw, th));
        std::vector<uint8_t> texels(size_t(tw) * th * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        int wrong = 0;
        for (int k = 0; k < tw * th; ++k) {
            const auto want = Texel(texture.GetBits() + k * textureBits / 8, textureBits);
            wrong += std::memcmp(want.data(), &texels[size_t(k) * 4], 4) != 0;
        }
        EXPECT_EQ(wrong, 0) << heightBits << " " << textureBits;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        t.Free();
    }
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
