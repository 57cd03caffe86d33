#include "foundation/image/Dib.h"

#include "image_test_util.h"
#include "log_capture.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <sys/mman.h>

using namespace imgtest;

namespace {

QImage RandomPicture(int w, int h, QImage::Format format, unsigned seed)
{
    QImage img(w, h, format);
    const auto bytes = RandomBytes(size_t(img.sizeInBytes()), seed);
    std::memcpy(img.bits(), bytes.data(), bytes.size());
    if (format == QImage::Format_RGB32)
        img = img.convertToFormat(QImage::Format_RGB32);  // fourth byte 0xFF
    return img;
}

TEST(PackedDib, RoundTripsAtEachDepth)
{
    // 24 bits exact; 32 bits go out at 24; grey at 8 with a grey table
    const QImage colour = RandomPicture(7, 5, QImage::Format_BGR888, 1);
    const QImage wide = RandomPicture(6, 3, QImage::Format_RGB32, 2);
    const QImage grey = RandomPicture(9, 4, QImage::Format_Grayscale8, 3);
    for (const QImage* img : {&colour, &wide, &grey}) {
        const PackedDib dib = CDib::BitmapToDib(const_cast<QImage*>(img));
        ASSERT_FALSE(dib.empty());
        const int bits = img == &grey ? 8 : 24;
        EXPECT_EQ(CDib::DibWidth(dib.data()), img->width());
        EXPECT_EQ(CDib::DibHeight(dib.data()), img->height());  // positive: bottom-up
        EXPECT_EQ(CDib::DibNumColours(dib.data()), bits == 8 ? 256u : 0u);
        EXPECT_EQ(CDib::DibBits(dib.data()) - dib.data(), 40 + (bits == 8 ? 1024 : 0));
        const size_t row = ((size_t(img->width()) * bits + 31) / 32) * 4;
        EXPECT_EQ(dib.size(), size_t(CDib::DibBits(dib.data()) - dib.data()) + row * img->height());
        auto back = CDib::DibToBitmap(dib);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->convertToFormat(QImage::Format_RGB32), img->convertToFormat(QImage::Format_RGB32));
    }
}

TEST(PackedDib, ChosenFormatsAndRunLengths)
{
    QImage img(40, 6, QImage::Format_Grayscale8);
    for (int y = 0; y < 6; ++y)
        std::memset(img.scanLine(y), y < 3 ? 0 : 255, 40);  // long runs
    EXPECT_TRUE(CDib::BitmapToDibEx(&img, 4, kBiRle8).empty());
    EXPECT_TRUE(CDib::BitmapToDibEx(&img, 0, kBiRgb).empty());
    EXPECT_TRUE(CDib::BitmapToDibEx(&img, 32, kBiRgb).empty());
    for (auto [bits, compression] : {std::pair{0, kBiRle8}, std::pair{0, kBiRle4}, std::pair{1, kBiRgb},
                                     std::pair{24, kBiRgb}}) {
        const PackedDib dib = CDib::BitmapToDibEx(&img, bits, compression);
        ASSERT_FALSE(dib.empty()) << bits << " " << compression;
        auto back = CDib::DibToBitmap(dib);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->convertToFormat(QImage::Format_Grayscale8), img) << bits << " " << compression;
        // converting back to 24 bits keeps the picture
        const PackedDib plain = CDib::ConvertDib(dib, 24, kBiRgb);
        ASSERT_FALSE(plain.empty());
        EXPECT_EQ(CDib::DibToBitmap(plain)->convertToFormat(QImage::Format_Grayscale8), img);
    }
    const PackedDib rle = CDib::BitmapToDibEx(&img, 0, kBiRle8);
    EXPECT_LT(rle.size(), 40u + 1024u + 40u * 6u);  // runs are shorter than rows
    auto palette = CDib::CreateDibPalette(rle);
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette->entries.size(), 256u);
    EXPECT_FALSE(CDib::CreateDibPalette(CDib::BitmapToDibEx(&img, 24, kBiRgb)));
}

TEST(PackedDib, DamagedBlocksGiveNothing)
{
    QImage img = RandomPicture(8, 8, QImage::Format_BGR888, 4);
    const PackedDib good = CDib::BitmapToDib(&img);
    const PackedDib rle = CDib::BitmapToDibEx(&img, 0, kBiRle8);
    const std::vector<PackedDib> bad = {
        {},
        PackedDib(good.begin(), good.begin() + 20),
        PackedDib(good.begin(), good.end() - 1),
        PackedDib(rle.begin(), rle.begin() + 1064 + 4),  // runs cut short
        RandomBytes(300, 5),
    };
    for (const PackedDib& dib : bad) {
        EXPECT_FALSE(CDib::DibToBitmap(dib));
        EXPECT_TRUE(CDib::ConvertDib(dib, 24, kBiRgb).empty());
    }
}

