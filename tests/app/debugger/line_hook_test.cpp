// The line hook against a real Lua state on a render thread of its own and a
// fake editor on a fake GUI thread, meeting only through the debug link.
#include "app/script/LuaScript.h"
#include "app/script/SceneScripts.h"
#include "fake_gui_queue.h"
#include "log_capture.h"
#include "platform/KeyState.h"
#include "app/script_test_support.h"

#include <lua.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;
using scripttest::FakeScene;
using scripttest::WorkDir;
using scripttest::WriteScript;

namespace {

class LineHook : public ::testing::Test {
protected:
    LineHook() { platform::ClearKeysHeld(); }
    ~LineHook() override
    {
        // a failed check may leave a frame stopped: release it before anything goes
        if (link)
            link->Close();
        running.clear();
        platform::ClearKeysHeld();
        script.Close();
        script.CProcessData::Close();
    }

    // Hosts the text as the scene's first script and opens its (fake) editor.
    void Start(const std::string& text, std::chrono::microseconds guiDelay = 0us)
    {
        WriteScript("Lua/Tracks.lua", text);
        script.Create(kScriptEventPrefix, &scene, 0);
        ASSERT_TRUE(script.Host(kSceneScriptPaths[0]));
        ASSERT_TRUE(script.ScriptChanged());
        ASSERT_TRUE(script.Compile());
        link = script.GetLink();
        gui = std::make_unique<FakeGuiQueue>(guiDelay);
        link->SetPoster([this](std::function<void()> fn) { return gui->Post(std::move(fn)); });
        gui->Sync([this] {
            link->OpenEditor([this] {
                CDebugLink::ShowRequest r;
                if (link->TakeShowRequest(r)) {
                    ++shown;
                    last = std::move(r);
                }
            });
        });
        ASSERT_TRUE(script.AttachDebugger(true));
    }
    // What the editor does after a toggle or a trace switch.
    void Breakpoints(std::vector<int> lines, bool singleStep = false)
    {
        gui->Sync([&] {
            link->SetBreakpoints(lines);
            link->SetSingleStep(singleStep);
            link->Report(link->IsDebugging());
        });
    }
    std::shared_future<bool> Frame()
    {
        running.push_back(std::async(std::launch::async, [this] { return script.OnImage(1, 2, 3); }).share());
        return running.back();
    }
    void WaitStopped(int line)
    {
        for (int i = 0; i < 30000 && link->StoppedLine() != line; ++i)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(link->StoppedLine(), line);
        // the delivery is posted just after the stop becomes visible
        for (int i = 0; i < 30000; ++i) {
            const auto shown = Last();
            if (shown.stop && shown.line == line)
                return;
            std::this_thread::sleep_for(1ms);
        }
        FAIL() << "the stop never reached the editor";
    }
    CDebugLink::ShowRequest Last()
    {
        CDebugLink::ShowRequest copy;
        gui->Sync([&] { copy = last; });
        return copy;
    }
    static bool Has(const std::vector<std::string>& list, const std::string& line)
    {
        return std::find(list.begin(), list.end(), line) != list.end();
    }

    WorkDir dir;
    FakeScene scene;
    CLuaScript script;
    DebugLinkPtr link;
    int shown = 0;  // GUI thread only
    CDebugLink::ShowRequest last;
    std::unique_ptr<FakeGuiQueue> gui;  // after what its thread uses
    std::vector<std::shared_future<bool>> running;  // the render thread's frames
};

const char* kFrameScript =
    "gCount = 7\n"                        // 0
    "function OnImage(a, b, index)\n"     // 1
    "  local t = {}\n"                    // 2
    "  local flag = true\n"               // 3
    "  local name = 'x'\n"                // 4
    "  frames = (frames or 0) + 1\n"      // 5
    "end\n";

TEST(ValueToText, EveryTypeHasItsText)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    lua_pushnil(L);
    lua_pushboolean(L, 1);
    lua_pushboolean(L, 0);
    lua_pushlightuserdata(L, L);
    lua_pushinteger(L, 3);
    lua_pushnumber(L, -2.5);
    lua_pushstring(L, "text 12");
    lua_newuserdata(L, 8);
    lua_newthread(L);
    lua_newtable(L);
    lua_getglobal(L, "print");
    const char* expected[] = {"nil",   "1",       "0",      "lightusrdat", "3.000000", "-2.500000",
                              "text 12", "usrdat", "thread", "",            ""};
    std::string text = "stale";
    for (int i = 1; i <= 11; ++i) {
        CLuaCallBacks::ValueToText(L, i, text);
        EXPECT_EQ(text, expected[i - 1]) << "index " << i;
    }
    CLuaCallBacks::ValueToText(L, 12, text);
    EXPECT_EQ(text, "none");
    lua_pushnumber(L, 3.0e38);  // the widest numbers still fit
    CLuaCallBacks::ValueToText(L, -1, text);
    EXPECT_EQ(text.substr(text.size() - 7), ".000000");
    lua_close(L);
}

