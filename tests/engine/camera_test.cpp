#include "engine/gl/GLcamera.h"
#include "foundation/core/FrameTimer.h"
#include "foundation/core/InputState.h"
#include "foundation/math/Tables.h"
#include "log_capture.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The frame clock, in milliseconds, driven by the tests.
int64_t g_clockMs = 1000000;
int64_t FakeCounter() { return g_clockMs; }

class CameraTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTrigTables(); }
    void SetUp() override { CFrameTimer::SetCounterSource(&FakeCounter, 1000); }
    void TearDown() override { CFrameTimer::SetCounterSource(nullptr, 0); }

    // One frame of the given length through Accelerate and Move.
    static void Frame(CGLcamera& cam, float forward, float sideways = 0.0f, double ms = 16.67)
    {
        cam.GetModelView().SetFrameTime(ms);
        cam.Accelerate(sideways, forward);
        const int mouse[2] = {0, 0};
        cam.Move(mouse, sideways, forward);
    }
};

TEST_F(CameraTest, ConstructedDefaults)
{
    CGLcamera cam;
    EXPECT_EQ(*cam.GetPosition(), CVec3(0.0f, 0.0f, 1000.0f));
    EXPECT_EQ(*cam.GetRotation(), CVec3(90.0f, 0.0f, 5.1f));
    EXPECT_EQ(cam.GetName(), "Cam");
    EXPECT_EQ(cam.GetRadius(), 1.0f);
    cam.Setup(3, 24.0f, CVec3(1.0f, 2.0f, 3.0f), CVec3(90.0f, 0.0f, 0.0f));
    EXPECT_EQ(cam.GetIndex(), 3);
    EXPECT_EQ(cam.GetCollisionCounter(), 10);
}

TEST_F(CameraTest, IdleCameraStaysAndItsRampShrinks)
{
    CGLcamera cam;
    cam.SetSpeedRamp(500.0);
    const CVec3 start = *cam.GetPosition();
    Frame(cam, 0.0f);
    EXPECT_EQ(*cam.GetPosition(), start);
    EXPECT_NEAR(cam.GetSpeedRamp(), 0.5, 1e-9);
    Frame(cam, 0.0f);
    EXPECT_NEAR(cam.GetSpeedRamp(), 0.0005, 1e-12);
}

TEST_F(CameraTest, HeldForwardReachesFullSpeedAfterOneSecondThenGlidesToAStop)
{
    CGLcamera cam; // heading 5.1, level
    cam.SetRotation(CVec3(90.0f, 0.0f, 0.0f));
    for (int i = 0; i < 61; ++i)
        Frame(cam, 1.0f);
    // Full axis, ramp past one second (g = t^1 = t): about 16.67 * g per frame along +y.
    const double t = cam.GetSpeedRamp() / 1000.0;
    ASSERT_GE(t, 1.0);
    EXPECT_NEAR(cam.GetStep().Length(), 16.67 * t, 0.05);
    EXPECT_NEAR(cam.GetStep().x, 0.0f, 1e-3f);
    EXPECT_GT(cam.GetStep().y, 0.0f);
    EXPECT_NEAR(cam.GetStep().z, 0.0f, 1e-3f);

    // Released: the camera glides, slower each frame, and then stops.
    float last = cam.GetStep().Length();
    int frames = 0;
    for (; frames < 200; ++frames) {
        const CVec3 before = *cam.GetPosition();
        Frame(cam, 0.0f);
        const float moved = cam.GetPosition()->Distance(before);
        if (moved == 0.0f)
            break;
        EXPECT_LT(moved, last);
        last = moved;
    }
    EXPECT_GT(frames, 3);
    EXPECT_LT(frames, 200);

    // Sideways moves along the heading's x axis (right of a camera looking along +y).
    CGLcamera side;
    side.SetRotation(CVec3(90.0f, 0.0f, 0.0f));
    const CVec3 s0 = *side.GetPosition();
    Frame(side, 0.0f, 1.0f);
    EXPECT_GT(side.GetPosition()->x, s0.x);
    EXPECT_EQ(side.GetPosition()->y, s0.y);
}

