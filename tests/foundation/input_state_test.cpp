#include "foundation/core/InputState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

double g_fakeNow = 0;
double FakeNow() { return g_fakeNow; }

class InputStateTest : public ::testing::Test {
protected:
    InputStateTest() : state((g_fakeNow = 1000.0, &FakeNow)) {}
    CInputState state;
};

struct Expiring {
    const char* name;
    std::function<void(CInputState&, int)> set;
    std::function<int(CInputState&)> get;
    double life;
};

TEST_F(InputStateTest, ShortLivedEventsExpireStrictlyAfterTheirLife)
{
    const Expiring cases[] = {
        {"wheel", [](CInputState& s, int v) { s.SetWheel(v); }, [](CInputState& s) { return s.GetWheel(); }, 33},
        {"key", [](CInputState& s, int v) { s.SetKey(v); }, [](CInputState& s) { return s.GetKey(); }, 33},
        {"modifier", [](CInputState& s, int v) { s.SetModifier(v); }, [](CInputState& s) { return s.GetModifier(); },
         100},
        {"movement", [](CInputState& s, int v) { s.SetMouseDelta(v, -v); },
         [](CInputState& s) {
             int dx, dy;
             s.GetMouseDelta(dx, dy);
             return dx;
         },
         33},
    };
    // at a small clock value and after weeks of running (a float tick count would
    // no longer resolve these steps there)
    for (double base : {1000.0, 40.0 * 24 * 3600 * 1000}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(base));
            g_fakeNow = base;
            c.set(state, 1);
            g_fakeNow = base + c.life;
            EXPECT_EQ(state.Expire(), base + c.life);
            EXPECT_EQ(c.get(state), 1);
            g_fakeNow = base + c.life + 1;
            state.Expire();
            EXPECT_EQ(c.get(state), 0);
        }
    }
}

