#include "foundation/core/WorkerPool.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QM_PAUSE() _mm_pause()
#else
#define QM_PAUSE() ((void)0)
#endif

// The workers sleep on the job ticket (a futex), not on a lock, so that a new job
// wakes them all at once. A ticket holds the job's number (high bits), whether the
// job is dynamic, and how many run it (low byte) in one word, so a worker never
// pairs one job's number with another's kind or count.
constexpr uint32_t kCountMask = 0xff; // at most 255 run one job
constexpr uint32_t kDynamic = 0x100;
constexpr uint32_t kTicketLow = 0x1ff;
// A dynamic job's gate: its ticket (high word), closed once job(0) has returned,
// and how many workers are inside the job.
constexpr uint64_t kClosed = uint64_t(1) << 31;
constexpr uint64_t kInside = kClosed - 1;

struct CWorkerPool::State {
    std::vector<std::thread> threads;
    const std::function<void(int)>* job = nullptr; // stable while any worker runs it
    std::atomic<uint32_t> ticket{0};
    std::atomic<int> running{0};
    std::atomic<uint64_t> gate{0};
    std::atomic<bool> quit{false};

    void Work(int index, uint32_t seen)
    {
        for (;;) {
            uint32_t now = ticket.load(std::memory_order_acquire);
            for (int spin = 0; now == seen && spin < 2000; ++spin) { // jobs often come in a row
                QM_PAUSE();
                now = ticket.load(std::memory_order_acquire);
            }
            if (now == seen) {
                ticket.wait(seen, std::memory_order_acquire);
                continue;
            }
            seen = now;
            if (quit.load(std::memory_order_acquire))
                return;
            if (index >= int(now & kCountMask))
                continue;
            if (!(now & kDynamic)) {
                (*job)(index);
                if (running.fetch_sub(1, std::memory_order_acq_rel) == 1)
                    running.notify_one();
            } else if (Enter(now)) {
                (*job)(index);
                if (gate.fetch_sub(1, std::memory_order_acq_rel) - 1 == ((uint64_t(now) << 32) | kClosed))
                    gate.notify_all();
            }
        }
    }

    // A worker joins the dynamic job `now` unless it has ended or is closing.
    bool Enter(uint32_t now)
    {
        uint64_t g = gate.load(std::memory_order_acquire);
        do {
            if (uint32_t(g >> 32) != now || (g & kClosed))
                return false;
        } while (!gate.compare_exchange_weak(g, g + 1, std::memory_order_acq_rel, std::memory_order_acquire));
        return true;
    }

    void Post(int count, bool dynamic)
    {
        const uint32_t next = ((ticket.load(std::memory_order_relaxed) | kTicketLow) + 1) | (dynamic ? kDynamic : 0) |
                              uint32_t(count);
        gate.store(uint64_t(next) << 32, std::memory_order_relaxed); // published by the ticket
        ticket.store(next, std::memory_order_release);
        ticket.notify_all();
    }
};

CWorkerPool& CWorkerPool::Shared()
{
    static CWorkerPool pool;
    return pool;
}

CWorkerPool::~CWorkerPool()
{
    if (!m_state)
        return;
    m_state->quit.store(true, std::memory_order_release);
    m_state->Post(0, false);
    for (auto& t : m_state->threads)
        t.join();
    delete m_state;
}

void CWorkerPool::Run(int n, const std::function<void(int)>& job)
{
    Start(n, job, false);
}

void CWorkerPool::RunDynamic(int n, const std::function<void(int)>& job)
{
    Start(n, job, true);
}

void CWorkerPool::Start(int n, const std::function<void(int)>& job, bool dynamic)
{
    if (n <= 0)
        return;
    if (n == 1) {
        job(0);
        return;
    }
    bool expected = false;
    if (n > int(kCountMask) || !m_busy.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
        // busy (another thread's job, or a job inside a job), or too many: threads of its own
        std::vector<std::thread> own;
        own.reserve(size_t(n - 1));
        for (int k = 1; k < n; ++k)
            own.emplace_back(job, k);
        job(0);
        for (auto& t : own)
            t.join();
        return;
    }
    if (!m_state)
        m_state = new State;
    State& s = *m_state;
    // worker k (from 1) runs job(k); a worker started now sees the job at once
    s.job = &job;
    s.running.store(n - 1, std::memory_order_relaxed);
    while (int(s.threads.size()) < n - 1) {
        const int index = int(s.threads.size()) + 1;
        const uint32_t seen = s.ticket.load(std::memory_order_relaxed);
        s.threads.emplace_back([&s, index, seen] { s.Work(index, seen); });
    }
    s.Post(n, dynamic);
    job(0);
    if (dynamic) { // close the gate, then wait for the workers inside
        uint64_t g = s.gate.fetch_or(kClosed, std::memory_order_acq_rel) | kClosed;
        for (int spin = 0; g & kInside; ++spin) {
            if (spin < 2000)
                QM_PAUSE();
            else
                s.gate.wait(g, std::memory_order_acquire);
            g = s.gate.load(std::memory_order_acquire);
        }
    } else {
        for (int spin = 0;; ++spin) {
            const int left = s.running.load(std::memory_order_acquire);
            if (left == 0)
                break;
            if (spin < 2000)
                QM_PAUSE();
            else
                s.running.wait(left, std::memory_order_acquire);
        }
    }
    s.job = nullptr;
    m_busy.store(false, std::memory_order_release);
}

void CSpinBarrier::ArriveAndWait()
{
    const unsigned generation = m_generation.load(std::memory_order_acquire);
    if (m_arrived.fetch_add(1, std::memory_order_acq_rel) + 1 == m_count) {
        m_arrived.store(0, std::memory_order_relaxed);
        m_generation.store(generation + 1, std::memory_order_release);
        return;
    }
    for (int spin = 0; m_generation.load(std::memory_order_acquire) == generation; ++spin) {
        if (spin < 4000)
            QM_PAUSE();
        else
            std::this_thread::yield();
    }
}

int ParallelWidth()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

void ParallelRanges(int64_t count, const std::function<void(int64_t, int64_t)>& body, int64_t minPerPart)
{
    if (count <= 0)
        return;
    const int64_t parts = std::min<int64_t>(ParallelWidth(), std::max<int64_t>(1, count / std::max<int64_t>(1, minPerPart)));
    CWorkerPool::Shared().Run(int(parts), [&](int p) { body(count * p / parts, count * (p + 1) / parts); });
}
