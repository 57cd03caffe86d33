#include "foundation/image/Avi.h"
#include "foundation/image/ImageSourceFactory.h"
#include "foundation/image/MediaPlayer.h"
#include "image_test_util.h"
#include "log_capture.h"
#include "platform/Paths.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Captures CAvi's message boxes and picks the encoder of compressed recordings.
struct AviHooks {
    explicit AviHooks(std::string codec = "mjpeg")
    {
        CAvi::SetMessageBox([this](const std::string& text) { messages.push_back(text); });
        CAvi::SetCompressorChooser([this, codec](std::string& chosen) {
            chosen = codec;
            return !codec.empty();
        });
    }
    ~AviHooks()
    {
        CAvi::SetMessageBox(nullptr);
        CAvi::SetCompressorChooser(nullptr);
    }
    std::vector<std::string> messages;
};

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Frame f of a smooth test picture (bottom-up rows), so that lossy codecs stay close.
std::vector<uint8_t> TestFrame(int w, int h, int bits, int f)
{
    const int B = bits / 8;
    std::vector<uint8_t> px(size_t(w) * h * B);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * B];
            p[0] = uint8_t(x * 4 + f);
            if (B > 1) {
                p[1] = uint8_t(y * 4);
                p[2] = uint8_t(128 + f * 2);
            }
            if (B == 4)
                p[3] = 255;
        }
    return px;
}

// The rows of a bottom-up frame top first, as the image keeps them.
std::vector<uint8_t> Upright(const std::vector<uint8_t>& frame, size_t row)
{
    std::vector<uint8_t> out;
    for (size_t at = frame.size(); at >= row; at -= row)
        out.insert(out.end(), frame.begin() + ptrdiff_t(at - row), frame.begin() + ptrdiff_t(at));
    return out;
}

// Records n frames of w x h into dir/clip(1).avi through Draw.
std::string Record(const imgtest::TempDir& dir, int w, int h, int bits, int n, bool compressed)
{
    CAvi avi;
    EXPECT_TRUE(avi.Create(w, h, bits));
    const std::vector<uint8_t> dummy(1);
    EXPECT_TRUE(avi.Save((dir / "Clip.avi").c_str(), compressed ? dummy.data() : nullptr));
    for (int f = 0; f < n; ++f) {
        const auto frame = TestFrame(w, h, bits, f);
        EXPECT_EQ(avi.Draw(nullptr, frame.data(), nullptr), 1);
    }
    EXPECT_EQ(avi.GetWrittenFrames(), n);
    EXPECT_TRUE(avi.FinishRecording());
    return platform::ResolvePath(avi.GetRecordName());  // the name is lower-cased, the folder may not be
}

TEST(Avi, RecordedFramesReadBack)
{
    AviHooks hooks;
    imgtest::TempDir dir("avi");
    const int w = 40, h = 24;
    for (const auto& [bits, compressed, tolerance] :
         {std::tuple{8, false, 0}, std::tuple{24, false, 0}, std::tuple{32, false, 0}, std::tuple{24, true, 12}}) {
        const std::string file = Record(dir, w, h, bits, 30, compressed);
        EXPECT_EQ(file, dir / "clip(1).avi");
        CAvi avi;
        ASSERT_TRUE(avi.Load(file.c_str())) << bits << compressed;
        EXPECT_EQ(avi.GetLength(), 30);
        EXPECT_EQ(avi.Control(-5), 30);
        EXPECT_FLOAT_EQ(avi.GetFrameTime(), 33.0f);
        EXPECT_EQ(avi.GetWidth(), w);
        EXPECT_EQ(avi.GetHeight(), h);
        if (!compressed) {
            EXPECT_EQ(avi.GetBitCount(), bits);
        }
        const int B = avi.GetBitCount() / 8;
        for (int f : {0, 17, 5, 29}) {  // out of order: seeks
            const uint8_t* img = avi.GetFrame(f + 30, 0);  // index wraps at the length
            ASSERT_NE(img, nullptr);
            EXPECT_EQ(avi.GetPicNum(), f);
            const auto want = TestFrame(w, h, bits, f);
            int worst = 0;
            for (int y = 0; y < h; ++y)  // the image is top-down, the frames bottom-up
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < std::min(3, B); ++c)
                        worst = std::max(worst, std::abs(int(img[(size_t(h - 1 - y) * w + x) * B + c]) -
                                                         int(want[(size_t(y) * w + x) * (bits / 8) + c])));
            EXPECT_LE(worst, tolerance) << "bits " << bits << " frame " << f;
        }
        avi.Destroy();
        std::remove(file.c_str());
    }
    EXPECT_TRUE(hooks.messages.empty());
    EXPECT_EQ(CAvi::LibraryUsers(), 0);
}

