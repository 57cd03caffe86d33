#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "foundation/math/Curve2D.h"
#include "foundation/math/Spline.h"

namespace {

CVec3Array Line(int n, float spacing = 10.0f)
{
    CVec3Array p;
    for (int i = 0; i < n; ++i)
        p.emplace_back(float(i) * spacing, 0.0f, 5.0f);
    return p;
}

CVec3Array Arc(int n, float radius, float fromDeg, float toDeg)
{
    CVec3Array p;
    for (int i = 0; i < n; ++i) {
        const float a = (fromDeg + (toDeg - fromDeg) * float(i) / float(n - 1)) * std::numbers::pi_v<float> / 180;
        p.emplace_back(radius * std::cos(a), radius * std::sin(a), 0.0f);
    }
    return p;
}

void ExpectNear(const CVec3& v, const CVec3& w, float eps = 1e-4f)
{
    EXPECT_NEAR(v.x, w.x, eps);
    EXPECT_NEAR(v.y, w.y, eps);
    EXPECT_NEAR(v.z, w.z, eps);
}

// ---------------------------------------------------------------------------- Generate

TEST(SplineGenerate, PointCounts)
{
    struct Case {
        int dots, k;
        bool closed;
        size_t expected;
    };
    const Case cases[] = {
        {0, 10, false, 0},  {1, 10, false, 0},  {0, 10, true, 0},    {1, 10, true, 0},
        {2, 10, false, 11}, {3, 10, false, 21}, {6, 10, false, 51},  {40, 10, false, 391},
        {2, 10, true, 21},  {3, 10, true, 31},  {6, 10, true, 61},   {40, 10, true, 401},
        {5, 1, false, 5},   {5, 3, false, 13},  {5, 7, true, 36},    {5, -1, false, 1},
        {5, -4, true, 1},
    };
    CVec3Array out(3); // emptied first
    for (const Case& c : cases) {
        Spline::Generate(out, Arc(c.dots, 100, 0, 120), c.k, c.closed);
        EXPECT_EQ(out.size(), c.expected) << c.dots << " dots, k " << c.k << (c.closed ? " closed" : " open");
    }
}

TEST(SplineGenerate, TwoDotsOpenIsTheStraightSegment)
{
    const CVec3Array p = {CVec3(0, 0, 0), CVec3(10, 0, 0)};
    CVec3Array out;
    Spline::Generate(out, p, 10, false);
    ASSERT_EQ(out.size(), 11u);
    EXPECT_TRUE(out.front() == p[0]);
    EXPECT_TRUE(out.back() == p[1]);
    for (size_t i = 1; i < out.size(); ++i) {
        EXPECT_GT(out[i].x, out[i - 1].x);
        EXPECT_EQ(out[i].y, 0.0f);
    }
    // Tangents 0.35 * (P1 - P0): at s = 0.1 the point is at 0.028*10 + (0.081 - 0.009)*3.5.
    EXPECT_NEAR(out[1].x, 0.532f, 1e-5f);
    EXPECT_NEAR(out[5].x, 5.0f, 1e-5f);
}

TEST(SplineGenerate, TwoDotsClosedGoesOutAndBack)
{
    const CVec3Array p = {CVec3(1, 2, 3), CVec3(11, 2, 3)};
    CVec3Array out;
    Spline::Generate(out, p, 10, true);
    ASSERT_EQ(out.size(), 21u);
    EXPECT_TRUE(out[0] == p[0]);
    EXPECT_TRUE(out[10] == p[1]);
    EXPECT_TRUE(out[20] == p[0]);
    ExpectNear(out[5], CVec3(6, 2, 3));
    ExpectNear(out[15], CVec3(6, 2, 3));
}

TEST(SplineGenerate, OpenCurvePassesThroughDotsWithLowerTensionNearTheEnds)
{
    const CVec3Array p = Line(4);
    CVec3Array out;
    Spline::Generate(out, p, 10, false);
    ASSERT_EQ(out.size(), 31u);
    for (int i = 0; i < 4; ++i)
        ExpectNear(out[size_t(10 * i)], p[size_t(i)], 1e-5f);
    for (size_t i = 1; i < out.size(); ++i) {
        EXPECT_GT(out[i].x, out[i - 1].x);
        EXPECT_EQ(out[i].y, 0.0f);
        EXPECT_EQ(out[i].z, 5.0f);
    }
    // Lowered tension: steps next to a dot are shorter than in the middle of the interval.
    for (int interval = 0; interval < 3; ++interval) {
        const size_t base = size_t(10 * interval);
        const float first = out[base + 1].x - out[base].x;
        const float middle = out[base + 5].x - out[base + 4].x;
        EXPECT_LT(first, middle) << "interval " << interval;
    }
    // Middle interval: cardinal with tension 0.85, tangents 0.425 * (P2 - P0).
    for (int j = 1; j <= 10; ++j)
        ExpectNear(out[size_t(10 + j)], Spline::Cardinal(p[0], p[1], p[2], p[3], float(j) * 0.1f, 0.85f));
}

TEST(SplineGenerate, LongNeighboursShortenTheTangents)
{
    // Interval 1 (100 -> 110) has a predecessor ten times its length: it stays on its chord
    // with both tangents 0.425 * 0.25 * (B - A), although the next dot turns away.
    const CVec3Array p = {CVec3(0, 0, 0),   CVec3(100, 0, 0),   CVec3(110, 0, 0),   CVec3(110, 100, 0),
                          CVec3(110, 110, 0), CVec3(110, 210, 0), CVec3(110, 310, 0)};
    CVec3Array out;
    Spline::Generate(out, p, 10, false);
    ASSERT_EQ(out.size(), 61u);
    const float h = 0.85f / 2 * 0.25f;
    for (int j = 1; j <= 10; ++j) {
        EXPECT_EQ(out[size_t(10 + j)].y, 0.0f) << j;
        ExpectNear(out[size_t(10 + j)], Spline::Hermite(p[1], p[2], float(j) * 0.1f, h, h));
        EXPECT_NEAR(out[size_t(30 + j)].x, 110.0f, 1e-4f) << j; // interval 3 likewise
    }
    // Interval 2 has no long neighbour (10/100 and 10/100): cardinal with tension 1.
    for (int j = 1; j <= 10; ++j)
        ExpectNear(out[size_t(20 + j)], Spline::Cardinal(p[1], p[2], p[3], p[4], float(j) * 0.1f, 1.0f));

    // Interval 2 (20 -> 30) with only a long successor: tangents 0.5 * clamp(10/100) * (B - A).
    const CVec3Array q = {CVec3(0, 0, 0),  CVec3(10, 0, 0),   CVec3(20, 0, 0),
                          CVec3(30, 0, 0), CVec3(30, 100, 0), CVec3(30, 200, 0)};
    Spline::Generate(out, q, 10, false);
    ASSERT_EQ(out.size(), 51u);
    for (int j = 1; j <= 10; ++j) {
        EXPECT_EQ(out[size_t(20 + j)].y, 0.0f) << j;
        ExpectNear(out[size_t(20 + j)], Spline::Hermite(q[2], q[3], float(j) * 0.1f, 0.125f, 0.125f));
    }
}

TEST(SplineGenerate, DuplicateDotsStayFinite)
{
    const CVec3Array p = {CVec3(0, 0, 0), CVec3(10, 0, 0), CVec3(10, 0, 0), CVec3(20, 5, 0), CVec3(20, 5, 0),
                          CVec3(30, 0, 0)};
    for (int k : {10, 0}) {
        for (bool closed : {false, true}) {
            CVec3Array out;
            Spline::Generate(out, p, k, closed);
            ASSERT_FALSE(out.empty());
            for (const CVec3& v : out)
                ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z))
                    << "k " << k << (closed ? " closed" : " open");
        }
    }
}

