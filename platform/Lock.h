#pragma once
#include <mutex>

namespace platform {

// Recursive lock with the enter/leave shape of a critical section.
class RecursiveLock {
public:
    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }
    bool TryEnter() { return m_mutex.try_lock(); }
    // BasicLockable, for std::lock_guard / std::unique_lock
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

} // namespace platform
