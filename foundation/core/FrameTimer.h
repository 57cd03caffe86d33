#pragma once
#include <cstdint>

// High-resolution frame clock: time between ticks, a smoothed frame rate and seconds.
// A value object used from one thread by its owner.
class CFrameTimer {
public:
    CFrameTimer();
    ~CFrameTimer() = default;

    // Back to the constructed state; returns the new start counter.
    int64_t Reset();
    // Counts a frame and measures the delta since the last tick (at least 1e-4 s);
    // returns the counter ticks since the last tick.
    int64_t Tick();
    // Moving average of 1/delta with weight 0.05 for the newest value; stores and returns it.
    float GetSmoothRate();
    // Instantaneous rate since the last tick; changes nothing.
    double GetRate() const;
    // Current counter in seconds.
    double GetSeconds() const;
    // Accumulates the time since the last call (or reset); true (and the accumulator
    // restarts) once it reaches intervalMs.
    bool IntervalElapsed(float intervalMs);
    // Busy-waits on the high-resolution counter.
    static void WaitMicroseconds(unsigned microseconds);

    double GetDelta() const { return m_delta; }
    int64_t GetFrameCount() const { return m_frameCount; }
    float GetLastSmoothRate() const { return m_smoothRate; }
    int64_t GetFrequency() const { return m_frequency; }

    // Replaces the counter source for all timers (tests); nullptr restores the real one.
    using CounterSource = int64_t (*)();
    static void SetCounterSource(CounterSource counter, int64_t frequency);

    static constexpr double kMinDelta = 1e-4;

private:
    float m_smoothRate;
    float m_intervalMs;
    double m_delta;
    int64_t m_frameCount;
    int64_t m_lastCounter;
    int64_t m_startCounter;
    int64_t m_frequency;
};
