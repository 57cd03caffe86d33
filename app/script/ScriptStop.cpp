#include "app/script/ScriptStop.h"

#include <atomic>

namespace {
std::atomic<bool> g_stop{false};
}

void RequestScriptStop(bool stop)
{
    g_stop.store(stop, std::memory_order_relaxed);
}

bool IsScriptStopRequested()
{
    return g_stop.load(std::memory_order_relaxed);
}