// A header-only DIB: 40 bytes, no colour table, then the given bytes.
PackedDib HandDib(int w, int h, int bits, uint32_t compression, const std::vector<uint8_t>& data)
{
    BitmapInfoHeader hd;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biBitCount = uint16_t(bits);
    hd.biCompression = compression;
    hd.biClrUsed = bits <= 8 ? 1 : 0;
    PackedDib dib(40 + (bits <= 8 ? 4 : 0), 0);
    std::memcpy(dib.data(), &hd, 40);
    dib.insert(dib.end(), data.begin(), data.end());
    return dib;
}

TEST(PackedDib, RunLengthsRefuseWrongDepthsAndHugeSizes)
{
    const std::vector<uint8_t> endOfBitmap = {0, 1};
    const struct {
        int w, h, bits;
        uint32_t compression;
    } bad[] = {
        {64, 64, 24, kBiRle8},        // rows would be copied at 3 bytes a pixel from 1
        {64, 64, 32, kBiRle8},        //
        {64, 64, 8, kBiRle4},         //
        {64, 64, 4, kBiRle8},         //
        {65536, 65536, 8, kBiRle8},   // an end code ends any size: 4 GB from two bytes
        {16384, 8193, 4, kBiRle4},    // just past the pixel cap
    };
    for (const auto& c : bad) {
        const PackedDib dib = HandDib(c.w, c.h, c.bits, c.compression, endOfBitmap);
        EXPECT_FALSE(CDib::DibToBitmap(dib)) << c.w << "x" << c.h << " " << c.bits;
        EXPECT_TRUE(CDib::ConvertDib(dib, 24, kBiRgb).empty());
    }
    // the matching depths still decode, up to the cap
    for (auto [bits, compression] : {std::pair{8, kBiRle8}, std::pair{4, kBiRle4}}) {
        auto image = CDib::DibToBitmap(HandDib(3, 2, bits, compression, {3, 0x11, 0, 0, 3, 0x11, 0, 1}));
        ASSERT_TRUE(image) << bits;
        EXPECT_EQ(image->size(), QSize(3, 2));
    }
    EXPECT_TRUE(CDib::DibToBitmap(HandDib(8192, 8192, 8, kBiRle8, endOfBitmap)));
}

// 8 x 8 run-length DIBs whose bottom row runs on past 2^31 columns, through runs or
// through delta escapes: the rest of that row is dropped and the rows above decode as
// coded. Rows past the top end the decoding.
TEST(PackedDib, RunLengthRowsPastTheWidthAreCutOff)
{
    const size_t steps = (size_t(1) << 31) / 255 + 2;
    for (auto [bits, compression] : {std::pair{8, kBiRle8}, std::pair{4, kBiRle4}})
        for (const bool delta : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << (delta ? " deltas" : " runs"));
            const auto code = [&](int index) { return uint8_t(bits == 4 ? index * 0x11 : index); };
            const std::vector<uint8_t> step = delta ? std::vector<uint8_t>{0, 2, 255, 0}
                                                    : std::vector<uint8_t>{255, code(9)};
            std::vector<uint8_t> s = {4, code(9)};
            s.resize(2 + steps * step.size());
            for (size_t at = 2; at < s.size(); at += step.size())
                std::copy(step.begin(), step.end(), s.begin() + ptrdiff_t(at));
            s.insert(s.end(), {8, code(3), 0, 0});  // past the width: dropped
            for (int y = 1; y < 8; ++y)
                s.insert(s.end(), {8, code(y), 0, uint8_t(y == 7 ? 1 : 0)});
            auto image = CDib::DibToBitmap(HandDib(8, 8, bits, compression, s));
            ASSERT_TRUE(image);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const int want = y > 0 ? y : (x < 4 || !delta ? 9 : 0);
                    ASSERT_EQ(image->pixelIndex(x, 7 - y), want) << x << "," << y;
                }
        }
    // a delta past the top row ends the decoding; what came before stays
    auto image = CDib::DibToBitmap(HandDib(2, 2, 8, kBiRle8, {2, 5, 0, 2, 0, 200, 2, 6, 0, 1}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelIndex(0, 1), 5);
    EXPECT_EQ(image->pixelIndex(1, 0), 0);
}

