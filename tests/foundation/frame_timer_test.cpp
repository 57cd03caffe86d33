#include <gtest/gtest.h>

#include <cmath>

#include "foundation/core/FrameTimer.h"
#include "platform/Clock.h"

namespace {

// A hand-driven counter at 1000 ticks per second.
int64_t g_fakeCounter = 0;
int64_t FakeCounter() { return g_fakeCounter; }

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fakeCounter = 5000;
        CFrameTimer::SetCounterSource(&FakeCounter, 1000);
    }
    void TearDown() override { CFrameTimer::SetCounterSource(nullptr, 0); }
};

TEST_F(FrameTimerTest, ConstructionState)
{
    CFrameTimer t;
    EXPECT_EQ(t.GetDelta(), 1.0);
    EXPECT_EQ(t.GetFrameCount(), 1);
    EXPECT_EQ(t.GetLastSmoothRate(), 0.0f);
    EXPECT_EQ(t.GetFrequency(), 1000);
    EXPECT_DOUBLE_EQ(t.GetSeconds(), 5.0);
}

TEST_F(FrameTimerTest, TickMeasuresDeltaWithFloor)
{
    CFrameTimer t;
    g_fakeCounter += 2000;
    EXPECT_EQ(t.Tick(), 2000);
    EXPECT_DOUBLE_EQ(t.GetDelta(), 2.0);
    EXPECT_EQ(t.GetFrameCount(), 2);

    // Same counter value twice: the delta is floored, never 0.
    EXPECT_EQ(t.Tick(), 0);
    EXPECT_DOUBLE_EQ(t.GetDelta(), 1e-4);
    EXPECT_NEAR(t.GetSmoothRate(), 0.05 * 10000, 1e-3);
    EXPECT_EQ(t.GetFrameCount(), 3);

    // A counter running backwards is floored as well.
    g_fakeCounter -= 10;
    EXPECT_EQ(t.Tick(), -10);
    EXPECT_DOUBLE_EQ(t.GetDelta(), 1e-4);
}

TEST_F(FrameTimerTest, SmoothRateConvergesToSteadyRate)
{
    CFrameTimer t;
    float previous = 0.0f;
    for (int i = 0; i < 60; ++i) {
        g_fakeCounter += 20; // 50 frames per second
        t.Tick();
        const float r = t.GetSmoothRate();
        EXPECT_GT(r, previous);
        EXPECT_LT(r, 50.0f);
        previous = r;
    }
    // 60 frames bring it within ~5% of the steady rate.
    EXPECT_NEAR(previous, 50.0f * (1 - std::pow(0.95f, 60.0f)), 0.01f);
    for (int i = 0; i < 500; ++i) {
        g_fakeCounter += 20;
        t.Tick();
        t.GetSmoothRate();
    }
    EXPECT_NEAR(t.GetLastSmoothRate(), 50.0f, 1e-3f);
    // Without a call the average does not move.
    g_fakeCounter += 1000;
    t.Tick();
    EXPECT_NEAR(t.GetLastSmoothRate(), 50.0f, 1e-3f);
}

TEST_F(FrameTimerTest, RateSecondsAndReset)
{
    CFrameTimer t;
    g_fakeCounter += 40;
    EXPECT_DOUBLE_EQ(t.GetRate(), 25.0);
    EXPECT_EQ(t.GetFrameCount(), 1); // GetRate changes nothing
    t.Tick();
    EXPECT_TRUE(std::isinf(t.GetRate()));
    EXPECT_DOUBLE_EQ(t.GetSeconds(), 5.04);

    t.GetSmoothRate();
    g_fakeCounter = 9000;
    EXPECT_EQ(t.Reset(), 9000);
    EXPECT_EQ(t.GetFrameCount(), 1);
    EXPECT_EQ(t.GetDelta(), 1.0);
    EXPECT_EQ(t.GetLastSmoothRate(), 0.0f);
    g_fakeCounter += 100;
    EXPECT_EQ(t.Tick(), 100);
}

TEST_F(FrameTimerTest, IntervalElapsed)
{
    CFrameTimer t;
    EXPECT_TRUE(t.IntervalElapsed(0.0f));
    EXPECT_TRUE(t.IntervalElapsed(0.0f));
    g_fakeCounter += 300;
    EXPECT_FALSE(t.IntervalElapsed(500.0f));
    g_fakeCounter += 150;
    EXPECT_FALSE(t.IntervalElapsed(500.0f));
    g_fakeCounter += 50;
    EXPECT_TRUE(t.IntervalElapsed(500.0f)); // 300 + 150 + 50 reaches 500
    g_fakeCounter += 499;
    EXPECT_FALSE(t.IntervalElapsed(500.0f)); // accumulator restarted
}

TEST(FrameTimerReal, UsesThePlatformCounter)
{
    CFrameTimer t;
    EXPECT_EQ(t.GetFrequency(), platform::PerfFrequency());
    CFrameTimer::WaitMicroseconds(2000);
    const int64_t ticks = t.Tick();
    EXPECT_GE(double(ticks) / double(t.GetFrequency()), 0.002);
    EXPECT_GE(t.GetDelta(), 0.002);
    EXPECT_NEAR(t.GetSeconds(), platform::CounterSeconds(), 0.5);
}

} // namespace
