// The functions scripts call: argument checks, their log lines, what reaches the scene.
#include "app/script/LuaScript.h"
#include "foundation/core/Versions.h"
#include "log_capture.h"
#include "platform/Speech.h"
#include "script_test_support.h"

#include <lua.hpp>

#include <gtest/gtest.h>

#include <mutex>

using scripttest::FakeScene;
using scripttest::WorkDir;
using scripttest::WriteScript;

namespace {

class HostFunctions : public ::testing::Test {
protected:
    WorkDir dir;
    FakeScene scene;
    CLuaScript script;

    void SetUp() override
    {
        script.Create("TEST", &scene, 1);
        ASSERT_TRUE(script.Host("Lua//Trains.lua"));
    }
    bool Run(const std::string& text)
    {
        WriteScript("Lua/Trains.lua", text);
        return script.Compile();
    }
    double Global(const char* name) { return script.GetGlobalNumber(name); }
};

TEST_F(HostFunctions, Load3DSPassesItsArgumentsAndReturnsTheSize)
{
    ASSERT_TRUE(Run("a = Load3DS('Models\\\\Loco.3ds', 1, 2, 3, 0.5, 1, 1)\n"
                    "b = Load3DS('b.3ds', 0, 0, 0, 1, 1.5, 1.5)\n"  // non-integral flags read as false
                    "c = Load3DS('c.3ds', 0, 0, 0, 1, 0, 2)\n"
                    "d = Load3DS('missing.3ds', 0, 0, 0, 1, 0, 0)\n"
                    "e = Load3DS(nil, 0, 0, 0, 1, 0, 0)\n"));
    ASSERT_EQ(scene.models.size(), 4u);
    const FakeScene::Model& a = scene.models[0];
    EXPECT_EQ(a.file, "Models\\Loco.3ds");
    EXPECT_EQ(a.pos.x, 1);
    EXPECT_EQ(a.pos.y, 2);
    EXPECT_EQ(a.pos.z, 3);
    EXPECT_EQ(a.scale, 0.5f);
    EXPECT_TRUE(a.bitmap && a.subtils);
    EXPECT_FALSE(scene.models[1].bitmap || scene.models[1].subtils);
    EXPECT_FALSE(scene.models[2].bitmap);
    EXPECT_TRUE(scene.models[2].subtils);
    EXPECT_EQ(scene.models[3].file, "");  // no text: an empty name
    EXPECT_EQ(Global("a"), 101);
    EXPECT_EQ(Global("d"), 0);  // loading failed
}

TEST_F(HostFunctions, WrongArgumentCountsLogTheirLineAndReturnNothing)
{
    LogCapture log;
    ASSERT_TRUE(Run("Load3DS('a.3ds', 0, 0, 0, 1, 0, 0)\n"
                    "SetPosRot(0, 1, 2, 3, 4, 5)\n"
                    "n = select('#', Load3DS('b.3ds', 0, 0, 0, 1, 0))\n"
                    "m = select('#', SetPosRot(0, 1, 2, 3, 4, 5, 6, 7))\n"
                    "Clear3DS(1)\n"));
    EXPECT_TRUE(log.Contains("CVersions::CLuaCallBacks::_SetPosRot abort not enough parameters given 6/7 "
                             "(id,px,py,pz,rx,ry,rz)\r\n"));
    EXPECT_TRUE(log.Contains("CLuaCallBacks::_SetPosRot abort not enough parameters given 8/7"));
    EXPECT_TRUE(log.Contains("CVersions::CLuaCallBacks::_Load3DS abort not enough parameters given 6/7 "
                             "(fname,px,py,pz,scale,bitmap,subtils)\r\n"));
    EXPECT_TRUE(log.Contains("CVersions::CLuaCallBacks::_Clear3DS Has no parameters\r\n"));
    EXPECT_EQ(Global("n"), 0);
    EXPECT_EQ(Global("m"), 0);
    ASSERT_EQ(scene.models.size(), 1u);  // neither moved, loaded nor cleared
    EXPECT_EQ(scene.models[0].pos.x, 0);
    EXPECT_EQ(scene.clears, 0);
}

TEST_F(HostFunctions, SetPosRotPlacesTheModelWithThatId)
{
    ASSERT_TRUE(Run("Load3DS('a.3ds', 0, 0, 0, 1, 0, 0)\nLoad3DS('b.3ds', 0, 0, 0, 1, 0, 0)\n"
                    "SetPosRot(1, 10, 20, 30.5, 0, 45, 90)\n"
                    "SetPosRot(7, 1, 1, 1, 1, 1, 1)\n"));  // unknown id: nothing
    ASSERT_EQ(scene.models.size(), 2u);
    EXPECT_EQ(scene.models[0].pos.x, 0);
    EXPECT_EQ(scene.models[1].pos.z, 30.5f);
    EXPECT_EQ(scene.models[1].rot.y, 45);
    EXPECT_EQ(scene.models[1].rot.z, 90);
    ASSERT_TRUE(Run("Clear3DS()\n"));
    EXPECT_EQ(scene.clears, 1);
    EXPECT_TRUE(scene.models.empty());
}

TEST_F(HostFunctions, PrintLogsEveryArgumentOnItsOwnLine)
{
    LogCapture log;
    ASSERT_TRUE(Run("Print('hello', 1/3, 42, 2^31, nil, {}, true, false, print)\nPrint()\n"));
    const std::vector<std::string> want = {"hello", "0.33333", "42",   "2.1475e+09", "nil",
                                           "table", "true",    "false", "function"};
    std::vector<std::string> got;
    for (const std::string& l : log.Lines())
        if (l.find("Compile File") == std::string::npos)
            got.push_back(l.substr(std::string("CVersions::").size()));
    EXPECT_EQ(got, want);
}

class Recorder final : public platform::SpeechBackend {
public:
    Recorder(std::vector<std::string>* out, std::mutex* m) : m_out(out), m_mutex(m) {}
    void Speak(const std::string& text) override
    {
        if (!m_out)
            return;  // silent after the test
        std::lock_guard lock(*m_mutex);
        m_out->push_back(text);
    }

private:
    std::vector<std::string>* m_out;
    std::mutex* m_mutex;
};

TEST_F(HostFunctions, SaySpeaksTheTextUnchangedAndIgnoresWhatIsNotThere)
{
    std::vector<std::string> spoken;
    std::mutex m;
    CVersions::SetSpeechBackend(std::make_unique<Recorder>(&spoken, &m));
    ASSERT_TRUE(Run("Say()\nSay('100%s done %d')\nSay({})\nSay(12)\n"));
    CVersions::DrainSpeech();
    CVersions::SetSpeechBackend(std::make_unique<Recorder>(nullptr, nullptr));
    std::lock_guard lock(m);
    EXPECT_EQ(spoken, (std::vector<std::string>{"100%s done %d", "table", "12"}));
}

TEST_F(HostFunctions, ComInfoReturnsItsLastArgument)
{
    ASSERT_TRUE(Run("a = ComInfo(1, 2, 3)\n"));
    EXPECT_EQ(Global("a"), 3);
    ASSERT_TRUE(Run("ok = ComInfo() == ComInfo and 1 or 0\n"));
    EXPECT_EQ(Global("ok"), 1);
}

// The trace routine: the registered function's number when the first argument
// carries the marker, then each argument from the top down while it has a text.
TEST_F(HostFunctions, DumpArgsLogsTheRegisteredFunctionAndTheArguments)
{
    ASSERT_TRUE(Run(""));
    lua_State* L = script.GetState();
    const int top = lua_gettop(L);
    static char marker;
    lua_pushinteger(L, 7);
    lua_pushcclosure(L, CLuaCallBacks::DumpArgs, 1);
    lua_newtable(L);
    lua_pushlightuserdata(L, &marker);
    lua_rawseti(L, -2, 0);
    lua_pushinteger(L, 12);
    lua_pushstring(L, "abc");
    LogCapture log;
    ASSERT_EQ(lua_pcall(L, 3, LUA_MULTRET, 0), LUA_OK);
    EXPECT_EQ(lua_gettop(L), top) << "no results";
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"CVersions::Registered Function(7) in progress\r\n", "CVersions::Val(abc) Type(STRING)\r\n",
                                                     "CVersions::Val(12) Type(NUMBER)\r\n"}));

    // no marker, and a first argument that is no table: only the values
    lua_pushcfunction(L, CLuaCallBacks::DumpArgs);
    lua_pushstring(L, "x");
    lua_pushnumber(L, 1.5);
    log.Clear();
    ASSERT_EQ(lua_pcall(L, 2, 0, 0), LUA_OK);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"CVersions::Val(1.5) Type(NUMBER)\r\n", "CVersions::Val(x) Type(STRING)\r\n"}));
}

// The scene walks its model list by index while raising OnObj; a script that
// clears the models from the event must not leave it walking freed models.
TEST_F(HostFunctions, Clear3DSInsideOnObjEndsTheWalk)
{
    ASSERT_TRUE(Run("for i = 1, 4 do Load3DS('m.3ds', i, 0, 0, 1, 0, 1) end\n"
                    "seen = 0\n"
                    "function OnObj(id) seen = seen + 1; if id == 1 then Clear3DS() end end\n"));
    for (size_t i = 0; i < scene.models.size(); ++i) {
        const FakeScene::Model m = scene.models[i];
        EXPECT_TRUE(script.OnObj(m.id, m.pos, m.rot));
    }
    EXPECT_EQ(Global("seen"), 2);
    EXPECT_TRUE(scene.models.empty());
    EXPECT_TRUE(script.HasRun());
}

} // namespace
