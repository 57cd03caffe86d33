#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tracks/TrackMesh.h"

namespace {

constexpr float kW = 50.0f;

// Straight curve along +x from (x0, y, z), points about every step units.
std::vector<CVec3> Straight(float length, float step = 10.0f, float z = 0.0f, float x0 = 1000.0f, float y = 500.0f)
{
    std::vector<CVec3> c;
    const int n = std::max(1, int(std::lround(length / step)));
    for (int i = 0; i <= n; ++i)
        c.emplace_back(x0 + length * float(i) / float(n), y, z);
    return c;
}

bool Finite(const CVec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool SameColour(const CVec3& a, const CVec3& b) { return a == b; }

void ExpectWellFormed(const CTrackMesh& m)
{
    ASSERT_EQ(m.m_Positions.size(), m.m_Normals.size());
    ASSERT_EQ(m.m_Positions.size(), m.m_Colors.size());
    ASSERT_EQ(m.m_Indices.size() % 3, 0u);
    for (uint32_t i : m.m_Indices)
        ASSERT_LT(i, m.m_Positions.size());
    for (size_t i = 0; i < m.m_Positions.size(); ++i) {
        ASSERT_TRUE(Finite(m.m_Positions[i])) << i;
        ASSERT_TRUE(Finite(m.m_Normals[i])) << i;
        ASSERT_NEAR(m.m_Normals[i].Length(), 1.0f, 1e-4f) << i;
        const CVec3& p = m.m_Positions[i];
        ASSERT_TRUE(p.x >= m.m_BoxMin.x && p.y >= m.m_BoxMin.y && p.z >= m.m_BoxMin.z);
        ASSERT_TRUE(p.x <= m.m_BoxMax.x && p.y <= m.m_BoxMax.y && p.z <= m.m_BoxMax.z);
    }
}

TEST(TrackMesh, FewerThanTwoPointsKeepsArraysAndSetsNumber)
{
    CTrackMesh m;
    m.Build(Straight(400), kW);
    const auto positions = m.m_Positions;
    const auto indices = m.m_Indices;
    ASSERT_FALSE(indices.empty());
    EXPECT_TRUE(m.NeedsUpload());
    EXPECT_EQ(m.m_Number, 41);

    m.Build({CVec3(1.0f, 2.0f, 3.0f)}, kW);
    EXPECT_EQ(m.m_Number, 1);
    m.Build({}, kW);
    EXPECT_EQ(m.m_Number, 0);
    EXPECT_EQ(m.m_Positions.size(), positions.size());
    EXPECT_EQ(m.m_Indices, indices);

    m.Clear();
    EXPECT_TRUE(m.m_Positions.empty() && m.m_Indices.empty());
    EXPECT_FALSE(m.NeedsUpload());
    EXPECT_EQ(m.m_Number, 0); // number and box survive a clear
}

TEST(TrackMesh, SleeperPositions)
{
    struct Case {
        double length;
        std::vector<double> expected;
    } cases[] = {
        {475.0, {84.375, 237.5, 390.625}},
        {168.75, {84.375}},             // t not below u: t alone
        {100.0, {84.375}},              // placed beyond the curve later, so none is built
        {393.75, {84.375, 309.375}},    // a = 2: both ends
        {800.0, {84.375, 242.1875, 400.0, 557.8125, 715.625}},
    };
    for (const auto& c : cases) {
        const auto got = CTrackMesh::SleeperPositions(c.length, kW);
        ASSERT_EQ(got.size(), c.expected.size()) << c.length;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], c.expected[i], 1e-9) << c.length << " #" << i;
    }
    EXPECT_TRUE(CTrackMesh::SleeperPositions(INFINITY, kW).empty());
    EXPECT_TRUE(CTrackMesh::SleeperPositions(NAN, kW).empty());
    EXPECT_EQ(CTrackMesh::SleeperPositions(1e12, kW).size(), size_t(CTrackMesh::kMaxSleepers));
    EXPECT_EQ(CTrackMesh::SleeperPositions(1e12, kW, 10).size(), 10u);

    // a two-point curve across ten million units gets a bounded number of sleepers
    CTrackMesh m;
    m.Build({CVec3(-5e6f, 0.0f, 0.0f), CVec3(5e6f, 0.0f, 0.0f)}, kW);
    ExpectWellFormed(m);
    EXPECT_EQ(m.m_PointCount, int(2 * CTrackMesh::kMaxSleepersPerPoint));
}

