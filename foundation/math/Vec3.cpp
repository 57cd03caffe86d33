#include "foundation/math/Vec3.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {
float ToRadians(float deg) { return float(double(deg) * kDegToRad); }
} // namespace

float CVec3::Length() const { return std::sqrt(x * x + y * y + z * z); }

CVec3& CVec3::Normalize()
{
    const float inv = 1.0f / Length();
    x *= inv;
    y *= inv;
    z *= inv;
    return *this;
}

CVec3& CVec3::Cross(const CVec3& a, const CVec3& b)
{
    const float cx = a.y * b.z - a.z * b.y;
    const float cy = a.z * b.x - a.x * b.z;
    const float cz = a.x * b.y - a.y * b.x;
    x = cx;
    y = cy;
    z = cz;
    return *this;
}

CVec3& CVec3::CrossWith(const CVec3& b)
{
    const float cx = z * b.y - y * b.z;
    const float cy = x * b.z - z * b.x;
    const float cz = y * b.x - x * b.y;
    x = cx;
    y = cy;
    z = cz;
    return *this;
}

CVec3& CVec3::PlaneNormal(const CVec3& p1, const CVec3& p2, const CVec3& p3)
{
    CVec3 n;
    n.Cross(p1 - p2, p2 - p3);
    const float inv = 1.0f / n.LengthSq();
    *this = n * inv;
    return *this;
}

float CVec3::Distance(const CVec3& o) const { return std::sqrt(DistanceSq(o)); }

float CVec3::DistanceSq(const CVec3& o) const
{
    const float dx = x - o.x, dy = y - o.y, dz = z - o.z;
    return dx * dx + dy * dy + dz * dz;
}

CVec3& CVec3::Max(const CVec3& o)
{
    x = std::max(x, o.x);
    y = std::max(y, o.y);
    z = std::max(z, o.z);
    return *this;
}

CVec3& CVec3::Min(const CVec3& o)
{
    x = std::min(x, o.x);
    y = std::min(y, o.y);
    z = std::min(z, o.z);
    return *this;
}

void CVec3::MaxTo(CVec3& o) const { o.Max(*this); }

void CVec3::MinTo(CVec3& o) const { o.Min(*this); }

void CVec3::ExtendBounds(CVec3& boxMax, CVec3& boxMin) const
{
    boxMax.Max(*this);
    boxMin.Min(*this);
}

CVec3& CVec3::Clamp(const CVec3& hi, const CVec3& lo)
{
    x = std::max(lo.x, std::min(hi.x, x));
    y = std::max(lo.y, std::min(hi.y, y));
    z = std::max(lo.z, std::min(hi.z, z));
    return *this;
}

CVec3& CVec3::RotateX(float deg)
{
    const float r = ToRadians(deg);
    const float s = std::sin(r), c = std::cos(r);
    const float ny = y * c - z * s;
    const float nz = y * s + z * c;
    x = x * c;
    y = ny;
    z = nz;
    return *this;
}

CVec3& CVec3::RotateY(float deg)
{
    const float r = ToRadians(deg);
    const float s = std::sin(r), c = std::cos(r);
    const float nx = x * c + z * s;
    const float nz = z * c - x * s;
    x = nx;
    y = y * c;
    z = nz;
    return *this;
}

CVec3& CVec3::RotateZ(float deg)
{
    const float r = ToRadians(deg);
    const float s = std::sin(r), c = std::cos(r);
    const float nx = x * c - y * s;
    const float ny = y * c + x * s;
    x = nx;
    y = ny;
    z = z * c;
    return *this;
}

CVec3& CVec3::Rotate(float a, float b, float c)
{
    RotateX(a);
    RotateY(b);
    return RotateZ(c);
}

