#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since process start, from one monotonic clock.
uint64_t NowMs();
// 32-bit tick count in milliseconds; wraps like a system tick counter.
uint32_t TickCount();
// High-resolution counter and its frequency (ticks per second).
int64_t PerfCounter();
int64_t PerfFrequency();
// Seconds since process start from the high-resolution counter.
double CounterSeconds();
void SleepMs(uint32_t ms);

} // namespace platform