TEST(Avi, RecordFromWritesItsFirstFrameAtZero)
{
    AviHooks hooks;
    imgtest::TempDir dir("avirec");
    CDib picture;
    ASSERT_TRUE(picture.Create(8, 8, 24));
    std::memset(picture.GetBits(), 200, 8 * 8 * 3);
    CAvi avi;
    ASSERT_TRUE(avi.Create(16, 16, 24));
    ASSERT_TRUE(avi.Save((dir / "rec.avi").c_str(), nullptr)) << (hooks.messages.empty() ? "" : hooks.messages[0]);
    EXPECT_EQ(avi.RecordFrom(&picture), 1);
    EXPECT_EQ(avi.RecordFrom(&picture), 1);
    EXPECT_EQ(avi.RecordFrom(nullptr), 0);
    ASSERT_TRUE(avi.FinishRecording());
    EXPECT_EQ(avi.RecordFrom(&picture), 0);  // no longer recording

    CAvi back;
    ASSERT_TRUE(back.Load((dir / "rec(1).avi").c_str()));
    EXPECT_EQ(back.GetLength(), 2);
    const uint8_t* img = back.GetFrame(0, 0);
    EXPECT_EQ(img[0], 200);
    EXPECT_EQ(img[16 * 16 * 3 - 1], 200);
}

TEST(Avi, SavingWhileRecordingFinishesTheRunningRecording)
{
    AviHooks hooks;
    imgtest::TempDir dir("avisave");
    CAvi avi;
    ASSERT_TRUE(avi.Create(8, 8, 24));
    ASSERT_TRUE(avi.Save((dir / "take.avi").c_str(), nullptr));
    for (int f = 0; f < 3; ++f)
        EXPECT_EQ(avi.Draw(nullptr, TestFrame(8, 8, 24, f).data(), nullptr), 1);
    ASSERT_TRUE(avi.Save((dir / "take.avi").c_str(), nullptr));  // the next take
    EXPECT_EQ(avi.Draw(nullptr, TestFrame(8, 8, 24, 9).data(), nullptr), 1);
    ASSERT_TRUE(avi.FinishRecording());
    EXPECT_TRUE(hooks.messages.empty());
    for (const auto& [name, frames, first] : {std::tuple{"take(1).avi", 3, 0}, std::tuple{"take(2).avi", 1, 9}}) {
        CAvi back;
        ASSERT_TRUE(back.Load((dir / name).c_str())) << name;
        EXPECT_EQ(back.GetLength(), frames) << name;
        const uint8_t* img = back.GetFrame(0, 0);
        EXPECT_EQ(img[(7 * 8 + 1) * 3], TestFrame(8, 8, 24, first)[3]) << name;  // bottom-up rows
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "take(1).avi.part"));
}