TEST(SplineGenerate, AdaptiveModeOnStraightEvenDotsGivesTheDots)
{
    const CVec3Array p = Line(6, 50.0f);
    CVec3Array out;
    Spline::Generate(out, p, 0, false);
    ASSERT_EQ(out.size(), p.size());
    for (size_t i = 0; i < p.size(); ++i)
        ExpectNear(out[i], p[i], 1e-4f);
}

TEST(SplineGenerate, AdaptiveModeSubdividesBends)
{
    // A closed square: every corner interval is split until the chord is within 0.5.
    const CVec3Array square = {CVec3(0, 0, 0), CVec3(100, 0, 0), CVec3(100, 100, 0), CVec3(0, 100, 0)};
    CVec3Array out;
    Spline::Generate(out, square, 0, true);
    EXPECT_GT(out.size(), 1 + 10 * square.size());
    EXPECT_TRUE(out.front() == square[0]);
    ExpectNear(out.back(), square[0], 1e-3f);
    for (const CVec3& c : square) {
        bool found = false;
        for (const CVec3& v : out)
            found = found || v.Distance(c) < 1e-3f;
        EXPECT_TRUE(found) << c.ToString();
    }
    for (size_t i = 1; i < out.size(); ++i)
        EXPECT_LT(out[i].Distance(out[i - 1]), 30.0f);

    // Open: the end intervals stay on their chords (tangents along B - A) and give their
    // end dot alone; the bent interior intervals are split.
    const CVec3Array arc = Arc(7, 200, 0, 180);
    Spline::Generate(out, arc, 0, false);
    EXPECT_GT(out.size(), arc.size() + 4);
    EXPECT_TRUE(out.front() == arc.front());
    ExpectNear(out[1], arc[1], 1e-3f);
    ExpectNear(out.back(), arc.back(), 1e-3f);
    for (const CVec3& c : arc) {
        bool found = false;
        for (const CVec3& v : out)
            found = found || v.Distance(c) < 1e-3f;
        EXPECT_TRUE(found) << c.ToString();
    }
}

