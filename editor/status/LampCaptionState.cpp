#include "editor/status/LampCaptionState.h"

#include <algorithm>

LampCaptionState::LampCaptionState()
    : m_crFace(platform::GetSysColor(platform::COLOR_BTNFACE)),
      m_crHilite(platform::GetSysColor(platform::COLOR_BTNHIGHLIGHT)),
      m_crShade(platform::GetSysColor(platform::COLOR_BTNSHADOW))
{
}

void LampCaptionState::Layout(int cx, int cy)
{
    if (cx == 0 || cy == 0)
        return;
    const int x = kCharWidth * int(m_strCaption.size());
    m_rcLampColumn = {x, 0, x + kLampWidth, cy};
    const int h = cy / 3;
    for (int i = 0; i < 3; ++i)
        m_rcLamp[i] = {x, i * h, x + kLampWidth, (i + 1) * h};
}

Rect LampCaptionState::TextRect(int cx, int cy) const
{
    (void)cx;
    return {0, 0, kCharWidth * int(m_strCaption.size()), cy};
}

bool LampCaptionState::SetBlinkPeriods(int ms0, int ms1, int ms2)
{
    const int ms[3] = {ms0, ms1, ms2};
    for (int i = 0; i < 3; ++i)
        m_nLampPeriod[i] = ms[i] ? std::max(1, ms[i] / kTickMs) : 0;
    m_bLampsShown = 1;
    // a period for lamp 2 alone starts no timer
    return ms0 != 0 || ms1 != 0;
}

int LampCaptionState::FlashLamp(int lamp, bool on)
{
    if (lamp < 0 || lamp > 2)
        return 0;
    m_nLampTicks[lamp] = on ? (m_nLampPeriod[lamp] ? m_nLampPeriod[lamp] : 1) : 0;
    return m_nLampTicks[lamp];
}

void LampCaptionState::LightLamp(int lamp)
{
    if (lamp < 0 || lamp > 2)
        return;
    m_bLampsShown = kLitForever;
    m_nLampTicks[lamp] = kLitForever;
    m_nLampPeriod[lamp] = kLitForever;
}

bool LampCaptionState::Tick()
{
    uint8_t counted = 0;
    for (int i = 0; i < 3; ++i)
        if (m_nLampTicks[i] > 0 && m_nLampPeriod[i] != 0) {
            --m_nLampTicks[i];
            ++counted;
        }
    if (counted == m_nLampsCounting)
        return false;
    m_nLampsCounting = counted;
    return true;
}

bool LampCaptionState::MouseMove(int x, int y, int& lamp)
{
    lamp = -1;
    if (!m_bLampTips || !m_rcLampColumn.Contains(x, y))
        return false;
    uint8_t mask = 0;
    for (int i = 0; i < 3; ++i)
        if (m_rcLamp[i].Contains(x, y))
            mask |= uint8_t(1u << i);
    if (mask == m_nHoverMask)
        return false;
    m_nHoverMask = mask;
    for (int i = 0; i < 3 && lamp < 0; ++i)
        if (mask & (1u << i))
            lamp = i;
    return true;
}
