#include "app/scene/GLscene.h"
#include "engine/gl/GLcontext.h"
#include "foundation/core/FrameTimer.h"
#include "foundation/core/InputState.h"
#include "foundation/image/Dib.h"
#include "foundation/math/Tables.h"
#include "gl_fixture.h"
#include "platform/Clock.h"
#include "temp_data_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kW = 640, kH = 400;

bool IsStatusBar(QRgb c) { return std::abs(qRed(c) - 77) < 30 && std::abs(qGreen(c) - 115) < 30 && qBlue(c) > 150; }
bool IsBlack(QRgb c) { return qRed(c) < 8 && qGreen(c) < 8 && qBlue(c) < 8; }
bool IsEditRed(QRgb c) { return qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) < 100; }

// Counts matching pixels in a band of rows (top row 0).
int CountInRows(const QImage& img, int y0, int y1, bool (*match)(QRgb))
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < img.width(); ++x)
            n += match(img.pixel(x, y)) ? 1 : 0;
    return n;
}

// A scene in its own working folder (shaders and ground textures linked in), with
// the input controller back at rest afterwards.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitTrigTables();
        ASSERT_TRUE(gl.Init(kW, kH));
        ResetInput();
    }
    void TearDown() override { ResetInput(); }
    static void ResetInput()
    {
        g_InputState.SetEditMode(false);
        g_InputState.SetButton(CInputState::kButtonNone);
        g_InputState.SetModifier(0);
        g_InputState.SetKey(0);
        g_InputState.SetForward(0);
        g_InputState.SetStrafe(0);
        g_InputState.SetOverlayHit(false);
    }
    std::unique_ptr<CGLscene> Start()
    {
        auto scene = std::make_unique<CGLscene>();
        scene->Resize(kW, kH);
        EXPECT_TRUE(scene->Create());
        scene->SetFrameRate(1000000); // no gate between the test's frames
        return scene;
    }
    // A frame 11 ms after the last, so the radar and the editing feed run.
    void Frame(CGLscene& scene)
    {
        m_now += 11;
        scene.RenderFrame(m_now);
    }

    GLTestContext gl;
    unsigned m_now = platform::TickCount();
};

TEST_F(SceneTest, DrawsTerrainAndStatusAndSavesPosesSetsAndRadarWhenFreed)
{
    TempDataFolder folder({"Shader", "Map"});
    fs::create_directories("User");
    fs::copy(fs::path(QM_DATA_DIR) / "User" / "Demo", "User/Demo");
    auto scene = Start();
    ASSERT_TRUE(scene->IsCreated());
    EXPECT_GT(scene->GetTerrainChunkCount(), 0);
    EXPECT_EQ(scene->GetTrackSets().GetCount(), 1);

    Frame(*scene);
    ASSERT_EQ(scene->GetFramesDrawn(), 1);
    const QImage img = gl.Grab();
    EXPECT_GT(CountInRows(img, 12, 38, IsStatusBar), kW * 10); // the bar behind the text
    EXPECT_LT(CountPixels(img, IsBlack), kW * kH / 2);        // terrain under the camera
    const std::string status = scene->GetStatusText();
    EXPECT_EQ(status.rfind("FPS [", 0), 0u) << status;
    char trk[64];
    std::snprintf(trk, sizeof(trk), "TRK(%4d/", scene->GetTrackSets().GetHostsLoaded());
    EXPECT_NE(status.find(trk), std::string::npos) << status;
    EXPECT_NE(status.find("  SPEED("), std::string::npos) << status;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    scene->Free();
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(fs::exists("Camera/Cam" + std::to_string(i) + ".pos")) << i;
    EXPECT_TRUE(fs::exists("Radar/Radar.set"));
    EXPECT_TRUE(fs::exists("User/Demo/hostlist.bin"));
    EXPECT_FALSE(fs::exists("User/Main")); // the Demo set is the edited one
    scene->Free();                         // twice is harmless
}

TEST_F(SceneTest, FreeWithoutCreateWritesNothing)
{
    WorkFolder folder;
    CGLscene scene;
    scene.Free();
    EXPECT_FALSE(fs::exists("Camera"));
    EXPECT_FALSE(fs::exists("Radar"));
    EXPECT_FALSE(fs::exists("User"));
}

