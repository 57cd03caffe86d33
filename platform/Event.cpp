#include "platform/Event.h"

#include <chrono>
#include <map>

namespace platform {

Event::Event(bool manualReset, bool initialState) : m_manual(manualReset), m_set(initialState) {}

void Event::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    if (m_manual)
        m_cv.notify_all();
    else
        m_cv.notify_one();
}

void Event::Reset()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

void Event::Pulse()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_waiters == 0) {
            m_set = false;
            return;
        }
        ++m_pulses;
        m_pulseReleases = m_manual ? m_waiters : 1;
        m_set = false;
    }
    m_cv.notify_all();
}

bool Event::Wait(uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const uint64_t pulses = m_pulses;
    auto ready = [&] {
        if (m_set)
            return true;
        return m_pulses != pulses && m_pulseReleases > 0;
    };
    ++m_waiters;
    bool ok;
    if (timeoutMs == kInfinite) {
        m_cv.wait(lock, ready);
        ok = true;
    } else {
        ok = m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    }
    --m_waiters;
    if (!ok)
        return false;
    if (m_set) {
        if (!m_manual)
            m_set = false;
    } else {
        --m_pulseReleases;
    }
    return true;
}

bool Event::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_set;
}

namespace {
std::mutex g_registryMutex;
std::map<std::string, std::weak_ptr<Event>>& Registry()
{
    static std::map<std::string, std::weak_ptr<Event>> registry;
    return registry;
}
} // namespace

EventPtr CreateNamedEvent(const std::string& name, bool manualReset, bool initialState)
{
    std::lock_guard lock(g_registryMutex);
    auto& reg = Registry();
    if (auto it = reg.find(name); it != reg.end())
        if (auto existing = it->second.lock())
            return existing;
    auto ev = std::make_shared<Event>(manualReset, initialState);
    reg[name] = ev;
    return ev;
}

EventPtr OpenNamedEvent(const std::string& name)
{
    std::lock_guard lock(g_registryMutex);
    auto& reg = Registry();
    auto it = reg.find(name);
    if (it == reg.end())
        return nullptr;
    auto ev = it->second.lock();
    if (!ev)
        reg.erase(it);
    return ev;
}

} // namespace platform
