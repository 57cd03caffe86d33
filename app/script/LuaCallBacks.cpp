#include "app/script/LuaCallBacks.h"

#include "app/script/LuaScript.h"
#include "app/script/ScriptStop.h"
#include "foundation/core/Versions.h"
#include "platform/KeyState.h"

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
    if (ar->event == LUA_HOOKLINE)
        LineHook(L, ar);
}

int CLuaCallBacks::DumpArgs(lua_State* L)
{
    if (lua_type(L, 1) == LUA_TTABLE) {
        lua_rawgeti(L, 1, 0);
        const bool marked = lua_type(L, -1) == LUA_TLIGHTUSERDATA && lua_touserdata(L, -1);
        lua_pop(L, 1);
        if (marked)
            CVersions::Print(true, "Registered Function(%d) in progress\r\n",
                             int(lua_tointegerx(L, lua_upvalueindex(1), nullptr)));
    }
    for (int i = lua_gettop(L); i >= 1; --i) {
        const int type = lua_type(L, i);
        if (type != LUA_TNUMBER && type != LUA_TSTRING)
            break;  // no text form
        const char* kind = lua_isnumber(L, i) ? "NUMBER" : "STRING";
        CVersions::Print(true, "Val(%s) Type(%s)\r\n", lua_tolstring(L, i, nullptr), kind);
    }
    return 0;
}

void CLuaCallBacks::ValueToText(lua_State* L, int index, std::string& text)
{
    text.clear();
    switch (lua_type(L, index)) {
    case LUA_TNIL: text = "nil"; break;
    case LUA_TBOOLEAN: text = lua_toboolean(L, index) ? "1" : "0"; break;
    case LUA_TLIGHTUSERDATA: text = "lightusrdat"; break;
    case LUA_TNUMBER: {
        char buffer[400];  // room for the widest double in "%f"
        std::snprintf(buffer, sizeof(buffer), "%0.6f", double(lua_tonumber(L, index)));
        text = buffer;
        break;
    }
    case LUA_TSTRING: {
        size_t len = 0;
        const char* s = lua_tolstring(L, index, &len);
        text.assign(s, len);
        break;
    }
    case LUA_TUSERDATA: text = "usrdat"; break;
    case LUA_TTHREAD: text = "thread"; break;
    case LUA_TNONE: text = "none"; break;
    default: break;  // table, function
    }
}

namespace {

std::string VarLine(const std::string& name, const std::string& value, const char* type)
{
    return name + "=" + value + " " + type;
}

} // namespace

void CLuaCallBacks::CollectVariables(lua_State* L, lua_Debug* ar, std::vector<std::string>& list)
{
    list.clear();
    if (!lua_checkstack(L, 4))
        return;
    std::string value;
    list.push_back("\r\n--------- LocalVarList ---------");
    for (int i = 1;; ++i) {
        const char* name = lua_getlocal(L, ar, i);
        if (!name)
            break;
        if (name[0] == '(') {
            lua_pop(L, 1);
            break;
        }
        ValueToText(L, -1, value);
        list.push_back(VarLine(name, value, lua_typename(L, lua_type(L, -1))));
        lua_pop(L, 1);
    }
    list.push_back("\r\n--------- GlobalVarList ---------");
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        // key at -2, value at -1; the key itself stays untouched for lua_next
        const int keyType = lua_type(L, -2);
        if (keyType == LUA_TSTRING || keyType == LUA_TNUMBER) {
            lua_pushvalue(L, -2);
            size_t len = 0;
            const char* key = lua_tolstring(L, -1, &len);
            const std::string name(key, len);
            lua_pop(L, 1);
            ValueToText(L, -1, value);
            list.push_back(VarLine(name, value, lua_typename(L, lua_type(L, -1))));
        }
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
}

void CLuaCallBacks::LineHook(lua_State* L, lua_Debug* ar)
{
    if (!L || !ar || ar->currentline < 0)
        return;
    CLuaScript* script = GetHost(L);
    if (!script || !script->IsDebugging() || IsScriptStopRequested())
        return;
    if (platform::IsKeyHeld(platform::vkside::kLControl) && platform::IsKeyHeld(platform::vkside::kLShift) &&
        platform::IsKeyHeld('C'))
        luaL_error(L, "USER PRESS CTRL+SHIFT+C");
    const int line = ar->currentline - 1;
    if (!script->HasBreakpoint(line) && !script->IsSingleStep())
        return;
    CollectVariables(L, ar, script->m_varList);
    script->ShowBreak(line, script->m_varList);
    // the user may have switched the hook while the thread waited
    script->ApplyHookWish();
}

void CLuaCallBacks::InstallHook(lua_State* L, bool lineHook)
{
    if (L)
        lua_sethook(L, Hook, LUA_MASKCOUNT | (lineHook ? LUA_MASKLINE : 0), kHookCount);
}
