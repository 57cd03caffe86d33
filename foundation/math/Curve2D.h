#pragma once
#include <cstddef>
#include <vector>

namespace platform {
class GdiCanvas;
}

// Two-dimensional curves in pixel units: Hermite segments and a smooth curve through
// a list of points whose tangents come from a tridiagonal system.

struct CVec2 {
    float x = 0.0f, y = 0.0f;
    CVec2() = default;
    CVec2(float fx, float fy) : x(fx), y(fy) {}
    bool operator==(const CVec2& o) const { return x == o.x && y == o.y; }
};

// One cubic segment relative to its start point: offset (dx, dy) to the end, start and
// end tangents, and a step count.
class CHermite2D {
public:
    CHermite2D() = default;
    // Step count: one step per 4 units of the longer offset component, at least 1.
    CHermite2D(float dx, float dy, float t0x, float t0y, float t1x, float t1y);
    // Explicit step count (values below 1 count as 1).
    CHermite2D(float dx, float dy, float t0x, float t0y, float t1x, float t1y, int steps);

    // Appends the start point (x0, y0) and then one point per step up to the end.
    void AppendPoints(float x0, float y0, std::vector<CVec2>& list) const;
    int PointCount() const { return m_steps + 1; }
    int Steps() const { return m_steps; }
    // Draws the same points as lines from each to the next in the canvas's pen
    // (coordinates truncated to whole pixels); returns the last LineTo result.
    bool Draw(platform::GdiCanvas& dc, float x0, float y0) const;

private:
    float m_dx = 0, m_dy = 0, m_t0x = 0, m_t0y = 0, m_t1x = 0, m_t1y = 0;
    int m_steps = 1;
};

// Smooth curve through n points.
class CCurve2D {
public:
    explicit CCurve2D(const std::vector<CVec2>& points);
    CCurve2D(const CVec2* points, int count);

    // Derives offsets, length ratios and tangents; returns the number of intervals
    // (0 for fewer than 2 points). The constructors call it.
    int Compute();
    // Jacobi iteration (10 sweeps) on the tridiagonal system for x and then y.
    void SolveTangents();

    // Appends the points of every interval's segment (each starts with its start point).
    void AppendPoints(std::vector<CVec2>& list) const;
    // Draws every interval's segment; returns the last line's result (false
    // without intervals).
    bool Draw(platform::GdiCanvas& dc) const;
    // Sum over the intervals of (steps + 1): the count AppendPoints appends.
    int PointCount() const;
    // Segment of interval i: offset, start tangent, scaled end tangent.
    CHermite2D Segment(int i) const;

    int Size() const { return int(m_points.size()); }
    const CVec2& Point(int i) const { return m_points[std::size_t(i)]; }
    const CVec2& Tangent(int i) const { return m_tangents[std::size_t(i)]; }

private:
    std::vector<CVec2> m_points;
    std::vector<CVec2> m_tangents;
    std::vector<CVec2> m_offsets;     // per interval
    std::vector<float> m_ratios;      // per interval
    std::vector<CVec2> m_endTangents; // per interval, scaled
    std::vector<float> m_lower, m_diagonal, m_upper;
};
