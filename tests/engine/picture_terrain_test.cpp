#include "engine/terrain/DepthFrame.h"
#include "engine/terrain/GLterrain.h"
#include "foundation/math/Tables.h"

#include "work_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr int W = 16, H = 8, B = 3;
constexpr size_t kRow = size_t(W) * B;

void PutHeader(std::vector<uint8_t>& f, size_t at, uint16_t d, float maxDepth, float minDepth)
{
    std::memcpy(&f[at], "DEEP1965", 9);
    std::memcpy(&f[at + 11], &d, 2);
    std::memcpy(&f[at + 25], &maxDepth, 4);
    std::memcpy(&f[at + 29], &minDepth, 4);
}

float Depth(int k) { return float(k % 7) + 0.5f; }

// A depth frame: two headers d rows apart and W x H depths after the H pixel rows.
std::vector<uint8_t> DepthFrameBytes(uint16_t d, bool secondHeader = true)
{
    std::vector<uint8_t> f(kRow * H + 4 * size_t(W) * H, 7);
    PutHeader(f, 0, d, 10.0f, 2.0f);
    if (secondHeader && d && kRow * d + 33 <= f.size())
        PutHeader(f, kRow * d, d, 8.0f, 1.0f);
    for (int k = 0; k < W * H; ++k) {
        const float v = Depth(k);
        std::memcpy(&f[kRow * H + 4 * size_t(k)], &v, 4);
    }
    return f;
}

TEST(DepthFrame, ValidFrameGivesHeightsColoursAndCloud)
{
    CGLterrain t;
    t.SetSmoothPasses(0);
    const auto frame = DepthFrameBytes(1);
    bool recreated = false;
    ASSERT_TRUE(t.ApplyImage(frame.data(), frame.size(), W, H, 24, recreated));
    EXPECT_TRUE(recreated);
    EXPECT_EQ(t.GetExtraRows(), 2);  // 2 x d
    EXPECT_EQ(t.GetImage().GetHeight(), H + 4);
    EXPECT_FLOAT_EQ(t.GetMaxHeight(), 10.0f);
    EXPECT_FLOAT_EQ(t.GetMinHeight(), 1.0f);
    for (int k : {0, 5, W * H / 2 - 1, W * H / 2, W * H - 1}) {
        EXPECT_FLOAT_EQ(t.GetVertices()[k].z, Depth(k)) << k;
        CVec3 want;
        if (k / W < H / 2)
            ValueToColor(want, Depth(k), 1.0f, 8.0f);  // the second header's limits
        else
            ValueToColor(want, Depth(k), 2.0f, 10.0f);
        EXPECT_EQ(t.GetColors()[k].x, want.x) << k;
        EXPECT_EQ(t.GetColors()[k].z, want.z) << k;
    }
    EXPECT_TRUE(t.GetCloud().HasLists());
    // the same frame again keeps the arrays
    ASSERT_TRUE(t.ApplyImage(frame.data(), frame.size(), W, H, 24, recreated));
    EXPECT_FALSE(recreated);
}

TEST(DepthFrame, MalformedFramesAreRefused)
{
    const auto good = DepthFrameBytes(1);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"d is 0", DepthFrameBytes(0)},
        {"no second header", DepthFrameBytes(1, false)},
        {"second header past the end", DepthFrameBytes(200)},
        {"ends inside the second header", std::vector<uint8_t>(good.begin(), good.begin() + kRow + 30)},
        {"ends before the depth block's end", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"first header cut", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
    };
    for (const auto& c : cases) {
        DepthFrame parsed;
        EXPECT_EQ(ParseDepthFrame(c.bytes.data(), c.bytes.size(), W, H, 24, parsed), DepthParse::Bad) << c.name;
        CGLterrain t;
        bool recreated = false;
        EXPECT_FALSE(t.ApplyImage(c.bytes.data(), c.bytes.size(), W, H, 24, recreated)) << c.name;
    }
    CGLterrain t;
    bool recreated = false;
    EXPECT_FALSE(t.ApplyImage(nullptr, 0, W, H, 24, recreated));
    // a plain picture shorter than its rows
    const std::vector<uint8_t> picture(kRow * H - 1, 9);
    EXPECT_FALSE(t.ApplyImage(picture.data(), picture.size(), W, H, 24, recreated));
}

TEST(DepthFrame, HeaderRowsPastTheBufferAreNotCopied)
{
    // d = 5: H + 4 d rows would be 1344 bytes, the buffer holds 896
    auto frame = DepthFrameBytes(5);
    CGLterrain t;
    t.SetSmoothPasses(0);
    bool recreated = false;
    ASSERT_TRUE(t.ApplyImage(frame.data(), frame.size(), W, H, 24, recreated));
    EXPECT_EQ(t.GetImage().GetHeight(), H + 20);
    EXPECT_EQ(std::memcmp(t.GetImage().GetBits(), frame.data(), frame.size()), 0);
    EXPECT_EQ(t.GetImage().GetBits()[frame.size()], 0);
}

