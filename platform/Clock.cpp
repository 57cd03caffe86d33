#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {
using Steady = std::chrono::steady_clock;
// Taken on first use, so objects constructed during static initialisation (in any
// order) already read a valid clock.
Steady::time_point Start()
{
    static const Steady::time_point start = Steady::now();
    return start;
}
// ...and at the latest when this file is initialised.
[[maybe_unused]] const Steady::time_point g_startTaken = Start();
} // namespace

uint64_t NowMs()
{
    const auto start = Start();
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count());
}

uint32_t TickCount() { return uint32_t(NowMs()); }

int64_t PerfCounter()
{
    const auto start = Start();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - start).count();
}

int64_t PerfFrequency() { return 1000000000LL; }

double CounterSeconds() { return double(PerfCounter()) / double(PerfFrequency()); }

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace platform
