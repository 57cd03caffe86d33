#include "foundation/image/Dib.h"
#include "foundation/image/Jpeg.h"

#include "image_test_util.h"
#include "log_capture.h"
#include "platform/Clock.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

using namespace imgtest;

namespace {

std::vector<uint8_t> Pixels(CDib& dib)
{
    const auto* h = dib.GetBitmapInfo();
    return std::vector<uint8_t>(dib.GetBits(), dib.GetBits() + h->bmiHeader.biSizeImage);
}

void Fill(CDib& dib, unsigned seed)
{
    auto bytes = RandomBytes(dib.GetBitmapInfo()->bmiHeader.biSizeImage, seed);
    std::memcpy(dib.GetBits(), bytes.data(), bytes.size());
}

// A BMP written by hand: rows given top first, stored bottom-up or top-down,
// padded or not.
std::vector<uint8_t> HandBmp(int w, int h, int bits, const std::vector<uint8_t>& topFirstRows, bool bottomUp,
                             bool padded, const std::vector<uint8_t>& palette = {})
{
    const size_t row = size_t(w) * bits / 8;
    const size_t fileRow = padded ? (row + 3) / 4 * 4 : row;
    const uint32_t colours = uint32_t(palette.size() / 4);
    const uint32_t off = 54 + 4 * colours;
    std::vector<uint8_t> f(off + fileRow * h, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f[at + i] = uint8_t(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, uint32_t(f.size()));
    put32(10, off);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(bottomUp ? h : -h));
    f[26] = 1;
    f[28] = uint8_t(bits);
    put32(34, uint32_t(fileRow * h));
    put32(46, colours);
    std::copy(palette.begin(), palette.end(), f.begin() + 54);
    for (int r = 0; r < h; ++r) {
        const int fileRowIndex = bottomUp ? h - 1 - r : r;
        std::memcpy(&f[off + fileRow * fileRowIndex], &topFirstRows[row * r], row);
    }
    return f;
}

TEST(Dib, CreateRejectsBadSizesAndDepthsWithoutKeepingAHeader)
{
    struct Case {
        int w, h, bpp;
    } cases[] = {{4, 4, 16}, {0, 4, 24}, {4, 0, 24}, {-1, 4, 8}, {4, 4, 1}, {70000, 70000, 24}, {1, INT_MIN, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.bpp);
        CDib dib;
        LogCapture log;
        EXPECT_FALSE(dib.Create(c.w, c.h, c.bpp));
        EXPECT_TRUE(log.Contains("error: Dib:Create:AllocBitmapInfo\n"));
        EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
        EXPECT_EQ(dib.GetBits(), nullptr);
        EXPECT_EQ(dib.GetWidth(), 0);
    }
}

TEST(Dib, CreateBuildsHeaderAndZeroedPixels)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(6, 3, 24));
    const auto& h = dib.GetBitmapInfo()->bmiHeader;
    EXPECT_EQ(h.biHeight, -3);
    EXPECT_EQ(h.biSizeImage, 54u);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(dib.GetHeight(), 3);
    EXPECT_EQ(dib.PixelOffset(2, 1), 3u * (2 + 6));
    for (uint8_t b : Pixels(dib))
        EXPECT_EQ(b, 0);

    ASSERT_TRUE(dib.Create(5, -4, 8));  // bottom-up
    const auto& g = dib.GetBitmapInfo()->bmiHeader;
    EXPECT_EQ(g.biHeight, 4);
    EXPECT_EQ(dib.GetAllocHeight(), 4);
    EXPECT_EQ(g.biClrUsed, 256u);
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& q = dib.GetBitmapInfo()->bmiColors[i];
        ASSERT_TRUE(q.rgbRed == i && q.rgbGreen == i && q.rgbBlue == i && q.rgbReserved == 0) << i;
    }
    int w, hh, bpp;
    dib.GetDimension(&w, &hh, &bpp);
    EXPECT_EQ(w * 100 + hh * 10 + bpp, 5 * 100 + 4 * 10 + 8);
}

