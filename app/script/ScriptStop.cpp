#include "app/script/ScriptStop.h"

#include "platform/Clock.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {
std::atomic<bool> g_stop{false};
std::mutex g_callMutex;
ScriptCall g_call;          // guarded by g_callMutex
uint64_t g_lastSequence = 0;  // guarded by g_callMutex
}

void RequestScriptStop(bool stop)
{
    g_stop.store(stop, std::memory_order_relaxed);
}

bool IsScriptStopRequested()
{
    return g_stop.load(std::memory_order_relaxed);
}

ScriptCallScope::ScriptCallScope(const std::string& script)
{
    std::lock_guard lock(g_callMutex);
    m_outer = g_call;
    if (g_call.sequence == 0) {
        g_call.sequence = ++g_lastSequence;
        g_call.startMs = platform::NowMs();
    }
    g_call.script = script.empty() ? std::string("(unnamed script)") : script;
}

ScriptCallScope::~ScriptCallScope()
{
    std::lock_guard lock(g_callMutex);
    g_call = m_outer;
}

std::string CurrentScriptCall()
{
    std::lock_guard lock(g_callMutex);
    return g_call.script;
}

ScriptCall CurrentScriptCallInfo()
{
    std::lock_guard lock(g_callMutex);
    return g_call;
}

bool WaitForThreadUnlessScriptStuck(const std::function<bool(uint32_t)>& ended, uint64_t deadlineMs,
                                    ScriptCall& stuck)
{
    while (!ended(10)) {
        // the call first, then the clock: a call never starts after `now`
        const ScriptCall call = CurrentScriptCallInfo();
        const uint64_t now = platform::NowMs();
        if (now < deadlineMs || call.sequence == 0)
            continue;
        // the call running now has run since its start: the same call all along
        const uint64_t since = std::max(call.startMs, deadlineMs);
        if (now > since && now - since >= kStuckCallMs) {
            stuck = call;
            return false;
        }
    }
    return true;
}
