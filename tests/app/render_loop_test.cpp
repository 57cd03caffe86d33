#include "app/shell/RenderLoop.h"
#include "app/script/ScriptStop.h"
#include "app/shell/SettingsText.h"
#include "app/shell/ShellState.h"
#include "app/scene/FrameGate.h"
#include "app/shell/WindowInput.h"
#include "engine/models/GLlight.h"
#include "foundation/core/InputState.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

double g_now = 0.0;
double FakeNow() { return g_now; }

// One log of the calls the loop makes into scene and host, in order.
struct Calls {
    std::vector<std::string> list;
    void Add(std::string s) { list.push_back(std::move(s)); }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const auto& s : list)
            n += s.rfind(prefix, 0) == 0;
        return n;
    }
    // The calls that start with one of the prefixes, in order.
    std::vector<std::string> Only(std::initializer_list<const char*> prefixes) const
    {
        std::vector<std::string> out;
        for (const auto& s : list)
            for (const char* p : prefixes)
                if (s.rfind(p, 0) == 0)
                    out.push_back(s);
        return out;
    }
};

struct FakeScene final : IRenderScene {
    explicit FakeScene(Calls& c) : calls(c) {}
    Calls& calls;
    std::function<bool()> onCreate = [] { return true; };
    bool Create() override
    {
        calls.Add("Create");
        return onCreate();
    }
    void Resize(int w, int h) override { calls.Add("Resize " + std::to_string(w) + "x" + std::to_string(h)); }
    void SelectView(int i) override { calls.Add("SelectView " + std::to_string(i)); }
    void CopyPoseToView0() override { calls.Add("CopyPose"); }
    std::function<void()> onFrame;
    void RenderFrame(unsigned now) override
    {
        calls.Add("RenderFrame " + std::to_string(now));
        if (onFrame)
            onFrame();
    }
    void SetFrameRate(int fps) override { calls.Add("SetFrameRate " + std::to_string(fps)); }
    void SetWireframe(bool on) override { calls.Add(std::string("SetWireframe ") + (on ? "1" : "0")); }
    void SetSpeedFactor(float f) override { calls.Add("SetSpeedFactor " + std::to_string(f)); }
    void ToggleScriptEditors(bool top) override { calls.Add(std::string("ToggleEditors ") + (top ? "1" : "0")); }
    void PollScripts() override { calls.Add("PollScripts"); }
    void Free() override { calls.Add("Free"); }
};

struct FakeStore final : IItemStore {
    std::map<std::pair<std::string, std::string>, std::string> items;
    bool changed = true;
    std::string Lookup(const std::string& page, const std::string& name) override
    {
        auto it = items.find({page, name});
        return it == items.end() ? "" : it->second;
    }
    bool HasChanged() override { return changed; }
};

struct FakeHost final : IRenderHost {
    explicit FakeHost(Calls& c) : calls(c) {}
    Calls& calls;
    bool glOk = true;
    bool InitGL() override
    {
        calls.Add("InitGL");
        return glOk;
    }
    void ReleaseGL() override { calls.Add("ReleaseGL"); }
    void SetVSync(bool on) override { calls.Add(std::string("SetVSync ") + (on ? "1" : "0")); }
    void PostShowPanel() override { calls.Add("ShowPanel"); }
    void PostFullScreen(bool on) override { calls.Add(std::string("FullScreen ") + (on ? "1" : "0")); }
    void PostEndInputCapture() override { calls.Add("EndCapture"); }
    void ThreadEnded() override { calls.Add("ThreadEnded"); }
};

struct RenderLoop : ::testing::Test {
    RenderLoop() : input((g_now = 5000.0, &FakeNow)), scene(calls), host(calls)
    {
        state.clientWidth = 800;
        state.clientHeight = 600;
    }
    std::unique_ptr<CRenderLoop> Make(IItemStore* s)
    {
        return std::make_unique<CRenderLoop>(state, scene, s, host, input);
    }
    // Lets `ms` pass, then runs four passes (the clock is read on two of them).
    void RunFor(CRenderLoop& loop, double ms)
    {
        g_now += ms;
        for (int i = 0; i < 4; ++i)
            loop.Pass();
    }
    CInputState input;
    CShellState state;
    Calls calls;
    FakeScene scene;
    FakeHost host;
    FakeStore store;
};

} // namespace