void CVec3::ToAngles(CVec3& out, const CVec3& d, const CVec3& p)
{
    const float pitch = std::atan2(d.z, std::sqrt(d.x * d.x + d.y * d.y));
    const float yaw = std::atan2(d.y, d.x);
    // The length is truncated to a whole number; below 1 there is no usable scale,
    // so the middle component is left at 0 instead of dividing by zero.
    const float length = std::trunc(p.Length());
    const float middle = length >= 1.0f ? p.y * (1.0f / length) : 0.0f;
    out.x = float(double(pitch) * kRadToDeg + 90.0);
    out.y = middle;
    out.z = float(double(yaw) * kRadToDeg - 90.0);
}

const char* CVec3::ToString() const
{
    thread_local std::string text;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%0.3f %0.3f %0.3f", double(x), double(y), double(z));
    text = buffer;
    return text.c_str();
}

// ---------------------------------------------------------------------------

CQuad::CQuad(CVec3 m, float a, float b, int kind)
{
    switch (kind) {
    case 1: { // X-Z, y = m.y
        const float u = m.x - a / 2, v = m.z - b / 2;
        p[0] = CVec3(u + a, m.y, v);
        p[1] = CVec3(u + a, m.y, v + b);
        p[2] = CVec3(u, m.y, v + b);
        p[3] = CVec3(u, m.y, v);
        break;
    }
    case 2: { // Y-Z, x = m.x
        const float u = m.y - a / 2, v = m.z - b / 2;
        p[0] = CVec3(m.x, u, v);
        p[1] = CVec3(m.x, u, v + b);
        p[2] = CVec3(m.x, u + a, v + b);
        p[3] = CVec3(m.x, u + a, v);
        break;
    }
    case 4: { // X-Y, z = m.z
        const float u = m.x - a / 2, v = m.y - b / 2;
        p[0] = CVec3(u + a, v, m.z);
        p[1] = CVec3(u + a, v + b, m.z);
        p[2] = CVec3(u, v + b, m.z);
        p[3] = CVec3(u, v, m.z);
        break;
    }
    default:
        break;
    }
}

void CQuad::Translate(const CVec3& v)
{
    for (CVec3& c : p)
        c += v;
}

CVec3 CQuad::Centre() const { return (p[0] + p[1] + p[2] + p[3]) * 0.25f; }

float CQuad::Radius() const { return p[0].Distance(Centre()); }

float CQuad::SquareDiagonal(const CVec3& a, const CVec3& b)
{
    const float d = a.Distance(b);
    return std::sqrt(d * d + d * d);
}

namespace {
float SubtendedAngle(const CVec3& a, const CVec3& b)
{
    return std::acos(a.Dot(b) / (a.Length() * b.Length()));
}

float QuadSum(const CVec3 (&q)[4])
{
    return SubtendedAngle(q[1], q[2]) + SubtendedAngle(q[0], q[1]) + SubtendedAngle(q[2], q[3]) +
           SubtendedAngle(q[3], q[0]);
}

float TriangleSum(const CVec3 (&q)[3])
{
    return SubtendedAngle(q[1], q[0]) + SubtendedAngle(q[2], q[1]) + SubtendedAngle(q[2], q[0]);
}
} // namespace

float CQuad::AngleSum(const CQuad& quad, const CVec3& pt)
{
    const CVec3 q[4] = {quad.p[0] - pt, quad.p[1] - pt, quad.p[2] - pt, quad.p[3] - pt};
    return QuadSum(q);
}

float CQuad::AngleSumInPlace(const CVec3& pt)
{
    for (CVec3& c : p)
        c = c - pt;
    return QuadSum(p);
}

float CTriangle::AngleSum(const CTriangle& tri, const CVec3& pt)
{
    const CVec3 q[3] = {tri.p[0] - pt, tri.p[1] - pt, tri.p[2] - pt};
    return TriangleSum(q);
}

float CTriangle::AngleSumInPlace(const CVec3& pt)
{
    for (CVec3& c : p)
        c = c - pt;
    return TriangleSum(p);
}
