#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLRadar.h"
#include "foundation/core/InputState.h"
#include "log_capture.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class RadarFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = NewTempFolder("radar");
        m_path = m_dir + "/Radar/Radar.set";
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void Write(const std::string& text)
    {
        fs::create_directories(m_dir + "/Radar");
        FILE* f = std::fopen(m_path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::string Read()
    {
        std::string s;
        FILE* f = std::fopen(m_path.c_str(), "rb");
        if (!f)
            return s;
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        std::fclose(f);
        return s;
    }
    CGLRadarSettings Load(const std::string& text)
    {
        Write(text);
        CGLRadar r;
        r.SetSettingsPath(m_path);
        r.LoadSettings();
        return r.GetSettings();
    }
    std::string m_dir, m_path;
};

} // namespace

TEST_F(RadarFiles, DefaultsWhenMissingAndRoundTrip)
{
    CGLRadar r;
    r.SetSettingsPath(m_path);
    r.LoadSettings(); // missing: defaults stay
    EXPECT_EQ(r.GetSettings().Format(), "1,0,128,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000");
    r.SaveSettings(); // creates the folder
    EXPECT_EQ(Read(), "1,0,128,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000");

    Write("0,1,64,96,2.500000,3.000000,100.000000,5.000000,256.000000,200.000000");
    CGLRadar b;
    b.SetSettingsPath(m_path);
    b.LoadSettings();
    EXPECT_FALSE(b.IsRound());
    EXPECT_TRUE(b.IsLocked());
    EXPECT_FLOAT_EQ(b.GetZoom(), 2.5f);
    EXPECT_FLOAT_EQ(b.GetScale(), 3.0f);
    EXPECT_FLOAT_EQ(b.GetScreenX(), 100.0f);
    EXPECT_FLOAT_EQ(b.GetViewHeight(), 200.0f);
    b.SaveSettings();
    EXPECT_EQ(Read(), "0,1,64,96,2.500000,3.000000,100.000000,5.000000,256.000000,200.000000");
}

TEST_F(RadarFiles, ShortGarbageAndOutOfRangeFiles)
{
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        // a short line fills only the fields it has
        {"0,1,64", "0,1,64,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000"},
        {"", "1,0,128,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000"},
        {"garbage\x01\xff", "1,0,128,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000"},
        {"1;0;5", "1,0,128,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000"},
        // zero window and scale would divide by zero: clamped
        {"1,0,0,0,4,0,16,40,128,128", "1,0,1,1,4.000000,1.000000,16.000000,40.000000,128.000000,128.000000"},
        {"7,-3,99999999999,-5,nan,inf,-40,1e30,0,-1",
         "1,1,8192,1,4.000000,1.200000,-9.600000,16384.000000,8.000000,8.000000"},
        {"1,0,128,128,0.000001,33", "1,0,128,128,0.100000,32.000000,16.000000,40.000000,128.000000,128.000000"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(Load(c.text).Format(), c.expected) << c.text;
        if (std::string(c.expected) != "1,0,128,128,4.000000,1.200000,16.000000,40.000000,128.000000,128.000000" ||
            std::string(c.text).empty() || c.text[0] == 'g') {
            EXPECT_TRUE(log.Contains("CGLRadar::LoadSettings")) << c.text;
        }
    }
    {
        // a corner left outside by scaling at the window's edge stays where it was
        LogCapture log;
        EXPECT_EQ(Load("1,0,128,128,4,1.5,-3.25,-7.5,128,128").Format(),
                  "1,0,128,128,4.000000,1.500000,-3.250000,-7.500000,128.000000,128.000000");
        EXPECT_FALSE(log.Contains("CGLRadar::LoadSettings"));
    }
    // an oversized file: its last number overflows and takes the default
    std::string big = "0,0,100,100,2,2,3,4,100,100";
    big.append(size_t(1) << 20, '9');
    EXPECT_EQ(Load(big).Format(), "0,0,100,100,2.000000,2.000000,3.000000,4.000000,100.000000,128.000000");
}