TEST(PackedDib, HeaderBlocksRoundDepthsUp)
{
    const struct {
        int asked, bits;
        size_t size;
    } cases[] = {
        {1, 1, 40 + 8 + 4 * 3},  {3, 4, 40 + 64 + 4 * 3},     {8, 8, 40 + 1024 + 8 * 3},
        {16, 24, 40 + 16 * 3},   {32, 24, 40 + 16 * 3},       // 32 bits are carried at 24
    };
    for (const auto& c : cases) {
        const PackedDib dib = CDib::AllocDibHeader(5, 3, c.asked);
        ASSERT_EQ(dib.size(), c.size) << c.asked;
        BitmapInfoHeader h;
        std::memcpy(&h, dib.data(), 40);
        EXPECT_EQ(h.biBitCount, c.bits) << c.asked;
        EXPECT_EQ(h.biWidth, 5);
        EXPECT_EQ(h.biHeight, 3);
    }
    EXPECT_TRUE(CDib::AllocDibHeader(0, 3, 24).empty());
    EXPECT_TRUE(CDib::AllocDibHeader(0x7FFFFFFF, 0x7FFFFFFF, 24).empty());
}

TEST(DibTools, FlipRotateInvertAndAlpha)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 2, 24));
    for (int i = 0; i < 18; ++i)
        dib.GetBits()[i] = uint8_t(i);
    EXPECT_EQ(dib.GetImageSize(), 18);
    ASSERT_TRUE(dib.FlipVertical());
    EXPECT_EQ(dib.GetBits()[0], 9);
    EXPECT_EQ(dib.GetBits()[9], 0);

    // a quarter turn counter-clockwise: the picture's top-right pixel goes to the top-left
    CDib square;
    ASSERT_TRUE(square.Create(2, 2, 8));
    const uint8_t picture[4] = {10, 20, 30, 40};  // top row 10 20, bottom row 30 40
    ASSERT_TRUE(square.RotateBits(picture));
    EXPECT_EQ(std::vector<uint8_t>(square.GetBits(), square.GetBits() + 4), (std::vector<uint8_t>{20, 40, 10, 30}));

    // mean of 10, 20, 30, 40 is 25: each becomes 25 + 5 - value
    ASSERT_TRUE(square.Create(2, 2, 8));
    std::memcpy(square.GetBits(), picture, 4);
    EXPECT_TRUE(square.InvertAroundMean(nullptr, 5));
    EXPECT_EQ(std::vector<uint8_t>(square.GetBits(), square.GetBits() + 4), (std::vector<uint8_t>{20, 10, 0, 0}));

    CDib wide;
    ASSERT_TRUE(wide.Create(2, 1, 32));
    wide.SetAlpha(0x1AB);
    EXPECT_EQ(wide.GetBits()[3], 0xAB);
    EXPECT_EQ(wide.GetBits()[7], 0xAB);
    EXPECT_EQ(wide.GetBits()[0], 0);
}

TEST(DibTools, DrawingOntoSurfaces)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(2, 2, 24));
    // bits in the image's own row order (top-down): top row red, bottom row blue
    const uint8_t bits[12] = {0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0};
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    EXPECT_EQ(dib.StretchToDC(&target, bits, ImageRect{0, 0, 4, 4}), 1);
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(3, 3), qRgb(0, 0, 255));
    // source rectangle: the picture's top row only
    EXPECT_EQ(dib.StretchToDC(&target, bits, ImageRect{0, 0, 4, 4}, ImageRect{0, 0, 2, 1}), 1);
    EXPECT_EQ(target.pixel(3, 3), qRgb(255, 0, 0));
    // nothing to draw: the rectangle goes black
    EXPECT_EQ(dib.StretchToDC(&target, nullptr, ImageRect{0, 0, 2, 2}), 0);
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(dib.StretchToDC(nullptr, bits, ImageRect{0, 0, 4, 4}), 0);

    // transparent drawing keeps the destination where the key colour is
    QImage sprite(2, 1, QImage::Format_RGB32);
    sprite.setPixel(0, 0, qRgb(0, 255, 0));
    sprite.setPixel(1, 0, qRgb(255, 0, 255));
    target.fill(Qt::white);
    EXPECT_TRUE(CDib::DrawTransparent(&target, 1, 1, 2, 1, &sprite, 0, 0, 0x00FF00FF));
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(2, 1), qRgb(255, 255, 255));
}

TEST(DibTools, SaveBitmapAndPictureSize)
{
    TempDir dir("dibtools");
    QImage grey = RandomPicture(5, 3, QImage::Format_Grayscale8, 6);  // padded surface rows
    CDib dib;
    ASSERT_TRUE(dib.SaveBitmap(&grey, (dir / "g.bmp").c_str()));
    int w = 0, h = 0, bits = 0;
    ASSERT_TRUE(CDib::GetPictureSize((dir / "g.bmp").c_str(), &w, &h, &bits));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(bits, 8);
    CDib back;
    ASSERT_TRUE(back.LoadBmp((dir / "g.bmp").c_str()));
    EXPECT_EQ(*back.GetBitmap(), grey);
    QImage mono(4, 4, QImage::Format_Mono);
    EXPECT_FALSE(dib.SaveBitmap(&mono, (dir / "m.bmp").c_str()));

    std::unique_ptr<BitmapInfo> header;
    ASSERT_TRUE(CDib::BuildBitmapInfo(header, 4, 3, 8));
    EXPECT_EQ(header->bmiHeader.biHeight, 3);  // stored as given
    EXPECT_EQ(header->bmiHeader.biClrUsed, 256u);
    EXPECT_FALSE(CDib::BuildBitmapInfo(header, 0, 3, 8));
    EXPECT_FALSE(CDib::FreeBitmapInfo(header));
    EXPECT_FALSE(header);
}

