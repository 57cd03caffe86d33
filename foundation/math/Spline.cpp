#include "foundation/math/Spline.h"

#include <algorithm>
#include <cstddef>

namespace Spline {

namespace {

constexpr float kAdaptiveTolerance = 0.5f;
constexpr int kAdaptiveMaxDepth = 10;
constexpr float kTiny = 1e-6f;

template <typename Eval>
void SubdivideWith(const Eval& eval, const CVec3& start, const CVec3& end, float s0, float s1, float tolerance,
                   int depth, int maxDepth, CVec3Array& out)
{
    const float sm = (s0 + s1) / 2;
    const CVec3 curve = eval(sm);
    const CVec3 chord = start * (1.0f - sm) + end * sm;
    if (curve.Distance(chord) > tolerance && depth < maxDepth) {
        SubdivideWith(eval, start, end, s0, sm, tolerance, depth + 1, maxDepth, out);
        SubdivideWith(eval, start, end, sm, s1, tolerance, depth + 1, maxDepth, out);
    } else {
        out.push_back(eval(s1));
    }
}

// Five-point blend of the interior points; each pass reads only the previous pass.
void SmoothPasses(CVec3Array& points, float f, int passes, bool withZ)
{
    const size_t n = points.size();
    if (n <= 4)
        return;
    CVec3Array prev = points;
    for (int pass = 0; pass < passes; ++pass) {
        for (size_t i = 2; i + 2 < n; ++i) {
            const CVec3* c = &prev[i];
            CVec3& p = points[i];
            p.x = (1.0f - f) * c[0].x + f * (c[-2].x + c[-1].x + c[0].x + c[1].x + c[2].x) * 0.2f;
            p.y = (1.0f - f) * c[0].y + f * (c[-2].y + c[-1].y + c[0].y + c[1].y + c[2].y) * 0.2f;
            if (withZ)
                p.z = (1.0f - f) * c[0].z + f * (c[-2].z + c[-1].z + c[0].z + c[1].z + c[2].z) * 0.2f;
        }
        std::copy(points.begin(), points.end(), prev.begin());
    }
}

void GenerateClosed(CVec3Array& out, const CVec3Array& p, int k)
{
    const size_t n = p.size();
    const float g = k >= 1 ? 1.0f / float(k) : 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const CVec3& q = p[(i + n - 1) % n];
        const CVec3& a = p[i];
        const CVec3& b = p[(i + 1) % n];
        const CVec3& r = p[(i + 2) % n];
        if (i == 0)
            out.push_back(a);
        if (k > 0) {
            const CVec3 ta = (b - q) * 0.5f;
            const CVec3 tb = (r - a) * 0.5f;
            for (int j = 1; j <= k; ++j)
                out.push_back(HermiteSegment(a, b, ta, tb, float(j) * g));
        } else if (k == 0) {
            SubdivideCardinal(q, a, b, r, 1.0f, 0.0f, 1.0f, kAdaptiveTolerance, 0, kAdaptiveMaxDepth, out);
        }
    }
}

void GenerateOpen(CVec3Array& out, const CVec3Array& p, int k)
{
    const size_t n = p.size();
    const float g = k >= 1 ? 1.0f / float(k) : 0.0f;
    for (size_t i = 0; i + 1 < n; ++i) {
        const CVec3& a = p[i];
        const CVec3& b = p[i + 1];
        if (i == 0)
            out.push_back(a);
        if (k < 0)
            continue;

        const bool firstOrLast = i == 0 || i == n - 2;
        float tension = 1.0f;
        if (firstOrLast)
            tension = 0.7f;
        else if (i == 1 || i == n - 3)
            tension = 0.85f;
        const float G = tension / 2;

        const float d = i > 0 ? a.Distance(p[i - 1]) : 0.0f;
        const float e = b.Distance(a);
        const float f = i + 2 < n ? p[i + 2].Distance(b) : 0.0f;
        const bool longPred = i > 0 && (e <= kTiny ? 1e6f : d / e) > 4.0f;
        const bool longSucc = i + 2 < n && (e <= kTiny ? 1e6f : f / e) > 4.0f;

        float scale = G; // both tangents scale * (b - a), unless cardinal
        bool cardinal = false;
        if (firstOrLast)
            scale = G;
        else if (longPred)
            scale = G * std::clamp(d <= kTiny ? 0.0f : e / d, 0.25f, 1.0f);
        else if (longSucc)
            scale = G * std::clamp(f <= kTiny ? 0.0f : e / f, 0.25f, 1.0f);
        else
            cardinal = true;

        if (k > 0) {
            CVec3 ta, tb;
            if (cardinal) {
                ta = (b - p[i - 1]) * G;
                tb = (p[i + 2] - a) * G;
            } else {
                ta = tb = (b - a) * scale;
            }
            for (int j = 1; j <= k; ++j)
                out.push_back(HermiteSegment(a, b, ta, tb, float(j) * g));
        } else if (!cardinal) {
            SubdivideHermite(a, b, scale, scale, 0.0f, 1.0f, kAdaptiveTolerance, 0, kAdaptiveMaxDepth, out);
        } else {
            const CVec3& before = p[i - 1];
            const CVec3& after = p[i + 2];
            const CVec3 mid = Cardinal(before, a, b, after, 0.5f, tension);
            if (mid.Distance((a + b) * 0.5f) > kAdaptiveTolerance) {
                SubdivideCardinal(before, a, b, after, tension, 0.0f, 0.5f, kAdaptiveTolerance, 1,
                                  kAdaptiveMaxDepth, out);
                SubdivideCardinal(before, a, b, after, tension, 0.5f, 1.0f, kAdaptiveTolerance, 1,
                                  kAdaptiveMaxDepth, out);
            } else {
                out.push_back(b);
            }
        }
    }
}

} // namespace