TEST_F(InputStateTest, ExpiryUpdatesLastInputTimeExceptForMovement)
{
    state.SetWheel(-1);
    EXPECT_EQ(state.GetLastInputTime(), 1000.0);
    g_fakeNow = 1050;
    state.Expire();
    EXPECT_EQ(state.GetLastInputTime(), 1050.0);

    state.SetMouseDelta(3, 4);
    g_fakeNow = 1100;
    state.Expire();
    int dx = -1, dy = -1;
    state.GetMouseDelta(dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(state.GetLastInputTime(), 1050.0);
}

TEST_F(InputStateTest, ButtonAndAxesNeverExpire)
{
    state.SetButton(CInputState::kButtonRightDown);
    state.SetStrafe(-1);
    state.SetForward(1);
    state.SetCaptured(true);
    g_fakeNow += 100000;
    state.Expire();
    EXPECT_EQ(state.GetButton(), 2);
    EXPECT_EQ(state.GetStrafe(), -1);
    EXPECT_EQ(state.GetForward(), 1);
    EXPECT_TRUE(state.IsCaptured());
}

TEST_F(InputStateTest, HeldModifierStaysUntilHundredMsAfterLastRepeat)
{
    state.SetModifier(CInputState::kModShift);
    for (int i = 1; i <= 5; ++i) {  // auto-repeat every 60 ms
        g_fakeNow += 60;
        state.Expire();
        EXPECT_EQ(state.GetModifier(), 4);
        state.SetModifier(CInputState::kModShift);
    }
    g_fakeNow += 100;
    state.Expire();
    EXPECT_EQ(state.GetModifier(), 4);
    g_fakeNow += 1;
    state.Expire();
    EXPECT_EQ(state.GetModifier(), 0);
}

TEST_F(InputStateTest, BackspaceIsToldApartFromCtrlWhileModifierEightLasts)
{
    bool backspace = true;
    state.SetModifier(CInputState::kModBackOrCtrl); // Ctrl
    EXPECT_FALSE(state.IsBackspace());
    EXPECT_EQ(state.GetModifier(backspace), 8);
    EXPECT_FALSE(backspace);
    state.SetModifier(CInputState::kModBackOrCtrl, true); // Backspace
    EXPECT_TRUE(state.IsBackspace());
    EXPECT_EQ(state.GetModifier(backspace), 8);
    EXPECT_TRUE(backspace);
    state.SetModifier(CInputState::kModBackOrCtrl); // Ctrl pressed after it
    EXPECT_FALSE(state.IsBackspace());
    state.SetModifier(CInputState::kModShift, true);
    EXPECT_FALSE(state.IsBackspace());
    EXPECT_EQ(state.GetModifier(backspace), 4);
    EXPECT_FALSE(backspace);
    state.SetModifier(CInputState::kModBackOrCtrl, true);
    g_fakeNow += 101.0;
    state.Expire();
    EXPECT_FALSE(state.IsBackspace()); // expired with its modifier
    EXPECT_EQ(state.GetModifier(backspace), 0);
    EXPECT_FALSE(backspace);
}

TEST_F(InputStateTest, OverlayGatesMovementAndAxesOnly)
{
    struct Gate {
        const char* name;
        std::function<void(CInputState&)> set;
        std::function<bool(CInputState&)> changed;
        bool gated;
    };
    const Gate gates[] = {
        {"mouse delta", [](CInputState& s) { s.SetMouseDelta(5, 6); },
         [](CInputState& s) {
             int dx, dy;
             s.GetMouseDelta(dx, dy);
             return dx == 5 && dy == 6;
         },
         true},
        {"strafe", [](CInputState& s) { s.SetStrafe(1); }, [](CInputState& s) { return s.GetStrafe() == 1; }, true},
        {"forward", [](CInputState& s) { s.SetForward(-1); }, [](CInputState& s) { return s.GetForward() == -1; },
         true},
        {"move and axes", [](CInputState& s) { s.SetMoveAndAxes(7.9f, 1.0f, -1.0f); },
         [](CInputState& s) {
             float m, f, sw;
             s.GetMoveAndAxes(m, f, sw);
             return m == 7.0f && f == 1.0f && sw == -1.0f;
         },
         true},
        {"wheel", [](CInputState& s) { s.SetWheel(1); }, [](CInputState& s) { return s.GetWheel() == 1; }, false},
        {"button", [](CInputState& s) { s.SetButton(4); }, [](CInputState& s) { return s.GetButton() == 4; }, false},
        {"key", [](CInputState& s) { s.SetKey(79); }, [](CInputState& s) { return s.GetKey() == 79; }, false},
        {"modifier", [](CInputState& s) { s.SetModifier(46); }, [](CInputState& s) { return s.GetModifier() == 46; },
         false},
        {"mouse pos", [](CInputState& s) { s.SetMousePos(10, 20); },
         [](CInputState& s) {
             int x, y;
             s.GetMousePos(x, y);
             return x == 10 && y == 20;
         },
         false},
    };
    for (const auto& g : gates) {
        SCOPED_TRACE(g.name);
        CInputState s(&FakeNow);
        s.SetOverlayHit(true);
        g.set(s);
        EXPECT_EQ(g.changed(s), !g.gated);
        s.SetOverlayHit(false);
        g.set(s);
        EXPECT_TRUE(g.changed(s));
    }
}

TEST_F(InputStateTest, OverlayHitClearsAxesAndMovementAtOnce)
{
    state.SetStrafe(1);
    state.SetForward(-1);
    state.SetMouseDelta(3, 3);
    state.SetWheel(1);
    state.SetOverlayHit(false);
    EXPECT_EQ(state.GetStrafe(), 1);
    state.SetOverlayHit(true);
    EXPECT_TRUE(state.IsOverlayHit());
    int dx, dy;
    state.GetMouseDelta(dx, dy);
    EXPECT_EQ(state.GetStrafe(), 0);
    EXPECT_EQ(state.GetForward(), 0);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(state.GetWheel(), 1);
}

TEST_F(InputStateTest, LastInputTimeFollowsSettersButNotCursorOrOverlay)
{
    EXPECT_EQ(state.GetLastInputTime(), 1000.0);  // constructor
    g_fakeNow = 1200;
    state.SetMousePos(1, 2);
    state.SetOverlayHit(true);
    state.SetOverlayHit(false);
    EXPECT_EQ(state.GetLastInputTime(), 1000.0);
    state.SetCaptured(false);
    EXPECT_EQ(state.GetLastInputTime(), 1200.0);
    g_fakeNow = 1300;
    state.SetButton(0);
    EXPECT_EQ(state.GetLastInputTime(), 1300.0);
    EXPECT_EQ(state.GetCreationTime(), 1000.0);
}

double Twice(const char* name) { return std::string(name) == "gSceneSz" ? 2048.0 : -1.0; }

TEST(InputStateValue, GetterIsOptional)
{
    CInputState state;
    EXPECT_EQ(state.GetValue("gSceneSz"), 0.0);
    state.SetValueGetter(&Twice);
    EXPECT_EQ(state.GetValue("gSceneSz"), 2048.0);
    EXPECT_EQ(state.GetValue("gBoundBox"), -1.0);
}

TEST(InputStateValue, GlobalUsesTheMonotonicClock)
{
    double before = g_InputState.Now();
    double expired = g_InputState.Expire();
    EXPECT_GE(expired, before);
    EXPECT_LE(g_InputState.GetCreationTime(), expired);
    EXPECT_FALSE(g_InputState.IsEditMode());
    g_InputState.SetEditMode(true);
    EXPECT_TRUE(g_InputState.IsEditMode());
    g_InputState.SetEditMode(false);
}

// GUI-thread writes against render-thread reads and expiry (checked under ThreadSanitizer).
TEST(InputStateThreads, WritersAndExpiryRunTogether)
{
    CInputState state;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            state.SetMouseDelta(i, -i);
            state.SetWheel(i & 1 ? 1 : -1);
            state.SetModifier(i & 2 ? 4 : 0);
            state.SetOverlayHit((i & 63) == 0);
        }
        stop = true;
    });
    int torn = 0;
    while (!stop) {
        state.Expire();
        int dx, dy;
        state.GetMouseDelta(dx, dy);
        torn += dx != -dy;  // the pair is always read as one
        (void)state.GetWheel();
        (void)state.IsEditMode();
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