// ---------------------------------------------------------------------------- evaluators

TEST(SplineEvaluators, AgreeAtEndsAndWithEachOther)
{
    const CVec3 p0(-3, 1, 0), p1(0, 0, 1), p2(4, 2, -1), p3(9, -5, 2);
    ExpectNear(Spline::CatmullRom(p0, p1, p2, p3, 0), p1);
    ExpectNear(Spline::CatmullRom(p0, p1, p2, p3, 1), p2);
    for (float s : {0.0f, 0.2f, 0.5f, 0.9f, 1.0f}) {
        // Catmull-Rom is the cardinal segment with tension 1.
        ExpectNear(Spline::CatmullRom(p0, p1, p2, p3, s), Spline::Cardinal(p0, p1, p2, p3, s, 1.0f));
        // A Hermite segment with scales a, b is the cardinal one when its tangents match.
        ExpectNear(Spline::Hermite(p1, p2, s, 0.3f, 0.3f),
                   Spline::HermiteSegment(p1, p2, (p2 - p1) * 0.3f, (p2 - p1) * 0.3f, s));
    }
    ExpectNear(Spline::Hermite(p1, p2, 0, 5, -2), p1);
    ExpectNear(Spline::Hermite(p1, p2, 1, 5, -2), p2);
}

TEST(SplineSubdivide, AppendsLeafEndsInOrderAndRespectsDepth)
{
    const CVec3 p0(0, 0, 0), p1(10, 0, 0), p2(20, 0, 0), p3(30, 0, 0);
    CVec3Array out;
    Spline::Subdivide(p0, p1, p2, p3, 0, 1, 0.5f, 0, 10, out);
    ASSERT_EQ(out.size(), 1u); // straight: only the end point
    ExpectNear(out[0], p2);

    const CVec3 q0(0, -100, 0), q3(30, -100, 0); // strongly bent
    out.clear();
    Spline::Subdivide(q0, p1, p2, q3, 0, 1, 0.5f, 0, 10, out);
    ASSERT_GT(out.size(), 2u);
    ExpectNear(out.back(), p2);
    EXPECT_FALSE(out.front() == p1); // the start point is never appended
    for (size_t i = 1; i < out.size(); ++i)
        EXPECT_GT(out[i].x, out[i - 1].x);

    for (int maxDepth : {0, 1, 3}) {
        out.clear();
        Spline::SubdivideCardinal(q0, p1, p2, q3, 1.0f, 0, 1, 0.001f, 0, maxDepth, out);
        EXPECT_EQ(out.size(), size_t(1) << maxDepth);
        out.clear();
        Spline::SubdivideHermite(p1, p2, 3.0f, -3.0f, 0, 1, 0.001f, 0, maxDepth, out);
        EXPECT_EQ(out.size(), size_t(1) << maxDepth);
    }
}

