#include "foundation/core/FrameTimer.h"

#include <atomic>

#include "platform/Clock.h"

namespace {
std::atomic<CFrameTimer::CounterSource> g_counterSource{nullptr};
std::atomic<int64_t> g_sourceFrequency{0};

bool PerfAvailable() { return platform::PerfFrequency() > 0; }

int64_t ReadFrequency()
{
    if (g_counterSource.load(std::memory_order_acquire))
        return g_sourceFrequency.load(std::memory_order_relaxed);
    const int64_t f = platform::PerfFrequency();
    return f > 0 ? f : 1000; // the millisecond tick count stands in
}

int64_t ReadCounter()
{
    if (const CFrameTimer::CounterSource source = g_counterSource.load(std::memory_order_acquire))
        return source();
    return PerfAvailable() ? platform::PerfCounter() : int64_t(platform::TickCount());
}
} // namespace

void CFrameTimer::SetCounterSource(CounterSource counter, int64_t frequency)
{
    g_sourceFrequency.store(frequency > 0 ? frequency : 1000, std::memory_order_relaxed);
    g_counterSource.store(counter, std::memory_order_release);
}

CFrameTimer::CFrameTimer() { Reset(); }

int64_t CFrameTimer::Reset()
{
    m_smoothRate = 0.0f;
    m_intervalMs = 0.0f;
    m_delta = 1.0;
    m_frameCount = 1;
    m_frequency = ReadFrequency();
    m_startCounter = ReadCounter();
    m_lastCounter = m_startCounter;
    return m_startCounter;
}

int64_t CFrameTimer::Tick()
{
    ++m_frameCount;
    const int64_t now = ReadCounter();
    const int64_t elapsed = now - m_lastCounter;
    const double delta = double(elapsed) / double(m_frequency);
    m_delta = delta >= kMinDelta ? delta : kMinDelta; // also replaces NaN
    m_lastCounter = now;
    return elapsed;
}

float CFrameTimer::GetSmoothRate()
{
    m_smoothRate = float(0.05 / m_delta + double(0.95f * m_smoothRate));
    return m_smoothRate;
}

double CFrameTimer::GetRate() const
{
    return 1.0 / (double(ReadCounter() - m_lastCounter) / double(m_frequency));
}

double CFrameTimer::GetSeconds() const { return double(ReadCounter()) / double(m_frequency); }

bool CFrameTimer::IntervalElapsed(float intervalMs)
{
    const int64_t now = ReadCounter();
    m_intervalMs += float(1000.0 * double(now - m_startCounter) / double(m_frequency));
    m_startCounter = now;
    if (m_intervalMs >= intervalMs) {
        m_intervalMs = 0.0f;
        return true;
    }
    return false;
}

void CFrameTimer::WaitMicroseconds(unsigned microseconds)
{
    const double frequency = double(platform::PerfFrequency());
    const int64_t start = platform::PerfCounter();
    while (float(double(platform::PerfCounter() - start) / frequency * 1000000.0) < float(microseconds)) {
    }
}