TEST_F(LineHook, BreakpointStopsTheFrameWithTheVariablesUntilContinue)
{
    Start(kFrameScript);
    auto frame = Frame();
    EXPECT_EQ(frame.get(), true) << "no breakpoint: the frame runs";
    EXPECT_EQ(lua_gethookmask(script.GetState()) & LUA_MASKLINE, 0) << "the line hook is off until asked for";

    Breakpoints({5});
    frame = Frame();
    WaitStopped(5);
    EXPECT_EQ(frame.wait_for(50ms), std::future_status::timeout);
    const auto stop = Last();
    EXPECT_EQ(stop.line, 5);
    EXPECT_TRUE(stop.stop);
    const auto& v = stop.vars;
    ASSERT_GE(v.size(), 2u);
    EXPECT_EQ(v[0], "\r\n--------- LocalVarList ---------");
    EXPECT_TRUE(Has(v, "a=1.000000 number"));
    EXPECT_TRUE(Has(v, "index=3.000000 number"));
    EXPECT_TRUE(Has(v, "t= table"));
    EXPECT_TRUE(Has(v, "flag=1 boolean"));
    EXPECT_TRUE(Has(v, "name=x string"));
    const auto globals = std::find(v.begin(), v.end(), "\r\n--------- GlobalVarList ---------");
    ASSERT_NE(globals, v.end());
    EXPECT_GT(globals - v.begin(), 5) << "locals come first";
    EXPECT_TRUE(Has(v, "gCount=7.000000 number"));
    EXPECT_TRUE(Has(v, "OnImage= function"));
    EXPECT_TRUE(Has(v, "_VERSION=Lua 5.3 string"));
    EXPECT_EQ(script.GetVarList(), v);

    EXPECT_TRUE(link->Continue());
    EXPECT_TRUE(frame.get());
    EXPECT_EQ(script.GetGlobalNumber("frames"), 2);

    // the next frame stops at the same line again; removing the breakpoint there releases it
    frame = Frame();
    WaitStopped(5);
    Breakpoints({});
    EXPECT_TRUE(link->Continue());
    EXPECT_TRUE(frame.get());
    EXPECT_TRUE(Frame().get()) << "no breakpoint left: frames run";
    EXPECT_EQ(lua_gethookmask(script.GetState()) & LUA_MASKLINE, 0) << "the hook went off with the last breakpoint";
    EXPECT_TRUE(script.HasRun());
}

TEST_F(LineHook, ContinueWhileRunningDoesNotSkipTheNextBreakpoint)
{
    Start(kFrameScript);
    Breakpoints({4});
    EXPECT_FALSE(link->Continue());  // F5 while the script runs
    auto frame = Frame();
    WaitStopped(4);
    EXPECT_EQ(frame.wait_for(50ms), std::future_status::timeout);
    link->Continue();
    EXPECT_TRUE(frame.get());
}

TEST_F(LineHook, CloseWhileStoppedReleasesTheFrameAndNothingReachesTheEditorAfter)
{
    Start(kFrameScript);
    Breakpoints({3});
    auto frame = Frame();
    WaitStopped(3);
    gui->Sync([this] { link->CloseEditor(); });
    EXPECT_TRUE(frame.get());
    EXPECT_EQ(script.GetGlobalNumber("frames"), 1) << "the rest of the event ran";
    int before = 0;
    gui->Sync([&] { before = shown; });
    EXPECT_TRUE(Frame().get());
    int after = 0;
    gui->Sync([&] { after = shown; });
    EXPECT_EQ(after, before);
    EXPECT_FALSE(script.IsDebugging());

    // shutdown with a stopped frame: the links close, the frame ends, the scripts close
    gui->Sync([this] { link->OpenEditor([] {}); });
    Breakpoints({3});
    frame = Frame();
    WaitStopped(3);
    link->Close();
    EXPECT_TRUE(frame.get());
    CloseSceneScripts(&script, 1);
    EXPECT_EQ(script.GetState(), nullptr);
}