TEST(TrackMesh, SleepersLieAcrossTheTrackOnTheBed)
{
    struct Case {
        float length;
        std::vector<float> centres; // arc length of each sleeper
    } cases[] = {{475.0f, {84.375f, 237.5f, 390.625f}}, {168.75f, {84.375f}}, {80.0f, {}}};
    for (const auto& c : cases) {
        CTrackMesh m;
        m.BuildSleepers(Straight(c.length, 5.0f, 100.0f), kW);
        ASSERT_EQ(m.m_PointCount, int(c.centres.size())) << c.length;
        for (int b = 0; b < m.m_PointCount; ++b) {
            const CVec3 c0 = m.m_Lines[0][b], c2 = m.m_Lines[2][b], c4 = m.m_Lines[4][b];
            const float centre = (c0.x + c2.x) / 2.0f - 1000.0f;
            EXPECT_NEAR(centre, c.centres[size_t(b)], 1e-3f);
            EXPECT_NEAR(std::fabs(c2.x - c0.x), 18.75f, 1e-3f); // along the track
            EXPECT_NEAR(std::fabs(c2.y - c0.y), 99.0f, 1e-3f);  // across
            EXPECT_NEAR(c0.z, 100.0f + 2.0f * kW - 145.0f, 1e-3f);
            EXPECT_NEAR(c4.z - c0.z, 4.5f, 1e-4f);
        }
        EXPECT_EQ(m.m_Indices.size(), size_t(36 * m.m_PointCount));
    }
}

TEST(TrackMesh, BedAndRailProfiles)
{
    const float z = 200.0f;
    CTrackMesh m;
    m.Build(Straight(800, 10.0f, z), kW);
    ExpectWellFormed(m);

    const CVec3 bedTop(0.3025f, 0.3025f, 0.3025f), bedSide(0.3575f, 0.3575f, 0.3575f);
    const CVec3 railTop(0.55f, 0.55f, 0.55f);
    int tops = 0;
    float bedTopY = 0, bedBottomY = 0, railY = 0, railTopZ = -1e9f, railLowZ = 1e9f;
    for (size_t i = 0; i < m.m_Positions.size(); ++i) {
        const CVec3& p = m.m_Positions[i];
        const CVec3& c = m.m_Colors[i];
        if (SameColour(c, bedTop)) {
            ++tops;
            EXPECT_EQ(m.m_Normals[i], CVec3(0.0f, 0.0f, 1.0f));
            EXPECT_NEAR(p.z, z - 45.0f, 1e-3f);
            bedTopY = std::max(bedTopY, std::fabs(p.y - 500.0f));
        } else if (SameColour(c, bedSide) && std::fabs(p.z - (z - 145.0f)) < 1e-3f) {
            bedBottomY = std::max(bedBottomY, std::fabs(p.y - 500.0f));
        } else if (SameColour(c, railTop)) {
            EXPECT_EQ(m.m_Normals[i], CVec3(0.0f, 0.0f, 1.0f));
            railY = std::max(railY, std::fabs(p.y - 500.0f));
            railTopZ = std::max(railTopZ, p.z);
        } else if (SameColour(c, CVec3(0.539f, 0.539f, 0.539f))) {
            railLowZ = std::min(railLowZ, p.z);
        }
    }
    EXPECT_GT(tops, 0);
    EXPECT_NEAR(bedTopY, 65.0f, 1e-3f);
    // 65 + tan(side angle) x 100, the tangent read from the table: 25 degrees in
    // radians truncates to the 24.9-degree entry
    EXPECT_NEAR(bedBottomY, 65.0f + std::tan(24.9 * M_PI / 180.0) * 100.0, 0.01);
    EXPECT_NEAR(railY, 33.75f + 2.75f, 1e-3f);
    EXPECT_NEAR(railTopZ, z - 31.5f, 1e-3f);
    EXPECT_NEAR(railLowZ, z - 40.5f, 1e-3f);
    EXPECT_NEAR(m.m_BoxMin.z, z - 145.0f, 1e-3f);
}

TEST(TrackMesh, DegenerateCurvesGiveFiniteMeshes)
{
    const CVec3 p(100.0f, 100.0f, 0.0f), q(400.0f, 100.0f, 0.0f), r(400.0f, 500.0f, 30.0f);
    std::vector<std::vector<CVec3>> curves = {
        {p, p, q, q, q, r, r},                       // repeated points
        {p, p, p, p, p, p},                          // no direction at all
        {p, p + CVec3(0.0f, 0.0f, 300.0f), q},       // vertical segment
        {p, q, p, q},                                // turning back on itself
    };
    // a curve whose every fourth point repeats the one before
    std::vector<CVec3> steps;
    for (int i = 0; i < 40; ++i)
        steps.push_back(CVec3(float(i / 2) * 30.0f + 50.0f, 50.0f, 0.0f));
    curves.push_back(steps);
    for (size_t k = 0; k < curves.size(); ++k) {
        SCOPED_TRACE(k);
        CTrackMesh m;
        m.Build(curves[k], kW);
        ExpectWellFormed(m);
    }
}

