#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

std::string MakeTempDir()
{
    return NewTempFolder("platform");
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(Clock, MonotonicAndCounterAgree)
{
    uint64_t a = platform::NowMs();
    double s0 = platform::CounterSeconds();
    platform::SleepMs(20);
    uint64_t b = platform::NowMs();
    double s1 = platform::CounterSeconds();
    EXPECT_GE(b - a, 19u);
    EXPECT_NEAR((s1 - s0) * 1000.0, double(b - a), 5.0);
    EXPECT_EQ(platform::PerfFrequency(), 1000000000);
}

TEST(Event, ManualAndAutoReset)
{
    platform::Event manual(true, false);
    EXPECT_FALSE(manual.Wait(0));
    manual.Set();
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0)) << "manual reset stays set";
    manual.Reset();
    EXPECT_FALSE(manual.Wait(10));

    platform::Event autoEv(false, true);
    EXPECT_TRUE(autoEv.Wait(0));
    EXPECT_FALSE(autoEv.Wait(0)) << "auto reset clears after one wait";
}

TEST(Event, WaitTimesOutAndWakesAcrossThreads)
{
    platform::Event ev(false, false);
    uint64_t t0 = platform::NowMs();
    EXPECT_FALSE(ev.Wait(30));
    EXPECT_GE(platform::NowMs() - t0, 29u);

    std::thread setter([&] { platform::SleepMs(20); ev.Set(); });
    EXPECT_TRUE(ev.Wait(5000));
    setter.join();
}

TEST(Event, PulseReleasesWaitersAndLeavesReset)
{
    platform::Event ev(true, false);
    std::atomic<int> released{0};
    std::thread a([&] { if (ev.Wait(5000)) ++released; });
    std::thread b([&] { if (ev.Wait(5000)) ++released; });
    platform::SleepMs(50);
    ev.Pulse();
    a.join();
    b.join();
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(ev.IsSet());
    ev.Pulse();  // nobody waiting: nothing stays signalled
    EXPECT_FALSE(ev.Wait(0));
}

TEST(Event, RegistryByName)
{
    auto a = platform::CreateNamedEvent("qm-test-1", false, false);
    auto b = platform::CreateNamedEvent("qm-test-1", true, true);
    EXPECT_EQ(a, b) << "same name, same event";
    EXPECT_EQ(platform::OpenNamedEvent("qm-test-1"), a);
    EXPECT_EQ(platform::OpenNamedEvent("qm-test-none"), nullptr);
    a.reset();
    b.reset();
    EXPECT_EQ(platform::OpenNamedEvent("qm-test-1"), nullptr) << "gone when nobody holds it";
}

TEST(Paths, ResolverAcceptsBothSeparatorsAndAnyCase)
{
    std::string dir = MakeTempDir();
    ASSERT_TRUE(platform::CreateDirectories(dir + "/Terrain"));
    ASSERT_TRUE(platform::CreateDirectories(dir + "/map"));
    Touch(dir + "/Terrain/Color.ter");
    Touch(dir + "/map/main-bg.bmp");

    struct Case { std::string in, out; };
    const Case cases[] = {
        {dir + "\\Terrain\\Color.ter", dir + "/Terrain/Color.ter"},
        {dir + "//Terrain//Color.ter", dir + "/Terrain/Color.ter"},
        {dir + "/TERRAIN/color.TER", dir + "/Terrain/Color.ter"},
        {dir + "/Map//Main-BG.bmp", dir + "/map/main-bg.bmp"},
        {dir + "\\Missing\\x.bin", dir + "/Missing/x.bin"},
        {"C:" + dir + "\\Terrain\\Color.ter", dir + "/Terrain/Color.ter"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::ResolvePath(c.in), c.out) << c.in;

    EXPECT_EQ(platform::FileNamePart("C:\\models\\loco.3ds"), "loco.3ds");
    EXPECT_EQ(platform::FileNamePart("Map//Splash.bmp"), "Splash.bmp");
    EXPECT_EQ(platform::FileNamePart("plain.bmp"), "plain.bmp");
}

TEST(Paths, ListingIsSortedAndAtomicWriteReplaces)
{
    std::string dir = MakeTempDir();
    for (const char* n : {"b.txt", "a.txt", "C.txt", "10.txt", "2.txt"})
        Touch(dir + "/" + n);
    platform::CreateDirectories(dir + "/sub");
    auto list = platform::ListDirectory(dir);
    std::vector<std::string> names;
    for (auto& e : list)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"10.txt", "2.txt", "C.txt", "a.txt", "b.txt", "sub"}));
    EXPECT_TRUE(list.back().isDirectory);

    std::string f = dir + "/out.bin";
    ASSERT_TRUE(platform::WriteFileAtomic(f, "hello", 5));
    ASSERT_TRUE(platform::WriteFileAtomic(f, "", 0));
    EXPECT_EQ(platform::FileSize(f), 0) << "empty write truncates";
    EXPECT_FALSE(platform::WriteFileAtomic(dir + "/nofolder/x.bin", "a", 1));
    EXPECT_GT(platform::FileModTime(f), 0);
    EXPECT_EQ(platform::FileModTime(dir + "/missing"), 0);
}

TEST(Profile, StringAndBinaryRoundTrip)
{
    std::string dir = MakeTempDir();
    platform::profile::UseFile(dir + "/profile.ini");
    EXPECT_EQ(platform::profile::GetString("Settings", "Open Track", "none"), "none");
    EXPECT_TRUE(platform::profile::WriteString("Settings", "Open Track", "/data/User/a b"));
    EXPECT_EQ(platform::profile::GetString("Settings", "Open Track"), "/data/User/a b");

    uint8_t place[44];
    for (int i = 0; i < 44; ++i)
        place[i] = uint8_t(i * 7);
    EXPECT_TRUE(platform::profile::WriteBinary("Ostravellum", "WinPos", place, sizeof(place)));
    std::vector<uint8_t> back;
    ASSERT_TRUE(platform::profile::GetBinary("Ostravellum", "WinPos", back));
    EXPECT_EQ(back, std::vector<uint8_t>(place, place + 44));
    EXPECT_FALSE(platform::profile::GetBinary("Ostravellum", "Missing", back));
    platform::profile::UseFile("");
}

} // namespace