TEST_F(RenderLoop, StartUpThenFirstPassAppliesTheSize)
{
    LogCapture log;
    auto loop = Make(&store);
    ASSERT_TRUE(loop->Start());
    EXPECT_EQ(calls.list, (std::vector<std::string>{"InitGL", "Resize 800x600", "Create", "ShowPanel"}));
    EXPECT_TRUE(log.Contains("Memory usement = "));
    EXPECT_TRUE(log.Contains(" GB Total load time = 0"));
    EXPECT_EQ(state.resizeCounter, 1);
    calls.list.clear();
    loop->Pass();
    // the initial view request is 0
    EXPECT_EQ(calls.Only({"SelectView", "Resize"}), (std::vector<std::string>{"SelectView 0", "Resize 800x600"}));
    EXPECT_EQ(state.resizeCounter, 0);
    EXPECT_EQ(state.viewRequest, -1);
}

TEST_F(RenderLoop, ViewKeySelectsOnceWithOneResize)
{
    auto loop = Make(&store);
    loop->Start();
    loop->Pass();
    calls.list.clear();
    shell::OnKeyDown(113, shell::HeldModifiers(), input, state);  // F2
    loop->Pass();
    loop->Pass();
    EXPECT_EQ(calls.Only({"SelectView", "Resize"}), (std::vector<std::string>{"SelectView 1", "Resize 800x600"}));
    EXPECT_EQ(state.resizeCounter, 0);

    calls.list.clear();
    shell::OnKeyDown(112, shell::HeldModifiers(), input, state);  // F1: the pose is copied before view 0 is selected
    loop->Pass();
    EXPECT_EQ(calls.Only({"CopyPose", "SelectView"}), (std::vector<std::string>{"CopyPose", "SelectView 0"}));
}

namespace {
// Counts the passes where F1's copy and its view 0 came apart: view 0 selected
// without the copy, or a copy no selection of view 0 followed.
struct PoseScene final : IRenderScene {
    bool copied = false;
    std::atomic<int> torn{0}, f1Served{0};
    bool Create() override { return true; }
    void Resize(int, int) override {}
    void SelectView(int index) override
    {
        if (index == 0) {
            torn += !copied;
            f1Served += copied;
        }
        copied = false;
    }
    void CopyPoseToView0() override
    {
        torn += copied;
        copied = true;
    }
    void RenderFrame(unsigned) override
    {
        torn += copied;
        copied = false;
    }
    void SetFrameRate(int) override {}
    void SetWireframe(bool) override {}
    void SetSpeedFactor(float) override {}
    void ToggleScriptEditors(bool) override {}
    void PollScripts() override {}
    void Free() override {}
};
} // namespace

TEST_F(RenderLoop, F1CopyAndViewReachTheRenderThreadTogether)
{
    PoseScene poses;
    CRenderLoop loop(state, poses, nullptr, host, input);
    ASSERT_TRUE(loop.Start());
    loop.Pass();  // the initial view 0
    poses.torn = 0;
    std::atomic<bool> stop{false};
    std::thread render([&] {
        while (!stop)
            loop.Pass();
    });
    // F1 and F3 as fast as the window could take them, while the loop runs
    CInputState keys(&FakeNow);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    while (std::chrono::steady_clock::now() < end && poses.torn == 0)
        for (int i = 0; i < 1000; ++i)
            shell::OnKeyDown(i % 2 ? 114 : 112, shell::HeldModifiers(), keys, state);
    stop = true;
    render.join();
    EXPECT_EQ(poses.torn, 0) << "passes that saw the copy and view 0 apart";
    EXPECT_GT(poses.f1Served, 0);
}