TEST(Avi, RecordingsNeverWriteThroughPlantedLinks)
{
    AviHooks hooks;
    imgtest::TempDir dir("avilink");
    const std::string victim = dir / "victim.txt";
    imgtest::WriteFile(victim, {'k', 'e', 'e', 'p'});
    // links at the names a recording may write to before it is finished
    for (const char* name : {"take(1).avi.part", "take(1).avi.tmp", "take(1).avi.partial"})
        std::filesystem::create_symlink(victim, dir / name);
    CAvi avi;
    ASSERT_TRUE(avi.Create(8, 8, 24));
    ASSERT_TRUE(avi.Save((dir / "take.avi").c_str(), nullptr));
    EXPECT_EQ(avi.Draw(nullptr, TestFrame(8, 8, 24, 0).data(), nullptr), 1);
    ASSERT_TRUE(avi.FinishRecording());
    EXPECT_EQ(imgtest::ReadFile(victim), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    CAvi back;
    ASSERT_TRUE(back.Load((dir / "take(1).avi").c_str()));
    EXPECT_EQ(back.GetLength(), 1);

    // a recording dropped unfinished leaves no file behind
    const auto before = std::distance(std::filesystem::directory_iterator(dir.path), {});
    ASSERT_TRUE(avi.Create(8, 8, 24));
    ASSERT_TRUE(avi.Save((dir / "take.avi").c_str(), nullptr));
    EXPECT_EQ(avi.Draw(nullptr, TestFrame(8, 8, 24, 0).data(), nullptr), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), before + 1);  // being written
    {
        AviWriter dropped;
        ASSERT_EQ(dropped.Open(dir / "other.avi", 8, 8, 24, 30, "rawvideo"), AviOpen::Ok);
        EXPECT_TRUE(dropped.Write(0, TestFrame(8, 8, 24, 0).data()));
    }
    avi.Destroy();  // finishes take(2).avi
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), before + 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "take(2).avi"));
    EXPECT_FALSE(std::filesystem::exists(dir / "other.avi"));
    EXPECT_TRUE(hooks.messages.empty());
}

TEST(Avi, NumbersRecordingsUntilReset)
{
    AviHooks hooks;
    imgtest::TempDir dir("avinum");
    CAvi avi;
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        if (i == 2)
            avi.Reset();
        ASSERT_TRUE(avi.Create(8, 8, 24));
        ASSERT_TRUE(avi.Save((dir / "Movie.AVI").c_str(), nullptr));
        names.push_back(avi.GetRecordName());
        avi.Destroy();
    }
    EXPECT_EQ(names[0], Lower(dir / "movie(1).avi"));  // names are lower-cased
    EXPECT_EQ(names[1], Lower(dir / "movie(2).avi"));
    EXPECT_EQ(names[2], Lower(dir / "movie(1).avi"));
}

TEST(Avi, ControlCodesAndEmptyStreams)
{
    CAvi avi;
    // as constructed: a stream of length 1
    EXPECT_EQ(avi.Control(7), 1);
    EXPECT_EQ(avi.Control(-1), 1);  // compared unsigned
    EXPECT_EQ(avi.Control(10), 0x00FFFFFF);
    EXPECT_EQ(avi.Control(-30), 1);
    EXPECT_EQ(avi.Control(-20), 1);
    EXPECT_EQ(avi.Control(-6), 0);
    EXPECT_EQ(avi.Control(-3), 0);
}

TEST(Avi, FiveFrameStreamWrapsAndClamps)
{
    AviHooks hooks;
    imgtest::TempDir dir("avi5");
    const std::string file = Record(dir, 8, 8, 24, 5, false);
    CAvi avi;
    ASSERT_TRUE(avi.Load(file.c_str()));
    EXPECT_EQ(avi.Control(7), 5);
    EXPECT_EQ(avi.Control(-1), 5);
    avi.GetFrame(12, 0);
    EXPECT_EQ(avi.GetCurrentFrame(), 2);
    EXPECT_EQ(avi.Control(-6), 2);
    EXPECT_EQ(avi.Control(-20), 1);
    EXPECT_EQ(avi.Control(-6), 4);
    EXPECT_EQ(avi.GetInfoText(file), 1);
    EXPECT_NE(avi.GetInfo().find("Dimention: 8x8\nLength: 5 frames"), std::string::npos);
}