TEST_F(CameraTest, MouseTurnsAndPitchIsClamped)
{
    struct Case {
        float pitch;
        int dy;
        float expect;
    };
    const Case cases[] = {{90.0f, 0, 90.0f}, {10.0f, 1000, 0.0f}, {170.0f, -1000, 180.0f}, {NAN, 0, 0.0f}};
    for (const Case& c : cases) {
        CGLcamera cam;
        cam.SetRotation(CVec3(c.pitch, 0.0f, 0.0f));
        cam.GetModelView().SetFrameTime(15.0);
        const int mouse[2] = {10, c.dy};
        cam.Move(mouse, 0.0f, 0.0f);
        EXPECT_EQ(cam.GetRotation()->x, c.expect) << c.pitch << " " << c.dy;
        EXPECT_NEAR(cam.GetRotation()->z, -3.0f, 1e-5f); // 0.3 degree per count at 15 ms
    }
    // Pitch 0 looks straight down: forward goes down.
    CGLcamera down;
    down.SetRotation(CVec3(0.0f, 0.0f, 0.0f));
    Frame(down, 1.0f);
    EXPECT_LT(down.GetStep().z, 0.0f);
}

TEST_F(CameraTest, BoundsHoldThePosition)
{
    CGLcamera cam;
    cam.SetPosition(CVec3(2e6f, -2e6f, NAN));
    Frame(cam, 0.0f);
    EXPECT_EQ(*cam.GetPosition(), CVec3(1.5e6f, -1.5e6f, -1.5e6f));
    cam.SetBounds(CVec3(100.0f, 100.0f, 5000.0f), CVec3(-100.0f, -100.0f, 1000.0f));
    cam.SetPosition(CVec3(50.0f, -500.0f, 10.0f));
    Frame(cam, 0.0f);
    EXPECT_EQ(*cam.GetPosition(), CVec3(50.0f, -100.0f, 1000.0f));
}

TEST_F(CameraTest, CollisionPushesOutOfATriangle)
{
    // One triangle in the plane z = 0 around the origin, normal +z; the object at (100, 0, 0).
    const CVec3 vertices[3] = {CVec3(-10.0f, -10.0f, 0.0f), CVec3(10.0f, -10.0f, 0.0f), CVec3(0.0f, 10.0f, 0.0f)};
    const int faces[3] = {0, 1, 2};
    const CVec3 normals[1] = {CVec3(0.0f, 0.0f, 1.0f)};
    const CVec3 object(100.0f, 0.0f, 0.0f);
    ASSERT_GE(CTriangle::AngleSum(CTriangle(vertices[0], vertices[1], vertices[2]), CVec3(0.0f, 0.0f, 0.0f)),
              CGLcamera::kInsideAngleSum);

    struct Case {
        CVec3 position;
        float pushZ;
        int collisions;
    };
    const Case cases[] = {
        {CVec3(100.0f, 0.0f, 0.5f), 0.5f, 1},    // above, within the radius: out to the radius
        {CVec3(100.0f, 0.0f, -0.25f), -0.75f, 1}, // below: pushed further down
        {CVec3(100.0f, 0.0f, 0.0f), -1.0f, 1},    // exactly on the plane: -radius
        {CVec3(100.0f, 0.0f, 1.5f), 0.0f, 0},     // out of reach
        {CVec3(130.0f, 0.0f, 0.5f), 0.0f, 0},     // foot point outside the triangle
    };
    for (const Case& c : cases) {
        CGLcamera cam;
        cam.SetPosition(c.position);
        EXPECT_EQ(cam.Collide(object, nullptr, faces, vertices, normals, 1), c.collisions);
        EXPECT_NEAR(cam.GetPush().z, c.pushZ, 1e-5f);
    }

    // The next move applies the push, halves the counter and clears the push.
    CGLcamera cam;
    cam.SetPosition(CVec3(100.0f, 0.0f, 0.5f));
    cam.Collide(object, nullptr, faces, vertices, normals, 1);
    cam.Collide(object, nullptr, faces, vertices, normals, 1);
    EXPECT_EQ(cam.GetCollisionCounter(), 2);
    Frame(cam, 0.0f);
    EXPECT_NEAR(cam.GetPosition()->z, 1.5f, 1e-5f);
    EXPECT_EQ(cam.GetCollisionCounter(), 1);
    EXPECT_EQ(cam.GetPush(), CVec3());
    // A colliding camera does not gather speed.
    cam.AddPush(CVec3(0.0f, 0.0f, 1.0f));
    cam.SetSpeedRamp(0.0);
    Frame(cam, 1.0f);
    EXPECT_EQ(cam.GetSpeedRamp(), 0.0);
}

