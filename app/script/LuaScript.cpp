#include "app/script/LuaScript.h"

#include "app/script/LuaLock.h"
#include "app/script/ScriptStop.h"
#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <lua.hpp>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

CLuaScript* g_LastHostedScript = nullptr;

namespace {

std::atomic<size_t> g_memoryLimit{CLuaScript::kDefaultMemoryLimit};

const char* ErrorTag(int code)
{
    switch (code) {
    case LUA_ERRRUN: return "ERRRUN ";
    case LUA_ERRSYNTAX: return "SYNTAXERR ";
    case LUA_ERRMEM: return "LUA_ERRMEM ";
    case LUA_ERRGCMM: return "LUA_ERRGCMM ";
    case LUA_ERRERR: return "LUA_ERRERR ";
    case LUA_ERRFILE: return "ERRFILE ";
    default: return "ERROR ";
    }
}

int Panic(lua_State* L)
{
    CVersions::Print(false, "CLuaScript::Panic %s\r\n", CLuaCallBacks::ErrorText(L, -1).c_str());
    return 0;  // Lua aborts
}

// Largest script file read (far above any script).
constexpr uint64_t kMaxScriptFile = uint64_t(64) << 20;

// The Lua source of a script file: as a file load does, a UTF-8 byte order mark
// is skipped, and a first line beginning with "#" is skipped but its line end
// kept, so line numbers stay.
struct SourceText {
    const char* text;
    size_t size;
    bool precompiled;  // what follows is a precompiled chunk
};
SourceText ScriptSource(const std::vector<uint8_t>& bytes)
{
    const char* text = reinterpret_cast<const char*>(bytes.data());
    size_t size = bytes.size();
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        text += 3;
        size -= 3;
    }
    if (size > 0 && text[0] == '#') {
        const void* lineEnd = std::memchr(text, '\n', size);
        const size_t skip = lineEnd ? size_t(static_cast<const char*>(lineEnd) - text) : size;
        text += skip;
        size -= skip;
        if (size > 1 && text[1] == LUA_SIGNATURE[0])
            return {text, size, true};
        if (size == 0) {
            text = "\n";
            size = 1;
        }
    }
    return {size > 0 ? text : "", size, size > 0 && text[0] == LUA_SIGNATURE[0]};
}

// Loads the script's source and runs it; a load error is handed back as a
// status with its message, a run error raises through the protected call.
struct CompileCall {
    SourceText source;
    std::string chunkName;  // "@" and the path, as a file load names it
    int loadStatus = LUA_OK;
};

int CompileFunction(lua_State* L)
{
    auto* call = static_cast<CompileCall*>(lua_touserdata(L, 1));
    // text only: Lua does not verify precompiled chunks
    call->loadStatus = luaL_loadbufferx(L, call->source.text, call->source.size, call->chunkName.c_str(), "t");
    if (call->loadStatus != LUA_OK)
        return 1;
    lua_call(L, 0, 0);
    return 0;
}

struct GlobalCall {
    const char* name = nullptr;
    bool wantText = false;
    std::string text;
    double number = 0;
};

// Pushes the raw value of a global: no metamethod of _G runs.
int PushGlobalRaw(lua_State* L, const char* name)
{
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushstring(L, name);
    return lua_rawget(L, -2);
}

int GlobalFunction(lua_State* L)
{
    auto* call = static_cast<GlobalCall*>(lua_touserdata(L, 1));
    const int type = PushGlobalRaw(L, call->name);
    if (call->wantText) {
        if (type == LUA_TSTRING || type == LUA_TNUMBER) {
            size_t len = 0;
            const char* s = lua_tolstring(L, -1, &len);
            call->text.assign(s, len);
        }
    } else {
        call->number = double(lua_tonumberx(L, -1, nullptr));
    }
    return 0;
}

} // namespace

struct CLuaScript::EventArg {
    enum Kind { kInteger, kNumber, kText } kind;
    lua_Integer i = 0;
    lua_Number n = 0;
    const char* s = nullptr;
    static EventArg Int(int v) { return {kInteger, v, 0, nullptr}; }
    static EventArg Num(float v) { return {kNumber, 0, v, nullptr}; }
    static EventArg Text(const char* v) { return {kText, 0, 0, v}; }
};

namespace {

struct EventCall {
    const char* name;
    const void* args;  // CLuaScript::EventArg[count]
    int count;
    int results;
    bool found = false;
    int result = 0;
};

} // namespace

CLuaScript::~CLuaScript()
{
    Close();
    if (g_LastHostedScript == this)
        g_LastHostedScript = nullptr;
}

void CLuaScript::SetMemoryLimit(size_t bytes)
{
    g_memoryLimit.store(bytes);
}