TEST(Avi, DamagedFilesFailCleanly)
{
    AviHooks hooks;
    imgtest::TempDir dir("avibad");
    const std::string good = Record(dir, 16, 16, 24, 4, false);
    const auto bytes = imgtest::ReadFile(good);
    ASSERT_GT(bytes.size(), 300u);
    std::vector<uint8_t> garbage = imgtest::RandomBytes(4000, 7);
    std::memcpy(garbage.data(), "RIFF\0\0\0\0AVI LIST", 16);
    const std::vector<std::vector<uint8_t>> damaged = {
        std::vector<uint8_t>(bytes.begin(), bytes.begin() + 200),  // cut inside the headers
        garbage,
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        const std::string file = dir / ("bad" + std::to_string(i) + ".avi");
        imgtest::WriteFile(file, damaged[i]);
        CAvi avi;
        ASSERT_TRUE(avi.Create(8, 8, 24));
        EXPECT_FALSE(avi.Load(file.c_str())) << i;
        EXPECT_EQ(avi.GetBits(), nullptr);  // destroyed
    }
    ASSERT_EQ(hooks.messages.size(), 2u);
    EXPECT_EQ(hooks.messages[0], "error: Avi:OpenFile\n" + dir / "bad0.avi");
    // a file cut inside its last frame (index gone) plays the frames it holds; the
    // missing one leaves the picture as it was and is logged once, naming the file
    const std::string cut = dir / "cut.avi";
    imgtest::WriteFile(cut, std::vector<uint8_t>(bytes.begin(), bytes.end() - 800));
    LogCapture log;
    CAvi avi;
    ASSERT_TRUE(avi.Load(cut.c_str()));
    EXPECT_EQ(avi.GetLength(), 4);  // as the header says
    for (int f : {0, 1, 2}) {
        const uint8_t* img = avi.GetFrame(f, 0);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(img, img + 16 * 16 * 3), Upright(TestFrame(16, 16, 24, f), 16 * 3)) << f;
    }
    const std::vector<uint8_t> before(avi.GetBits(), avi.GetBits() + 16 * 16 * 3);
    for (int round = 0; round < 2; ++round) {
        const uint8_t* img = avi.GetFrame(3, 0);
        ASSERT_EQ(img, avi.GetBits());
        EXPECT_EQ(std::vector<uint8_t>(img, img + 16 * 16 * 3), before);
    }
    const auto lines = log.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) { return l.find(cut) != std::string::npos; }),
              1)
        << (lines.empty() ? "no log line" : lines.back());
    // a missing file: false without a message; an empty one also logs one line naming it
    CAvi missing;
    EXPECT_FALSE(missing.Load((dir / "none.avi").c_str()));
    const std::string empty = dir / "empty.avi";
    imgtest::WriteFile(empty, {});
    log.Clear();
    EXPECT_FALSE(missing.Load(empty.c_str()));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_NE(log.Lines()[0].find(empty), std::string::npos) << log.Lines()[0];
    EXPECT_EQ(hooks.messages.size(), 2u);
    EXPECT_EQ(CAvi::LibraryUsers(), 0);
}

// Replaces every 32-bit little-endian pair (a, b) in the bytes by (c, d), and the
// 16-bit frame rectangle (0, 0, a, b) by (0, 0, c, d).
void PatchSize(std::vector<uint8_t>& bytes, uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    auto le = [](std::vector<uint32_t> v, int width) {
        std::vector<uint8_t> out;
        for (uint32_t x : v)
            for (int i = 0; i < width; ++i)
                out.push_back(uint8_t(x >> (8 * i)));
        return out;
    };
    for (const auto& [from, to] : {std::pair{le({a, b}, 4), le({c, d}, 4)}, std::pair{le({0, 0, a, b}, 2), le({0, 0, c, d}, 2)}})
        for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), from.begin(), from.end())) != bytes.end();)
            at = std::copy(to.begin(), to.end(), at);
}

TEST(Avi, OnlyAviFilesWithFramesInsideTheirHeaderSize)
{
    AviHooks hooks;
    imgtest::TempDir dir("avilimits");
    const std::string clip = Record(dir, 16, 16, 24, 3, false);
    std::filesystem::copy_file(clip, dir / "clip.avi");
    // a list of other files, named as an AVI; another demuxer would open it
    const std::string list = dir / "list.avi";
    imgtest::WriteFile(list, [] {
        const std::string text = "ffconcat version 1.0\nfile clip.avi\nfile clip.avi\n";
        return std::vector<uint8_t>(text.begin(), text.end());
    }());
    CAvi avi;
    EXPECT_FALSE(avi.Load(list.c_str()));
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_EQ(hooks.messages[0], "error: Avi:OpenFile\n" + list);
    CMediaItem item;
    EXPECT_FALSE(item.Open(list));
    EXPECT_TRUE(item.Open(dir / "clip.avi"));

    // Motion JPEG frames of 32 x 32 in a file whose headers say 16 x 16
    CAvi recorder;
    ASSERT_TRUE(recorder.Create(32, 32, 24));
    const std::vector<uint8_t> dummy(1);
    ASSERT_TRUE(recorder.Save((dir / "big.avi").c_str(), dummy.data()));
    for (int f = 0; f < 3; ++f)
        EXPECT_EQ(recorder.Draw(nullptr, TestFrame(32, 32, 24, f).data(), nullptr), 1);
    ASSERT_TRUE(recorder.FinishRecording());
    auto bytes = imgtest::ReadFile(dir / "big(1).avi");
    const std::string small = dir / "small.avi";
    imgtest::WriteFile(small, bytes);
    CAvi same;
    ASSERT_TRUE(same.Load(small.c_str()));  // as recorded it plays
    PatchSize(bytes, 32, 32, 16, 16);
    imgtest::WriteFile(small, bytes);
    LogCapture log;
    CAvi lying;
    EXPECT_FALSE(lying.Load(small.c_str()));
    EXPECT_NE(lying.GetWidth(), 32);
    EXPECT_TRUE(log.Contains(small));
    EXPECT_EQ(hooks.messages.size(), 1u);
}