// ---------------------------------------------------------------------------- Smooth / Thin

TEST(SplineSmooth, PassesReadOnlyThePreviousPass)
{
    CVec3Array p(9, CVec3(0, 0, 7));
    p[4] = CVec3(5, 10, 7);
    Spline::Smooth(p, 192, 1.0f, 1);
    ASSERT_EQ(p.size(), 9u); // at most 9 points: no thinning
    for (int i = 2; i <= 6; ++i) {
        EXPECT_FLOAT_EQ(p[size_t(i)].x, 1.0f) << i;
        EXPECT_FLOAT_EQ(p[size_t(i)].y, 2.0f) << i;
        EXPECT_EQ(p[size_t(i)].z, 7.0f) << i;
    }
    for (int i : {0, 1, 7, 8})
        EXPECT_TRUE(p[size_t(i)] == CVec3(0, 0, 7)) << i;
}

TEST(SplineSmooth, TrackValuesKeepEndsAndFlattenZigzag)
{
    CVec3Array p;
    for (int i = 0; i < 9; ++i)
        p.emplace_back(float(i) * 10, (i % 2) ? 8.0f : -8.0f, float(i));
    const CVec3Array before = p;
    Spline::Smooth(p, 192, 0.75f, 5);
    ASSERT_EQ(p.size(), 9u);
    for (int i : {0, 1, 7, 8})
        EXPECT_TRUE(p[size_t(i)] == before[size_t(i)]) << i;
    for (int i = 2; i <= 6; ++i) {
        EXPECT_LT(std::fabs(p[size_t(i)].y), 8.0f) << i;
        EXPECT_EQ(p[size_t(i)].z, before[size_t(i)].z) << i;
    }

    // Short lists are left alone by the blend.
    CVec3Array shortList = {CVec3(0, 0, 0), CVec3(1, 5, 0), CVec3(2, 0, 0), CVec3(3, 5, 0)};
    const CVec3Array shortBefore = shortList;
    Spline::Smooth(shortList, 192, 0.75f, 5);
    EXPECT_EQ(shortList, shortBefore);

    // Longer lists are thinned afterwards.
    CVec3Array line = Line(30);
    Spline::Smooth(line, 192, 0.75f, 5);
    EXPECT_EQ(line.size(), 8u);
}

TEST(SplineSmooth, PlanarAndFullVariantsDoNotThin)
{
    CVec3Array planar = Line(20);
    for (size_t i = 0; i < planar.size(); ++i)
        planar[i].z = (i % 2) ? 4.0f : -4.0f;
    CVec3Array full = planar;
    Spline::SmoothPlanar(planar, 0.75f, 3);
    Spline::SmoothFull(full, 0.75f, 3);
    ASSERT_EQ(planar.size(), 20u);
    ASSERT_EQ(full.size(), 20u);
    EXPECT_EQ(planar[10].z, -4.0f);
    EXPECT_LT(std::fabs(full[10].z), 4.0f);
    EXPECT_NEAR(full[10].x, planar[10].x, 1e-4f);
}