TEST(DibTools, SavingALargerBitmapKeepsThePicturesOwnSize)
{
    TempDir dir("dibtools");
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 4, 24));
    QImage large = RandomPicture(64, 64, QImage::Format_BGR888, 7);
    ASSERT_TRUE(dib.SaveBitmap(&large, (dir / "l.bmp").c_str()));
    EXPECT_EQ(dib.GetAllocWidth(), 4);
    EXPECT_EQ(dib.GetAllocHeight(), 4);
    EXPECT_EQ(dib.GetImageSize(), 4 * 4 * 3);
    // these work on the picture's own pixels, not on the saved bitmap's size
    EXPECT_TRUE(dib.FlipVertical());
    EXPECT_TRUE(dib.InvertAroundMean(nullptr, 0));
}

// Bitmaps above the 2^26-pixel cap are refused before any size is worked out; a
// 4 GiB bitmap once overflowed the row buffer. The pixels are a mapping of zero pages
// that are never written.
TEST(DibTools, SaveBitmapRefusesBitmapsAboveThePixelCap)
{
    TempDir dir("dibtools");
    const size_t bytes = size_t(1) << 32;
    void* zeros = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(zeros, MAP_FAILED);
    const auto* pixels = static_cast<const uchar*>(zeros);
    const struct {
        int w, h;
        QImage::Format format;
        int bytesPerPixel;
    } cases[] = {
        {32768, 32768, QImage::Format_RGB32, 4},       // 4 GiB: the size wrapped to 0
        {8193, 8192, QImage::Format_Grayscale8, 1},    // one column past the cap
        {65536, 1025, QImage::Format_BGR888, 3},       //
    };
    CDib dib;
    for (const auto& c : cases) {
        const QImage big(pixels, c.w, c.h, qsizetype(c.w) * c.bytesPerPixel, c.format);
        ASSERT_FALSE(big.isNull()) << c.w << "x" << c.h;
        const std::string name = dir / "big.bmp";
        LogCapture log;
        EXPECT_FALSE(dib.SaveBitmap(const_cast<QImage*>(&big), name.c_str())) << c.w << "x" << c.h;
        EXPECT_TRUE(log.Contains(name)) << c.w << "x" << c.h;
        EXPECT_FALSE(std::filesystem::exists(name));
    }
    const QImage atCap(pixels, 8192, 8192, 8192, QImage::Format_Grayscale8);
    EXPECT_TRUE(dib.SaveBitmap(const_cast<QImage*>(&atCap), (dir / "cap.bmp").c_str()));
    ::munmap(zeros, bytes);
}

TEST(DibTools, LoadBmpMissingFileFillsBlack)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(2, 2, 8));
    std::memset(dib.GetBits(), 9, 4);
    LogCapture log;
    EXPECT_TRUE(dib.LoadBmp("/nonexistent/x.bmp"));
    EXPECT_TRUE(log.Contains("warning: Dib:Load /nonexistent/x.bmp dont exists"));
    EXPECT_EQ(dib.GetBits()[3], 0);
}

TEST(DibTools, ColourRampStaysInRangeAndRunsBlueToRed)
{
    double r, g, b;
    ColourRamp(&r, &g, &b, 0, 100);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0.0, 0.0, 1.0));
    ColourRamp(&r, &g, &b, 100, 100);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(1.0, 0.0, 0.0));
    ColourRamp(&r, &g, &b, 50, 100);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0.0, 1.0, 0.0));
    for (double v = -10; v <= 110; v += 0.5) {
        ColourRamp(&r, &g, &b, v, 100);
        for (double c : {r, g, b}) {
            EXPECT_GE(c, 0.0);
            EXPECT_LE(c, 1.0);
        }
    }
}

TEST(DibTools, JpegBufferCountBeforeAnySave)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(2, 2, 24));
    int count = 5;
    dib.GetJpegBuffer(&count);
    EXPECT_EQ(count, 0);
    ASSERT_TRUE(dib.Save("x.jpgm", nullptr));
    dib.GetJpegBuffer(&count);
    EXPECT_GT(count, 100);
    count = -1;  // clipboard request: no display here, and no buffer handed out
    EXPECT_EQ(dib.GetJpegBuffer(&count), nullptr);
    EXPECT_FALSE(dib.CopyToClipboard());
    EXPECT_FALSE(dib.PasteFromClipboard());
}

} // namespace
