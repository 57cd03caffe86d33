// The script host against a fake scene: compile, events, errors, recompile.
#include "app/script/LuaScript.h"
#include "app/script/SceneScripts.h"
#include "app/script/ScriptStop.h"
#include "foundation/core/InputState.h"
#include "log_capture.h"
#include "script_test_support.h"

#include <lua.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <sys/stat.h>

using scripttest::FakeScene;
using scripttest::WorkDir;
using scripttest::WriteScript;

namespace {

class ScriptHost : public ::testing::Test {
protected:
    WorkDir dir;
    FakeScene scene;
    CLuaScript script;

    // Hosts "Lua//Trains.lua" with the text and compiles it.
    bool Run(const std::string& text, int index = 1)
    {
        WriteScript("Lua/Trains.lua", text);
        script.Create("TEST", &scene, index);
        EXPECT_TRUE(script.Host("Lua//Trains.lua"));
        EXPECT_TRUE(script.ScriptChanged());
        return script.Compile();
    }
    double Global(const char* name) { return script.GetGlobalNumber(name); }
    static size_t Count(const LogCapture& log, const std::string& text)
    {
        size_t n = 0;
        for (const std::string& l : log.Lines())
            n += l.find(text) != std::string::npos;
        return n;
    }
};

TEST_F(ScriptHost, EventsReachOnlyDefinedFunctionsAndLeaveTheStackAsItWas)
{
    ASSERT_TRUE(Run("frames = 0\n"
                    "function OnImage(a, b, index) frames = frames + 1; last = a * 100 + b * 10 + index end\n"));
    lua_State* L = script.GetState();
    int top = lua_gettop(L);
    EXPECT_TRUE(script.OnImage(0, 0, 2));
    EXPECT_TRUE(script.OnImage(0, 0, 1));
    EXPECT_EQ(Global("frames"), 2);
    EXPECT_EQ(Global("last"), 1);
    // no OnObj in this script: nothing called, the stack untouched
    EXPECT_FALSE(script.OnObj(3, CVec3(1, 2, 3), CVec3(4, 5, 6)));
    EXPECT_FALSE(script.OnUsrDat("a", "b", 1));
    EXPECT_EQ(script.OnIdle(1), 0);
    EXPECT_EQ(lua_gettop(L), top);
    EXPECT_TRUE(script.HasRun());  // a missing handler is no error

    // a global that is not a function is not called either
    ASSERT_TRUE(Run("OnImage = 5\nfunction OnIdle(n) return n * 2 end\n"
                    "function OnObj(id, px, py, pz, rx, ry, rz)\n"
                    "  got = string.format('%d %.2f %.2f %.2f %.2f %.2f %.2f', id, px, py, pz, rx, ry, rz)\n"
                    "end"));
    L = script.GetState();  // hosting again made a new state
    top = lua_gettop(L);
    EXPECT_FALSE(script.OnImage(0, 0, 1));
    EXPECT_EQ(script.OnIdle(21), 42);
    EXPECT_TRUE(script.OnObj(3, CVec3(1.5f, 2, 3), CVec3(4, 5, 6.25f)));
    EXPECT_EQ(script.GetGlobalString("got"), "3 1.50 2.00 3.00 4.00 5.00 6.25");
    EXPECT_EQ(lua_gettop(L), top);
}

TEST_F(ScriptHost, RuntimeErrorInAnEventStopsEventsUntilTheFileChanges)
{
    std::string text;
    for (int i = 1; i <= 10; ++i)
        text += "-- line " + std::to_string(i) + "\n";
    text += "function OnObj(id, px, py, pz, rx, ry, rz)\n"  // line 11
            "  local t = nil; return t.x\n"                 // line 12
            "end\n"
            "function OnImage() images = (images or 0) + 1 end\n";
    ASSERT_TRUE(Run(text));
    LogCapture log;
    EXPECT_FALSE(script.OnObj(0, CVec3(), CVec3()));
    EXPECT_EQ(Count(log, "(11) attempt to index a nil value"), 1u);
    EXPECT_EQ(Count(log, "\r\nCLuaScript::LuaErr ERRRUN  Trains.lua:12: attempt to index a nil value"), 1u);
    EXPECT_EQ(script.GetLastErrorCode(), LUA_ERRRUN);
    EXPECT_FALSE(script.HasRun());

    // no more events of either kind, and nothing more logged
    log.Clear();
    EXPECT_FALSE(script.OnObj(0, CVec3(), CVec3()));
    EXPECT_FALSE(script.OnImage(0, 0, 1));
    EXPECT_EQ(Global("images"), 0);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(script.ScriptChanged());  // nothing changed yet: no recompile

    // the fixed file is noticed, compiled again, and the events resume
    WriteScript("Lua/Trains.lua", "function OnObj() objs = (objs or 0) + 1 end\n"
                                  "function OnImage() images = (images or 0) + 1 end\n");
    PollScripts(&script, 1);
    EXPECT_TRUE(script.HasRun());
    EXPECT_TRUE(log.Contains("CLuaScript::Compile File Lua//Trains.lua Succseed"));
    EXPECT_TRUE(script.OnObj(0, CVec3(), CVec3()));
    EXPECT_TRUE(script.OnImage(0, 0, 1));
    EXPECT_EQ(Global("objs"), 1);
    EXPECT_EQ(Global("images"), 1);
}

TEST_F(ScriptHost, CompileErrorsAreTaggedByTheirKind)
{
    LogCapture log;
    EXPECT_FALSE(Run("x = = 1\n"));
    EXPECT_EQ(script.GetLastErrorCode(), LUA_ERRSYNTAX);
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr SYNTAXERR  Trains.lua:1:"));
    EXPECT_TRUE(log.Contains("(0) unexpected symbol near '='"));

    EXPECT_FALSE(script.Compile("Lua//Missing.lua"));
    EXPECT_EQ(script.GetLastErrorCode(), LUA_ERRFILE);
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRFILE  cannot open Lua/Missing.lua"));

    // an error object that is not a string
    log.Clear();
    EXPECT_FALSE(Run("error({})\n"));
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRRUN  (error object is a table value)"));
    EXPECT_FALSE(Run("error(42)\n"));
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRRUN  42"));
    EXPECT_FALSE(Run("error()\n"));
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRRUN  (error object is a nil value)"));

    // a compile that fails does not leave the earlier handlers running
    ASSERT_TRUE(Run("function OnImage() end"));
    WriteScript("Lua/Trains.lua", "function OnImage( end");
    PollScripts(&script, 1);
    EXPECT_FALSE(script.OnImage(0, 0, 1));
}

// An error without a message is reported like any other: a fallback text, the
// events stopped, the stack reset, and never the text of an earlier error.
TEST_F(ScriptHost, EmptyErrorMessagesAreReportedWithAFallback)
{
    LogCapture log;
    EXPECT_FALSE(Run("error('', 0)\n"));
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRRUN  (no message)"));

    ASSERT_TRUE(Run("function OnImage(a, b, index) if index == 1 then error('first') end error('', 2) end\n"));
    lua_State* L = script.GetState();
    const int top = lua_gettop(L);
    log.Clear();
    EXPECT_FALSE(script.OnImage(0, 0, 1));
    EXPECT_TRUE(log.Contains("first"));
    // compiled again: the next error is empty and must not repeat "first"
    ASSERT_TRUE(script.Compile());
    log.Clear();
    EXPECT_FALSE(script.OnImage(0, 0, 2));
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRRUN  (no message)"));
    EXPECT_FALSE(log.Contains("first"));
    EXPECT_FALSE(script.HasRun()) << "an empty error stops the events too";
    EXPECT_EQ(lua_gettop(L), top);
    log.Clear();
    EXPECT_FALSE(script.OnImage(0, 0, 2));
    EXPECT_TRUE(log.Lines().empty());
}

// The shell learns which script the render thread is inside, for as long as the
// call lasts, also while a state's finalizers run as it closes.
TEST_F(ScriptHost, TheRunningScriptCallIsKnownToOtherThreads)
{
    ASSERT_TRUE(Run("function OnImage() while not stop do gStopAsk() end end\n"
                    "gKeep = setmetatable({}, {__gc = function() while not gFinal() do end end})\n"));
    EXPECT_EQ(CurrentScriptCall(), "");
    std::atomic<bool> release{false};
    static std::atomic<bool>* s_release;
    s_release = &release;
    lua_State* L = script.GetState();
    lua_register(L, "gStopAsk", [](lua_State* L) {
        lua_pushboolean(L, s_release->load());
        lua_setglobal(L, "stop");
        return 0;
    });
    lua_register(L, "gFinal", [](lua_State* L) {
        lua_pushboolean(L, s_release->load());
        return 1;
    });
    for (int closing = 0; closing < 2; ++closing) {
        release = false;
        std::string seen;
        std::thread watcher([&] {
            for (int i = 0; i < 500 && seen.empty(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                seen = CurrentScriptCall();
            }
            release = true;
        });
        if (closing)
            script.Close();
        else
            script.OnImage(0, 0, 1);
        watcher.join();
        EXPECT_EQ(seen, "Lua//Trains.lua") << (closing ? "closing" : "event");
        EXPECT_EQ(CurrentScriptCall(), "");
    }
}

TEST_F(ScriptHost, ErrorLinesKeepTheFileNameAndLine)
{
    ASSERT_TRUE(Run(""));
    struct Case {
        const char* message;
        const char* stripped;  // the message as the LuaErr line shows it
        const char* line;      // the "(n) text" line, or "" for none
        bool result;
    };
    const Case cases[] = {
        {"Lua//Trains.lua:12: msg", "Trains.lua:12: msg", "(11) msg", true},
        {"/tmp/x/Lua/Tracks.lua:1: a:b:c", "Tracks.lua:1: a:b:c", "(0) a:b:c", true},
        {"C:\\data\\Lua\\Options.lua:7: boom", "Options.lua:7: boom", "(6) boom", true},
        {"Trains.lua:3:", "Trains.lua:3:", "(2) ", true},
        {"[string \"a/b\"]:2: x", "[string \"a/b\"]:2: x", "(1) x", true},
        {"no position here", "no position here", "", true},
        {"cannot open Lua//Gone.lua", "cannot open Lua//Gone.lua", "", true},
        {"a:", "a:", "", false},
        {"x/y", "x/y", "", false},
    };
    for (const Case& c : cases) {
        LogCapture log;
        std::string m = c.message;
        EXPECT_EQ(CLuaCallBacks::ReportErrorLine(script.GetState(), "ERRRUN ", m), c.result) << c.message;
        EXPECT_EQ(m, c.stripped) << c.message;
        if (*c.line) {
            ASSERT_EQ(log.Lines().size(), 1u) << c.message;
            EXPECT_EQ(log.Lines()[0], std::string("CVersions::") + c.line);
        } else {
            EXPECT_TRUE(log.Lines().empty()) << c.message;
        }
    }
    std::string empty;
    EXPECT_FALSE(CLuaCallBacks::ReportErrorLine(script.GetState(), "ERRRUN ", empty));
    std::string m = "Trains.lua:1: x";
    EXPECT_FALSE(CLuaCallBacks::ReportErrorLine(nullptr, "ERRRUN ", m));
    // LuaErr without a message reports the stored error again, or nothing when none
    LogCapture log;
    EXPECT_FALSE(script.LuaErr(0, nullptr));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(script.LuaErr(LUA_ERRMEM, "not enough memory"));
    EXPECT_FALSE(script.LuaErr(0, ""));
    EXPECT_EQ(Count(log, "CLuaScript::LuaErr LUA_ERRMEM  not enough memory"), 2u);
}

TEST_F(ScriptHost, ErroringGlobalMetamethodsCannotCrashTheHost)
{
    ASSERT_TRUE(Run("gBoundBox = 1\n"
                    "setmetatable(_G, {__index = function(t, k) error('no global ' .. k) end,\n"
                    "                  __newindex = function() error('read only') end})\n"));
    EXPECT_FALSE(script.OnImage(0, 0, 1));  // not defined; the look-up does not run __index
    EXPECT_TRUE(script.HasRun());
    EXPECT_EQ(Global("missing"), 0);
    EXPECT_EQ(Global("gBoundBox"), 1);
    EXPECT_EQ(script.GetGlobalString("missing"), "");
    EXPECT_EQ(script.GetGlobalString("gBoundBox"), "1");
}

TEST_F(ScriptHost, AllocationsPastTheLimitFailAsAMemoryError)
{
    CLuaScript::SetMemoryLimit(4u << 20);
    LogCapture log;
    const bool ok = Run("function OnImage() end\nlocal t = {}\nfor i = 1, 1e7 do t[i] = tostring(i) end\n");
    CLuaScript::SetMemoryLimit(CLuaScript::kDefaultMemoryLimit);
    EXPECT_FALSE(ok);
    EXPECT_EQ(script.GetLastErrorCode(), LUA_ERRMEM);
    EXPECT_TRUE(log.Contains("CLuaScript::LuaErr LUA_ERRMEM  Lua//Trains.lua: not enough memory"));
    // the same inside an event
    CLuaScript::SetMemoryLimit(4u << 20);
    ASSERT_TRUE(Run("function OnImage() local t = {} for i = 1, 1e7 do t[i] = i end end\n"));
    CLuaScript::SetMemoryLimit(CLuaScript::kDefaultMemoryLimit);
    LogCapture eventLog;
    EXPECT_FALSE(script.OnImage(0, 0, 1));
    EXPECT_EQ(script.GetLastErrorCode(), LUA_ERRMEM);
    EXPECT_TRUE(eventLog.Contains("CLuaScript::LuaErr LUA_ERRMEM  Lua//Trains.lua: not enough memory"));
    // the state is still usable: the garbage is collected and a good file runs
    WriteScript("Lua/Trains.lua", "function OnImage() n = (n or 0) + 1 end\n");
    PollScripts(&script, 1);
    EXPECT_TRUE(script.OnImage(0, 0, 1));
    EXPECT_EQ(Global("n"), 1);
}

TEST_F(ScriptHost, StopRequestEndsEndlessLoops)
{
    struct Reset {
        ~Reset() { RequestScriptStop(false); }
    } reset;
    for (const char* text : {"while true do end\n",
                             "function OnImage() while true do pcall(function() while true do end end) end end\n"}) {
        const bool inEvent = std::string(text).find("OnImage") != std::string::npos;
        if (inEvent) {
            ASSERT_TRUE(Run(text));
        }
        std::thread stopper([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            RequestScriptStop(true);
        });
        LogCapture log;
        const bool ran = inEvent ? script.OnImage(0, 0, 1) : Run(text);
        stopper.join();
        RequestScriptStop(false);
        EXPECT_FALSE(ran) << text;
        EXPECT_TRUE(log.Contains("script stopped: the program is closing")) << text;
    }
    // without the request scripts run as before
    EXPECT_TRUE(Run("for i = 1, 100000 do end\n"));
}

// A scene script that is no regular file, or is far too large, is refused by
// the poll with one line naming it (not once a second); a script file that
// begins with a byte order mark or a "#" line keeps its line numbers.
TEST_F(ScriptHost, ScriptsAreReadThroughTheFileHelper)
{
    script.Create("TEST", &scene, 1);
    ASSERT_TRUE(script.Host("Lua//Trains.lua"));
    const struct {
        const char* what;
        std::function<void()> make;
        const char* reason;
    } cases[] = {
        {"fifo", [] { ASSERT_EQ(mkfifo("Lua/Trains.lua", 0600), 0); }, "not a regular file"},
        {"folder", [] { std::filesystem::create_directory("Lua/Trains.lua"); }, "a folder, not a file"},
        {"huge", [] { WriteScript("Lua/Trains.lua", ""); std::filesystem::resize_file("Lua/Trains.lua", 65u << 20); },
         "too large"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all("Lua/Trains.lua");
        c.make();
        LogCapture log;
        PollScripts(&script, 1);
        PollScripts(&script, 1);
        ASSERT_EQ(log.Lines().size(), 1u) << c.what;
        EXPECT_NE(log.Lines()[0].find("CLuaScript::LuaErr ERRFILE  cannot open Lua/Trains.lua: " +
                                      std::string(c.reason)),
                  std::string::npos)
            << log.Lines()[0];
        EXPECT_FALSE(script.HasRun());
    }
    std::filesystem::remove_all("Lua/Trains.lua");

    for (const char* head : {"\xEF\xBB\xBF-- one\n", "#!/usr/bin/lua\n", "\xEF\xBB\xBF# one\n"}) {
        LogCapture log;
        EXPECT_FALSE(Run(std::string(head) + "x = 1\nerror('three')\n")) << head;
        EXPECT_TRUE(log.Contains("CLuaScript::LuaErr ERRRUN  Trains.lua:3: three")) << head;
        EXPECT_EQ(Global("x"), 1);
    }
}

// A precompiled chunk is never run, also after a byte order mark or a "#" line:
// one line names the file and says that only Lua source is run.
TEST_F(ScriptHost, PrecompiledChunksAreRefused)
{
    std::string chunk; // "x = 7", as luac writes it
    {
        lua_State* L = luaL_newstate();
        ASSERT_EQ(luaL_loadstring(L, "x = 7"), LUA_OK);
        lua_dump(
            L,
            [](lua_State*, const void* p, size_t n, void* out) {
                static_cast<std::string*>(out)->append(static_cast<const char*>(p), n);
                return 0;
            },
            &chunk, 0);
        lua_close(L);
    }
    for (const std::string head : {"", "#!/usr/bin/lua\n", "\xEF\xBB\xBF", "\xEF\xBB\xBF# one\n"}) {
        LogCapture log;
        EXPECT_FALSE(Run(head + chunk)) << head;
        EXPECT_EQ(Global("x"), 0) << head;
        EXPECT_EQ(Count(log, "only Lua source is run"), 1u) << head;
        EXPECT_EQ(Count(log, "Lua/Trains.lua: a precompiled chunk"), 1u) << head;
    }
    EXPECT_TRUE(Run("#!/usr/bin/lua\nx = 7\n"));
    EXPECT_EQ(Global("x"), 7);
}

TEST_F(ScriptHost, ScriptChangedSeesNewWriteTimesAndTheCompileEvent)
{
    WriteScript("Lua/Trains.lua", "x = 1\n");
    script.Create("TEST", &scene, 1);
    EXPECT_EQ(script.GetRunEventName(), "TEST-1-1");
    EXPECT_EQ(script.GetCompileEventName(), "TEST-2-1");
    EXPECT_EQ(script.GetDebugEventName(), "TEST-3-1");
    ASSERT_TRUE(script.Host("Lua//Trains.lua"));
    EXPECT_TRUE(script.ScriptChanged());  // first poll: the file runs
    EXPECT_FALSE(script.ScriptChanged());
    WriteScript("Lua/Trains.lua", "x = 2\n");
    EXPECT_TRUE(script.ScriptChanged());
    EXPECT_FALSE(script.ScriptChanged());
    // the editor's save signals the compile event; the poll resets it
    platform::OpenNamedEvent("TEST-2-1")->Set();
    EXPECT_TRUE(script.ScriptChanged());
    EXPECT_FALSE(script.GetCompileEvent()->IsSet());
    EXPECT_FALSE(script.ScriptChanged());
    std::filesystem::remove("Lua/Trains.lua");
    EXPECT_FALSE(script.ScriptChanged());
    // closing forgets the path and the write time
    script.CProcessData::Close();
    EXPECT_EQ(script.GetPath(), "");
    EXPECT_FALSE(script.GetCompileEvent());
    // the file is found whatever the case of its name on disk
    WriteScript("Lua/trains.lua", "found = 1\n");
    ASSERT_TRUE(script.Host("Lua//Trains.lua"));
    EXPECT_TRUE(script.ScriptChanged());
    EXPECT_TRUE(script.Compile());
    EXPECT_EQ(script.GetGlobalNumber("found"), 1);
}

TEST_F(ScriptHost, ClosedOrDestroyedScriptsAnswerNothing)
{
    ASSERT_TRUE(Run("function OnImage() end\nv = 3\n"));
    EXPECT_EQ(CLuaScript::GetLuaNumber("v"), 3);
    script.Close();
    EXPECT_EQ(script.GetState(), nullptr);
    EXPECT_FALSE(script.OnImage(0, 0, 1));
    EXPECT_FALSE(script.Compile());
    EXPECT_EQ(CLuaScript::GetLuaNumber("v"), 0);
    {
        CLuaScript other;
        other.Create("TEST", &scene, 2);
        ASSERT_TRUE(other.Host("Lua//Trains.lua"));
        EXPECT_EQ(g_LastHostedScript, &other);
    }
    EXPECT_EQ(g_LastHostedScript, nullptr);  // never left pointing at a dead script
    EXPECT_EQ(CLuaScript::GetLuaNumber("v"), 0);
}

TEST_F(ScriptHost, TheLastHostedScriptServesTheSceneGlobals)
{
    WriteScript("Lua/Tracks.lua", "gSceneSz = 1111\ngBoundBox = 0\n");
    WriteScript("Lua/Trains.lua", "gSceneSz = 2222\n");
    WriteScript("Lua/Options.lua", "gSceneSz = 2048.75\ngBoundBox = 1\n");
    CLuaScript scripts[kSceneScriptCount];
    ASSERT_TRUE(HostSceneScripts(scripts, &scene));
    EXPECT_EQ(g_LastHostedScript, &scripts[2]);
    for (const CLuaScript& s : scripts)
        EXPECT_TRUE(s.HasRun()) << s.GetPath();
    EXPECT_EQ(scripts[0].GetRunEventName(), "IDSTR-1-0");
    EXPECT_FLOAT_EQ(float(g_InputState.GetValue("gSceneSz")), 2048.75f);
    EXPECT_EQ(g_InputState.GetValue("gBoundBox"), 1);
    EXPECT_EQ(g_InputState.GetValue("nothing"), 0);
    CloseSceneScripts(scripts, kSceneScriptCount);
    EXPECT_EQ(g_InputState.GetValue("gSceneSz"), 0);
    EXPECT_EQ(scripts[2].GetPath(), "");
}

} // namespace