TEST(SplineThin, ShortListsAndStraightRuns)
{
    CVec3Array nine = Line(9);
    Spline::Thin(nine);
    EXPECT_EQ(nine, Line(9));

    CVec3Array twenty = Line(20);
    Spline::Thin(twenty);
    ASSERT_EQ(twenty.size(), 8u);
    const CVec3Array full = Line(20);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(twenty[i] == full[i]);
        EXPECT_TRUE(twenty[4 + i] == full[16 + i]);
    }
}

// Straight along x up to P9, then the direction turns at each of `corners` consecutive
// points, then straight again until `total` points.
CVec3Array Bend(int corners, int total)
{
    CVec3Array p;
    for (int i = 0; i < 10; ++i)
        p.emplace_back(float(i), 0.0f, 0.0f);
    CVec3 dir(1, 0, 0);
    for (int i = 10; i < total; ++i) {
        if (i - 10 < corners)
            dir.y += 1.0f;
        p.push_back(p.back() + dir);
    }
    return p;
}

TEST(SplineThin, BendRunsOfThreeOrMoreTripletsKeepTheirPoints)
{
    // Three bent triples (middles 9, 10, 11): run 9..12, kept with 4 each side: 5..16.
    const CVec3Array three = Bend(3, 25);
    CVec3Array thinned = three;
    Spline::Thin(thinned);
    CVec3Array expected;
    for (int i : {0, 1, 2, 3})
        expected.push_back(three[size_t(i)]);
    for (int i = 5; i <= 16; ++i)
        expected.push_back(three[size_t(i)]);
    for (int i : {21, 22, 23, 24})
        expected.push_back(three[size_t(i)]);
    EXPECT_EQ(thinned, expected);

    // Two bent triples are not a bend: only the ends survive.
    CVec3Array two = Bend(2, 25);
    Spline::Thin(two);
    EXPECT_EQ(two.size(), 8u);

    // A single sharp corner in a straight line is removed.
    CVec3Array corner = Line(10);
    for (int i = 1; i <= 11; ++i)
        corner.emplace_back(90.0f, float(i) * 10, 5.0f);
    Spline::Thin(corner);
    EXPECT_EQ(corner.size(), 8u);
    for (const CVec3& v : corner)
        EXPECT_FALSE(v == CVec3(90, 0, 5));

    // A run still open at the end of the list is recorded too.
    const CVec3Array arc = Arc(30, 500, 0, 90);
    CVec3Array arcThinned = arc;
    Spline::Thin(arcThinned);
    EXPECT_EQ(arcThinned, arc);
}

TEST(SplineThin, MergesDuplicateKeptPoints)
{
    CVec3Array p = Line(12);
    p.insert(p.begin() + 2, p[1]); // 13 points, P1 twice
    Spline::Thin(p);
    const CVec3Array full = Line(12);
    const CVec3Array expected = {full[0], full[1], full[2], full[8], full[9], full[10], full[11]};
    EXPECT_EQ(p, expected);
}

TEST(SplineBend, IsBendAndCurvature)
{
    const CVec3 a(0, 0, 0), b(10, 0, 0);
    EXPECT_FALSE(Spline::IsBend(a, b, CVec3(20, 0, 0)));
    EXPECT_FALSE(Spline::IsBend(a, b, CVec3(20, 0.05f, 0))); // cos ~ 0.9999875
    EXPECT_TRUE(Spline::IsBend(a, b, CVec3(20, 0.3f, 0)));   // cos ~ 0.99955
    EXPECT_TRUE(Spline::IsBend(a, b, CVec3(10, 10, 0)));
    EXPECT_TRUE(Spline::IsBend(a, a, b)); // zero-length direction

    EXPECT_NEAR(Spline::Curvature(CVec3(10, 0, 0), CVec3(0, 10, 0), CVec3(-10, 0, 0)), 0.1f, 1e-6f);
    EXPECT_EQ(Spline::Curvature(a, b, CVec3(20, 0, 0)), 0.0f);
    EXPECT_EQ(Spline::Curvature(a, a, b), 0.0f);
}