TEST(Avi, RecordingFailuresShowTheirMessage)
{
    imgtest::TempDir dir("avifail");
    {
        AviHooks hooks("");  // the compressor dialog is cancelled
        CAvi avi;
        ASSERT_TRUE(avi.Create(8, 8, 24));
        const uint8_t bits[1] = {};
        EXPECT_FALSE(avi.Save((dir / "a.avi").c_str(), bits));
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_EQ(hooks.messages[0], "error: Avi:AVISaveOptions\n(compressor don't exists)");
        EXPECT_EQ(avi.GetBits(), nullptr);
    }
    {
        AviHooks hooks;
        CAvi avi;
        ASSERT_TRUE(avi.Create(8, 8, 24));
        EXPECT_FALSE(avi.Save((dir / "no/such/folder/a.avi").c_str(), nullptr));
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_EQ(hooks.messages[0], "error: Avi:AVIFileOpen");
    }
    {
        AviHooks hooks("no-such-encoder");
        CAvi avi;
        ASSERT_TRUE(avi.Create(8, 8, 24));
        const uint8_t bits[1] = {};
        EXPECT_FALSE(avi.Save((dir / "b.avi").c_str(), bits));
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_EQ(hooks.messages[0], "error: Avi:CompressedStream\ncan't make stream");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "b(1).avi"));
    EXPECT_FALSE(std::filesystem::exists(dir / "b(1).avi.part"));
}

// A recording whose file cannot be written to the end (a file-size limit, as a full
// disk) is lost: finishing it says so and one log line names the file, whether the
// user finishes it or starts the next take. The limit is set in a child process.
TEST(Avi, LostRecordingsAreLoggedWithTheirName)
{
    AviHooks hooks;
    imgtest::TempDir dir("avilost");
    for (const bool nextTake : {false, true}) {
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16 << 10, 16 << 10};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            LogCapture log;
            CAvi avi;
            int fault = 0;
            if (!avi.Create(64, 64, 24) || !avi.Save((dir / "take.avi").c_str(), nullptr))
                ::_exit(1);
            const std::string lost = platform::ResolvePathForWriting(avi.GetRecordName());
            for (int f = 0; f < 12; ++f)  // 12 KiB a frame
                avi.Draw(nullptr, TestFrame(64, 64, 24, f).data(), nullptr);
            if (nextTake) {
                if (!avi.Save((dir / "take.avi").c_str(), nullptr))
                    fault |= 2;
                if (!avi.FinishRecording())  // an empty take fits
                    fault |= 4;
            } else if (avi.FinishRecording()) {
                fault |= 8;
            }
            const auto lines = log.Lines();
            if (std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
                    return l.find(lost) != std::string::npos && l.find(" is lost") != std::string::npos;
                }) != 1)
                fault |= 16;
            if (std::filesystem::exists(lost))
                fault |= 32;
            ::_exit(fault);
        }
        ASSERT_GT(child, 0);
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0) << "next take " << nextTake;
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "take(2).avi"));
    EXPECT_TRUE(hooks.messages.empty());
}

