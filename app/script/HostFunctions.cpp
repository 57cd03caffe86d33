// The functions every scene script can call.
#include "app/script/LuaCallBacks.h"
#include "app/script/LuaScript.h"
#include "app/script/ScriptScene.h"
#include "foundation/core/Versions.h"

#include <lua.hpp>

namespace {

IScriptScene* SceneOf(lua_State* L)
{
    CLuaScript* script = CLuaCallBacks::GetHost(L);
    return script ? script->GetScene() : nullptr;
}

// Text of an argument: strings and numbers as Lua writes them, booleans as
// "true"/"false", anything else as its type name ("nil", "table", ...).
const char* ArgText(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TSTRING:
    case LUA_TNUMBER:
        return lua_tolstring(L, index, nullptr);
    case LUA_TBOOLEAN:
        return lua_toboolean(L, index) ? "true" : "false";
    default:
        return luaL_typename(L, index);
    }
}

float Number(lua_State* L, int index)
{
    return float(lua_tonumberx(L, index, nullptr));
}

bool Flag(lua_State* L, int index)
{
    return lua_tointegerx(L, index, nullptr) != 0;
}

} // namespace

int CLuaCallBacks::Print(lua_State* L)
{
    const int n = lua_gettop(L);
    for (int i = 1; i <= n; ++i)
        CVersions::Print(true, "%s", ArgText(L, i));
    return 0;
}

int CLuaCallBacks::ComInfo(lua_State* L)
{
    if (lua_gettop(L) == 0)
        lua_pushcfunction(L, ComInfo);  // with no argument: the function itself
    return 1;
}

int CLuaCallBacks::SetPosRot(lua_State* L)
{
    const int n = lua_gettop(L);
    if (n != 7) {
        CVersions::Print(false,
                         "CLuaCallBacks::_SetPosRot abort not enough parameters given %d/7 (id,px,py,pz,rx,ry,rz)\r\n",
                         n);
        lua_settop(L, 0);
        return 0;
    }
    if (IScriptScene* scene = SceneOf(L))
        scene->SetModelPosRot(int(lua_tointegerx(L, 1, nullptr)), CVec3(Number(L, 2), Number(L, 3), Number(L, 4)),
                              CVec3(Number(L, 5), Number(L, 6), Number(L, 7)));
    return 0;
}

int CLuaCallBacks::Load3DS(lua_State* L)
{
    const int n = lua_gettop(L);
    if (n != 7) {
        CVersions::Print(
            false,
            "CLuaCallBacks::_Load3DS abort not enough parameters given %d/7 (fname,px,py,pz,scale,bitmap,subtils)\r\n",
            n);
        lua_settop(L, 0);
        return 0;
    }
    const char* name = lua_tolstring(L, 1, nullptr);
    int size = 0;
    if (IScriptScene* scene = SceneOf(L))
        size = scene->Load3DS(name ? name : "", CVec3(Number(L, 2), Number(L, 3), Number(L, 4)), Number(L, 5),
                              Flag(L, 6), Flag(L, 7));
    lua_pushinteger(L, size);
    return 1;
}

int CLuaCallBacks::Clear3DS(lua_State* L)
{
    if (lua_gettop(L) != 0) {
        CVersions::Print(false, "CLuaCallBacks::_Clear3DS Has no parameters\r\n");
        lua_settop(L, 0);
        return 0;
    }
    if (IScriptScene* scene = SceneOf(L))
        scene->Clear3DS();
    return 0;
}

int CLuaCallBacks::Say(lua_State* L)
{
    if (lua_gettop(L) >= 1)
        CVersions::Say(true, "%s", ArgText(L, 1));
    return 0;
}

void CLuaCallBacks::PublishHostFunctions(lua_State* L)
{
    static const luaL_Reg functions[] = {
        {"Print", Print},         {"ComInfo", ComInfo},     {"SetPosRot", SetPosRot},
        {"Load3DS", Load3DS},     {"Clear3DS", Clear3DS},   {"Say", Say},
    };
    for (const luaL_Reg& f : functions) {
        lua_pushcclosure(L, f.func, 0);
        lua_setglobal(L, f.name);
    }
}