TEST(Dib, BmpFileLayout)
{
    TempDir dir("dib");
    CDib dib;
    ASSERT_TRUE(dib.Create(256, 256, 24));
    ASSERT_TRUE(dib.Save((dir / "a.bmp").c_str(), nullptr));
    EXPECT_EQ(dib.GetName(), dir / "a.bmp");
    auto f = ReadFile(dir / "a.bmp");
    ASSERT_EQ(f.size(), 54u + 196608u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(Le32(f, 2), f.size());
    EXPECT_EQ(Le32(f, 10), 54u);
    EXPECT_EQ(int32_t(Le32(f, 22)), -256);

    ASSERT_TRUE(dib.Create(5, 3, 24));  // 15-byte rows padded to 16 in the file
    ASSERT_TRUE(dib.Save((dir / "b.bmp").c_str(), nullptr));
    f = ReadFile(dir / "b.bmp");
    EXPECT_EQ(f.size(), 54u + 48u);
    EXPECT_EQ(Le32(f, 34), 48u);

    ASSERT_TRUE(dib.Create(4, 4, 8));
    ASSERT_TRUE(dib.Save((dir / "c.bmp").c_str(), nullptr));
    f = ReadFile(dir / "c.bmp");
    EXPECT_EQ(Le32(f, 10), 1078u);
    EXPECT_EQ(Le32(f, 46), 256u);
    EXPECT_EQ(f.size(), 1078u + 16u);
}

TEST(Dib, BmpRoundTripsAreByteExact)
{
    TempDir dir("dib");
    for (int width : {256, 5}) {
        for (int bpp : {8, 24, 32}) {
            for (int height : {7, -7}) {
                SCOPED_TRACE(testing::Message() << width << "x" << height << "x" << bpp);
                CDib src;
                ASSERT_TRUE(src.Create(width, height, bpp));
                Fill(src, unsigned(width * bpp + height));
                const std::string path = dir / "rt.bmp";
                ASSERT_TRUE(src.Save(path.c_str(), nullptr));
                CDib back;
                ASSERT_TRUE(back.Load(path.c_str()));
                EXPECT_EQ(back.GetWidth(), width);
                EXPECT_EQ(back.GetHeight(), 7);
                EXPECT_EQ(back.GetBitCount(), bpp);
                // loaded images are top-down: a bottom-up source comes back row-reversed
                auto a = Pixels(src), b = Pixels(back);
                ASSERT_EQ(a.size(), b.size());
                if (height > 0) {
                    EXPECT_EQ(a, b);
                } else {
                    const size_t row = size_t(width) * bpp / 8;
                    for (int r = 0; r < 7; ++r)
                        EXPECT_EQ(0, std::memcmp(&a[row * r], &b[row * (6 - r)], row)) << r;
                }
                // the bytes come back in file order: no channel swap
                auto f = ReadFile(path);
                if (height > 0) {
                    EXPECT_EQ(0, std::memcmp(&f[Le32(f, 10)], b.data(), size_t(width) * bpp / 8));
                }
            }
        }
    }
}

TEST(Dib, BottomUpAndUnpaddedFilesLoadTopDown)
{
    TempDir dir("dib");
    const int w = 5, h = 3;
    auto rows = RandomBytes(size_t(w) * 3 * h, 11);
    for (bool bottomUp : {true, false}) {
        for (bool padded : {true, false}) {
            SCOPED_TRACE(testing::Message() << "bottomUp " << bottomUp << " padded " << padded);
            WriteFile(dir / "x.bmp", HandBmp(w, h, 24, rows, bottomUp, padded));
            CDib dib;
            ASSERT_TRUE(dib.Load((dir / "x.bmp").c_str()));
            EXPECT_LT(dib.GetBitmapInfo()->bmiHeader.biHeight, 0);
            EXPECT_EQ(Pixels(dib), rows);
            CDib direct;  // the direct BMP reader agrees
            ASSERT_TRUE(direct.Create(2, 2, 8));
            ASSERT_TRUE(direct.LoadBmp((dir / "x.bmp").c_str()));
            EXPECT_EQ(direct.GetWidth(), w);
            EXPECT_EQ(Pixels(direct), rows);
        }
    }
}

TEST(Dib, PaletteFilesKeepGreyAndExpandColour)
{
    TempDir dir("dib");
    const int w = 3, h = 2;
    std::vector<uint8_t> idx = {0, 1, 2, 2, 1, 0};
    // grey palette that is not the identity ramp: indices become its grey levels
    std::vector<uint8_t> grey = {10, 10, 10, 0, 20, 20, 20, 0, 30, 30, 30, 0};
    WriteFile(dir / "g.bmp", HandBmp(w, h, 8, idx, true, true, grey));
    CDib g;
    ASSERT_TRUE(g.Load((dir / "g.bmp").c_str()));
    EXPECT_EQ(g.GetBitCount(), 8);
    EXPECT_EQ(Pixels(g), (std::vector<uint8_t>{10, 20, 30, 30, 20, 10}));
    // colour palette: 24-bit blue, green, red
    std::vector<uint8_t> colour = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
    WriteFile(dir / "c.bmp", HandBmp(w, h, 8, idx, false, true, colour));
    CDib c;
    ASSERT_TRUE(c.Load((dir / "c.bmp").c_str()));
    EXPECT_EQ(c.GetBitCount(), 24);
    EXPECT_EQ(Pixels(c),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9, 4, 5, 6, 1, 2, 3}));
}

