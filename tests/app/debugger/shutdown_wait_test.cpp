// The shutdown's waits: for a render thread past its deadline, against script
// calls made on a thread of their own, and for a save begun on another thread.
#include "app/scene/GLscene.h"
#include "app/script/ScriptStop.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// One step of the render thread's shutdown: `ms` outside any script call, or in
// one call (with nested calls of 100 ms each when nested), or in brief calls one
// after another; -1 runs until released.
struct Step {
    bool inCall;
    int ms;
    bool nested = false;
    bool brief = false;
};

} // namespace

// A slow shutdown with brief calls after the deadline (the states closing) and
// a call that returns just after it are waited out; one call that runs on for a
// second past the deadline (nested calls in it or not) ends the wait.
TEST(ShutdownWait, OnlyOneCallRunningOnASecondPastTheDeadlineGivesUp)
{
    constexpr int kDeadlineMs = 200;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int stuckAfterMs;  // from the start; -1: the thread's end is waited for
        bool looksOften = false;  // the thread's end is asked for without waiting
    };
    const Case cases[] = {
        {"slow shutdown, then brief calls", {{false, 400}, {true, 300}, {true, 300}, {true, 300}, {false, 100}}, -1},
        // a call begun while the wait looks has run for no time, however the reads fall
        {"calls begin all the time past the deadline", {{false, 250}, {true, 1000, false, true}}, -1, true},
        {"calls begin all the time past the deadline, again", {{false, 250}, {true, 1000, false, true}}, -1, true},
        {"calls begin all the time past the deadline, a third time", {{false, 250}, {true, 1000, false, true}}, -1, true},
        {"a call ends just after the deadline", {{true, 400}, {false, 1300}}, -1},
        {"a call begun before the deadline runs on", {{false, 50}, {true, -1}}, kDeadlineMs + 1000},
        {"a call begun after the deadline runs on", {{false, 500}, {true, -1}}, 500 + 1000},
        {"a call runs on, its nested calls come and go", {{true, -1, true}}, kDeadlineMs + 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> done{false}, release{false};
        const uint64_t start = platform::NowMs();
        std::thread thread([&] {
            for (const Step& step : c.steps) {
                if (!step.inCall) {
                    Sleep(step.ms);
                    continue;
                }
                if (step.brief) {
                    for (const uint64_t begin = platform::NowMs(); platform::NowMs() - begin < uint64_t(step.ms);)
                        ScriptCallScope call("Lua//Trains.lua");
                    continue;
                }
                ScriptCallScope call("Lua//Tracks.lua");
                const uint64_t begin = platform::NowMs();
                while (step.ms < 0 ? !release.load() : platform::NowMs() - begin < uint64_t(step.ms)) {
                    if (step.nested) {
                        ScriptCallScope inner("Lua//Trains.lua");
                        Sleep(100);
                    } else {
                        Sleep(5);
                    }
                }
            }
            done = true;
        });
        ScriptCall stuck;
        const bool ended = WaitForThreadUnlessScriptStuck(
            [&](uint32_t ms) {
                if (!c.looksOften)
                    Sleep(int(ms));
                return done.load();
            },
            start + kDeadlineMs, stuck);
        const int after = int(platform::NowMs() - start);
        release = true;
        thread.join();
        if (c.stuckAfterMs < 0) {
            EXPECT_TRUE(ended) << "gave up after " << after << " ms in " << stuck.script;
        } else {
            EXPECT_FALSE(ended);
            EXPECT_GE(after, c.stuckAfterMs);
            EXPECT_LE(after, c.stuckAfterMs + 300);
            EXPECT_EQ(stuck.script.substr(0, 4), "Lua/");
            EXPECT_NE(stuck.sequence, 0u);
        }
    }
}

// The scene's work is saved once, by the render thread or the GUI thread: the
// second caller returns only once the first one's save has ended, or after its
// bounded wait when that save hangs.
TEST(SaveOnce, ASecondCallerWaitsForTheFirstSaveForABoundedTime)
{
    struct Case {
        int saveMs;
        int waitMs;
        bool ended;
    };
    for (const Case c : {Case{300, 2000, true}, Case{1500, 300, false}}) {
        SCOPED_TRACE(c.saveMs);
        CSaveOnce once;
        std::atomic<int> saves{0};
        std::atomic<bool> saving{false}, saved{false};
        std::thread first([&] {
            once.Run([&] {
                saving = true;
                ++saves;
                Sleep(c.saveMs);
                saved = true;
            }, std::chrono::milliseconds(c.waitMs));
        });
        while (!saving)
            Sleep(1);
        const uint64_t start = platform::NowMs();
        const bool ended = once.Run([&] { ++saves; }, std::chrono::milliseconds(c.waitMs));
        const int after = int(platform::NowMs() - start);
        EXPECT_EQ(ended, c.ended);
        EXPECT_EQ(saved.load(), c.ended) << "returned after " << after << " ms";
        if (!c.ended) {
            EXPECT_GE(after, c.waitMs);
            EXPECT_LT(after, c.saveMs);
        }
        first.join();
        EXPECT_EQ(saves, 1);
        EXPECT_TRUE(once.Run([&] { ++saves; }, std::chrono::milliseconds(c.waitMs)));
        EXPECT_EQ(saves, 1);
    }
}
