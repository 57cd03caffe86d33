#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tracks/SplineDot.h"

namespace {

const CVec3 kRed(1.0f, 0.0f, 0.0f);
const CVec3 kGreen(0.0f, 1.0f, 0.0f);
const CVec3 kBlue(0.2f, 0.6f, 1.0f);

} // namespace

TEST(TrackDraw, LevelOfDetailIndexCounts)
{
    struct Case {
        float distance;
        int n;
        int expected;
    } cases[] = {
        {0.0f, 30000, 30000},
        {25000.0f, 30000, 30000},               // at the threshold: all of them
        {40000.0f, 10000, int(10000 / 1.72)},   // 15000^2 x 3.2e-9 = 0.72
        {40000.0f, 30000, int(0.5813953f * 30000)},
        {60355.0f, 10000, 2000},                // the 20 % floor
        {1.0e6f, 10000, 2000},
        {1.0e6f, 200, 96},                      // never fewer than 96 ...
        {1.0e6f, 60, 60},                       // ... unless the mesh has fewer
        {1.0e6f, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTrackMesh::LodIndexCount(c.distance, c.n), c.expected) << c.distance << " " << c.n;
    // Just beyond the threshold the count falls off smoothly, not at once.
    EXPECT_GE(CTrackMesh::LodIndexCount(25001.0f, 30000), 29999);
    EXPECT_LT(CTrackMesh::LodIndexCount(30000.0f, 30000), 30000);
    EXPECT_GT(CTrackMesh::LodIndexCount(30000.0f, 30000), 27000);
}

TEST(TrackDraw, LabelNearerThanOneHundredThousand)
{
    EXPECT_TRUE(CTrackMesh::LabelVisible(0.0f));
    EXPECT_TRUE(CTrackMesh::LabelVisible(99999.0f));
    EXPECT_FALSE(CTrackMesh::LabelVisible(100000.0f));
    EXPECT_FALSE(CTrackMesh::LabelVisible(1.0e7f));
}

TEST(TrackDraw, DotColourRoles)
{
    TrackHost h;
    // 0 -> 1 straight, bend at 2, straight through 3, then the last dot.
    h.dots = {CVec3(100, 100, 75), CVec3(300, 100, 75), CVec3(500, 100, 75), CVec3(500, 300, 75),
              CVec3(500, 500, 75)};
    const CVec3 none;
    EXPECT_EQ(CSplineDot::DotColour(h, 0, none), kRed);  // first dot
    EXPECT_EQ(CSplineDot::DotColour(h, 1, none), kRed);  // inner, straight
    EXPECT_EQ(CSplineDot::DotColour(h, 2, none), kBlue); // inner, bend
    EXPECT_EQ(CSplineDot::DotColour(h, 3, none), kRed);
    EXPECT_EQ(CSplineDot::DotColour(h, 4, none), kRed);  // last dot

    // The picked dot is green whatever its role.
    EXPECT_EQ(CSplineDot::DotColour(h, 2, h.dots[2]), kGreen);
    EXPECT_EQ(CSplineDot::DotColour(h, 0, h.dots[0]), kGreen);
    EXPECT_EQ(CSplineDot::DotColour(h, 1, h.dots[2]), kRed);

    // Ends are never bend dots, also of a closed host; a host of two dots has none.
    h.closed = 1;
    EXPECT_EQ(CSplineDot::DotColour(h, 0, none), kRed);
    TrackHost two;
    two.dots = {CVec3(100, 100, 75), CVec3(100, 900, 75)};
    EXPECT_EQ(CSplineDot::DotColour(two, 1, none), kRed);

    // (0, 0, 0) means nothing is picked, even for a dot lying at the origin.
    TrackHost origin;
    origin.dots = {CVec3(0, 0, 0), CVec3(200, 0, 0)};
    EXPECT_EQ(CSplineDot::DotColour(origin, 0, none), kRed);
}
