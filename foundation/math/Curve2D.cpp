#include "foundation/math/Curve2D.h"

#include "platform/GdiCanvas.h"

#include <algorithm>
#include <cmath>

namespace {
// |v| truncated to an int, clamped so that NaN, infinities and huge values stay defined.
int WholeUnits(float v)
{
    const float a = std::fabs(v);
    if (!(a < 1073741824.0f))
        return std::isnan(a) ? 0 : 1073741824;
    return int(a);
}

// v truncated to a pixel coordinate, kept inside what an int holds.
int Pixel(float v)
{
    if (!(v > -1073741824.0f))
        return std::isnan(v) ? 0 : -1073741824;
    return v < 1073741824.0f ? int(v) : 1073741824;
}

float Length(const CVec2& v) { return std::sqrt(v.x * v.x + v.y * v.y); }
} // namespace

CHermite2D::CHermite2D(float dx, float dy, float t0x, float t0y, float t1x, float t1y)
    : CHermite2D(dx, dy, t0x, t0y, t1x, t1y, std::max(WholeUnits(dx), WholeUnits(dy)) / 4)
{
}

CHermite2D::CHermite2D(float dx, float dy, float t0x, float t0y, float t1x, float t1y, int steps)
    : m_dx(dx), m_dy(dy), m_t0x(t0x), m_t0y(t0y), m_t1x(t1x), m_t1y(t1y), m_steps(std::max(steps, 1))
{
}

void CHermite2D::AppendPoints(float x0, float y0, std::vector<CVec2>& list) const
{
    list.reserve(list.size() + size_t(m_steps) + 1);
    list.emplace_back(x0, y0);
    for (int i = 1; i <= m_steps; ++i) {
        const float s = float(i) / float(m_steps);
        const float s2 = s * s, s3 = s2 * s;
        const float h01 = 3.0f * s2 - 2.0f * s3;
        const float h10 = s3 - 2.0f * s2 + s;
        const float h11 = s3 - s2;
        list.emplace_back(x0 + h01 * m_dx + h10 * m_t0x + h11 * m_t1x, y0 + h01 * m_dy + h10 * m_t0y + h11 * m_t1y);
    }
}

bool CHermite2D::Draw(platform::GdiCanvas& dc, float x0, float y0) const
{
    std::vector<CVec2> points;
    AppendPoints(x0, y0, points);
    dc.MoveToEx(Pixel(points[0].x), Pixel(points[0].y));
    bool result = false;
    for (size_t i = 1; i < points.size(); ++i)
        result = dc.LineTo(Pixel(points[i].x), Pixel(points[i].y));
    return result;
}

CCurve2D::CCurve2D(const std::vector<CVec2>& points) : m_points(points) { Compute(); }

CCurve2D::CCurve2D(const CVec2* points, int count)
{
    if (points && count > 0)
        m_points.assign(points, points + count);
    Compute();
}

int CCurve2D::Compute()
{
    const size_t n = m_points.size();
    m_tangents.assign(n, CVec2());
    m_offsets.clear();
    m_ratios.clear();
    m_endTangents.clear();
    m_lower.assign(n, 0.0f);
    m_diagonal.assign(n, 0.0f);
    m_upper.assign(n, 0.0f);
    if (n < 2)
        return 0;

    for (size_t i = 0; i + 1 < n; ++i)
        m_offsets.emplace_back(m_points[i + 1].x - m_points[i].x, m_points[i + 1].y - m_points[i].y);
    m_ratios.assign(n - 1, 1.0f);
    for (size_t i = 0; i + 2 < n; ++i) {
        const float next = Length(m_offsets[i + 1]);
        m_ratios[i] = next == 0.0f ? 1.0f : Length(m_offsets[i]) / next;
    }

    const std::vector<CVec2>& d = m_offsets;
    const std::vector<float>& r = m_ratios;
    m_tangents[0] = CVec2(3.0f * d[0].x, 3.0f * d[0].y);
    for (size_t i = 1; i + 1 < n; ++i) {
        const float r2 = r[i - 1] * r[i - 1];
        m_tangents[i] = CVec2(3.0f * (r2 * d[i].x + d[i - 1].x), 3.0f * (r2 * d[i].y + d[i - 1].y));
    }
    m_tangents[n - 1] = CVec2(3.0f * d[n - 2].x, 3.0f * d[n - 2].y);

    m_diagonal[0] = 2.0f;
    m_upper[0] = r[0];
    for (size_t i = 1; i + 1 < n; ++i) {
        m_lower[i] = 1.0f;
        m_diagonal[i] = 2.0f * r[i - 1] * (r[i - 1] + 1.0f);
        m_upper[i] = r[i - 1] * r[i - 1] * r[i];
    }
    m_lower[n - 1] = 1.0f;
    m_diagonal[n - 1] = 2.0f * r[n - 2];

    SolveTangents();

    for (size_t i = 0; i + 1 < n; ++i)
        m_endTangents.emplace_back(m_tangents[i + 1].x * r[i], m_tangents[i + 1].y * r[i]);
    return int(n - 1);
}

void CCurve2D::SolveTangents()
{
    const size_t n = m_points.size();
    if (n == 0 || m_tangents.size() != n)
        return;
    auto diagonal = [&](size_t i) { return m_diagonal[i] == 0.0f ? 1.0f : m_diagonal[i]; };
    auto solve = [&](auto component) {
        std::vector<float> rhs(n), x(n), next(n);
        for (size_t i = 0; i < n; ++i) {
            rhs[i] = component(m_tangents[i]);
            x[i] = rhs[i] / diagonal(i);
        }
        for (int sweep = 0; sweep < 10; ++sweep) {
            for (size_t i = 0; i < n; ++i) {
                float v = rhs[i];
                if (i > 0)
                    v -= m_lower[i] * x[i - 1];
                if (i + 1 < n)
                    v -= m_upper[i] * x[i + 1];
                next[i] = v / diagonal(i);
            }
            x.swap(next);
        }
        for (size_t i = 0; i < n; ++i)
            component(m_tangents[i]) = x[i];
    };
    solve([](CVec2& t) -> float& { return t.x; });
    solve([](CVec2& t) -> float& { return t.y; });
}

CHermite2D CCurve2D::Segment(int i) const
{
    const size_t k = size_t(i);
    return CHermite2D(m_offsets[k].x, m_offsets[k].y, m_tangents[k].x, m_tangents[k].y, m_endTangents[k].x,
                      m_endTangents[k].y);
}

void CCurve2D::AppendPoints(std::vector<CVec2>& list) const
{
    for (size_t i = 0; i < m_offsets.size(); ++i)
        Segment(int(i)).AppendPoints(m_points[i].x, m_points[i].y, list);
}

bool CCurve2D::Draw(platform::GdiCanvas& dc) const
{
    bool result = false;
    for (size_t i = 0; i < m_offsets.size(); ++i)
        result = Segment(int(i)).Draw(dc, m_points[i].x, m_points[i].y);
    return result;
}

int CCurve2D::PointCount() const
{
    int count = 0;
    for (size_t i = 0; i < m_offsets.size(); ++i)
        count += Segment(int(i)).PointCount();
    return count;
}