// ---------------------------------------------------------------------------- 2D curves

TEST(Curve2D, HermiteSegmentSteps)
{
    EXPECT_EQ(CHermite2D(40, -10, 0, 0, 0, 0).Steps(), 10);
    EXPECT_EQ(CHermite2D(-9, 43.9f, 0, 0, 0, 0).Steps(), 10);
    EXPECT_EQ(CHermite2D(3, 2, 0, 0, 0, 0).Steps(), 1);
    EXPECT_EQ(CHermite2D().PointCount(), 2);
    EXPECT_EQ(CHermite2D(1, 1, 0, 0, 0, 0, 0).Steps(), 1);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(CHermite2D(nan, nan, 0, 0, 0, 0).Steps(), 1);
    EXPECT_GT(CHermite2D(1e30f, 0, 0, 0, 0, 0).Steps(), 1);

    std::vector<CVec2> pts;
    CHermite2D(40, 20, 0, 0, 0, 0).AppendPoints(5, 6, pts);
    ASSERT_EQ(pts.size(), 11u);
    EXPECT_TRUE(pts.front() == CVec2(5, 6));
    EXPECT_NEAR(pts.back().x, 45.0f, 1e-5f);
    EXPECT_NEAR(pts.back().y, 26.0f, 1e-5f);
    EXPECT_NEAR(pts[5].x, 25.0f, 1e-5f);
    EXPECT_NEAR(pts[5].y, 16.0f, 1e-5f);
}

TEST(Curve2D, StraightEvenPointsGiveTheirOffsetsAsTangents)
{
    std::vector<CVec2> p;
    for (int i = 0; i < 6; ++i)
        p.emplace_back(float(i) * 20, float(i) * 8);
    CCurve2D curve(p);
    EXPECT_EQ(curve.Compute(), 5);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(curve.Tangent(i).x, 20.0f, 0.05f) << i;
        EXPECT_NEAR(curve.Tangent(i).y, 8.0f, 0.05f) << i;
    }
    std::vector<CVec2> pts;
    curve.AppendPoints(pts);
    EXPECT_EQ(int(pts.size()), curve.PointCount());
    EXPECT_EQ(curve.PointCount(), 5 * (5 + 1));
    for (const CVec2& v : pts)
        EXPECT_NEAR(v.y, v.x * 0.4f, 0.05f);
    // Every interval starts at its point, and the last one reaches the final point.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(pts[size_t(6 * i)] == p[size_t(i)]);
    EXPECT_NEAR(pts.back().x, 100.0f, 1e-3f);
    EXPECT_NEAR(pts.back().y, 40.0f, 1e-3f);
}

TEST(Curve2D, DegenerateInputs)
{
    CCurve2D one(std::vector<CVec2>{CVec2(1, 1)});
    EXPECT_EQ(one.Compute(), 0);
    std::vector<CVec2> pts;
    one.AppendPoints(pts);
    EXPECT_TRUE(pts.empty());
    EXPECT_EQ(CCurve2D(nullptr, 3).Compute(), 0);

    // Repeated points (zero-length offsets) keep the solution finite.
    const CVec2 arr[] = {CVec2(0, 0), CVec2(10, 0), CVec2(10, 0), CVec2(20, 10)};
    CCurve2D curve(arr, 4);
    EXPECT_EQ(curve.Compute(), 3);
    curve.AppendPoints(pts);
    EXPECT_EQ(int(pts.size()), curve.PointCount());
    for (const CVec2& v : pts)
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
}

} // namespace
