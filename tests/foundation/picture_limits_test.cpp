// Pictures are decoded by their content, raster formats only, and JPEG work is
// bounded; every fault is one log line naming the file.
#include "foundation/image/Dib.h"
#include "foundation/image/Jpeg.h"

#include "image_test_util.h"
#include "log_capture.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

using namespace imgtest;

std::vector<uint8_t> Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

// A progressive colour JPEG whose scan script sends every coefficient of every
// component bit by bit: close to two thousand scans.
std::vector<uint8_t> ManyScanJpeg(int width, int height)
{
    std::vector<jpeg_scan_info> script;
    const int top = 9;
    script.push_back({3, {0, 1, 2, 0}, 0, 0, 0, top});
    for (int al = top - 1; al >= 0; --al)
        script.push_back({3, {0, 1, 2, 0}, 0, 0, al + 1, al});
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k) {
            script.push_back({1, {c, 0, 0, 0}, k, k, 0, top});
            for (int al = top - 1; al >= 0; --al)
                script.push_back({1, {c, 0, 0, 0}, k, k, al + 1, al});
        }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.scan_info = script.data();
    cinfo.num_scans = int(script.size());
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = uint8_t(i * 7 + cinfo.next_scanline * 3);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

TEST(Pictures, ChosenByContentRasterOnly)
{
    TempDir dir("pictures");
    QImage colour(5, 4, QImage::Format_RGB32);
    colour.fill(qRgb(200, 100, 50));
    // a 1x1 GIF
    const std::vector<uint8_t> gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                                      0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x00,
                                      0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
                                      0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\">"
                            "<rect width=\"64\" height=\"64\" fill=\"red\"/></svg>";
    auto rgb = Gradient(16, 8);
    ASSERT_EQ(WriteJpeg(dir / "grey.jpg", rgb.data(), 16, 8, false, 90, nullptr), 1);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool loads;
        int width;
        int bits;
    } cases[] = {
        {"png", Encoded(colour, "PNG"), true, 5, 24},
        {"gif", gif, true, 1, 24},
        {"grey jpeg", ReadFile(dir / "grey.jpg"), true, 16, 8},
        {"svg", std::vector<uint8_t>(svg.begin(), svg.end()), false, 0, 0},
        {"xml svg", [&] {
             const std::string x = "<?xml version=\"1.0\"?>\n" + svg;
             return std::vector<uint8_t>(x.begin(), x.end());
         }(), false, 0, 0},
        {"text", {'h', 'e', 'l', 'l', 'o'}, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "PIC.BMP", c.bytes);
        CDib dib;
        ASSERT_TRUE(dib.Create(2, 2, 24));
        LogCapture log;
        EXPECT_EQ(dib.Load((dir / "PIC.BMP").c_str()), c.loads);
        if (c.loads) {
            EXPECT_EQ(dib.GetWidth(), c.width);
            EXPECT_EQ(dib.GetBitCount(), c.bits);
        } else {
            EXPECT_EQ(dib.GetWidth(), 2);
            ASSERT_EQ(log.Lines().size(), 1u);
            EXPECT_TRUE(log.Contains(dir / "PIC.BMP"));
        }
    }
}

TEST(Pictures, JpegWithThousandsOfScansIsRefusedQuickly)
{
    TempDir dir("pictures");
    WriteFile(dir / "scans.jpg", ManyScanJpeg(512, 512));
    CDib dib;
    ASSERT_TRUE(dib.Create(2, 2, 24));
    LogCapture log;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(dib.Load((dir / "scans.jpg").c_str()));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    ASSERT_EQ(log.Lines().size(), 1u) << "one line, no error box";
    EXPECT_TRUE(log.Contains(dir / "scans.jpg"));
    EXPECT_EQ(dib.GetWidth(), 2);

    // the stream reader is bounded the same way
    int w = 0, h = 0;
    FILE* f = std::fopen((dir / "scans.jpg").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<std::string> boxes;
    SetJpegErrorHook([&](const char* m) { boxes.emplace_back(m); });
    EXPECT_EQ(ReadJpegStream(f, &w, &h), nullptr);
    SetJpegErrorHook(nullptr);
    std::fclose(f);
    EXPECT_EQ(boxes.size(), 1u);
}

} // namespace