TEST(PictureTerrain, HeightsFromAGeneratedPicture)
{
    // rows top first; grid row 0 is the picture's last row
    std::vector<uint8_t> px(kRow * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t* p = &px[kRow * y + size_t(x) * B];
            p[0] = uint8_t(10 + x);
            p[1] = uint8_t(20 + x + y);
            p[2] = uint8_t(30 + x + 2 * y);
        }
    CGLterrain t;
    t.SetSmoothPasses(0);
    bool recreated = false;
    ASSERT_TRUE(t.ApplyImage(px.data(), px.size(), W, H, 24, recreated));
    EXPECT_EQ(t.GetExtraRows(), 0);
    // mean of (10 + x, 20 + x + y, 30 + x + 2y) = 20 + x + y; the lowest (x = y = 0) is 20
    for (int i : {0, 3, H - 1})
        for (int j : {0, 7, W - 1}) {
            const int y = H - 1 - i;
            EXPECT_FLOAT_EQ(t.GetVertices()[i * W + j].z, float(j + y)) << i << "," << j;
        }
    EXPECT_FLOAT_EQ(t.GetMinHeight(), 0.0f);
    EXPECT_FLOAT_EQ(t.GetMaxHeight(), float(W - 1 + H - 1));
    EXPECT_FALSE(t.GetCloud().HasLists());
}

TEST(PictureTerrain, ThirtyTwoBitPictureKeepsItsScalePixel)
{
    WorkFolder folder("picterrain");
    CDib pic;
    ASSERT_TRUE(pic.Create(4, 3, 32));
    for (int k = 0; k < 12; ++k)
        pic.GetBits()[4 * k + 3] = uint8_t(10 * k);
    const float scale = 5.0f;
    std::memcpy(pic.GetBits(), &scale, 4);
    ASSERT_TRUE(pic.Save("h.bmp", nullptr));

    CGLterrain t;
    t.SetSmoothPasses(0);
    ASSERT_TRUE(t.PreparePicture("h.bmp", 0, 0, 0));
    EXPECT_TRUE(t.IsPictureFromFile());
    EXPECT_FLOAT_EQ(t.GetPictureHeightScale(), 5.0f);
    bool recreated = false;
    ASSERT_TRUE(t.ApplyImage(t.GetImage().GetBits(), 48, 4, 3, 32, recreated));
    float kept;
    std::memcpy(&kept, t.GetImage().GetBits(), 4);
    EXPECT_FLOAT_EQ(kept, 5.0f);
    // the first pixel counts as 0; the top-right pixel (k = 3) is 30 high at grid row H - 1
    EXPECT_FLOAT_EQ(t.GetVertices()[2 * 4 + 3].z, 30.0f);
    EXPECT_FLOAT_EQ(t.GetVertices()[2 * 4 + 0].z, 0.0f);
}

TEST(PictureTerrain, PicturesThatDoNotFitTheTerrainAreRefused)
{
    WorkFolder folder("picfit");
    CDib pic;
    ASSERT_TRUE(pic.Create(4, 3, 24));
    ASSERT_TRUE(pic.Save("h.bmp", nullptr));
    CGLterrain t;
    t.SetSmoothPasses(0);
    ASSERT_TRUE(t.PreparePicture("h.bmp", 0, 0, 0));
    ASSERT_TRUE(t.IsPictureFromFile());
    const struct {
        size_t length;
        int w, h, bits;
    } bad[] = {
        {35, 4, 3, 24},  // one byte short of the rows
        {10, 4, 3, 24},  //
        {48, 4, 3, 32},  // another depth
        {48, 4, 4, 24},  // another size
        {48, 5, 3, 24},  //
    };
    bool recreated = false;
    for (const auto& c : bad) {
        std::vector<uint8_t> pixels(c.length);  // exactly as long as said
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(i * 7);
        EXPECT_FALSE(t.ApplyImage(pixels.data(), pixels.size(), c.w, c.h, c.bits, recreated)) << c.length;
        EXPECT_FLOAT_EQ(t.GetVertices()[5].z, 0.0f);  // heights untouched
    }
    const std::vector<uint8_t> fits(36, 200);
    EXPECT_TRUE(t.ApplyImage(fits.data(), fits.size(), 4, 3, 24, recreated));
}

TEST(PictureTerrain, TheCallersPixelsAreNotWritten)
{
    // a 32-bit picture whose first pixel is no height scale, from a picture file
    // and as a plain picture
    WorkFolder folder("picconst");
    CDib pic;
    ASSERT_TRUE(pic.Create(4, 3, 32));
    for (int k = 0; k < 12; ++k)
        pic.GetBits()[4 * k + 3] = uint8_t(10 * k);
    const float notAScale = 5000.0f;
    std::memcpy(pic.GetBits(), &notAScale, 4);
    ASSERT_TRUE(pic.Save("h.bmp", nullptr));
    const std::vector<uint8_t> pixels(pic.GetBits(), pic.GetBits() + 48);
    for (bool fromFile : {true, false}) {
        CGLterrain t;
        t.SetSmoothPasses(0);
        if (fromFile) {
            ASSERT_TRUE(t.PreparePicture("h.bmp", 0, 0, 0));
        }
        std::vector<uint8_t> given = pixels;
        bool recreated = false;
        ASSERT_TRUE(t.ApplyImage(given.data(), given.size(), 4, 3, 32, recreated)) << fromFile;
        EXPECT_EQ(given, pixels) << fromFile;
        EXPECT_FLOAT_EQ(t.GetVertices()[2 * 4 + 0].z, 0.0f) << fromFile;  // the first pixel counts as 0
        EXPECT_FLOAT_EQ(t.GetVertices()[2 * 4 + 3].z, 30.0f) << fromFile;
    }
}

} // namespace