TEST_F(RenderLoop, ResizeDuringLoadIsAppliedOnTheFirstPass)
{
    scene.onCreate = [this] {
        state.clientWidth = 1024;  // the window was resized while the scene loaded
        state.resizeCounter = 2;
        return true;
    };
    auto loop = Make(&store);
    loop->Start();
    state.viewRequest = -1;
    calls.list.clear();
    loop->Pass();
    loop->Pass();
    EXPECT_EQ(calls.Only({"Resize"}), (std::vector<std::string>{"Resize 1024x600"}));
    EXPECT_EQ(state.resizesApplied, 1);
}

TEST_F(RenderLoop, SettingsAppliedOnceASecondInTableOrder)
{
    store.items = {{{"Options", "framerate"}, "30"}, {{"Options", "vsync"}, "1"}, {{"Tracks", "TrackOn"}, "0"},
                   {{"Options", "wireframe"}, "1"},  {{"Options", "fullscreen"}, "1"}, {{"Trains", "Speed"}, "50"}};
    auto loop = Make(&store);
    loop->Start();
    RunFor(*loop, 500);
    EXPECT_EQ(calls.Count("SetFrameRate"), 0);
    RunFor(*loop, 600);
    const std::vector<std::string> expected{"SetFrameRate 30", "SetVSync 1",     "SetWireframe 1",
                                            "FullScreen 1",    "SetSpeedFactor 0.500000", "PollScripts"};
    EXPECT_EQ(calls.Only({"Set", "FullScreen", "PollScripts"}), expected);
    EXPECT_TRUE(input.IsEditMode());
    EXPECT_TRUE(state.fullScreen);

    // the store keeps reporting its change: applied again a second later, but the
    // full-screen switch only when the value differs
    calls.list.clear();
    store.items[{"Options", "vsync"}] = "";  // missing vsync stays off
    store.items[{"Tracks", "TrackOn"}] = "1";
    store.items[{"Options", "framerate"}] = "500"; // above the slider's range: its maximum
    store.items.erase({"Trains", "Speed"});         // missing: the speed stays as it is
    RunFor(*loop, 1001);
    EXPECT_EQ(calls.Count("FullScreen"), 0);
    EXPECT_EQ(calls.Count("SetVSync 0"), 1);
    EXPECT_FALSE(input.IsEditMode());
    EXPECT_EQ(calls.Count("SetFrameRate 120"), 1);
    EXPECT_EQ(calls.Count("SetSpeedFactor"), 0);
    calls.list.clear();
    store.items[{"Options", "framerate"}] = "-5"; // below: its minimum, as the page shows it
    store.items[{"Trains", "Speed"}] = "350";
    RunFor(*loop, 1001);
    EXPECT_EQ(calls.Count("SetFrameRate 10"), 1);
    EXPECT_EQ(calls.Count("SetSpeedFactor 2.000000"), 1);

    // no change reported: nothing applied, scripts still polled
    calls.list.clear();
    store.changed = false;
    RunFor(*loop, 1001);
    EXPECT_EQ(calls.Only({"Set", "FullScreen", "PollScripts"}), (std::vector<std::string>{"PollScripts"}));
}

TEST_F(RenderLoop, WithoutAStoreNoSettingIsApplied)
{
    input.SetValueGetter([](const char* name) { return std::string(name) == "gBoundBox" ? 1e12 : 0.0; });
    g_BoundBox = 0;
    auto loop = Make(nullptr);
    loop->Start();
    RunFor(*loop, 3000);
    EXPECT_EQ(calls.Only({"Set", "FullScreen"}), std::vector<std::string>{});
    EXPECT_EQ(calls.Count("PollScripts"), 1);
    EXPECT_EQ(g_BoundBox, INT_MAX);
    input.SetValueGetter([](const char*) { return std::numeric_limits<double>::quiet_NaN(); });
    RunFor(*loop, 1001);
    EXPECT_EQ(g_BoundBox, 0);
    input.SetValueGetter(nullptr);
}

