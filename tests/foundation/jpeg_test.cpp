#include "foundation/image/Jpeg.h"

#include "image_test_util.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

using namespace imgtest;

namespace {

// Routes the library's fatal errors into a list while it lives.
struct ErrorRecorder {
    ErrorRecorder()
    {
        SetJpegErrorHook([this](const char* m) { messages.emplace_back(m); });
    }
    ~ErrorRecorder() { SetJpegErrorHook(nullptr); }
    std::vector<std::string> messages;
};

TEST(Jpeg, ColourRoundTripWithinTolerance)
{
    TempDir dir("jpeg");
    const int w = 48, h = 40;
    const auto rgb = Gradient(w, h);
    ASSERT_EQ(WriteJpeg(dir / "c.jpg", const_cast<uint8_t*>(rgb.data()), w, h, true, 90, nullptr), 1);
    int rw = 0, rh = 0;
    EXPECT_EQ(ReadJpegSize(dir / "c.jpg", &rw, &rh), 1);
    EXPECT_EQ(rw * 1000 + rh, w * 1000 + h);
    auto back = ReadJpeg(dir / "c.jpg", &rw, &rh);
    ASSERT_TRUE(back);
    int maxDiff;
    double mean;
    Compare(rgb, std::vector<uint8_t>(back.get(), back.get() + rgb.size()), maxDiff, mean);
    EXPECT_LT(mean, 2.0);
    EXPECT_LE(maxDiff, 20);
    // no temporary file is left beside the target
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(Jpeg, GreyFilesHoldTheWeightedSum)
{
    TempDir dir("jpeg");
    const int w = 16, h = 16;
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = 200;  // red
        rgb[i + 1] = 100;
        rgb[i + 2] = 50;
    }
    const int expected = int(0.587 * 100 + 0.299 * 200 + 0.114 * 50);  // 124
    ASSERT_EQ(WriteJpeg(dir / "g.jpg", rgb.data(), w, h, false, 95, nullptr), 1);
    int rw, rh;
    auto back = ReadJpeg(dir / "g.jpg", &rw, &rh);
    ASSERT_TRUE(back);
    for (size_t i = 0; i < size_t(w) * h * 3; i += 3) {
        ASSERT_EQ(back[i], back[i + 1]);
        ASSERT_EQ(back[i], back[i + 2]);
        ASSERT_NEAR(back[i], expected, 1);
    }
}

TEST(Jpeg, MemoryOutputLeavesNoFileAndReadsBack)
{
    TempDir dir("jpeg");
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", dir.path.c_str(), 1);

    const int w = 32, h = 32;
    auto pixels = Gradient(w, h);
    unsigned count = 1;
    EXPECT_EQ(WriteJpeg("", pixels.data(), w, h, true, 75, &count), 1);
    EXPECT_GT(count, 100u);
    EXPECT_LT(count, pixels.size());
    EXPECT_EQ(pixels[0], 0xFF);
    EXPECT_EQ(pixels[1], 0xD8);
    EXPECT_EQ(pixels[count - 2], 0xFF);
    EXPECT_EQ(pixels[count - 1], 0xD9);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));

    // a JPEG larger than the pixel buffer is not copied into it
    uint8_t one[3] = {1, 2, 3};
    count = 1;
    EXPECT_EQ(WriteJpeg("", one, 1, 1, true, 100, &count), 0);
    EXPECT_GT(count, 3u);
    EXPECT_EQ(one[0] * 100 + one[1] * 10 + one[2], 123);

    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(Jpeg, WriteFailuresKeepTheOldFile)
{
    TempDir dir("jpeg");
    auto pixels = Gradient(8, 8);
    EXPECT_EQ(WriteJpeg(dir / "no/folder.jpg", pixels.data(), 8, 8, true, 75, nullptr), 0);
    EXPECT_EQ(WriteJpeg(dir / "a.jpg", nullptr, 8, 8, true, 75, nullptr), 0);
    EXPECT_EQ(WriteJpeg(dir / "a.jpg", pixels.data(), 0, 8, true, 75, nullptr), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
    // a library error (width beyond its limit) leaves the existing file alone
    WriteFile(dir / "keep.jpg", {1, 2, 3});
    ErrorRecorder errors;
    std::vector<uint8_t> wide(size_t(70000) * 3, 0);
    EXPECT_EQ(WriteJpeg(dir / "keep.jpg", wide.data(), 70000, 1, true, 75, nullptr), 0);
    EXPECT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(ReadFile(dir / "keep.jpg"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(Jpeg, MalformedFilesFailCleanly)
{
    TempDir dir("jpeg");
    auto pixels = Gradient(32, 32);
    ASSERT_EQ(WriteJpeg(dir / "ok.jpg", pixels.data(), 32, 32, true, 80, nullptr), 1);
    const auto good = ReadFile(dir / "ok.jpg");
    // the frame header's height and width: patch them to the largest values
    size_t sof = 0;
    for (size_t i = 2; i + 1 < good.size(); ++i)
        if (good[i] == 0xFF && good[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_GT(sof, 0u);
    auto huge = good;
    huge[sof + 5] = huge[sof + 7] = 0xFF;  // 65280 x 65280
    huge[sof + 6] = huge[sof + 8] = 0x00;

    const std::vector<std::pair<const char*, std::vector<uint8_t>>> bad = {
        {"not a jpeg", RandomBytes(400, 3)},
        {"empty", {}},
        {"only the start marker", {0xFF, 0xD8}},
        {"cut in the tables", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
    };
    for (const auto& [name, bytes] : bad) {
        SCOPED_TRACE(name);
        WriteFile(dir / "bad.jpg", bytes);
        ErrorRecorder errors;
        int w = -1, h = -1;
        EXPECT_FALSE(ReadJpeg(dir / "bad.jpg", &w, &h));
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
        EXPECT_EQ(ReadJpegSize(dir / "bad.jpg", &w, &h), 0);
        EXPECT_EQ(errors.messages.size(), 2u);
    }
    {
        SCOPED_TRACE("huge size");
        WriteFile(dir / "huge.jpg", huge);
        int w, h;
        EXPECT_EQ(ReadJpegSize(dir / "huge.jpg", &w, &h), 1);
        EXPECT_EQ(w, 65280);
        LogCapture log;
        EXPECT_FALSE(ReadJpeg(dir / "huge.jpg", &w, &h));
        EXPECT_TRUE(log.Contains("refused"));
    }
    {
        SCOPED_TRACE("cut in the data: decoded with what is there");
        WriteFile(dir / "cut.jpg", std::vector<uint8_t>(good.begin(), good.end() - 40));
        int w, h;
        EXPECT_TRUE(ReadJpeg(dir / "cut.jpg", &w, &h));
        EXPECT_EQ(w, 32);
    }
    ErrorRecorder errors;
    int w, h;
    EXPECT_FALSE(ReadJpeg(dir / "missing.jpg", &w, &h));
    EXPECT_EQ(ReadJpegSize(dir / "missing.jpg", &w, &h), 0);
    EXPECT_TRUE(errors.messages.empty());  // a missing file is not a library error
}

TEST(Jpeg, FatalErrorsOffTheGuiThreadAreLogged)
{
    TempDir dir("jpeg");
    WriteFile(dir / "bad.jpg", RandomBytes(64, 4));
    LogCapture log;
    int result = -1;
    std::thread worker([&] {
        int w, h;
        result = ReadJpegSize(dir / "bad.jpg", &w, &h);
    });
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(log.Contains("error: JPEG Fatal Error "));
}

TEST(Jpeg, RowUtilities)
{
    std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // three rows of 3 bytes
    EXPECT_EQ(FlipRows(rows.data(), 3, 3), 1);
    EXPECT_EQ(rows, (std::vector<uint8_t>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(FlipRows(rows.data(), 3, 2), 1);
    EXPECT_EQ(rows, (std::vector<uint8_t>{4, 5, 6, 7, 8, 9, 1, 2, 3}));
    EXPECT_EQ(FlipRows(nullptr, 3, 2), 0);

    std::vector<uint8_t> px = {10, 20, 30, 200, 100, 50};
    EXPECT_EQ(SwapRedBlue(px.data(), 2, 1), 1);
    EXPECT_EQ(px, (std::vector<uint8_t>{30, 20, 10, 50, 100, 200}));
    EXPECT_EQ(RgbToGrey(px.data(), 2, 1), 1);
    EXPECT_EQ(px[3], uint8_t(0.587 * 100 + 0.299 * 50 + 0.114 * 200));
    EXPECT_EQ(px[4], px[3]);
    EXPECT_EQ(SwapRedBlue(nullptr, 1, 1) + RgbToGrey(nullptr, 1, 1), 0);

    const auto rgb = RandomBytes(5 * 3 * 2, 7);  // width 5: 15-byte rows padded to 16
    unsigned rowBytes = 0;
    auto padded = RgbToPaddedRows(rgb.data(), 5, 2, &rowBytes);
    ASSERT_TRUE(padded);
    EXPECT_EQ(rowBytes, 16u);
    EXPECT_EQ(padded[15], 0);
    auto back = PaddedRowsToRgb(padded.get(), 5, rowBytes, 2);
    EXPECT_EQ(std::vector<uint8_t>(back.get(), back.get() + rgb.size()), rgb);

    uint8_t grey[2] = {9, 77};
    uint8_t out[12] = {};
    ExpandGreyRow(grey, 2, out, 1);
    EXPECT_EQ(out[6] + out[7] + out[8], 27);
    EXPECT_EQ(out[11], 77);
    EXPECT_EQ(out[0], 0);
}

} // namespace