TEST_F(LineHook, LineTraceShowsEveryLineWithoutWaitingAndWithoutFloodingTheGui)
{
    Start("n = 0\n"
          "function OnImage(a, b, index)\n"
          "  for i = 1, 100000 do n = n + 1 end\n"
          "end\n");
    Breakpoints({}, true);
    // the GUI thread is busy for the whole frame: the frame must not wait for it
    std::promise<void> busy;
    auto held = busy.get_future().share();
    gui->Post([held] { held.wait(); });
    const uint64_t postsBefore = link->PostCount();
    EXPECT_TRUE(Frame().get());
    EXPECT_EQ(script.GetGlobalNumber("n"), 100000);
    EXPECT_EQ(link->PostCount() - postsBefore, 1u) << "one delivery waits in the queue, the newest line replaces the older";
    busy.set_value();
    EXPECT_EQ(Last().line, 3) << "the newest line wins";
    EXPECT_FALSE(Last().stop);
}

TEST_F(LineHook, CtrlShiftCEndsADebuggedCall)
{
    Start(kFrameScript);
    platform::SetKeyHeld(platform::vkside::kLControl, true);
    platform::SetKeyHeld(platform::vkside::kLShift, true);
    platform::SetKeyHeld('C', true);
    EXPECT_TRUE(Frame().get()) << "not debugging: the keys do nothing";
    Breakpoints({}, true);
    platform::SetKeyHeld(platform::vkside::kLShift, false);
    EXPECT_TRUE(Frame().get()) << "the right keys only";
    platform::SetKeyHeld(platform::vkside::kLShift, true);
    LogCapture log;
    EXPECT_FALSE(Frame().get());
    EXPECT_NE(script.GetLastError().find("USER PRESS CTRL+SHIFT+C"), std::string::npos) << script.GetLastError();
    EXPECT_FALSE(script.HasRun()) << "no more events until it compiles again";
    EXPECT_TRUE(log.Contains("USER PRESS CTRL+SHIFT+C"));
}

TEST_F(LineHook, OddGlobalsAreListedSafelyAndReadRaw)
{
    Start("_G[true] = 1\n"
          "_G[1] = 2\n"
          "_G[2.5] = 'f'\n"
          "_G[{}] = 3\n"
          "setmetatable(_G, {__index = function() error('no such global') end})\n"
          "function OnImage(a, b, index)\n"
          "  seen = (rawget(_G, 'seen') or 0) + 1\n"
          "end\n");
    Breakpoints({}, true);
    EXPECT_TRUE(Frame().get()) << script.GetLastError();
    EXPECT_TRUE(Frame().get()) << script.GetLastError();
    const auto v = Last().vars;
    EXPECT_TRUE(Has(v, "1=2.000000 number"));
    EXPECT_TRUE(Has(v, "2.5=f string"));
    for (const std::string& line : v)
        EXPECT_NE(line.substr(0, 5), "true=") << "boolean keys are skipped";
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](const std::string& l) { return l == "=3.000000 number"; }), 0)
        << "table keys are skipped";
    EXPECT_TRUE(script.HasRun());
}

// The editor side as the GUI thread's handler sees it.
std::vector<CDebugLink::EditorRequest> g_requests;
void RecordRequest(const DebugLinkPtr&, const CDebugLink::EditorRequest& request)
{
    g_requests.push_back(request);
}

TEST_F(LineHook, ToggleOpensTheLuaFileAndLogsAMissingOne)
{
    Start(kFrameScript);
    gui->Sync([this] { link->CloseEditor(); });
    CDebugLink::SetEditorHandler(RecordRequest);
    script.SetPath("Lua//Missing.luac");
    LogCapture log;
    EXPECT_TRUE(script.ToggleEditor(true));
    gui->Sync();
    CDebugLink::SetEditorHandler(nullptr);
    ASSERT_EQ(g_requests.size(), 1u);
    const auto& r = g_requests[0];
    EXPECT_EQ(r.kind, CDebugLink::EditorRequest::Toggle);
    EXPECT_TRUE(r.topmost);
    EXPECT_EQ(r.path, "Lua//Missing.lua");
    EXPECT_EQ(r.runEvent, "IDSTR-1-0");
    EXPECT_EQ(r.compileEvent, "IDSTR-2-0");
    EXPECT_EQ(r.debugEvent, "IDSTR-3-0");
    EXPECT_TRUE(log.Contains("CProcessData::Path not found or empty:\nLua//Missing.lua"));
    g_requests.clear();
}

} // namespace
