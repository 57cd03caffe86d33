#pragma once
#include <string>

// Process-wide stop request for running scripts. The shell sets it on every path
// that stops the render thread; while it is set, any running Lua code ends with
// a run-time error at its next instruction-count check, so an endless loop in a
// script cannot keep the program from closing.
void RequestScriptStop(bool stop);
bool IsScriptStopRequested();

// The script the render thread is inside (its path), for the shell: set around
// every call into a Lua state and while a state closes (its finalizers run then).
// Nested calls keep the outer one's name once they return.
class ScriptCallScope {
public:
    explicit ScriptCallScope(const std::string& script);
    ~ScriptCallScope();
    ScriptCallScope(const ScriptCallScope&) = delete;
    ScriptCallScope& operator=(const ScriptCallScope&) = delete;

private:
    std::string m_outer;
};
// "" while no script call runs.
std::string CurrentScriptCall();