TEST(TrackMesh, WeldMergesCellsKeepingTheFirstValuesAndDropsRepeats)
{
    CTrackMesh m;
    const CVec3 n(0.0f, 0.0f, 1.0f), col(0.5f, 0.5f, 0.5f);
    const CVec3 a(10.0f, 10.0f, 0.0f), b(40.0f, 10.0f, 0.0f), c(40.0f, 40.0f, 0.0f), d(10.0f, 40.0f, 0.0f);
    const CVec3 e(0.01f, 0.02f, 0.0f); // same 0.3-unit cells
    m.AddQuad(a, b, c, d, n, col);
    m.AddQuad(a + e, b + e, c + e, d + e, n, col);
    // the first triangle again in another order, and a sliver
    m.m_Positions.insert(m.m_Positions.end(), {c, a, b, a, b, a + CVec3(30.0f, 1e-7f, 0.0f)});
    m.m_Normals.insert(m.m_Normals.end(), 6, n);
    m.m_Colors.insert(m.m_Colors.end(), 6, col);
    m.m_Indices.insert(m.m_Indices.end(), {8, 9, 10, 11, 12, 13});
    // a different colour does not merge
    m.AddQuad(a, b, c, d, n, CVec3(0.9f, 0.1f, 0.1f));
    m.Weld();

    ASSERT_EQ(m.m_Positions.size(), 8u);
    EXPECT_EQ(m.m_Positions[0], a);
    EXPECT_EQ(m.m_Positions[2], c);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}), m.m_Indices);
}

TEST(TrackMesh, RepeatedTriangleKeyIsExactForLargeIndices)
{
    // 0,1,2^21 and 0,2,2^22 share a packed 64-bit key of 21-bit fields
    std::vector<uint32_t> idx = {0, 1, 1u << 21, 0, 2, 1u << 22, 1u << 22, 0, 2, 7, 3000000, 5000000,
                                 5000000, 7, 3000000, 7, 3000000, 5000001};
    CTrackMesh::DropRepeatedTriangles(idx);
    EXPECT_EQ(idx, (std::vector<uint32_t>{0, 1, 1u << 21, 0, 2, 1u << 22, 7, 3000000, 5000000, 7, 3000000,
                                          5000001}));
}

TEST(TrackMesh, WeldShrinksTheBuiltMesh)
{
    CTrackMesh raw;
    const auto curve = Straight(2000);
    raw.BuildBed(curve, kW);
    raw.BuildRails(curve, kW);
    raw.BuildSleepers(curve, kW);
    const size_t rawVertices = raw.m_Positions.size();
    CTrackMesh m;
    m.Build(curve, kW);
    EXPECT_LT(m.m_Positions.size(), rawVertices / 2);
    EXPECT_EQ(m.m_Indices.size(), raw.m_Indices.size()); // nothing repeated on a straight track
}

// The estimate a host is weighed by before building is never below what the
// mesh then holds, and not far above it, whatever the curve (also for a mesh
// built again from a shorter curve).
TEST(TrackMesh, EstimateBoundsWhatTheMeshHolds)
{
    std::vector<CVec3> winding, sparse, ring;
    for (int i = 0; i < 4000; ++i)
        winding.emplace_back(15.0f * float(i), 900.0f * std::sin(float(i) * 0.012f), 40.0f * std::sin(float(i) * 0.005f));
    for (int i = 0; i < 400; ++i)
        sparse.emplace_back(3000.0f * float(i), 0.0f, 0.0f); // more sleepers than points
    for (int i = 0; i <= 3000; ++i)
        ring.emplace_back(5000.0f * std::cos(float(i) * 0.0020944f), 5000.0f * std::sin(float(i) * 0.0020944f), 0.0f);
    const struct {
        const char* name;
        std::vector<CVec3> curve;
    } cases[] = {
        {"two points", Straight(10, 10)},
        {"short", Straight(300)},
        {"straight", Straight(30000)},
        {"winding", winding},
        {"sparse", sparse},
        {"ring", ring},
        {"very long (sleepers capped)", Straight(1.0e8f, 100000.0f)},
    };
    CTrackMesh reused;
    reused.Build(winding, kW);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t estimate = CTrackMesh::EstimateHeldBytes(c.curve, kW);
        CTrackMesh fresh;
        for (CTrackMesh* m : {&fresh, &reused}) {
            m->Build(c.curve, kW);
            EXPECT_LE(m->HeldBytes(), estimate);
            EXPECT_GE(double(m->HeldBytes()), 0.9 * double(estimate));
        }
    }
}

} // namespace