TEST_F(CameraTest, SpeedSurvivesAZeroFrameTime)
{
    CGLcamera cam;
    g_clockMs += 20;
    cam.Update();
    cam.SetPosition(CVec3(0.0f, 100.0f, 1000.0f));
    cam.Update(); // same clock reading: 0 ms
    EXPECT_TRUE(std::isfinite(cam.GetSpeed()));
    g_clockMs += 100;
    cam.Update();
    EXPECT_NEAR(cam.GetRawSpeed(), 1000.0f, 1e-2f); // 100 units in 100 ms
    EXPECT_TRUE(std::isfinite(cam.GetSpeed()));
    EXPECT_GT(cam.GetSpeed(), 0.0f);
}

TEST_F(CameraTest, UpdateFromInputFliesWithTheKeysAndBuildsTheViewMatrix)
{
    CGLcamera cam;
    cam.Setup(0, 24.0f, CVec3(0.0f, 0.0f, 1000.0f), CVec3(90.0f, 0.0f, 0.0f));
    g_InputState.SetOverlayHit(false);
    g_InputState.SetForward(1);
    for (int i = 0; i < 30; ++i) {
        g_clockMs += 16;
        cam.GetModelView().LoadIdentity();
        cam.UpdateFromInput(false);
    }
    g_InputState.SetForward(0);
    EXPECT_GT(cam.GetPosition()->y, 10.0f);
    EXPECT_NEAR(cam.GetPosition()->x, 0.0f, 1e-3f);
    // The view matrix takes the camera to the eye origin, looking down -z.
    CVec3 eye;
    cam.GetModelView().TransformPoint(eye, *cam.GetPosition());
    EXPECT_NEAR(eye.Length(), 0.0f, 1e-2f);
    CVec3 ahead;
    cam.GetModelView().TransformPoint(ahead, *cam.GetPosition() + CVec3(0.0f, 100.0f, 0.0f));
    EXPECT_NEAR(ahead.z, -100.0f, 1e-2f);
}

class PoseFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = NewTempFolder("pose");
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        std::filesystem::create_directory("Camera");
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_oldCwd);
        std::filesystem::remove_all(m_dir);
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    std::filesystem::path m_dir, m_oldCwd;
};

