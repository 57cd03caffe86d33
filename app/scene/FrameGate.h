#pragma once

// The frame-rate gate of the scene: a frame is drawn when at least one interval
// has passed since the last drawn frame. The first frame passes at once, whatever
// the clock's epoch.
class CFrameGate {
public:
    static constexpr double kDefaultInterval = 1.0 / 60.0;

    // Interval := 1 / fps seconds; 0 or a negative rate keeps the current interval.
    // Returns false when the rate was refused.
    bool SetFrameRate(int fps);
    double GetInterval() const { return m_interval; }
    // True when a frame is due at this clock reading (seconds); it is then noted
    // as the last drawn frame.
    bool Pass(double seconds);

private:
    double m_interval = kDefaultInterval;
    double m_last = 0.0;
    bool m_drawn = false;
};
