#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {
using Steady = std::chrono::steady_clock;
const Steady::time_point g_start = Steady::now();
} // namespace

uint64_t NowMs()
{
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - g_start).count());
}

uint32_t TickCount() { return uint32_t(NowMs()); }

int64_t PerfCounter()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - g_start).count();
}

int64_t PerfFrequency() { return 1000000000LL; }

double CounterSeconds() { return double(PerfCounter()) / double(PerfFrequency()); }

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace platform
