#include "app/scene/FrameGate.h"
#include "app/scene/SceneRules.h"
#include "app/scene/SceneTrackSets.h"
#include "working_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<char> Bytes(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A set with one host of four dots saved under "User".
void SaveSet(const std::string& name, float y)
{
    CSplineDot set;
    set.m_Name = name;
    TrackHost host;
    for (int i = 0; i < 4; ++i)
        host.dots.emplace_back(200.0f * float(i), y, 0.0f);
    set.m_Hosts.push_back(std::move(host));
    ASSERT_TRUE(set.SaveTrack());
}

TEST(SceneTrackSets, FiftyOneFoldersGiveFiftySetsAndOnlyThoseAreSaved)
{
    ScopedWorkingFolder folder;
    char name[16];
    for (int i = 0; i <= 50; ++i) {
        std::snprintf(name, sizeof(name), "Set%02d", i);
        SaveSet(name, float(i));
    }
    const fs::path last = "User/Set50/hostlist.bin";
    std::ofstream(last, std::ios::binary | std::ios::trunc) << "left alone";

    auto sets = std::make_unique<CSceneTrackSets>();
    EXPECT_EQ(sets->Load(), 50);
    EXPECT_EQ(sets->GetCount(), 50);
    EXPECT_EQ(sets->GetRideCount(), 50);
    EXPECT_EQ(sets->GetDrawCount(), 50);
    EXPECT_EQ(sets->GetHostsLoaded(), 50);
    EXPECT_EQ(sets->GetEdited().m_Name, "Set00");
    EXPECT_EQ(sets->GetSet(49).m_Name, "Set49");
    EXPECT_EQ(sets->Save(), 50);
    EXPECT_EQ(std::string(Bytes(last).data(), Bytes(last).size()), "left alone");
}

TEST(SceneTrackSets, WithoutSetsTheMainSetIsEditedAndKeptOnlyOnceItHasWork)
{
    ScopedWorkingFolder folder;
    auto sets = std::make_unique<CSceneTrackSets>();
    EXPECT_EQ(sets->Load(), 0);
    EXPECT_EQ(sets->GetEdited().m_Name, "Main");
    EXPECT_EQ(sets->GetDrawCount(), 1);  // drawn, so edits show
    EXPECT_EQ(sets->GetRideCount(), 0);  // nothing to ride yet
    EXPECT_EQ(sets->Save(), 0);
    EXPECT_FALSE(fs::exists("User/Main")); // no empty set made at every exit

    TrackHost host;
    host.dots = {CVec3(0, 0, 0), CVec3(300, 0, 0), CVec3(600, 0, 0)};
    sets->GetEdited().m_Hosts.push_back(std::move(host));
    EXPECT_EQ(sets->GetRideCount(), 1);
    EXPECT_EQ(sets->Save(), 1);

    auto again = std::make_unique<CSceneTrackSets>();
    EXPECT_EQ(again->Load(), 1);
    EXPECT_EQ(again->GetEdited().m_Name, "Main");
    ASSERT_EQ(again->GetEdited().GetHostCount(), 1);
    EXPECT_EQ(again->GetEdited().m_Hosts[0].dots.size(), 3u);
}

TEST(SceneTrackSets, ClearingAllOfMainStillSavesTheEmptySet)
{
    ScopedWorkingFolder folder;
    SaveSet("Main", 0.0f);
    auto sets = std::make_unique<CSceneTrackSets>();
    ASSERT_EQ(sets->Load(), 1);
    sets->GetEdited().ClearAll();
    EXPECT_EQ(sets->Save(), 1);
    auto again = std::make_unique<CSceneTrackSets>();
    again->Load();
    EXPECT_EQ(again->GetEdited().GetHostCount(), 0);
}

TEST(SceneTrackSets, ADamagedSetIsLeftByteForByteUnlessEdited)
{
    ScopedWorkingFolder folder;
    SaveSet("Good", 0.0f);
    fs::create_directories("User/Yard");
    const fs::path bad = "User/Yard/hostlist.bin";
    {
        std::ofstream f(bad, std::ios::binary);
        const char junk[] = {3, 0, 0, 0, 9, 9, 9, 9, 1};
        f.write(junk, sizeof(junk));
    }
    const std::vector<char> before = Bytes(bad);
    auto sets = std::make_unique<CSceneTrackSets>();
    ASSERT_EQ(sets->Load(), 2);
    sets->Save();
    EXPECT_EQ(Bytes(bad), before);
}

TEST(SceneRules, TerrainSizeIsClampedInDoubleFirst)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int size;
    } cases[] = {{500, 1024},  {10000, 8192}, {0, 1024},    {2048.9, 2048}, {1024, 1024}, {8192, 8192},
                 {-1e300, 1024}, {1e300, 8192}, {nan, 1024}, {inf, 8192},    {-inf, 1024}, {4e9, 8192}};
    for (const auto& c : cases)
        EXPECT_EQ(TerrainSizeFromScript(c.value), c.size) << c.value;
}

TEST(SceneRules, SplashFitsEightyPercentCentredOrIsSkipped)
{
    const struct {
        int W, H, w, h;
        double x, y, width, height;
    } cases[] = {
        {1000, 500, 100, 100, 300, 50, 400, 400},   // tall against the view: height-bound
        {1000, 1000, 400, 100, 100, 400, 800, 200}, // wide: width-bound
        {500, 1000, 100, 400, 150, 100, 200, 800},  // a > W / H, height-bound
        {1000, 500, 200, 100, 100, 50, 800, 400},   // same aspect
        {500, 1000, 100, 100, 50, 300, 400, 400},   // a > W / H, width-bound
    };
    for (const auto& c : cases) {
        SplashRect r;
        ASSERT_TRUE(FitSplash(c.W, c.H, c.w, c.h, r));
        EXPECT_DOUBLE_EQ(r.x, c.x);
        EXPECT_DOUBLE_EQ(r.y, c.y);
        EXPECT_DOUBLE_EQ(r.width, c.width);
        EXPECT_DOUBLE_EQ(r.height, c.height);
    }
    SplashRect r;
    EXPECT_FALSE(FitSplash(640, 480, 0, 0, r)); // a missing picture
    EXPECT_FALSE(FitSplash(0, 0, 100, 100, r));
}

TEST(FrameGate, FirstFrameAtOnceSixtyPerSecondAndInvalidRatesKeepTheInterval)
{
    CFrameGate gate;
    EXPECT_DOUBLE_EQ(gate.GetInterval(), 1.0 / 60.0);
    EXPECT_TRUE(gate.Pass(0.001)); // whatever the clock's epoch
    EXPECT_FALSE(gate.Pass(0.010));
    EXPECT_TRUE(gate.Pass(0.001 + 1.0 / 60.0));
    for (int bad : {0, -5, std::numeric_limits<int>::min()}) {
        EXPECT_FALSE(gate.SetFrameRate(bad));
        EXPECT_DOUBLE_EQ(gate.GetInterval(), 1.0 / 60.0);
    }
    EXPECT_TRUE(gate.SetFrameRate(25));
    EXPECT_DOUBLE_EQ(gate.GetInterval(), 0.04);

    int frames = 0;
    CFrameGate sixty;
    for (int ms = 0; ms < 1000; ++ms)
        frames += sixty.Pass(100.0 + ms / 1000.0) ? 1 : 0;
    EXPECT_GE(frames, 59);
    EXPECT_LE(frames, 61);
}

} // namespace