// A grey baseline JPEG of any declared size, 4:2:0, whose Huffman tables hold two
// codes each; "0" (no DC change, end of block) for every block: 12 zero bits a macroblock.
std::vector<uint8_t> GreyJpeg(int w, int h)
{
    std::vector<uint8_t> j = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    j.insert(j.end(), 64, 1);
    j.insert(j.end(), {0xFF, 0xC0, 0, 17, 8, uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), 3,
                       1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0});
    j.insert(j.end(), {0xFF, 0xC4, 0, 40});
    for (uint8_t table : {0x00, 0x10}) {
        j.insert(j.end(), {table, 2});
        j.insert(j.end(), 15, 0);
        j.insert(j.end(), {0, 1});
    }
    j.insert(j.end(), {0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0, 3, 0, 0, 63, 0});
    const size_t blocks = size_t((w + 15) / 16) * size_t((h + 15) / 16);
    j.insert(j.end(), (blocks * 12 + 7) / 8, 0);
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

// An AVI of Motion JPEG frames whose headers say w x h, with an index.
std::vector<uint8_t> MjpegAvi(int w, int h, const std::vector<std::vector<uint8_t>>& frames)
{
    std::vector<uint8_t> a;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            a.push_back(uint8_t(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { a.insert(a.end(), t, t + 4); };
    auto open = [&](const char* t, const char* list) {  // size filled in by close
        tag(t);
        u32(0);
        const size_t at = a.size();
        if (list)
            tag(list);
        return at;
    };
    auto close = [&](size_t at) {
        const uint32_t size = uint32_t(a.size() - at);
        std::memcpy(&a[at - 4], &size, 4);
        if (a.size() % 2)
            a.push_back(0);
    };
    const size_t riff = open("RIFF", "AVI ");
    const size_t hdrl = open("LIST", "hdrl");
    const size_t avih = open("avih", nullptr);
    for (uint32_t v : {33333u, 0u, 0u, 0x10u, uint32_t(frames.size()), 0u, 1u, 0u, uint32_t(w), uint32_t(h), 0u, 0u, 0u, 0u})
        u32(v);
    close(avih);
    const size_t strl = open("LIST", "strl");
    const size_t strh = open("strh", nullptr);
    tag("vids");
    tag("MJPG");
    for (uint32_t v : {0u, 0u, 0u, 1u, 30u, 0u, uint32_t(frames.size()), 0u, 0xFFFFFFFFu, 0u})
        u32(v);
    u32(0);
    u32(uint32_t(w) | uint32_t(h) << 16);
    close(strh);
    const size_t strf = open("strf", nullptr);
    for (uint32_t v : {40u, uint32_t(w), uint32_t(h), 1u | 24u << 16})
        u32(v);
    tag("MJPG");
    for (uint32_t v : {uint32_t(w * h * 3), 0u, 0u, 0u, 0u})
        u32(v);
    close(strf);
    close(strl);
    close(hdrl);
    const size_t movi = open("LIST", "movi");
    std::vector<std::pair<uint32_t, uint32_t>> index;
    for (const auto& f : frames) {
        index.emplace_back(uint32_t(a.size() - movi), uint32_t(f.size()));
        const size_t chunk = open("00dc", nullptr);
        a.insert(a.end(), f.begin(), f.end());
        close(chunk);
    }
    close(movi);
    const size_t idx1 = open("idx1", nullptr);
    for (const auto& [offset, size] : index) {
        tag("00dc");
        for (uint32_t v : {0x10u, offset, size})
            u32(v);
    }
    close(idx1);
    close(riff);
    return a;
}

// Peak resident memory of the process so far, in KiB.
long PeakKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A file whose headers say 16 x 16 and whose first frame declares 16000 x 16000: the
// information probe does not decode that frame (it took 0.4 GB), and the frames are not
// scaled up to its size (1.5 GB and seconds). Sizes above the cap are refused.
TEST(Avi, InfoOfAFrameDeclaringAHugeSizeStaysSmall)
{
    AviHooks hooks;
    imgtest::TempDir dir("avihuge");
    const std::string file = dir / "huge.avi";
    imgtest::WriteFile(file, MjpegAvi(16, 16, {GreyJpeg(16000, 16000), GreyJpeg(16, 16)}));
    CAvi avi;
    const long peak = PeakKiB();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(avi.GetInfoText(file), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_LT(PeakKiB() - peak, 200L << 10);
    EXPECT_NE(avi.GetInfo().find("Dimention: 16x16\n"), std::string::npos) << avi.GetInfo();

    AviReader reader;
    ASSERT_TRUE(reader.Open(file));
    for (const auto& [w, h] : {std::pair{16000, 16000}, std::pair{8193, 8192}, std::pair{0, 1 << 23}, std::pair{-1, 4}})
        EXPECT_FALSE(reader.SetOutput(w, h, 24)) << w << "x" << h;
    EXPECT_FALSE(reader.SetOutput(8, 4, 16));
    EXPECT_TRUE(reader.SetOutput(8, 4, 24));
    const BitmapInfo* frame = reader.GetFrame(1);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->bmiHeader.biWidth, 8);
    EXPECT_EQ(frame->bmiHeader.biHeight, 4);
    EXPECT_TRUE(hooks.messages.empty());
}

TEST(Avi, EncodersListUncompressedAndMotionJpeg)
{
    const auto list = AviEncoders();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().first, "rawvideo");
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const auto& e) { return e.first == "mjpeg"; }));
}