// Ctrl+wheel scaling with the pointer near the right edge of a minimap at the
// window's corner takes the corner far outside the window (down to -scale x view
// size while the pointer is on the window); the next start puts it back there.
TEST_F(RadarFiles, ACornerLeftOutsideByScalingComesBackAfterARestart)
{
    CGLRadar r;
    r.SetSettingsPath(m_path);
    CGLcamera camera;
    for (int step = 0; step < 3200; ++step) {
        g_InputState.SetMousePos(165, 190);
        g_InputState.SetModifier(CInputState::kModBackOrCtrl);
        g_InputState.SetWheel(-1);
        ASSERT_TRUE(r.Update(&camera)) << step;
    }
    g_InputState.SetModifier(0);
    g_InputState.SetWheel(0);
    g_InputState.SetOverlayHit(false);
    ASSERT_FLOAT_EQ(r.GetScale(), 32.0f);
    EXPECT_LT(r.GetScreenX(), -0.9f * 32.0f * 128.0f);
    EXPECT_LT(r.GetScreenY(), -0.9f * 32.0f * 128.0f);
    r.SaveSettings();
    CGLRadar again;
    again.SetSettingsPath(m_path);
    again.LoadSettings();
    EXPECT_EQ(again.GetSettings().Format(), r.GetSettings().Format());

    // the bound itself is kept; beyond it the corner is brought back to it
    EXPECT_EQ(Load("1,0,128,128,4,2,-256,-200,128,100").Format(),
              "1,0,128,128,4.000000,2.000000,-256.000000,-200.000000,128.000000,100.000000");
    EXPECT_EQ(Load("1,0,128,128,4,2,-256.5,-201,128,100").Format(),
              "1,0,128,128,4.000000,2.000000,-256.000000,-200.000000,128.000000,100.000000");
}

TEST(Radar, ZoomAndScaleRules)
{
    CGLRadar r;
    r.Attach(1024, 1024, 24, nullptr, nullptr, 100.0f);
    EXPECT_FLOAT_EQ(r.MinZoom(), 0.1f);
    EXPECT_FLOAT_EQ(r.MaxZoom(), 8.0f);
    for (int k = 0; k < 10; ++k)
        r.ZoomStep(+1);
    EXPECT_NEAR(r.GetZoom(), 5.0f, 1e-4);
    for (int k = 0; k < 100; ++k)
        r.ZoomStep(+1);
    EXPECT_FLOAT_EQ(r.GetZoom(), 8.0f);
    for (int k = 0; k < 100; ++k)
        r.ZoomStep(-1);
    EXPECT_FLOAT_EQ(r.GetZoom(), 0.1f);
    r.SetLocked(true);
    r.ZoomStep(+1); // locked: the wheel does not zoom
    EXPECT_FLOAT_EQ(r.GetZoom(), 0.1f);
    EXPECT_EQ(r.ZoomText(), "Zoom x 1:1 Sz 12");
    r.SetLocked(false);
    EXPECT_EQ(r.ZoomText(), "Zoom x 1:1 Sz 12"); // int(10 * 0.1)

    // the scale moves by 0.01 per step inside [1, 32], keeping the cursor's point
    CGLRadar s;
    const int mx = 80, my = 100;
    const float fx = (mx - s.GetScreenX()) / s.GetScale();
    s.ScaleStep(-1, mx, my);
    EXPECT_NEAR(s.GetScale(), 1.21f, 1e-5);
    EXPECT_NEAR((mx - s.GetScreenX()) / s.GetScale(), fx, 1e-3);
    for (int k = 0; k < 50; ++k)
        s.ScaleStep(+1, mx, my);
    EXPECT_FLOAT_EQ(s.GetScale(), 1.0f);
    EXPECT_EQ(s.ZoomText(), "Zoom x 40:1 Sz 10");

    // a map smaller than the window keeps a positive zoom
    CGLRadar tiny;
    tiny.Attach(64, 64, 24, nullptr, nullptr, 100.0f);
    tiny.ZoomStep(-1);
    EXPECT_GT(tiny.GetZoom(), 0.0f);
}