CVec3 HermiteSegment(const CVec3& a, const CVec3& b, const CVec3& ta, const CVec3& tb, float s)
{
    const float s2 = s * s;
    const float s3 = s2 * s;
    const float h00 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const float h01 = 3.0f * s2 - 2.0f * s3;
    const float h10 = s3 - 2.0f * s2 + s;
    const float h11 = s3 - s2;
    return a * h00 + b * h01 + ta * h10 + tb * h11;
}

void Generate(CVec3Array& out, const CVec3Array& points, int k, bool closed)
{
    if (&out == &points) {
        const CVec3Array copy = points;
        Generate(out, copy, k, closed);
        return;
    }
    out.clear();
    const size_t n = points.size();
    if (n < 2)
        return;
    if (k > 0)
        out.reserve(1 + size_t(k) * (closed ? n : n - 1));
    if (closed)
        GenerateClosed(out, points, k);
    else
        GenerateOpen(out, points, k);
}

void Smooth(CVec3Array& points, int /*unused*/, float f, int passes)
{
    SmoothPasses(points, f, passes, false);
    Thin(points);
}

void SmoothPlanar(CVec3Array& points, float f, int passes) { SmoothPasses(points, f, passes, false); }

void SmoothFull(CVec3Array& points, float f, int passes) { SmoothPasses(points, f, passes, true); }

void Thin(CVec3Array& points)
{
    const size_t n = points.size();
    if (n <= 9)
        return;

    std::vector<bool> keep(n, false);
    auto mark = [&](ptrdiff_t from, ptrdiff_t to) {
        from = std::max<ptrdiff_t>(from, 0);
        to = std::min<ptrdiff_t>(to, ptrdiff_t(n) - 1);
        for (ptrdiff_t i = from; i <= to; ++i)
            keep[size_t(i)] = true;
    };
    mark(0, 3);
    mark(ptrdiff_t(n) - 4, ptrdiff_t(n) - 1);

    // A run of at least three consecutive bent triples keeps its points and 4 on each side.
    // The run starts at the middle point of its first triple, ends at the last of its last.
    auto record = [&](size_t firstTriple, size_t lastTriple) {
        const ptrdiff_t start = ptrdiff_t(firstTriple) + 1;
        const ptrdiff_t end = ptrdiff_t(lastTriple) + 2;
        mark(start - 4, end + 4);
    };
    size_t runFirst = 0, runLength = 0;
    for (size_t i = 0; i + 2 < n; ++i) {
        if (IsBend(points[i], points[i + 1], points[i + 2])) {
            if (runLength == 0)
                runFirst = i;
            ++runLength;
        } else {
            if (runLength >= 3)
                record(runFirst, i - 1);
            runLength = 0;
        }
    }
    if (runLength >= 3)
        record(runFirst, n - 3);

    CVec3Array result;
    result.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (!keep[i])
            continue;
        if (!result.empty() && result.back().Distance(points[i]) <= kTiny)
            continue;
        result.push_back(points[i]);
    }
    points.swap(result);
}

bool IsBend(const CVec3& a, const CVec3& b, const CVec3& c)
{
    CVec3 u = b - a;
    CVec3 v = c - b;
    u.Normalize();
    v.Normalize();
    return !(u.Dot(v) >= 0.9999f);
}

float Curvature(const CVec3& a, const CVec3& b, const CVec3& c)
{
    CVec3 cross;
    cross.Cross(c - a, b - a);
    const float crossLength = cross.Length();
    const float lengths = c.Distance(b) * c.Distance(a) * b.Distance(a);
    if (crossLength < kTiny || lengths < kTiny)
        return 0.0f;
    return 2.0f * crossLength / lengths;
}

CVec3 CatmullRom(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float s)
{
    const float s2 = s * s;
    const float s3 = s2 * s;
    return (p1 * 2.0f + (p2 - p0) * s + (p0 * 2.0f - p1 * 5.0f + p2 * 4.0f - p3) * s2 +
            (p1 * 3.0f - p0 - p2 * 3.0f + p3) * s3) *
           0.5f;
}

CVec3 Cardinal(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float s, float w)
{
    const float half = w / 2;
    return HermiteSegment(p1, p2, (p2 - p0) * half, (p3 - p1) * half, s);
}

CVec3 Hermite(const CVec3& a, const CVec3& b, float s, float sa, float sb)
{
    const CVec3 d = b - a;
    return HermiteSegment(a, b, d * sa, d * sb, s);
}

void Subdivide(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float s0, float s1,
               float tolerance, int depth, int maxDepth, CVec3Array& out)
{
    SubdivideWith([&](float s) { return CatmullRom(p0, p1, p2, p3, s); }, p1, p2, s0, s1, tolerance, depth,
                  maxDepth, out);
}

void SubdivideCardinal(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float w, float s0,
                       float s1, float tolerance, int depth, int maxDepth, CVec3Array& out)
{
    SubdivideWith([&](float s) { return Cardinal(p0, p1, p2, p3, s, w); }, p1, p2, s0, s1, tolerance, depth,
                  maxDepth, out);
}

void SubdivideHermite(const CVec3& a, const CVec3& b, float sa, float sb, float s0, float s1, float tolerance,
                      int depth, int maxDepth, CVec3Array& out)
{
    SubdivideWith([&](float s) { return Hermite(a, b, s, sa, sb); }, a, b, s0, s1, tolerance, depth, maxDepth,
                  out);
}

} // namespace Spline
