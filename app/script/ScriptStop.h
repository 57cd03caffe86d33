#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Process-wide stop request for running scripts. The shell sets it on every path
// that stops the render thread; while it is set, any running Lua code ends with
// a run-time error at its next instruction-count check, so an endless loop in a
// script cannot keep the program from closing.
void RequestScriptStop(bool stop);
bool IsScriptStopRequested();

// The script call the render thread is inside, for the shell.
struct ScriptCall {
    std::string script;     // its path; "" while no call runs
    uint64_t sequence = 0;  // each outermost call takes the next number, from 1
    uint64_t startMs = 0;   // platform::NowMs() when the outermost call began
};

// Set around every call into a Lua state and while a state closes (its
// finalizers run then). A nested call shows its own path while it runs and
// keeps the outermost call's number and start.
class ScriptCallScope {
public:
    explicit ScriptCallScope(const std::string& script);
    ~ScriptCallScope();
    ScriptCallScope(const ScriptCallScope&) = delete;
    ScriptCallScope& operator=(const ScriptCallScope&) = delete;

private:
    ScriptCall m_outer;
};
// "" while no script call runs.
std::string CurrentScriptCall();
ScriptCall CurrentScriptCallInfo();

// The shutdown's wait for the render thread. `ended(ms)` waits up to ms for the
// thread's end (serving the GUI meanwhile) and says whether it has ended. Past
// deadlineMs (platform::NowMs) the wait gives up once one script call has run on
// for kStuckCallMs past the deadline: false then, with `stuck` that call. Calls
// that end sooner, and time outside calls, are waited out.
constexpr uint64_t kStuckCallMs = 1000;
bool WaitForThreadUnlessScriptStuck(const std::function<bool(uint32_t)>& ended, uint64_t deadlineMs,
                                    ScriptCall& stuck);
