#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// An event object: manual reset (stays set until reset) or auto reset
// (one waiter is released and the event resets itself).
class Event {
public:
    explicit Event(bool manualReset = false, bool initialState = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // Releases the waiters present now (all for manual, one for auto) and leaves the event reset.
    void Pulse();
    // True when signalled within timeoutMs (kInfinite waits for ever).
    bool Wait(uint32_t timeoutMs = kInfinite);
    bool IsSet() const;
    bool IsManualReset() const { return m_manual; }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    const bool m_manual;
    bool m_set;
    uint64_t m_pulses = 0;  // generation counter for Pulse
    int m_waiters = 0;
    int m_pulseReleases = 0;
};

using EventPtr = std::shared_ptr<Event>;

// Process-wide registry of named events. Creating an existing name returns the
// existing event; the entry lives while anyone holds it.
EventPtr CreateNamedEvent(const std::string& name, bool manualReset, bool initialState);
EventPtr OpenNamedEvent(const std::string& name);

} // namespace platform