TEST(SettingsText, NumbersReadLikeAtolAndAtofButDefined)
{
    struct Case {
        const char* text;
        int asInt;
        double asDouble;
    };
    const Case cases[] = {
        {"", 0, 0.0},          {"abc", 0, 0.0},   {"  42fps", 42, 42.0},
        {"-5", -5, -5.0},      {"1e3", 1, 1000.0}, {"99999999999999999999", INT_MAX, 1e20},
        {"-99999999999", INT_MIN, -99999999999.0}, {"nan", 0, 0.0}, {"1e400", 1, 3.4028234663852886e38},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell::TextToInt(c.text), c.asInt) << c.text;
        EXPECT_DOUBLE_EQ(shell::TextToDouble(c.text), c.asDouble) << c.text;
    }
}

TEST_F(RenderLoop, EditorRequestServedOnce)
{
    auto loop = Make(&store);
    store.changed = false;
    loop->Start();
    state.fullScreen = true;
    shell::OnKeyDown(122, shell::HeldModifiers(), input, state);  // F11
    RunFor(*loop, 1001);
    RunFor(*loop, 1001);
    EXPECT_EQ(calls.Only({"ToggleEditors"}), (std::vector<std::string>{"ToggleEditors 1"}));
    EXPECT_FALSE(state.editorRequest);
}

TEST_F(RenderLoop, CaptureReleasedWhenInputIdleAndButtonUp)
{
    auto loop = Make(&store);
    store.changed = false;
    loop->Start();
    input.SetButton(CInputState::kButtonMiddleDown);
    input.SetCaptured(true);
    for (int i = 0; i < 10; ++i)
        RunFor(*loop, 101);
    EXPECT_EQ(calls.Count("EndCapture"), 0) << "a held middle button keeps the capture";
    EXPECT_TRUE(input.IsCaptured());

    input.SetButton(CInputState::kButtonNone);  // the middle button's raw release
    double idle = 0;
    while (calls.Count("EndCapture") == 0 && idle < 1000) {
        RunFor(*loop, 25);
        idle += 25;
    }
    // released at the first 100 ms poll after 250 ms of quiet
    EXPECT_GT(idle, 250);
    EXPECT_LE(idle, 375);
    EXPECT_EQ(calls.Count("EndCapture"), 1);
    EXPECT_FALSE(input.IsCaptured());
    RunFor(*loop, 500);
    EXPECT_EQ(calls.Count("EndCapture"), 1);

    // a held direction key keeps it too
    input.SetCaptured(true);
    input.SetForward(1);
    RunFor(*loop, 1000);
    EXPECT_EQ(calls.Count("EndCapture"), 1);
}

// One pass per step, each longer than the 100 ms poll: every clock reading looks at
// the capture, but the clock is read on the third and fourth pass of every four
// only. So the capture ends at the first of those past a quarter second of quiet:
// how many passes that takes depends on where in the four the button was let go,
// and it is never later than a quarter second plus three passes.
TEST_F(RenderLoop, SlowPassesEndTheCaptureAtTheFirstClockReadingPastAQuarterSecond)
{
    struct Case {
        double passMs;
        unsigned phase;  // PassCount() % 4 when the button is let go
        int passes;      // the pass that ends the capture, counted from the release
    };
    const Case cases[] = {
        {120, 0, 3}, {120, 1, 3}, {120, 2, 5}, {120, 3, 4},
        {200, 0, 3}, {200, 1, 2}, {200, 2, 2}, {200, 3, 4},
        {700, 0, 3}, {700, 1, 2}, {700, 2, 1}, {700, 3, 1},
    };
    store.changed = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.passMs << " ms a pass, released at phase " << c.phase);
        calls.list.clear();
        auto loop = Make(&store);
        loop->Start();
        auto pass = [&] {
            g_now += c.passMs;
            loop->Pass();
        };
        input.SetButton(CInputState::kButtonMiddleDown);
        input.SetCaptured(true);
        do
            pass();
        while (loop->PassCount() < 8 || loop->PassCount() % 4 != c.phase);
        ASSERT_EQ(calls.Count("EndCapture"), 0);

        input.SetButton(CInputState::kButtonNone);
        const double released = g_now;
        int passes = 0;
        while (calls.Count("EndCapture") == 0 && passes < 10) {
            pass();
            ++passes;
        }
        EXPECT_EQ(passes, c.passes);
        EXPECT_FALSE(input.IsCaptured());
        EXPECT_GT(g_now - released, CRenderLoop::kCaptureIdleMs);
        EXPECT_LE(g_now - released, CRenderLoop::kCaptureIdleMs + 3 * c.passMs);
    }
}

