#include "foundation/core/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

TEST(WorkerPool, RunsEveryIndexOnceAndAllAtOnce)
{
    // the barrier inside the job only opens when every index runs at the same time
    for (int n : {1, 2, 5, 8, 3, 12, 8}) {
        SCOPED_TRACE(n);
        std::vector<std::atomic<int>> runs(static_cast<size_t>(n));
        std::vector<std::thread::id> ids(static_cast<size_t>(n));
        CSpinBarrier together(n);
        for (int round = 0; round < 20; ++round)
            CWorkerPool::Shared().Run(n, [&](int k) {
                together.ArriveAndWait();
                runs[size_t(k)].fetch_add(1);
                ids[size_t(k)] = std::this_thread::get_id();
                together.ArriveAndWait();
            });
        for (auto& r : runs)
            EXPECT_EQ(r.load(), 20);
        EXPECT_EQ(ids[0], std::this_thread::get_id()); // job 0 runs on the caller
        EXPECT_EQ(std::set<std::thread::id>(ids.begin(), ids.end()).size(), size_t(n));
    }
}

TEST(WorkerPool, JobsInsideJobsAndFromOtherThreadsStillRun)
{
    std::atomic<int> inner{0}, outer{0};
    auto job = [&](int) {
        CWorkerPool::Shared().Run(3, [&](int) { inner.fetch_add(1); });
        outer.fetch_add(1);
    };
    std::thread other([&] {
        for (int i = 0; i < 20; ++i)
            CWorkerPool::Shared().Run(4, job);
    });
    for (int i = 0; i < 20; ++i)
        CWorkerPool::Shared().Run(4, job);
    other.join();
    EXPECT_EQ(outer.load(), 2 * 20 * 4);
    EXPECT_EQ(inner.load(), 2 * 20 * 4 * 3);
}

TEST(WorkerPool, ParallelRangesCoverEachItemOnce)
{
    for (int64_t count : {int64_t(0), int64_t(1), int64_t(4095), int64_t(4097), int64_t(100'003)}) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
        ParallelRanges(count, [&](int64_t a, int64_t b) {
            for (int64_t i = a; i < b; ++i)
                seen[size_t(i)].fetch_add(1);
        });
        for (const auto& s : seen)
            ASSERT_EQ(s.load(), 1);
    }
}

TEST(WorkerPool, DynamicJobsTakeEveryItemOnceAndLeaveThePoolWhole)
{
    // dynamic jobs of different sizes, each followed by a plain job that needs every
    // index at once: a worker that came late to a dynamic job must not run it later
    // or in place of the next job
    constexpr int kItems = 2000;
    for (int round = 0; round < 200; ++round) {
        const int n = 2 + round % 7;
        std::vector<std::atomic<int>> taken(kItems);
        std::atomic<int> next{0}, calls{0};
        std::thread::id first;
        CWorkerPool::Shared().RunDynamic(n, [&](int k) {
            if (k == 0)
                first = std::this_thread::get_id();
            calls.fetch_add(1);
            for (int i = next.fetch_add(1); i < kItems; i = next.fetch_add(1))
                taken[size_t(i)].fetch_add(1);
        });
        ASSERT_EQ(first, std::this_thread::get_id());
        ASSERT_GE(calls.load(), 1);
        ASSERT_LE(calls.load(), n);
        for (const auto& t : taken)
            ASSERT_EQ(t.load(), 1);
        std::vector<std::atomic<int>> runs(static_cast<size_t>(n));
        CSpinBarrier together(n);
        CWorkerPool::Shared().Run(n, [&](int k) {
            together.ArriveAndWait();
            runs[size_t(k)].fetch_add(1);
        });
        for (const auto& r : runs)
            ASSERT_EQ(r.load(), 1);
    }
}
