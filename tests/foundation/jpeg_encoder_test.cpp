#include "foundation/image/Dib.h"
#include "foundation/image/Jpeg.h"
#include "foundation/image/JpegEncoder.h"

#include "image_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace imgtest;

namespace {

// Blue, green, red rows padded to four bytes, from red, green, blue rows.
std::vector<uint8_t> ToEncoderRows(const std::vector<uint8_t>& rgb, int w, int h)
{
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> out(stride * h, 0xEE);  // padding bytes must not be read
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* s = &rgb[(size_t(y) * w + x) * 3];
            uint8_t* d = &out[stride * y + size_t(x) * 3];
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    return out;
}

// The compact stream inside the markers of a baseline JPEG file (standard
// Huffman tables left to the decoder's defaults, byte stuffing added).
std::vector<uint8_t> WrapCompactStream(const std::vector<uint8_t>& stream, const CJpegEncoder& enc)
{
    const int w = stream[0] | (stream[1] << 8);
    const int h = stream[2] | (stream[3] << 8);
    std::vector<uint8_t> f = {0xFF, 0xD8, 0xFF, 0xDB, 0, 132};
    for (int t = 0; t < 2; ++t) {
        uint8_t q[64];
        enc.GetQuantTable(t, q);
        f.push_back(uint8_t(t));
        for (int z = 0; z < 64; ++z)
            f.push_back(q[CJpegEncoder::kZigzag[z]]);
    }
    const uint8_t sof[] = {0xFF, 0xC0, 0,    17,   8,    uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), 3,
                           1,    0x22, 0,    2,    0x11, 1,               3,          0x11,            1};
    f.insert(f.end(), std::begin(sof), std::end(sof));
    const uint8_t sos[] = {0xFF, 0xDA, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
    f.insert(f.end(), std::begin(sos), std::end(sos));
    for (size_t i = 6; i < stream.size(); ++i) {
        f.push_back(stream[i]);
        if (stream[i] == 0xFF)
            f.push_back(0x00);
    }
    f.push_back(0xFF);
    f.push_back(0xD9);
    return f;
}

std::unique_ptr<uint8_t[]> Decode(std::vector<uint8_t>& file, int& w, int& h)
{
    FILE* mem = fmemopen(file.data(), file.size(), "rb");
    auto rgb = ReadJpegStream(mem, &w, &h);
    std::fclose(mem);
    return rgb;
}

TEST(JpegEncoder, QualityScalesTheTables)
{
    struct Case {
        unsigned quality, scale;
    } cases[] = {{0, 5000}, {1, 5000}, {25, 200}, {50, 100}, {75, 50}, {100, 0}, {150, 0}};
    for (const auto& c : cases) {
        CJpegEncoder enc(c.quality);
        EXPECT_EQ(enc.GetScale(), c.scale) << c.quality;
    }
    CJpegEncoder q50(50);
    uint8_t t[64];
    q50.GetQuantTable(0, t);
    EXPECT_EQ(t[0], 16);
    EXPECT_EQ(t[63], 99);
    // divisor = (t x AAN scale + 1024) >> 11; AAN scales of the first row
    const int aan[8] = {16384, 22725, 21407, 19266, 16384, 12873, 8867, 4520};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(q50.GetDivisors(0)[k], (t[k] * aan[k] + 1024) >> 11) << k;
    CJpegEncoder q150(150);  // scale 0: every table entry 1
    q150.GetQuantTable(1, t);
    for (int k = 0; k < 64; ++k)
        ASSERT_EQ(t[k], 1);
    EXPECT_EQ(q150.GetDivisors(1)[1], (22725 + 1024) >> 11);
    CJpegEncoder q0(0);
    q0.GetQuantTable(0, t);
    EXPECT_EQ(t[0], 255);  // clamped
}

TEST(JpegEncoder, UniformBlockCodesOnlyDcAndEndOfBlock)
{
    // mid grey: every Y, Cb and Cr sample is 0 after the level shift, so each Y block
    // is DC category 0 ("00") + end of block ("1010"), each chroma block "00" + "00"
    std::vector<uint8_t> grey(8 * 8 * 3, 128);
    auto rows = ToEncoderRows(grey, 8, 8);
    CJpegEncoder enc(50);
    std::vector<uint8_t> out(256);
    int count = 0;
    ASSERT_TRUE(enc.Encode(rows.data(), out.data(), out.size(), 8, 8, &count));
    ASSERT_EQ(count, 10);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 10),
              (std::vector<uint8_t>{8, 0, 8, 0, 50, 0, 0x28, 0xA2, 0x8A, 0x00}));

    // white: the first Y block codes DC 64 ("11110" + "1000000"), the other three a
    // difference of 0
    std::vector<uint8_t> white(8 * 8 * 3, 255);
    rows = ToEncoderRows(white, 8, 8);
    ASSERT_TRUE(enc.Encode(rows.data(), out.data(), out.size(), 8, 8, &count));
    ASSERT_EQ(count, 6 + 6);  // 42 bits
    EXPECT_EQ(out[6], 0xF4);  // 11110 100
    EXPECT_EQ(out[7], 0x0A);  // 0000 1010
    EXPECT_EQ(out[8], 0x28);  // 001010 00
    EXPECT_EQ(out[9], 0xA2);
    EXPECT_EQ(out[10], 0x80);
    EXPECT_EQ(out[11], 0x00);
}