TEST_F(RenderLoop, EachPassStampsItsEndForTheWindow)
{
    auto loop = Make(&store);
    loop->Start();
    EXPECT_EQ(state.lastPassMs, g_now) << "the end of the loading";
    for (double ms : {7.0, 300.0, 1.0}) {
        g_now += ms;
        loop->Pass();
        EXPECT_EQ(state.lastPassMs, g_now);
    }
}

// The window's timer asks every 50 ms whether it must end a capture itself: a
// loop stopped in one script call or in the scene's loading lets go after a
// quarter second, a pass that is only slow keeps it up to two seconds.
TEST(RenderLoopStall, OnlyAStoppedLoopEndsTheCaptureSoonAHungPassLate)
{
    using Clock = std::chrono::steady_clock;
    auto sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    struct Case {
        const char* name;
        std::function<void()> create, frame;
        int watchMs;
        int minMs, maxMs;  // when the window lets go, from the start of the stop; -1: never
    };
    const Case cases[] = {
        {"drawing takes 400 ms a pass", nullptr, [&] { sleep(400); }, 1300, -1, -1},
        {"a script call of 700 ms", nullptr, [&] {
             ScriptCallScope call("Lua//Tracks.lua");
             sleep(700);
         }, 900, 250, 500},
        {"the scene loads for 700 ms", [&] { sleep(700); }, nullptr, 900, 250, 500},
        {"a pass hangs for 2.5 s", nullptr, [&] { sleep(2500); }, 2700, 2000, 2300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CInputState input;  // the real clock, as the window and the script calls use
        CShellState state;
        Calls calls;
        FakeScene scene(calls);
        FakeHost host(calls);
        std::atomic<bool> stopped{false};
        std::atomic<Clock::rep> stopStart{0};
        auto mark = [&] { stopStart = Clock::now().time_since_epoch().count(); };
        scene.onCreate = [&] {
            if (c.create) {
                mark();
                c.create();
            }
            return true;
        };
        int frames = 0;
        scene.onFrame = [&] {
            // slow drawing is slow from the first pass on; the others stop once, later
            const bool slow = c.name[0] == 'd' || ++frames == 3;
            if (!c.frame || !slow || stopped)
                return;
            if (stopStart == 0)
                mark();
            c.frame();
        };
        CRenderLoop loop(state, scene, nullptr, host, input);
        std::thread thread([&] { loop.Run(); });
        int endedAfter = -1;
        const auto begin = Clock::now();
        while (Clock::now() - begin < std::chrono::milliseconds(c.watchMs) && endedAfter < 0) {
            sleep(50);
            if (stopStart != 0 && loop.CaptureStalled(input.Now()))
                endedAfter = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     Clock::now() - Clock::time_point(Clock::duration(stopStart.load())))
                                     .count());
        }
        stopped = true;
        state.stopRequest = true;
        thread.join();
        if (c.minMs < 0) {
            EXPECT_EQ(endedAfter, -1);
        } else {
            EXPECT_GE(endedAfter, c.minMs);
            EXPECT_LE(endedAfter, c.maxMs);
        }
    }
}