TEST(Dib, MissingPictureLoadsBlackAndReturnsTrue)
{
    TempDir dir("dib");
    const std::string missing = dir / "none.bmp";
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 4, 24));
    Fill(dib, 3);
    dib.SetName("old");
    LogCapture log;
    EXPECT_TRUE(dib.Load(missing.c_str()));
    EXPECT_TRUE(log.Contains("warning: Dib:Load " + missing + " dont exists\n"));
    for (uint8_t b : Pixels(dib))
        ASSERT_EQ(b, 0);
    EXPECT_EQ(dib.GetWidth(), 4);
    EXPECT_EQ(dib.GetName(), "");

    WriteFile(dir / "empty.bmp", {});
    CDib never;
    EXPECT_TRUE(never.Load((dir / "empty.bmp").c_str()));
    EXPECT_EQ(never.GetBits(), nullptr);
    EXPECT_EQ(never.GetWidth(), 0);
}

TEST(Dib, MalformedFilesFailAndLeaveTheImage)
{
    TempDir dir("dib");
    CDib good;
    ASSERT_TRUE(good.Create(8, 4, 24));
    Fill(good, 5);
    ASSERT_TRUE(good.Save((dir / "good.bmp").c_str(), nullptr));
    const auto bmp = ReadFile(dir / "good.bmp");

    auto patched = [&](size_t at, uint32_t v) {
        auto b = bmp;
        for (int i = 0; i < 4; ++i)
            b[at + i] = uint8_t(v >> (8 * i));
        return b;
    };
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"cut in header", std::vector<uint8_t>(bmp.begin(), bmp.begin() + 30)},
        {"cut in rows", std::vector<uint8_t>(bmp.begin(), bmp.end() - 10)},
        {"huge width", patched(18, 0x40000000)},
        {"huge height", patched(22, 0x7FFFFFFF)},
        {"most negative height", patched(22, 0x80000000)},
        {"zero width", patched(18, 0)},
        {"offset past end", patched(10, 0xFFFFFFF0)},
        {"info size past end", patched(14, 0x7FFFFFFF)},
        {"palette too long", [&] {
             auto b = patched(46, 100000);
             b[28] = 8;
             return b;
         }()},
        {"garbage", RandomBytes(500, 9)},
        {"jpeg marker then garbage", [] {
             auto b = RandomBytes(300, 10);
             b[0] = 0xFF, b[1] = 0xD8, b[2] = 0xFF;
             return b;
         }()},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteFile(dir / "bad.bmp", bytes);
        CDib dib;
        ASSERT_TRUE(dib.Create(2, 2, 24));
        Fill(dib, 1);
        const auto before = Pixels(dib);
        LogCapture log;
        EXPECT_FALSE(dib.Load((dir / "bad.bmp").c_str()));
        // one line, naming the file
        EXPECT_TRUE(log.Contains("error: Dib:Load " + (dir / "bad.bmp") + " StreamToPic "));
        EXPECT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(dib.GetWidth(), 2);
        EXPECT_EQ(Pixels(dib), before);
        EXPECT_FALSE(dib.LoadBmp((dir / "bad.bmp").c_str()));
        EXPECT_EQ(dib.GetWidth(), 2);
        EXPECT_EQ(Pixels(dib), before);
    }
}