TEST_F(SceneTest, ViewsSwitchTheTrackCameraRidesAndF1CopiesOnlyFromTheFirstThree)
{
    TempDataFolder folder({"Shader", "Map"});
    fs::create_directories("User");
    fs::copy(fs::path(QM_DATA_DIR) / "User" / "Demo", "User/Demo");
    auto scene = Start();
    Frame(*scene);
    EXPECT_EQ(scene->GetCurrentView().GetIndex(), 0);

    scene->SelectView(1);
    ASSERT_EQ(scene->GetCurrentView().GetIndex(), 1);
    const CVec3 before = *scene->GetView(1).GetPosition();
    for (int i = 0; i < 10; ++i) {
        platform::SleepMs(5);
        Frame(*scene);
    }
    const CVec3 ridden = *scene->GetView(1).GetPosition();
    EXPECT_GT((ridden - before).Length(), 1.0f); // moved along the track, not by input

    for (int bad : {10, -1, 1000})
        scene->SelectView(bad);
    EXPECT_EQ(scene->GetCurrentView().GetIndex(), 1);
    EXPECT_EQ(&scene->GetView(42), &scene->GetCurrentView());

    scene->CopyPoseToView0();
    EXPECT_EQ(*scene->GetView(0).GetPosition(), ridden);
    EXPECT_EQ(*scene->GetView(0).GetRotation(), *scene->GetView(1).GetRotation());

    scene->SelectView(5);
    scene->GetView(5).SetPosition(CVec3(1, 2, 3000));
    scene->CopyPoseToView0();
    EXPECT_EQ(*scene->GetView(0).GetPosition(), ridden);
    scene->Free();
}

// The frame clock in milliseconds while a test drives it.
int64_t g_sceneClockMs = 1000000;
int64_t SceneClock() { return g_sceneClockMs; }
struct DrivenClock {
    DrivenClock() { CFrameTimer::SetCounterSource(&SceneClock, 1000); }
    ~DrivenClock() { CFrameTimer::SetCounterSource(nullptr, 0); }
};

// The track view left for a minute and made current again: the camera rides on
// from where it was by each frame's time, without a jump for the time away.
TEST_F(SceneTest, TheTrackCameraRidesOnAfterAPauseWithoutAJump)
{
    TempDataFolder folder({"Shader", "Map"});
    fs::create_directories("User");
    fs::copy(fs::path(QM_DATA_DIR) / "User" / "Demo", "User/Demo");
    DrivenClock clock;
    auto scene = Start();
    // how far along its host the track camera is
    const CSplineCamFollow& cam = scene->GetTrackCamera();
    auto along = [&] {
        float s = cam.GetDistance();
        for (int i = 0; i < cam.GetSegmentIndex(); ++i)
            s += cam.GetSegments().lengths[size_t(i)];
        return s;
    };
    auto frame = [&](int ms) {
        g_sceneClockMs += ms;
        const float before = along();
        Frame(*scene);
        return along() - before;
    };
    scene->SelectView(1);
    for (int i = 0; i < 3; ++i)
        frame(20);
    EXPECT_NEAR(frame(20), 50.0f, 0.01f); // 2.5 units per millisecond

    scene->SelectView(0);
    frame(20);
    g_sceneClockMs += 60000;
    frame(20);
    scene->SelectView(1);
    float ridden = 0.0f;
    for (int i = 0; i < 5; ++i) {
        const float step = frame(20);
        EXPECT_GE(step, 0.0f) << "frame " << i << " after the pause";
        EXPECT_LE(step, 50.01f) << "frame " << i << " after the pause";
        ridden += step;
    }
    EXPECT_NEAR(ridden, 200.0f, 0.05f); // the frame time of the pause left out
    EXPECT_EQ(cam.GetHostIndex(), 0);
    scene->Free();
}

