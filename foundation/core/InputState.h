#pragma once
#include "platform/Lock.h"

#include <atomic>

// The user's input as the GUI thread leaves it for the render thread. Short-lived
// events (key, wheel, mouse movement, modifier) carry time stamps and are cleared
// by Expire once they are old enough.
//
// Times are milliseconds of the process's monotonic clock (platform::NowMs), held
// as doubles; callers comparing against GetLastInputTime use CInputState::Now().
class CInputState {
public:
    using ValueGetter = double (*)(const char* name);
    using TimeSource = double (*)();

    // Button events
    enum { kButtonNone = 0, kButtonLeftDown = 1, kButtonRightDown = 2, kButtonLeftDouble = 3, kButtonMiddleDown = 4 };
    // Modifier codes
    enum { kModBackOrCtrl = 8, kModShift = 4, kModDelete = 46 };

    static constexpr double kKeyLifeMs = 33.0;       // key, wheel, mouse movement
    static constexpr double kModifierLifeMs = 100.0;  // modifier

    // A time source other than the monotonic clock is for tests.
    explicit CInputState(TimeSource source = nullptr);
    ~CInputState() = default;
    CInputState(const CInputState&) = delete;
    CInputState& operator=(const CInputState&) = delete;

    void GetMousePos(int& x, int& y);
    void SetMousePos(int x, int y);

    void GetMouseDelta(int& dx, int& dy);
    void SetMouseDelta(int dx, int dy);  // ignored while the overlay is hit

    bool IsCaptured();
    void SetCaptured(bool captured);

    int GetKey();
    void SetKey(int key);

    int GetModifier();
    // Backspace and Ctrl both give modifier 8; `backspace` tells a real Backspace
    // apart. Both are written and read together.
    void SetModifier(int modifier, bool backspace = false);
    int GetModifier(bool& backspace);
    // True only while the modifier is still 8.
    bool IsBackspace();

    // The real Shift state, kept apart from the modifier (the code of the key pressed
    // last: Delete's 46 has the Shift bit).
    void SetShiftHeld(bool down);
    bool IsShiftHeld();

    int GetWheel();
    void SetWheel(int wheel);

    int GetButton();
    void SetButton(int button);

    int GetStrafe();
    void SetStrafe(int strafe);  // ignored while the overlay is hit
    int GetForward();
    void SetForward(int forward);  // ignored while the overlay is hit

    double GetLastInputTime();
    double GetCreationTime();

    bool IsOverlayHit();
    // true also clears both axes and the mouse movement
    void SetOverlayHit(bool hit);

    // Without the lock: one flag written by the render thread.
    bool IsEditMode() const { return m_editMode.load(std::memory_order_relaxed); }
    void SetEditMode(bool on) { m_editMode.store(on, std::memory_order_relaxed); }

    // Clears the events that are old enough and returns the current time.
    double Expire();

    // Getter for named script numbers, installed once by the scene.
    void SetValueGetter(ValueGetter getter) { m_valueGetter.store(getter); }
    double GetValue(const char* name) const;

    void GetMoveAndAxes(float& move, float& forward, float& sideways);
    void SetMoveAndAxes(float move, float forward, float sideways);

    // Current time on the clock the time stamps use.
    double Now() const;
    // Tests drive the clock; null restores the monotonic clock.
    void SetTimeSource(TimeSource source) { m_timeSource.store(source); }

private:
    std::atomic<ValueGetter> m_valueGetter{nullptr};
    int m_x = 0, m_y = 0;
    int m_dx = 0, m_dy = 0;
    bool m_captured = false;
    int m_wheel = 0;
    int m_key = 0;
    int m_modifier = 0;
    bool m_backspace = false;
    bool m_shiftHeld = false;
    int m_button = 0;
    int m_strafe = 0;
    int m_forward = 0;
    double m_now = 0;
    double m_timeMove = 0, m_timeButton = 0, m_timeWheel = 0, m_timeForward = 0, m_timeStrafe = 0,
           m_timeModifier = 0, m_timeKey = 0;
    double m_timeCreated = 0;
    double m_timeLastInput = 0;
    bool m_overlayHit = false;
    std::atomic<bool> m_editMode{false};
    std::atomic<TimeSource> m_timeSource{nullptr};
    platform::RecursiveLock m_lock;
};

extern CInputState g_InputState;