TEST(Dib, LoadTakesThePicturesSizeAndDepthFromOtherFormats)
{
    TempDir dir("dib");
    // PNG with alpha: 32 bits; grey PNG: 8 bits; JPEG: 24 bits
    QImage argb(3, 2, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 20, 30, 40));
    ASSERT_TRUE(argb.save(QString::fromStdString(dir / "a.png")));
    QImage grey(4, 3, QImage::Format_Grayscale8);
    grey.fill(77);
    ASSERT_TRUE(grey.save(QString::fromStdString(dir / "g.png")));
    auto rgb = Gradient(32, 16);
    ASSERT_EQ(WriteJpeg(dir / "c.jpg", rgb.data(), 32, 16, true, 95, nullptr), 1);

    CDib dib;
    ASSERT_TRUE(dib.Load((dir / "a.png").c_str()));
    EXPECT_EQ(dib.GetBitCount(), 32);
    EXPECT_EQ(Pixels(dib)[0], 30);  // blue first
    EXPECT_EQ(Pixels(dib)[3], 40);
    ASSERT_TRUE(dib.Load((dir / "g.png").c_str()));
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(dib.GetWidth(), 4);
    EXPECT_EQ(Pixels(dib)[5], 77);
    ASSERT_TRUE(dib.Load((dir / "c.jpg").c_str()));
    EXPECT_EQ(dib.GetBitCount(), 24);
    ASSERT_EQ(dib.GetWidth(), 32);
    // blue, green, red against the red, green, blue source
    auto px = Pixels(dib);
    for (size_t i = 0; i < rgb.size(); i += 3)
        std::swap(rgb[i], rgb[i + 2]);
    int maxDiff;
    double mean;
    Compare(px, rgb, maxDiff, mean);
    EXPECT_LT(mean, 2.0);
    EXPECT_LE(maxDiff, 16);
    EXPECT_EQ(dib.GetName(), dir / "c.jpg");
}

TEST(Dib, SaveJpegNamesAndMemoryOutput)
{
    TempDir dir("dib");
    CDib dib;
    ASSERT_TRUE(dib.Create(16, 8, 24));
    auto* px = dib.GetBits();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = px + dib.PixelOffset(x, y);
            p[0] = y < 4 ? 200 : 0;  // top half blue
            p[1] = 0;
            p[2] = y < 4 ? 0 : 200;  // bottom half red
        }
    unsigned count = 99;
    dib.GetJpegBuffer(&count);
    EXPECT_EQ(count, 0u);

    // upper-case extension: a BMP file
    ASSERT_TRUE(dib.Save((dir / "up.JPG").c_str(), nullptr));
    EXPECT_EQ(ReadFile(dir / "up.JPG")[0], 'B');

    ASSERT_TRUE(dib.Save((dir / "p.jpg").c_str(), nullptr));
    int w, h;
    auto rgb = ReadJpeg(dir / "p.jpg", &w, &h);
    ASSERT_TRUE(rgb);
    ASSERT_EQ(w * 100 + h, 1608);
    EXPECT_GT(rgb[2], 150);                    // top row blue (red, green, blue order)
    EXPECT_GT(rgb[size_t(7 * 16) * 3], 150);  // bottom row red

    // ".jpgm": no file, the JPEG bytes stay in the image
    ASSERT_TRUE(dib.Save((dir / "m.jpgm").c_str(), nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir / "m.jpgm"));
    const uint8_t* bytes = dib.GetJpegBuffer(&count);
    ASSERT_GT(count, 100u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    FILE* mem = fmemopen(const_cast<uint8_t*>(bytes), count, "rb");
    auto decoded = ReadJpegStream(mem, &w, &h);
    std::fclose(mem);
    EXPECT_TRUE(decoded);
    EXPECT_EQ(w, 16);
}

TEST(Dib, SavedJpegsGoThroughLinksOnlyToRegularFiles)
{
    TempDir dir("dibjpeglink");
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 8, 24));
    std::memset(dib.GetBits(), 90, 8 * 8 * 3);
    std::filesystem::create_directory(dir / "real");
    WriteFile(dir / "real/shot.jpg", {'o', 'l', 'd'});
    std::filesystem::create_symlink(dir / "real/shot.jpg", dir / "shot.jpg");
    ASSERT_EQ(::mkfifo((dir / "real/pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "real/pipe", dir / "pipe.jpg");
    std::filesystem::create_symlink(dir / "real/none.jpg", dir / "dangling.jpg");
    std::filesystem::create_symlink(dir / "real", dir / "folder.jpg");

    // the user's link to a picture elsewhere: the picture is replaced, the link kept
    ASSERT_TRUE(dib.Save((dir / "shot.jpg").c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "shot.jpg"));
    const auto saved = ReadFile(dir / "real/shot.jpg");
    ASSERT_GT(saved.size(), 2u);
    EXPECT_EQ(saved[0], 0xFF);
    EXPECT_EQ(saved[1], 0xD8);
    // a link to anything else is refused with a line naming it, and nothing is written
    LogCapture log;
    for (const char* name : {"pipe.jpg", "dangling.jpg", "folder.jpg"}) {
        EXPECT_FALSE(dib.Save((dir / name).c_str(), nullptr)) << name;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << name;
        EXPECT_TRUE(log.Contains(dir / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "real/none.jpg"));
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "real/pipe"));
    // and no temporary file is left anywhere
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::recursive_directory_iterator(dir.path))
        ++entries;
    EXPECT_EQ(entries, 7u);  // real with its two files, and the four links
}

