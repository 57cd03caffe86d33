#pragma once
// Helpers shared by the track tests: hosts, lines of dots, vector checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/math/Vec3.h"
#include "tracks/SplineDot.h"

namespace tracktest {

using Dots = std::vector<CVec3>;

inline TrackHost MakeHost(Dots dots, uint8_t closed = 0, uint8_t dirty = 0)
{
    TrackHost h;
    h.dots = std::move(dots);
    h.closed = closed;
    h.dirty = dirty;
    return h;
}

// Dots from (x0, y0) in the given direction (degrees in the ground plane).
inline Dots Line(float x0, float y0, float degrees, int count, float spacing)
{
    Dots d;
    const double a = degrees * M_PI / 180.0;
    for (int i = 0; i < count; ++i)
        d.emplace_back(x0 + float(i * spacing * std::cos(a)), y0 + float(i * spacing * std::sin(a)), 0.0f);
    return d;
}

// The user draws a straight stroke from `from` to `to` (the pointer moved every
// `step` units with the button held) and lets go.
inline void DrawStroke(CSplineDot& set, const CVec3& from, const CVec3& to, float step = 50.0f)
{
    set.OnMouseMove(from, false);
    set.OnMouseDown(true);
    const int n = std::max(1, int(std::ceil(from.Distance(to) / step)));
    for (int i = 1; i <= n; ++i)
        set.OnMouseMove(from + (to - from) * (float(i) / float(n)), true);
    set.OnMouseUp(false);
}

inline void ExpectVec(const CVec3& a, const CVec3& b, float tol)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Arc length along a rider's cached curve (follower or track camera) up to its place.
template <class Rider>
float Travelled(const Rider& r)
{
    float s = 0.0f;
    for (int i = 0; i < r.GetSegmentIndex(); ++i)
        s += r.GetSegments().lengths[size_t(i)];
    return s + r.GetDistance();
}

} // namespace tracktest