void* CLuaScript::LuaAlloc(void* ud, void* ptr, size_t osize, size_t nsize)
{
    auto* memory = static_cast<Memory*>(ud);
    const size_t old = ptr ? osize : 0;  // without a block osize names the object's type
    if (nsize == 0) {
        std::free(ptr);
        if (memory)
            memory->used -= old;
        return nullptr;
    }
    if (memory && nsize > old && memory->used - old + nsize > memory->limit)
        return nullptr;
    void* block = std::realloc(ptr, nsize);
    if (block && memory)
        memory->used = memory->used - old + nsize;
    return block;
}

bool CLuaScript::Host(const std::string& path)
{
    m_ranOk = false;
    DeleteLuaLock();
    CloseState();
    m_memory = Memory{0, g_memoryLimit.load()};
    m_L = lua_newstate(LuaAlloc, &m_memory);
    if (!m_L)
        return false;
    InitLuaLock();
    lua_atpanic(m_L, Panic);
    luaL_openlibs(m_L);
    SetHost(m_L, this);
    m_path = path;
    PublishHostFunctions(m_L);
    InstallHook(m_L, m_link && m_link->HookWish());
    g_LastHostedScript = this;
    CVersions::Print(true, "CLuaScript::Host Create succseed Signal(%s)\r\n", m_runEventName.c_str());
    return true;
}

int CLuaScript::RunProtected(int (*function)(lua_State*), void* context)
{
    if (lua_gethookcount(m_L) != kHookCount)  // a withdrawn stop request left it at 1
        InstallHook(m_L, (lua_gethookmask(m_L) & LUA_MASKLINE) != 0);
    ApplyHookWish();
    lua_pushcfunction(m_L, function);
    lua_pushlightuserdata(m_L, context);
    ScriptCallScope call(m_path);
    return lua_pcall(m_L, 1, LUA_MULTRET, 0);
}

bool CLuaScript::Compile(const char* path)
{
    if (!m_L)
        return false;
    m_ranOk = false;
    m_lastErrorCode = 0;
    m_lastError.clear();
    const std::string file = path ? std::string(path) : m_path;
    lua_settop(m_L, 0);
    const std::string resolved = platform::ResolvePath(file);  // either separator, any case
    // Through the file helper: a regular file within the size cap, or one error
    // line naming it.
    std::vector<uint8_t> bytes;
    std::string why;
    if (!platform::ReadWholeFile(resolved, bytes, kMaxScriptFile, &why))
        return LuaErr(LUA_ERRFILE, ("cannot open " + resolved + ": " + why).c_str());
    const SourceText source = ScriptSource(bytes);
    if (source.precompiled)
        return LuaErr(LUA_ERRSYNTAX, (resolved + ": a precompiled chunk, not run: only Lua source is run").c_str());
    CompileCall call{source, "@" + resolved};
    int status = RunProtected(CompileFunction, &call);
    if (status == LUA_OK && call.loadStatus != LUA_OK)
        status = call.loadStatus;
    if (status == LUA_ERRMEM)  // Lua's message names no script
        return LuaErr(status, (file + ": " + ErrorText(m_L, -1)).c_str());
    if (status != LUA_OK)
        return LuaErr(status, ErrorText(m_L, -1).c_str());
    lua_settop(m_L, 0);
    m_ranOk = true;
    CVersions::Print(true, "\r\nCLuaScript::Compile File %s Succseed\r\n", file.c_str());
    return true;
}

bool CLuaScript::LuaErr(int code, const char* message)
{
    if (code != 0 && (!message || !*message))
        message = "(no message)";  // error("") is an error all the same
    if (message && *message && code != 0) {
        m_lastError = message;
        m_lastErrorCode = code;
    } else if (m_lastErrorCode == 0 || m_lastError.empty()) {
        return false;
    }
    m_ranOk = false;
    const char* tag = ErrorTag(m_lastErrorCode);
    std::string text = m_lastError;
    ReportErrorLine(m_L, tag, text);
    CheckResults(-1, m_L);
    CVersions::Print(false, "\r\nCLuaScript::LuaErr %s %s\r\n", tag, text.c_str());
    return false;
}

bool CLuaScript::AttachDebugger(bool on)
{
    if (!m_L)
        return false;
    if (m_link)
        m_link->SetDebugCallback(on ? this : nullptr, on ? SwitchLineHook : nullptr);
    return true;
}

void CLuaScript::SwitchLineHook(void* script, bool on)
{
    auto* self = static_cast<CLuaScript*>(script);
    if (self && self->m_link)
        self->m_link->SetHookWish(on);
}

