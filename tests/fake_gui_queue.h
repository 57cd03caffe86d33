#pragma once
// A stand-in for the GUI thread of the debugger tests: one thread running the
// callables posted to it in order, optionally slowed down to act like a busy
// user interface. Use as a CDebugLink poster.
#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class FakeGuiQueue {
public:
    explicit FakeGuiQueue(std::chrono::microseconds delay = std::chrono::microseconds(0))
        : m_delay(delay), m_thread([this] { Run(); })
    {
    }
    ~FakeGuiQueue()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

    bool Post(std::function<void()> fn)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(std::move(fn));
            m_maxQueued = std::max(m_maxQueued, m_queue.size());
        }
        m_cv.notify_all();
        return true;
    }
    // Runs fn on the GUI thread and waits until it and everything before it ran.
    void Sync(std::function<void()> fn = [] {})
    {
        std::mutex doneMutex;
        std::condition_variable doneCv;
        bool done = false;
        Post([&] {
            fn();
            std::lock_guard<std::mutex> lock(doneMutex);
            done = true;
            doneCv.notify_all();
        });
        std::unique_lock<std::mutex> lock(doneMutex);
        doneCv.wait(lock, [&] { return done; });
    }
    void ResetMaxQueued()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_maxQueued = m_queue.size();
    }
    size_t MaxQueued() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_maxQueued;
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            auto fn = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            if (m_delay.count())
                std::this_thread::sleep_for(m_delay);
            fn();
            lock.lock();
        }
    }

    const std::chrono::microseconds m_delay;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    size_t m_maxQueued = 0;
    bool m_stop = false;
    std::thread m_thread;
};