TEST_F(RenderLoop, StopDuringCreateStillFreesAndSignals)
{
    std::promise<void> creating, release;
    auto released = release.get_future().share();
    scene.onCreate = [&] {
        creating.set_value();
        released.wait();
        return true;
    };
    auto loop = Make(&store);
    std::thread thread([&] { loop->Run(); });
    creating.get_future().wait();
    state.stopRequest = true;  // the window closes while the scene loads
    release.set_value();
    thread.join();
    EXPECT_EQ(calls.Count("RenderFrame"), 0);
    EXPECT_EQ(calls.Count("ShowPanel"), 0);
    EXPECT_EQ(calls.Only({"Free", "ReleaseGL", "ThreadEnded"}),
              (std::vector<std::string>{"Free", "ReleaseGL", "ThreadEnded"}));
    EXPECT_FALSE(state.running);
}

TEST_F(RenderLoop, RunsUntilStoppedThenFreesOnTheRenderThread)
{
    auto loop = Make(&store);
    scene.onCreate = [] { return true; };
    std::thread thread([&] { loop->Run(); });
    while (!state.running)
        std::this_thread::yield();
    state.stopRequest = true;
    thread.join();
    EXPECT_GT(calls.Count("RenderFrame"), 0);
    EXPECT_EQ(calls.list.back(), "ThreadEnded");
    EXPECT_EQ(calls.Count("Free"), 1);
}

TEST_F(RenderLoop, FailedSetUpIsLoggedAndStillSignals)
{
    {
        LogCapture log;
        host.glOk = false;
        Make(&store)->Run();
        EXPECT_EQ(calls.list, (std::vector<std::string>{"InitGL", "ThreadEnded"}));
        EXPECT_TRUE(log.Contains("InitGL failed"));
    }
    {
        LogCapture log;
        calls.list.clear();
        host.glOk = true;
        scene.onCreate = [] { return false; };
        Make(&store)->Run();
        EXPECT_EQ(calls.list,
                  (std::vector<std::string>{"InitGL", "Resize 800x600", "Create", "Free", "ReleaseGL", "ThreadEnded"}));
        EXPECT_TRUE(log.Contains("Create failed"));
    }
}

namespace {
// The fake scene with the scene's real frame gate on the loop's clock.
struct GatedScene final : IRenderScene {
    CFrameGate gate;
    int frames = 0;
    bool Create() override { return true; }
    void Resize(int, int) override {}
    void SelectView(int) override {}
    void CopyPoseToView0() override {}
    void RenderFrame(unsigned now) override { frames += gate.Pass(now / 1000.0); }
    void SetFrameRate(int fps) override { gate.SetFrameRate(fps); }
    void SetWireframe(bool) override {}
    void SetSpeedFactor(float) override {}
    void ToggleScriptEditors(bool) override {}
    void PollScripts() override {}
    void Free() override {}
};
} // namespace

TEST_F(RenderLoop, FrameRateFromTheStoreOrSixtyWithoutOne)
{
    struct Case {
        const char* framerate;  // nullptr: no store
        int framesInTheThirdSecond;
    };
    // the loop's clock counts whole milliseconds: a frame comes every ceil(interval) ms
    // a value below the slider's range gives its minimum, one without a number none
    const Case cases[] = {{nullptr, 60}, {"", 60}, {"0", 10}, {"-5", 10}, {"abc", 60}, {"30", 30}, {"20", 20}};
    for (const auto& c : cases) {
        GatedScene gated;
        FakeStore settings;
        if (c.framerate)
            settings.items[{"Options", "framerate"}] = c.framerate;
        CRenderLoop loop(state, gated, c.framerate ? &settings : nullptr, host, input);
        loop.Start();
        EXPECT_EQ(gated.frames, 0);
        loop.Pass();
        EXPECT_EQ(gated.frames, 1) << "the first frame comes at once";
        for (int ms = 0; ms < 2000; ++ms)
            RunFor(loop, 1);
        gated.frames = 0;
        for (int ms = 0; ms < 1000; ++ms)
            RunFor(loop, 1);
        EXPECT_NEAR(gated.frames, c.framesInTheThirdSecond, 2) << (c.framerate ? c.framerate : "no store");
    }
}