TEST_F(PoseFileTest, RoundTripInTheCLocale)
{
    CGLcamera cam;
    cam.SetPosition(CVec3(1.5f, -2.25f, 300.125f));
    cam.SetRotation(CVec3(90.0f, 0.0f, -45.5f));
    ASSERT_TRUE(cam.SavePose(3));
    EXPECT_EQ(Read("Camera/Cam3.pos"), "1.500000,-2.250000,300.125000,90.000000,0.000000,-45.500000");

    CGLcamera other;
    ASSERT_TRUE(other.LoadPose(3));
    EXPECT_EQ(*other.GetPosition(), *cam.GetPosition());
    EXPECT_EQ(*other.GetRotation(), *cam.GetRotation());

    // A line as another writer may have left it: blanks and a sign.
    std::ofstream("Camera/Cam4.pos") << " 1.0, +2.0,3,4,5,6\n";
    ASSERT_TRUE(other.LoadPose(4));
    EXPECT_EQ(*other.GetPosition(), CVec3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(*other.GetRotation(), CVec3(4.0f, 5.0f, 6.0f));
}

TEST_F(PoseFileTest, SavingBelowGroundWritesThePoseThenLifts)
{
    CGLcamera cam;
    cam.Setup(1, 24.0f, CVec3(7.0f, 8.0f, -5.0f), CVec3(90.0f, 0.0f, 0.0f));
    ASSERT_TRUE(cam.SavePose(1));
    EXPECT_EQ(Read("Camera/Cam1.pos").substr(0, 30), "7.000000,8.000000,-5.000000,90");
    EXPECT_EQ(*cam.GetPosition(), CVec3(0.0f, 0.0f, 12.0f));
}

TEST_F(PoseFileTest, BadFilesLeaveThePoseWithADiagnostic)
{
    const std::string bad[] = {"",          "1,2,3",           "abc",          "1;2;3;4;5;6",
                               "1,2,3,4,5,nan", "1,2,3,4,5,inf", "1,2,,4,5,6", std::string(5000, '1'),
                               "1,2,3,4,5,6garbage", "1,2,3,4,5,6,7", "1,5,2,5,3,5,4,5,5,5,6,5"};
    for (const std::string& text : bad) {
        std::ofstream("Camera/Cam2.pos", std::ios::binary) << text;
        LogCapture log;
        CGLcamera cam;
        cam.SetPosition(CVec3(1.0f, 2.0f, 3.0f));
        EXPECT_FALSE(cam.LoadPose(2)) << text.substr(0, 20);
        EXPECT_EQ(*cam.GetPosition(), CVec3(1.0f, 2.0f, 3.0f));
        EXPECT_EQ(*cam.GetRotation(), CVec3(90.0f, 0.0f, 5.1f));
        EXPECT_TRUE(log.Contains("CGLcamera::LoadPose bad pose file")) << text.substr(0, 20);
        EXPECT_EQ(log.Lines().size(), 1u) << text.substr(0, 20);
    }
    // A missing file is no error worth a line.
    LogCapture log;
    CGLcamera cam;
    EXPECT_FALSE(cam.LoadPose(9));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(*cam.GetPosition(), CVec3(0.0f, 0.0f, 1000.0f));
}

// What is at a pose's name but is no file (a FIFO, a folder, a device, a link to
// one, a link loop) is named once when the pose is loaded, and the save on exit
// leaves it as it is.
TEST_F(PoseFileTest, WhatIsNotAFileIsNamedOnceAndNeverReplaced)
{
    namespace fs = std::filesystem;
    fs::create_directories("Camera");
    const std::string pose = "Camera/Cam2.pos";
    const std::function<bool()> makers[] = {
        [&] { return ::mkfifo(pose.c_str(), 0644) == 0; },
        [&] { return fs::create_directory(pose); },
        [&] { return ::mknod(pose.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },  // where allowed
        [&] { return ::mkfifo("Camera/fifo", 0644) == 0 && (fs::create_symlink("fifo", pose), true); },
        [&] { return fs::create_symlink("Cam2.pos", pose), true; },
    };
    for (size_t i = 0; i < std::size(makers); ++i) {
        fs::remove_all("Camera");
        fs::create_directories("Camera");
        if (!makers[i]())
            continue;
        struct stat before;
        ASSERT_EQ(::lstat(pose.c_str(), &before), 0);
        LogCapture log;
        CGLcamera cam;
        cam.SetPosition(CVec3(1.0f, 2.0f, 3.0f));
        EXPECT_FALSE(cam.LoadPose(2)) << i;
        EXPECT_EQ(*cam.GetPosition(), CVec3(1.0f, 2.0f, 3.0f));
        ASSERT_EQ(log.Lines().size(), 1u) << i;
        EXPECT_NE(log.Lines()[0].find("CGLcamera::LoadPose bad pose file " + pose), std::string::npos)
            << log.Lines()[0];

        EXPECT_FALSE(cam.SavePose(2)) << i;
        struct stat after;
        ASSERT_EQ(::lstat(pose.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << i;
        EXPECT_EQ(after.st_mode, before.st_mode) << i;
    }
}

TEST_F(PoseFileTest, SaveCreatesTheFolderAndAnUnwritableOneIsReported)
{
    std::filesystem::remove_all("Camera");
    {
        CGLcamera cam;
        cam.SetPosition(CVec3(1.0f, 2.0f, 3.0f));
        EXPECT_TRUE(cam.SavePose(4));
        CGLcamera back;
        EXPECT_TRUE(back.LoadPose(4));
        EXPECT_EQ(*back.GetPosition(), CVec3(1.0f, 2.0f, 3.0f));
    }
    // a file where the folder should be: nothing can be written
    std::filesystem::remove_all("Camera");
    std::ofstream("Camera") << "x";
    LogCapture log;
    CGLcamera cam;
    cam.SetPosition(CVec3(0.0f, 0.0f, -5.0f));
    EXPECT_FALSE(cam.SavePose(0));
    EXPECT_TRUE(log.Contains("CGLcamera::SavePose"));
    EXPECT_EQ(cam.GetPosition()->z, -5.0f);
    std::filesystem::remove("Camera");
}

} // namespace