void CLuaScript::ApplyHookWish()
{
    if (!m_L)
        return;
    const bool want = m_link && m_link->HookWish();
    const bool has = (lua_gethookmask(m_L) & LUA_MASKLINE) != 0;
    if (want != has)  // the count stays: a stop request may have shortened it
        lua_sethook(m_L, Hook, LUA_MASKCOUNT | (want ? LUA_MASKLINE : 0), lua_gethookcount(m_L));
}

void CLuaScript::Close()
{
    if (m_link)
        m_link->SetDebugCallback(nullptr, nullptr);
    m_ranOk = false;
    DeleteLuaLock();
    CloseState();
}

void CLuaScript::CloseState()
{
    if (!m_L)
        return;
    ScriptCallScope call(m_path);  // the finalizers run now
    lua_close(m_L);
    m_L = nullptr;
}

bool CLuaScript::Raise(const char* name, const EventArg* args, int count, int results, int* result)
{
    if (!m_ranOk || !m_L)
        return false;
    EventCall call{name, args, count, results};
    // The look-up, the arguments and the call all run protected: an erroring
    // metamethod or a failed allocation becomes a reported error, not a panic.
    const int top = lua_gettop(m_L);
    const int status = RunProtected(
        [](lua_State* L) {
            auto* c = static_cast<EventCall*>(lua_touserdata(L, 1));
            lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
            lua_pushstring(L, c->name);
            if (lua_rawget(L, -2) != LUA_TFUNCTION)
                return 0;
            c->found = true;
            const auto* a = static_cast<const EventArg*>(c->args);
            for (int i = 0; i < c->count; ++i) {
                switch (a[i].kind) {
                case EventArg::kInteger: lua_pushinteger(L, a[i].i); break;
                case EventArg::kNumber: lua_pushnumber(L, a[i].n); break;
                case EventArg::kText: lua_pushstring(L, a[i].s); break;
                }
            }
            lua_call(L, c->count, c->results);
            if (c->results > 0) {
                int isInteger = 0;
                const lua_Integer v = lua_tointegerx(L, -1, &isInteger);
                c->result = isInteger ? int(v) : 0;
            }
            return 0;
        },
        &call);
    if (status != LUA_OK) {
        std::string message = ErrorText(m_L, -1);
        if (status == LUA_ERRMEM)  // Lua's message names no script
            message = m_path + ": " + message;
        lua_settop(m_L, top);
        return LuaErr(status, message.c_str());
    }
    lua_settop(m_L, top);
    if (result)
        *result = call.result;
    return call.found;
}

bool CLuaScript::OnImage(int a, int b, int index)
{
    const EventArg args[] = {EventArg::Int(a), EventArg::Int(b), EventArg::Int(index)};
    return Raise("OnImage", args, 3, 0, nullptr);
}

bool CLuaScript::OnObj(int id, const CVec3& pos, const CVec3& rot)
{
    const EventArg args[] = {EventArg::Int(id),    EventArg::Num(pos.x), EventArg::Num(pos.y), EventArg::Num(pos.z),
                             EventArg::Num(rot.x), EventArg::Num(rot.y), EventArg::Num(rot.z)};
    return Raise("OnObj", args, 7, 0, nullptr);
}

bool CLuaScript::OnUsrDat(const char* a, const char* b, int n)
{
    const EventArg args[] = {EventArg::Text(a), EventArg::Text(b), EventArg::Int(n)};
    return Raise("OnUsrDat", args, 3, 0, nullptr);
}

bool CLuaScript::OnJoy(int a, int b, int c, int d, int e, int f)
{
    const EventArg args[] = {EventArg::Int(a), EventArg::Int(b), EventArg::Int(c),
                             EventArg::Int(d), EventArg::Int(e), EventArg::Int(f)};
    return Raise("OnJoy", args, 6, 0, nullptr);
}

int CLuaScript::OnIdle(int n)
{
    const EventArg args[] = {EventArg::Int(n)};
    int result = 0;
    return Raise("OnIdle", args, 1, 1, &result) ? result : 0;
}

void CLuaScript::ReadGlobal(const char* name, bool wantText, std::string* text, double* number)
{
    if (!m_L || !name)
        return;
    GlobalCall call;
    call.name = name;
    call.wantText = wantText;
    const int top = lua_gettop(m_L);
    RunProtected(GlobalFunction, &call);
    lua_settop(m_L, top);
    if (text)
        *text = std::move(call.text);
    if (number)
        *number = call.number;
}

std::string CLuaScript::GetGlobalString(const char* name)
{
    std::string text;
    ReadGlobal(name, true, &text, nullptr);
    return text;
}

double CLuaScript::GetGlobalNumber(const char* name)
{
    double number = 0.0;
    ReadGlobal(name, false, nullptr, &number);
    return number;
}

double CLuaScript::GetLuaNumber(const char* name)
{
    CLuaScript* script = g_LastHostedScript;
    return script ? script->GetGlobalNumber(name) : 0.0;
}