// The generated models loaded as a script loads them: the fifth (id 4) runs
// along the tracks, view 1 rides 150 above the track and view 2 chases the model.
TEST_F(SceneTest, ModelFourRunsTheTracksWithTrackAndChaseCameras)
{
    TempDataFolder folder({"Shader", "Map", "Models"});
    fs::create_directories("User");
    fs::copy(fs::path(QM_DATA_DIR) / "User" / "Demo", "User/Demo");
    auto scene = Start();
    for (const char* file : {"Station", "Tree", "BigTree", "GoodsWagon", "Locomotive"})
        ASSERT_GT(scene->Load3DS(std::string("Models\\") + file + ".3ds", CVec3(0, -900, 0), 1.0f, false, true), 0)
            << file << ": the generated models are missing";
    CGLmeshObj* model = scene->GetModels().Find(4);
    ASSERT_NE(model, nullptr);
    auto frames = [&](int n) {
        for (int i = 0; i < n; ++i) {
            platform::SleepMs(16);
            Frame(*scene);
        }
    };
    frames(5);
    const CVec3 start = *model->GetPosition();
    frames(10);
    EXPECT_GT(model->GetPosition()->Distance(start), 50.0f); // running

    scene->SelectView(1);
    frames(10);
    const float trackZ = scene->GetTrackSets().GetSet(0).m_Hosts[0].dots[0].z;
    EXPECT_NEAR(scene->GetCurrentView().GetPosition()->z, trackZ + 150.0f, 0.5f);

    scene->SelectView(2);
    frames(10);
    for (int i = 0; i < 5; ++i) {
        const CVec3 before = *scene->GetCurrentView().GetPosition();
        frames(1);
        const float d = scene->GetCurrentView().GetPosition()->Distance(*model->GetPosition());
        EXPECT_GE(d, 2499.0f);
        EXPECT_LE(d, 10001.0f);
        EXPECT_GT(scene->GetCurrentView().GetPosition()->Distance(before), 0.0f); // moves with the model
    }
    EXPECT_GT(scene->GetMeshesDrawn(), 0);

    // cleared and loaded again: the fifth model loaded is the one that runs
    scene->Clear3DS();
    EXPECT_EQ(scene->GetModels().GetCount(), 0);
    for (const char* file : {"Tree", "Tree", "Tree", "Tree", "TankWagon"})
        scene->Load3DS(std::string("Models\\") + file + ".3ds", CVec3(0, -900, 0), 1.0f, false, false);
    CGLmeshObj* fifth = scene->GetModels().Find(4);
    ASSERT_NE(fifth, nullptr);
    const CVec3 fifthStart = *fifth->GetPosition();
    frames(10);
    EXPECT_GT(fifth->GetPosition()->Distance(fifthStart), 50.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    scene->Free();
}

// The scene's own scripts: the size from Options.lua, models loaded by Trains.lua,
// whose "OnObj" clears and loads models in the middle of the model pass.
TEST_F(SceneTest, ScriptsSizeTheTerrainAndMayClearAndLoadModelsFromOnObj)
{
    TempDataFolder folder({"Shader", "Map", "Models"});
    fs::create_directories("Lua");
    std::ofstream("Lua/Options.lua") << "gSceneSz = 1100\ngBoundBox = 0\n";
    std::ofstream("Lua/Tracks.lua") << "frames = 0\nfunction OnImage(a, b, i) frames = frames + 1 end\n";
    std::ofstream("Lua/Trains.lua") << R"(
Clear3DS()
for i = 1, 6 do Load3DS("Models\\Tree.3ds", i * 300, 2000, 0, 1, 0, 1) end
calls = 0
function OnObj(id, px, py, pz, rx, ry, rz)
  calls = calls + 1
  if calls == 2 then
    Clear3DS()
    for i = 1, 5 do Load3DS("Models\\Tree.3ds", i * 300, 2500, 0, 1, 0, 1) end
  end
end
)";
    auto scene = Start();
    ASSERT_TRUE(scene->IsCreated());
    EXPECT_EQ(scene->GetWidth(), 1100);
    EXPECT_EQ(scene->GetModels().GetCount(), 6);
    for (int i = 0; i < 4; ++i)
        Frame(*scene);
    EXPECT_EQ(scene->GetModels().GetCount(), 5);
    EXPECT_EQ(scene->GetModels().Get(4).GetId(), 4);
    EXPECT_EQ(scene->GetScript(1).GetGlobalNumber("calls"), 2.0 + 3 * 5); // stopped after the clear
    EXPECT_EQ(scene->GetScript(0).GetGlobalNumber("frames"), 4.0);
    EXPECT_TRUE(scene->GetScript(1).HasRun());

    // a changed script runs again at the next poll
    std::ofstream("Lua/Tracks.lua") << "frames = 100\nfunction OnImage(a, b, i) frames = frames + 1 end\n-- changed\n";
    fs::last_write_time("Lua/Tracks.lua", fs::last_write_time("Lua/Tracks.lua") + std::chrono::seconds(2));
    scene->PollScripts();
    Frame(*scene);
    EXPECT_EQ(scene->GetScript(0).GetGlobalNumber("frames"), 101.0);
    scene->Free();
    EXPECT_EQ(scene->GetScript(0).GetState(), nullptr); // closed
}

