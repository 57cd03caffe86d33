#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

// Kept worker threads for short data-parallel jobs (a few milliseconds), so that a
// job does not pay for starting threads. Run(n, job) calls job(0) .. job(n - 1) at
// once, job(0) on the calling thread, and returns when all have returned. One job
// runs at a time: a Run from another thread (or from inside a job) while one is
// running starts its own threads instead of waiting.
class CWorkerPool {
public:
    static CWorkerPool& Shared();

    void Run(int n, const std::function<void(int)>& job);
    // For a job whose threads take their work from a shared source until none is
    // left: job(0) on the calling thread, job(k) on each worker that comes before
    // job(0) has returned. A worker woken later skips the job: on a loaded machine a
    // sleeping worker can come milliseconds late, when the others have done its part.
    void RunDynamic(int n, const std::function<void(int)>& job);

    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

private:
    CWorkerPool() = default;
    void Start(int n, const std::function<void(int)>& job, bool dynamic);
    ~CWorkerPool();
    struct State;
    State* m_state = nullptr;
    std::atomic<bool> m_busy{false};
};

// A barrier for the threads of one job: waits by spinning (the steps between two
// waits are short), yielding the processor when the wait grows long.
class CSpinBarrier {
public:
    explicit CSpinBarrier(int count) : m_count(count) {}
    void ArriveAndWait();

private:
    const int m_count;
    std::atomic<int> m_arrived{0};
    std::atomic<unsigned> m_generation{0};
};

// How many threads a data-parallel job takes: the cores, at most eight.
int ParallelWidth();

// Runs body(first, last) over [0, count) split into contiguous ranges of at least
// minPerPart on the kept worker threads (ParallelWidth of them at most).
void ParallelRanges(int64_t count, const std::function<void(int64_t, int64_t)>& body, int64_t minPerPart = 4096);
