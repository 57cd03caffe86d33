// The embedded Lua is built with 32-bit integers, single floats printed with
// "%.5g", no process pipes and no native modules.
#include <gtest/gtest.h>
#include <lua.hpp>
#include <string>

namespace {

struct LuaState {
    lua_State* L = luaL_newstate();
    LuaState() { luaL_openlibs(L); }
    ~LuaState() { lua_close(L); }
    std::string Eval(const std::string& code)
    {
        if (luaL_dostring(L, ("return " + code).c_str()) != LUA_OK) {
            std::string err = lua_tostring(L, -1);
            lua_pop(L, 1);
            return "error: " + err;
        }
        std::string out = luaL_tolstring(L, -1, nullptr);
        lua_settop(L, 0);
        return out;
    }
};

TEST(LuaConfig, NumbersAreThirtyTwoBitAndFormattedShort)
{
    LuaState lua;
    EXPECT_EQ(lua.Eval("math.maxinteger"), "2147483647");
    EXPECT_EQ(lua.Eval("math.maxinteger + 1 == math.mininteger"), "true");
    EXPECT_EQ(lua.Eval("2^31 // 1 == 2147483648.0"), "true");
    EXPECT_EQ(lua.Eval("1/3"), "0.33333");
    EXPECT_EQ(lua.Eval("string.format('%d', 0x7fffffff + 1)"), "-2147483648");
    // single precision: 16777217 is not representable
    EXPECT_EQ(lua.Eval("16777216.0 + 1.0 == 16777216.0"), "true");
}

TEST(LuaConfig, NoPipesAndNoNativeModules)
{
    LuaState lua;
    std::string popen = lua.Eval("(pcall(io.popen, 'echo hi'))");
    EXPECT_EQ(popen, "false") << popen;
    std::string loadlib = lua.Eval("select('#', package.loadlib('libm.so.6', 'cos')) == 3 and "
                                   "package.loadlib('libm.so.6', 'cos') == nil");
    EXPECT_EQ(loadlib, "true");
}

TEST(LuaConfig, AllStandardLibrariesOpen)
{
    LuaState lua;
    for (const char* lib : {"coroutine", "table", "io", "os", "string", "math", "utf8", "debug", "package"})
        EXPECT_EQ(lua.Eval(std::string("type(") + lib + ")"), "table") << lib;
}

} // namespace