TEST(JpegEncoder, WrappedStreamDecodesToTheSource)
{
    for (int quality : {50, 90}) {
        for (auto [w, h] : {std::pair{37, 21}, std::pair{64, 48}}) {
            SCOPED_TRACE(testing::Message() << "q" << quality << " " << w << "x" << h);
            const auto rgb = Gradient(w, h);
            auto rows = ToEncoderRows(rgb, w, h);
            CJpegEncoder enc(quality);
            std::vector<uint8_t> out(rows.size() + 1024);
            int count = 0;
            ASSERT_TRUE(enc.Encode(rows.data(), out.data(), out.size(), w, h, &count));
            out.resize(size_t(count));
            EXPECT_EQ(out[0] | (out[1] << 8), w);
            EXPECT_EQ(out[4] | (out[5] << 8), quality);
            auto file = WrapCompactStream(out, enc);
            int dw = 0, dh = 0;
            auto decoded = Decode(file, dw, dh);
            ASSERT_TRUE(decoded);
            ASSERT_EQ(dw * 1000 + dh, w * 1000 + h);
            int maxDiff;
            double mean;
            Compare(rgb, std::vector<uint8_t>(decoded.get(), decoded.get() + rgb.size()), maxDiff, mean);
            EXPECT_LT(mean, quality >= 90 ? 2.5 : 4.0);
            EXPECT_LE(maxDiff, 40);
        }
    }
}

TEST(JpegEncoder, RefusesBadArgumentsAndStaysInItsBuffer)
{
    auto rows = ToEncoderRows(RandomBytes(16 * 16 * 3, 1), 16, 16);
    CJpegEncoder enc(100);
    std::vector<uint8_t> out(4096);
    int count = 0;
    EXPECT_FALSE(enc.Encode(nullptr, out.data(), out.size(), 16, 16, &count));
    EXPECT_FALSE(enc.Encode(rows.data(), nullptr, out.size(), 16, 16, &count));
    EXPECT_FALSE(enc.Encode(rows.data(), out.data(), out.size(), 0, 16, &count));
    EXPECT_FALSE(enc.Encode(rows.data(), out.data(), out.size(), 65536, 1, &count));
    // noise at quality 100 does not fit in 20 bytes; nothing is written past them
    std::vector<uint8_t> small(28, 0xAB);
    EXPECT_FALSE(enc.Encode(rows.data(), small.data(), 20, 16, 16, &count));
    EXPECT_LE(count, 20);
    for (size_t i = 20; i < small.size(); ++i)
        ASSERT_EQ(small[i], 0xAB);
}

TEST(JpegEncoder, SaveCompactJpegWritesTheStreamOfA24BitImage)
{
    TempDir dir("cjpeg");
    CDib dib;
    ASSERT_TRUE(dib.Create(5, 20, 24));  // unpadded 15-byte rows
    const auto rgb = Gradient(5, 20);
    std::memcpy(dib.GetBits(), rgb.data(), rgb.size());  // taken as blue, green, red
    ASSERT_TRUE(SaveCompactJpeg(nullptr, (dir / "c.cjp").c_str(), &dib.GetBitmapInfo()->bmiHeader, dib.GetBits()));
    const auto file = ReadFile(dir / "c.cjp");

    std::vector<uint8_t> padded(16 * 20, 0);
    for (int y = 0; y < 20; ++y)
        std::memcpy(&padded[16 * y], &rgb[15 * y], 15);
    CJpegEncoder enc(50);
    std::vector<uint8_t> expected(4096);
    int count = 0;
    ASSERT_TRUE(enc.Encode(padded.data(), expected.data(), expected.size(), 5, 20, &count));
    expected.resize(size_t(count));
    EXPECT_EQ(file, expected);

    CDib wide;
    ASSERT_TRUE(wide.Create(4, 4, 32));
    EXPECT_FALSE(SaveCompactJpeg(nullptr, (dir / "w.cjp").c_str(), &wide.GetBitmapInfo()->bmiHeader, wide.GetBits()));
    EXPECT_FALSE(std::filesystem::exists(dir / "w.cjp"));
    EXPECT_FALSE(SaveCompactJpeg(nullptr, nullptr, &dib.GetBitmapInfo()->bmiHeader, dib.GetBits()));
}

} // namespace