TEST_F(SceneTest, WireframeDrawsTheWorldInLinesAndTheStatusBarFilled)
{
    TempDataFolder folder({"Shader", "Map"});
    auto scene = Start();
    Frame(*scene);
    const QImage filled = gl.Grab();
    scene->SetWireframe(true);
    Frame(*scene);
    const QImage lines = gl.Grab();
    EXPECT_GT(CountPixels(lines, IsBlack), CountPixels(filled, IsBlack) + kW * kH / 20);
    EXPECT_GT(CountInRows(lines, 12, 38, IsStatusBar), CountInRows(filled, 12, 38, IsStatusBar) * 9 / 10);

    // no track set to ride: view 1 flies like a free camera
    scene->SelectView(1);
    const CVec3 start = *scene->GetCurrentView().GetPosition();
    g_InputState.SetForward(1);
    for (int i = 0; i < 10; ++i) {
        platform::SleepMs(10);
        Frame(*scene);
    }
    g_InputState.SetForward(0);
    EXPECT_GT((*scene->GetCurrentView().GetPosition() - start).Length(), 1.0f);
    scene->Free();
}

TEST_F(SceneTest, AStrokeLaidInEditModeIsSavedAsMainAndFoundAfterARestart)
{
    TempDataFolder folder({"Shader", "Map"});
    {
        auto scene = Start();
        ASSERT_EQ(scene->GetTrackSets().GetCount(), 0);
        CGLcamera& view = scene->GetView(0);
        view.SetPosition(CVec3(0.0f, 0.0f, scene->GetHeightAt(CVec3()) + 6000.0f));
        view.SetRotation(CVec3(0.0f, 0.0f, 0.0f)); // straight down
        Frame(*scene);

        g_InputState.SetEditMode(true);
        g_InputState.SetMousePos(250, 250);
        Frame(*scene);
        EXPECT_GT(CountInRows(gl.Grab(), kH - 4, kH, IsEditRed), kW / 2); // the edit-mode frame
        g_InputState.SetButton(CInputState::kButtonLeftDown);
        Frame(*scene);
        for (int x = 260; x <= 480; x += 10) {
            g_InputState.SetMousePos(x, 250);
            Frame(*scene);
        }
        g_InputState.SetButton(CInputState::kButtonNone);
        Frame(*scene);
        g_InputState.SetMousePos(480, 300);
        Frame(*scene);
        CSplineDot& edited = scene->GetTrackSets().GetEdited();
        ASSERT_EQ(edited.GetHostCount(), 1);
        EXPECT_GE(edited.m_Hosts[0].dots.size(), 5u);
        g_InputState.SetEditMode(false);
        Frame(*scene);
        EXPECT_GT(scene->GetHostsDrawn(), 0); // the default set is drawn
        EXPECT_EQ(scene->GetTrackSets().GetRideCount(), 1);
        scene->Free();
    }
    ASSERT_TRUE(fs::exists("User/Main/hostlist.bin"));
    g_InputState.SetEditMode(false);
    auto again = Start();
    EXPECT_EQ(again->GetTrackSets().GetCount(), 1);
    EXPECT_EQ(again->GetTrackSets().GetHostsLoaded(), 1);
    again->Free();
}

TEST_F(SceneTest, SplashIsCentredAndAMissingOneLeavesTheViewBlack)
{
    WorkFolder folder;
    fs::create_directories("Map");
    CDib picture;
    ASSERT_TRUE(picture.Create(200, 100, 24));
    uint8_t* px = picture.GetBits();
    for (int i = 0; i < 200 * 100; ++i) {
        px[i * 3 + 0] = 40;  // blue
        px[i * 3 + 1] = 200; // green
        px[i * 3 + 2] = 240; // red
    }
    ASSERT_TRUE(picture.Save("Map/Splash.bmp", nullptr));

    CGLcontext defaults;
    defaults.ResetState(); // the program's default state
    CGLscene scene;
    scene.Resize(kW, kH);
    scene.DrawSplash();
    QImage img = gl.Grab();
    const QRgb centre = img.pixel(kW / 2, kH / 2);
    EXPECT_NEAR(qRed(centre), 240, 3);
    EXPECT_NEAR(qGreen(centre), 200, 3);
    EXPECT_NEAR(qBlue(centre), 40, 3);
    // 80 % of the width (512 x 256), centred: black outside
    EXPECT_TRUE(IsBlack(img.pixel(kW / 2, 10)));
    EXPECT_TRUE(IsBlack(img.pixel(40, kH / 2)));
    EXPECT_FALSE(IsBlack(img.pixel(70, kH / 2)));

    fs::remove("Map/Splash.bmp");
    scene.DrawSplash();
    EXPECT_EQ(CountPixels(gl.Grab(), IsBlack), kW * kH);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
