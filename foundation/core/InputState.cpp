#include "foundation/core/InputState.h"

#include "platform/Clock.h"

#include <mutex>

CInputState g_InputState;

CInputState::CInputState(TimeSource source) : m_timeSource(source)
{
    m_timeCreated = Now();
    m_timeLastInput = m_timeCreated;
}

double CInputState::Now() const
{
    if (TimeSource source = m_timeSource.load())
        return source();
    return double(platform::NowMs());
}

void CInputState::GetMousePos(int& x, int& y)
{
    std::lock_guard lock(m_lock);
    x = m_x;
    y = m_y;
}

void CInputState::SetMousePos(int x, int y)
{
    std::lock_guard lock(m_lock);
    m_x = x;
    m_y = y;
}

void CInputState::GetMouseDelta(int& dx, int& dy)
{
    std::lock_guard lock(m_lock);
    dx = m_dx;
    dy = m_dy;
}

void CInputState::SetMouseDelta(int dx, int dy)
{
    std::lock_guard lock(m_lock);
    if (m_overlayHit)
        return;
    m_dx = dx;
    m_dy = dy;
    m_timeMove = m_timeLastInput = Now();
}

bool CInputState::IsCaptured()
{
    std::lock_guard lock(m_lock);
    return m_captured;
}

void CInputState::SetCaptured(bool captured)
{
    std::lock_guard lock(m_lock);
    m_captured = captured;
    m_timeLastInput = Now();
}

int CInputState::GetKey()
{
    std::lock_guard lock(m_lock);
    return m_key;
}

void CInputState::SetKey(int key)
{
    std::lock_guard lock(m_lock);
    m_key = key;
    m_timeKey = m_timeLastInput = Now();
}

int CInputState::GetModifier()
{
    std::lock_guard lock(m_lock);
    return m_modifier;
}

void CInputState::SetModifier(int modifier, bool backspace)
{
    std::lock_guard lock(m_lock);
    m_modifier = modifier;
    m_backspace = backspace;
    m_timeModifier = m_timeLastInput = Now();
}

int CInputState::GetModifier(bool& backspace)
{
    std::lock_guard lock(m_lock);
    backspace = m_backspace && m_modifier == kModBackOrCtrl;
    return m_modifier;
}

bool CInputState::IsBackspace()
{
    std::lock_guard lock(m_lock);
    return m_backspace && m_modifier == kModBackOrCtrl;
}

void CInputState::SetShiftHeld(bool down)
{
    std::lock_guard lock(m_lock);
    m_shiftHeld = down;
}

bool CInputState::IsShiftHeld()
{
    std::lock_guard lock(m_lock);
    return m_shiftHeld;
}

int CInputState::GetWheel()
{
    std::lock_guard lock(m_lock);
    return m_wheel;
}

void CInputState::SetWheel(int wheel)
{
    std::lock_guard lock(m_lock);
    m_wheel = wheel;
    m_timeWheel = m_timeLastInput = Now();
}

int CInputState::GetButton()
{
    std::lock_guard lock(m_lock);
    return m_button;
}

void CInputState::SetButton(int button)
{
    std::lock_guard lock(m_lock);
    m_button = button;
    m_timeButton = m_timeLastInput = Now();
}

int CInputState::GetStrafe()
{
    std::lock_guard lock(m_lock);
    return m_strafe;
}

void CInputState::SetStrafe(int strafe)
{
    std::lock_guard lock(m_lock);
    if (m_overlayHit)
        return;
    m_strafe = strafe;
    m_timeStrafe = m_timeLastInput = Now();
}

int CInputState::GetForward()
{
    std::lock_guard lock(m_lock);
    return m_forward;
}

void CInputState::SetForward(int forward)
{
    std::lock_guard lock(m_lock);
    if (m_overlayHit)
        return;
    m_forward = forward;
    m_timeForward = m_timeLastInput = Now();
}

double CInputState::GetLastInputTime()
{
    std::lock_guard lock(m_lock);
    return m_timeLastInput;
}

double CInputState::GetCreationTime()
{
    std::lock_guard lock(m_lock);
    return m_timeCreated;
}

bool CInputState::IsOverlayHit()
{
    std::lock_guard lock(m_lock);
    return m_overlayHit;
}

void CInputState::SetOverlayHit(bool hit)
{
    std::lock_guard lock(m_lock);
    m_overlayHit = hit;
    if (hit) {
        m_strafe = m_forward = 0;
        m_dx = m_dy = 0;
    }
}

double CInputState::Expire()
{
    std::lock_guard lock(m_lock);
    const double now = Now();
    m_now = now;
    if (m_modifier != 0 && now - m_timeModifier > kModifierLifeMs) {
        m_modifier = 0;
        m_timeModifier = m_timeLastInput = now;
    }
    if (m_key != 0 && now - m_timeKey > kKeyLifeMs) {
        m_key = 0;
        m_timeKey = m_timeLastInput = now;
    }
    if (m_wheel != 0 && now - m_timeWheel > kKeyLifeMs) {
        m_wheel = 0;
        m_timeWheel = m_timeLastInput = now;
    }
    if ((m_dx != 0 || m_dy != 0) && now - m_timeMove > kKeyLifeMs)
        m_dx = m_dy = 0;
    return now;
}

double CInputState::GetValue(const char* name) const
{
    ValueGetter getter = m_valueGetter.load();
    return getter ? getter(name) : 0.0;
}

// "movement" is the horizontal mouse movement.
void CInputState::GetMoveAndAxes(float& move, float& forward, float& sideways)
{
    std::lock_guard lock(m_lock);
    move = float(m_dx);
    forward = float(m_forward);
    sideways = float(m_strafe);
}

void CInputState::SetMoveAndAxes(float move, float forward, float sideways)
{
    std::lock_guard lock(m_lock);
    if (m_overlayHit)
        return;
    m_dx = int(move);
    m_forward = int(forward);
    m_strafe = int(sideways);
    m_timeLastInput = Now();
}