TEST(Dib, FailedSaveKeepsTheOldFile)
{
    TempDir dir("dib");
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 4, 24));
    EXPECT_FALSE(dib.Save((dir / "no/such/folder.bmp").c_str(), nullptr));
    EXPECT_EQ(dib.GetName(), "");
    EXPECT_FALSE(dib.Save("", nullptr));
    CDib empty;
    EXPECT_FALSE(empty.Save((dir / "e.bmp").c_str(), nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir / "e.bmp"));
}

TEST(Dib, DrawWithBitsMakesTheHeaderBottomUpForGood)
{
    TempDir dir("dib");
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 2, 24));
    std::vector<uint8_t> bits(24, 0);
    bits[0] = 255;  // bottom-up: first row is the picture's bottom row
    QImage target(4, 2, QImage::Format_RGB32);
    target.fill(Qt::white);
    ImageRect r{0, 0, 4, 2};
    EXPECT_EQ(dib.Draw(&target, bits.data(), &r), 1);
    EXPECT_EQ(dib.GetBitmapInfo()->bmiHeader.biHeight, 2);
    EXPECT_EQ(qBlue(target.pixel(0, 1)), 255);
    EXPECT_EQ(qBlue(target.pixel(0, 0)), 0);
    ASSERT_TRUE(dib.Save((dir / "d.bmp").c_str(), nullptr));
    EXPECT_EQ(int32_t(Le32(ReadFile(dir / "d.bmp"), 22)), 2);

    // without bits: black in the image and the target
    Fill(dib, 4);
    EXPECT_EQ(dib.Draw(&target, nullptr, &r), 0);
    EXPECT_EQ(target.pixel(3, 1) & 0xFFFFFF, 0u);
    for (uint8_t b : Pixels(dib))
        ASSERT_EQ(b, 0);
}

TEST(Dib, CopyFromKeepsThePictureUpright)
{
    CDib src;
    ASSERT_TRUE(src.Create(3, -2, 8));  // bottom-up
    src.GetBits()[0] = 9;               // memory row 0 = picture's bottom row
    src.SetName("pic");
    CDib dst;
    ASSERT_TRUE(dst.CopyFrom(&src));
    EXPECT_EQ(dst.GetName(), "pic");
    EXPECT_EQ(dst.GetBitCount(), 8);
    EXPECT_LT(dst.GetBitmapInfo()->bmiHeader.biHeight, 0);
    EXPECT_EQ(dst.GetBits()[dst.PixelOffset(0, 1)], 9);
    EXPECT_FALSE(dst.CopyFrom(nullptr));
}

TEST(Dib, FrameNumbersControlsAndHold)
{
    CDib dib;
    EXPECT_EQ(dib.Control(10), 0x0FFFFFFF);
    EXPECT_EQ(dib.Control(-10), 1);
    EXPECT_EQ(dib.Control(-3), 0);
    EXPECT_TRUE(dib.ComInfo(0, {}, 0, 0, nullptr));
    EXPECT_FALSE(dib.ComInfo(0, {}, 0x20000, 0, nullptr));
    EXPECT_TRUE(dib.SetPicNum(5));
    EXPECT_TRUE(dib.SetTrigger(true));
    EXPECT_TRUE(dib.ComInfo(0, {}, 0x20000, 0, nullptr));
    platform::SleepMs(20);
    EXPECT_EQ(dib.GetPicNum(), 5);
    dib.SetTrigger(false);
    EXPECT_EQ(dib.GetPicNum(), 6);
    dib.Reset();
    EXPECT_FALSE(dib.Update());
}

} // namespace