TEST(Avi, FactoryOpensVideoFiles)
{
    AviHooks hooks;
    imgtest::TempDir dir("avifac");
    const std::string file = Record(dir, 8, 8, 24, 3, false);
    CImageSource* source = nullptr;
    ASSERT_TRUE(CreateImageSource(file, &source, 8, 8, 24, 0, 0, 1));
    EXPECT_EQ(GetImageSourceType(source), 1);
    EXPECT_EQ(source->Control(-5), 3);
    DestroyImageSource(&source);
}

} // namespace


namespace {

struct FakePlayer : CMediaPlayer {
    bool SetMediaItem(CMediaItem* item) override
    {
        given = item;
        return true;
    }
    bool Play() override
    {
        ++plays;
        return playWorks;
    }
    CMediaItem* given = nullptr;
    int plays = 0;
    bool playWorks = true;
};

TEST(MediaPlayer, EventsReachThePlayer)
{
    AviHooks hooks;
    imgtest::TempDir dir("media");
    const std::string file = Record(dir, 8, 8, 24, 2, false);
    LogCapture log;
    // without a player nothing happens
    CMediaItem item;
    ASSERT_TRUE(item.Open("file://" + file));
    // a URL of a name with a blank and a non-ASCII letter is percent-encoded
    const std::string spaced = dir / "my clip \xC3\xA9.avi";
    std::filesystem::copy_file(file, spaced);
    const std::string url = QUrl::fromLocalFile(QString::fromStdString(spaced)).toString(QUrl::FullyEncoded).toStdString();
    ASSERT_NE(url.find("%20"), std::string::npos);
    CMediaItem spacedItem;
    EXPECT_TRUE(spacedItem.Open(url)) << url;
    MediaPlayerEvent created{kMediaItemCreated, false, &item};
    OnMediaPlayerEvent(&created);
    EXPECT_FALSE(g_mediaHasVideo);

    auto* player = new FakePlayer();
    g_mediaPlayer = player;
    OnMediaPlayerEvent(&created);
    EXPECT_EQ(player->given, &item);
    EXPECT_TRUE(g_mediaHasVideo);
    MediaPlayerEvent set{kMediaItemSet, false, &item};
    player->playWorks = false;
    OnMediaPlayerEvent(&set);
    EXPECT_EQ(player->plays, 1);
    EXPECT_TRUE(log.Contains("IMFPMediaPlayer::Play failed."));
    MediaPlayerEvent failed{kMediaItemSet, true, &item};
    OnMediaPlayerEvent(&failed);
    EXPECT_EQ(player->plays, 1);
    EXPECT_TRUE(log.Contains("Playback error"));
    CMediaItem notVideo;
    EXPECT_FALSE(notVideo.Open(dir / "none.avi"));
    MediaPlayerEvent bad{kMediaItemCreated, false, &notVideo};
    OnMediaPlayerEvent(&bad);
    EXPECT_TRUE(log.Contains("Error playing this file."));
    // destroying a video source lets the player go
    CAvi avi;
    avi.Destroy();
    EXPECT_EQ(g_mediaPlayer, nullptr);
    g_mediaHasVideo = false;
}

} // namespace
