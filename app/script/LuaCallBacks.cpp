#include "app/script/LuaCallBacks.h"

#include "app/script/LuaScript.h"
#include "app/script/ScriptStop.h"
#include "foundation/core/Versions.h"

#include <lua.hpp>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {
// Its address is the registry key of the host pointer.
const char s_hostKey = 0;
} // namespace

CLuaScript* CLuaCallBacks::GetHost(lua_State* L)
{
    if (!L)
        return nullptr;
    lua_pushlightuserdata(L, const_cast<char*>(&s_hostKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    auto* script = static_cast<CLuaScript*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return script;
}

void CLuaCallBacks::SetHost(lua_State* L, CLuaScript* script)
{
    lua_pushlightuserdata(L, const_cast<char*>(&s_hostKey));
    lua_pushlightuserdata(L, script);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

bool CLuaCallBacks::CheckResults(int count, lua_State* L)
{
    if (!L)
        return false;
    if (lua_gettop(L) == count)
        return true;
    lua_settop(L, 0);
    return false;
}

std::string CLuaCallBacks::ErrorText(lua_State* L, int index)
{
    // No conversion that could allocate: this runs outside any protected call.
    switch (lua_type(L, index)) {
    case LUA_TSTRING: {
        size_t len = 0;
        const char* s = lua_tolstring(L, index, &len);
        return std::string(s, len);
    }
    case LUA_TNUMBER: {
        char text[64];
        if (lua_isinteger(L, index))
            std::snprintf(text, sizeof(text), LUA_INTEGER_FMT, static_cast<LUAI_UACINT>(lua_tointeger(L, index)));
        else
            std::snprintf(text, sizeof(text), LUA_NUMBER_FMT, static_cast<LUAI_UACNUMBER>(lua_tonumber(L, index)));
        return text;
    }
    default:
        return std::string("(error object is a ") + luaL_typename(L, index) + " value)";
    }
}

bool CLuaCallBacks::ReportErrorLine(lua_State* L, const char* tag, std::string& message)
{
    if (!L || !tag || message.empty())
        return false;
    // The position "<chunk>:<line>:" that Lua puts in front of a message.
    size_t colon = std::string::npos, lineEnd = 0;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] != ':')
            continue;
        size_t j = i + 1;
        while (j < message.size() && std::isdigit(static_cast<unsigned char>(message[j])))
            ++j;
        if (j > i + 1 && j < message.size() && message[j] == ':') {
            colon = i;
            lineEnd = j;
            break;
        }
    }
    // Only the chunk name loses its folder; a "[string ...]" chunk stays whole.
    if (colon != std::string::npos && message[0] != '[') {
        const size_t sep = message.find_last_of("/\\", colon);
        if (sep != std::string::npos) {
            message.erase(0, sep + 1);
            colon -= sep + 1;
            lineEnd -= sep + 1;
        }
    }
    if (message.size() <= 3)
        return false;
    if (colon != std::string::npos) {
        long line = std::strtol(message.c_str() + colon + 1, nullptr, 10);
        if (line > INT_MAX)
            line = INT_MAX;
        size_t text = lineEnd + 1;
        if (text < message.size() && message[text] == ' ')
            ++text;
        CVersions::Print(true, "(%d) %s", int(line) - 1, message.c_str() + text);
    }
    return true;
}

void CLuaCallBacks::Hook(lua_State* L, lua_Debug* ar)
{
    if (ar->event == LUA_HOOKCOUNT) {
        if (IsScriptStopRequested()) {
            // From now on every instruction fails, so a pcall in the script that
            // catches this error cannot keep its own loop running.
            lua_sethook(L, Hook, lua_gethookmask(L), 1);
            luaL_error(L, "script stopped: the program is closing");
        }
        return;
    }
    // LUA_HOOKLINE: the debugger's line hook runs here.
}

void CLuaCallBacks::InstallHook(lua_State* L, bool lineHook)
{
    if (L)
        lua_sethook(L, Hook, LUA_MASKCOUNT | (lineHook ? LUA_MASKLINE : 0), kHookCount);
}
