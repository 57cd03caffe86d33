#include "app/scene/FrameGate.h"

bool CFrameGate::SetFrameRate(int fps)
{
    if (fps <= 0)
        return false;
    m_interval = 1.0 / double(fps);
    return true;
}

bool CFrameGate::Pass(double seconds)
{
    if (m_drawn && seconds - m_last < m_interval)
        return false;
    m_drawn = true;
    m_last = seconds;
    return true;
}