TEST(Radar, HitTestOutlineAndMoves)
{
    CGLRadar r; // at (16, 40), 128 x 128 scaled by 1.2
    struct Case {
        int x, y;
        bool over;
    } cases[] = {{16, 40, true}, {169, 193, true}, {170, 100, false}, {15, 100, false}, {100, 194, false}};
    for (const auto& c : cases)
        EXPECT_EQ(r.HitTest(c.x, c.y), c.over) << c.x << "," << c.y;
    EXPECT_FALSE(r.IsMouseOver());

    // at the screen's left edge a cursor a little outside still counts
    r.CentreOn(0, 0);
    EXPECT_FLOAT_EQ(r.GetScreenX(), 0.0f);
    EXPECT_FLOAT_EQ(r.GetScreenY(), 0.0f);
    EXPECT_TRUE(r.HitTest(-10, 50));
    EXPECT_TRUE(r.HitTest(50, -50));
    EXPECT_FALSE(r.HitTest(-21, 50));

    r.CentreOn(500, 400);
    EXPECT_FLOAT_EQ(r.GetScreenX(), 500.0f - 76.8f);
    const auto& o = r.GetOutline();
    ASSERT_EQ(o.size(), 64u);
    for (const auto& p : o)
        EXPECT_NEAR(std::hypot(p.x - 500.0f, p.y - 400.0f), 76.8f, 0.05f);
    r.SetRound(false);
    EXPECT_FALSE(r.IsRound());
}

TEST(Radar, MapToWorld)
{
    // 8 x 8 map of cells 100, heights 10 * column
    std::vector<CVec3> v(64);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            v[i * 8 + j] = CVec3(float(j - 4) * 100.0f, float(i - 4) * 100.0f, 10.0f * j);
    CGLRadar r;
    r.Attach(8, 8, 24, nullptr, v.data(), 100.0f);
    r.SetLayout(false, true, 128.0f, 128.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    // unlocked: offsets from the minimap's centre scaled by cell * zoom * 0.2
    CVec3 p = r.MapToWorldPoint(CVec3(0.0f, 0.0f, 500.0f), 24.0f, 64 + 5, 64 - 10);
    EXPECT_FLOAT_EQ(p.x, 100.0f);
    EXPECT_FLOAT_EQ(p.y, 200.0f);
    EXPECT_FLOAT_EQ(p.z, 500.0f);
    // clamped onto the map; lifted above the ground there
    p = r.MapToWorldPoint(CVec3(0.0f, 0.0f, 5.0f), 24.0f, 1000, 64);
    EXPECT_FLOAT_EQ(p.x, 300.0f);
    EXPECT_FLOAT_EQ(p.z, 24.0f + 70.0f);
    // locked: the whole map spans the minimap (screen down is world -y)
    r.SetLocked(true);
    p = r.MapToWorldPoint(CVec3(0.0f, 0.0f, 500.0f), 24.0f, 32, 32);
    EXPECT_FLOAT_EQ(p.x, -200.0f);
    EXPECT_FLOAT_EQ(p.y, 200.0f);
    // a camera far above stays at most one map width high
    p = r.MapToWorldPoint(CVec3(0.0f, 0.0f, -5000.0f), 24.0f, 64, 64);
    EXPECT_FLOAT_EQ(p.z, 800.0f);
}

TEST(Radar, PictureBytesFromColours)
{
    const CVec3 colours[4] = {CVec3(1.0f, 0.5f, 0.0f), CVec3(0.0f, 0.0f, 1.0f), CVec3(-0.5f, 2.0f, NAN),
                              CVec3(0.999f, 0.1f, 0.2f)};
    uint8_t px[12];
    CGLRadar::BuildPicture(px, 2, 2, colours);
    const uint8_t want[12] = {255, 127, 0, 0, 0, 255, 0, 255, 0, 254, 25, 51};
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(px[k], want[k]) << k;
}

TEST_F(RadarFiles, UnreadableFileIsLoggedAndLeftAloneUnlessChanged)
{
    fs::create_directories(m_dir + "/Radar");
    struct Case {
        const char* name;
        void (*make)(const std::string& path);
        bool (*same)(const std::string& path);
    } cases[] = {
        {"fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
         [](const std::string& p) { return fs::is_fifo(p); }},
        {"folder", [](const std::string& p) { fs::create_directory(p); },
         [](const std::string& p) { return fs::is_directory(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_path);
        c.make(m_path);
        LogCapture log;
        CGLRadar r;
        r.SetSettingsPath(m_path);
        r.LoadSettings(); // a FIFO without a writer would block a plain open
        EXPECT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(log.Contains(m_path));
        r.SaveSettings();
        EXPECT_TRUE(c.same(m_path)) << "unchanged settings leave the file alone";
        CGLRadarSettings s = r.GetSettings();
        s.zoom = 8.0f;
        r.SetSettings(s);
        // changed settings are not saved over what is no file: the save is refused
        log.Clear();
        r.SaveSettings();
        EXPECT_TRUE(c.same(m_path)) << "what is no file is never replaced";
        EXPECT_TRUE(log.Contains("not written: " + m_path));
    }
}
