#pragma once
#include "app/script/LuaCallBacks.h"
#include "foundation/math/Vec3.h"

#include <cstddef>
#include <string>

// One scene script: its Lua state, the compile of its file, and its events.
// Every call is made on the render thread.
class CLuaScript : public CLuaCallBacks {
public:
    CLuaScript() = default;
    ~CLuaScript() override;

    // Creates a fresh state (all standard libraries, the host functions, the stop
    // hook) for the script at path and makes this the last hosted script.
    bool Host(const std::string& path);
    // Loads and runs the whole file (the script path when none is given) in the
    // state; the script gets events only while the last compile succeeded.
    bool Compile(const char* path = nullptr);
    // Reports an error: logs its line ("(<line - 1>) ...") and
    // "CLuaScript::LuaErr <tag> <message>", stops the events. Always false.
    bool LuaErr(int code, const char* message);
    void Close();

    // Events, raised only after a successful compile and only when the script
    // defines them as functions; false when not raised or when they fail.
    bool OnImage(int a, int b, int index);
    bool OnObj(int id, const CVec3& pos, const CVec3& rot);
    bool OnUsrDat(const char* a, const char* b, int n);
    bool OnJoy(int a, int b, int c, int d, int e, int f);
    // The event's integer result; 0 on any failure.
    int OnIdle(int n);

    // Globals, read raw (no metamethods); "" and 0 when missing or not convertible.
    std::string GetGlobalString(const char* name);
    double GetGlobalNumber(const char* name);
    // The global of the last hosted script as a number (the input controller's
    // value getter); 0 without a hosted script with an open state.
    static double GetLuaNumber(const char* name);

    // The allocator of every state; ud is the state's byte count. Growth past the
    // state's limit is refused, so a runaway script fails with a memory error.
    static void* LuaAlloc(void* ud, void* ptr, size_t osize, size_t nsize);
    static constexpr size_t kDefaultMemoryLimit = size_t(512) << 20;
    // The limit for states hosted from now on (tests lower it).
    static void SetMemoryLimit(size_t bytes);

    // Hands the editor this script's hook switch (on) or takes it back (off);
    // false without a Lua state.
    bool AttachDebugger(bool on);
    // The editor's switch of the line hook (any thread): only records the wish,
    // which the render thread applies before each script call and after a stop.
    static void SwitchLineHook(void* script, bool on);
    // Sets the line mask of the hook as last wished (render thread).
    void ApplyHookWish();

    lua_State* GetState() const { return m_L; }
    bool HasRun() const { return m_ranOk; }
    const std::string& GetLastError() const { return m_lastError; }
    int GetLastErrorCode() const { return m_lastErrorCode; }

    struct Memory {
        size_t used = 0;
        size_t limit = kDefaultMemoryLimit;
    };

private:
    struct EventArg;
    bool Raise(const char* name, const EventArg* args, int count, int results, int* result);
    int RunProtected(int (*function)(lua_State*), void* context);
    // lua_close, which runs the finalizers, marked as a script call.
    void CloseState();
    void ReadGlobal(const char* name, bool wantText, std::string* text, double* number);

    lua_State* m_L = nullptr;
    bool m_ranOk = false;
    std::string m_lastError;
    int m_lastErrorCode = 0;
    Memory m_memory;
};

// The script hosted last (after scene creation: "Lua//Options.lua"), whose
// globals GetLuaNumber serves.
extern CLuaScript* g_LastHostedScript;
