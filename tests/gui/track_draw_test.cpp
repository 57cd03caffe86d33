#include "engine/gl/GLcamera.h"
#include "engine/gl/GLfont.h"
#include "engine/models/GLlight.h"
#include "foundation/math/Tables.h"
#include "gl_fixture.h"
#include "log_capture.h"
#include "platform/Clock.h"
#include "tracks/SplineDot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr int kW = 320, kH = 240;

// A track set file of the given hosts (dots, closed).
std::vector<uint8_t> TrackBytes(const std::vector<std::pair<std::vector<CVec3>, uint8_t>>& hosts)
{
    std::vector<uint8_t> b;
    auto u64 = [&b](uint64_t v) {
        for (int i = 0; i < 8; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    u64(hosts.size());
    for (const auto& [dots, closed] : hosts) {
        u64(dots.size());
        for (const CVec3& d : dots) {
            const size_t at = b.size();
            b.resize(at + 12);
            std::memcpy(&b[at], &d, 12);
        }
        b.push_back(closed);
        b.push_back(0);
    }
    return b;
}

// The lit track: greys of the bed and rails, browns of the sleepers, on black.
bool IsTrack(QRgb c)
{
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    return r > 25 && r >= g && g >= b && r - b < 60 && !(r > 200 && g > 200);
}
bool IsYellow(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80; }
bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
bool IsBlue(QRgb c) { return qRed(c) < 100 && qGreen(c) > 120 && qGreen(c) < 190 && qBlue(c) > 200; }

class TrackDrawGL : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitTrigTables();
        ASSERT_TRUE(m_GL.Init(kW, kH));
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        ASSERT_TRUE(m_Font.Create("Arial", 700, 14, false, false));
        // Looking along +y and down at the track lying along x.
        m_View.Setup(0, 24.0f, CVec3(0.0f, -900.0f, 1300.0f), CVec3(40.0f, 0.0f, 0.0f));
        m_View.SetClipPlanes(6.0f, 1600000.0f);
        m_View.SetViewport(kW, kH);
        const float sun[4] = {0.3f, -0.5f, 0.8f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, sun);
        glEnable(GL_LIGHT0);
    }
    void TearDown() override
    {
        glDisable(GL_LIGHT0);
        g_BoundBox = 0;
        m_Font.Delete();
    }
    void BeginFrame()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_View.SetProjectionMode();
        m_View.GetProjection().LoadToGL();
        m_View.SetModelViewMode();
        m_View.GetModelView().LoadIdentity();
        m_View.Update();
    }

    GLTestContext m_GL;
    CGLfont m_Font;
    CGLcamera m_View;
};

} // namespace

TEST_F(TrackDrawGL, NormalModeDrawsTheLitMeshAndLabels)
{
    CSplineDot set;
    const auto bytes = TrackBytes({{{CVec3(-700, 0, 75), CVec3(0, 40, 75), CVec3(700, 0, 75)}, 0},
                                   {{CVec3(-600, 2.0e6f, 75), CVec3(600, 2.0e6f, 75)}, 0}}); // far behind the far plane
    ASSERT_TRUE(set.LoadFromBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(set.GetHostCount(), 2);

    BeginFrame();
    EXPECT_EQ(set.Render(&m_View, &m_Font, false), 1); // the far host is culled
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const QImage plain = m_GL.Grab();
    const int track = CountPixels(plain, IsTrack);
    EXPECT_GT(track, 1500);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));

    // With the bounding-box switch on the label and its box add light pixels.
    g_BoundBox = 1;
    BeginFrame();
    EXPECT_EQ(set.Render(&m_View, &m_Font, false), 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const QImage labelled = m_GL.Grab();
    int changed = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            changed += plain.pixel(x, y) != labelled.pixel(x, y);
    EXPECT_GT(changed, 50);
}

TEST_F(TrackDrawGL, EditModeDrawsDotsAndCurvesAndKeepsCachesOnlyWhileEditing)
{
    CSplineDot set;
    const auto bytes = TrackBytes({{{CVec3(-700, 0, 75), CVec3(-200, 150, 75), CVec3(300, 0, 75), CVec3(700, 100, 75)}, 0},
                                   {{CVec3(-300, 600, 75), CVec3(300, 600, 75), CVec3(0, 1000, 75)}, 1}});
    ASSERT_TRUE(set.LoadFromBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(set.GetHostCount(), 2);
    set.m_Hosts[0].dots[1].z += 10.0f; // an edit: rebuilt on the next edit-mode frame
    set.m_Hosts[0].dirty = 1;

    LogCapture log;
    BeginFrame();
    EXPECT_EQ(set.Render(&m_View, &m_Font, true), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const QImage edit = m_GL.Grab();
    EXPECT_GT(CountPixels(edit, IsYellow), 150); // the host curves
    EXPECT_GT(CountPixels(edit, IsRed), 20);     // plain dots
    EXPECT_GT(CountPixels(edit, IsBlue), 5);     // bend dots
    EXPECT_EQ(set.m_Hosts[0].dirty, 0);
    EXPECT_TRUE(log.Contains(" CSplineDot::RenderSplineLines Stage(1) Spline::Generate Sz=31\r\n"));
    EXPECT_TRUE(log.Contains(" CSplineDot::RenderSplineLines Stage(2) Spline::Generate Sz=31\r\n"));
    EXPECT_EQ(set.m_Hosts[1].curveCache.size(), 31u); // closed: 1 + 10 x 3
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Cached: a second edit frame makes no curves.
    log.Clear();
    BeginFrame();
    set.Render(&m_View, &m_Font, true);
    EXPECT_TRUE(log.Lines().empty());

    // Leaving edit mode empties the caches; coming back fills them again.
    BeginFrame();
    set.Render(&m_View, &m_Font, false);
    EXPECT_TRUE(set.m_Hosts[0].curveCache.empty());
    EXPECT_TRUE(set.m_Hosts[1].curveCache.empty());
    BeginFrame();
    set.Render(&m_View, &m_Font, true);
    int stage2 = 0;
    for (const std::string& l : log.Lines())
        stage2 += l.find("Stage(2)") != std::string::npos;
    EXPECT_EQ(stage2, 2);
    EXPECT_FALSE(log.Contains("Stage(1)"));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TrackDrawGL, LiveStrokeAndFarCursor)
{
    CSplineDot set;
    set.m_LiveDots = {CVec3(-400, -200, 75), CVec3(-200, -200, 75), CVec3(0, -180, 75)};
    set.m_Cursor = CVec3(150, -150, 75);
    LogCapture log;
    BeginFrame();
    set.Render(&m_View, &m_Font, true);
    EXPECT_TRUE(log.Contains("CSplineDot::RenderLiveTrack Spline::Generate Sz=21\r\n"));
    EXPECT_EQ(set.m_LiveCurveCount, 3);
    const QImage near = m_GL.Grab();
    EXPECT_GT(CountPixels(near, IsYellow), 100); // live curve and the line to the cursor

    // The stroke's first dot more than 15000 away from the cursor: the track end
    // marker and its text appear; the same live dots make no new curve.
    log.Clear();
    set.m_Cursor = CVec3(16000, -150, 75);
    BeginFrame();
    set.Render(&m_View, &m_Font, true);
    EXPECT_FALSE(log.Contains("RenderLiveTrack"));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // The line to the far cursor turns red, with the marker and the end sign.
    EXPECT_GT(CountPixels(m_GL.Grab(), IsRed), CountPixels(near, IsRed) + 50);
}
