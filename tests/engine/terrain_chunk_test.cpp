#include "engine/terrain/GLchunk.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// A w x h grid with cells of 100 centred like the terrain's; z = i + j.
std::vector<CVec3> Grid(int w, int h)
{
    std::vector<CVec3> v(size_t(w) * h);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            v[size_t(i) * w + j] = CVec3(float(j - w / 2) * 100.0f, float(i - h / 2) * 100.0f, float(i + j));
    return v;
}

} // namespace

TEST(TerrainChunks, RecordsOf512Grid)
{
    const auto v = Grid(512, 512);
    LogCapture log;
    CGLchunk chunks;
    chunks.BuildRecords(512, 512, 100.0f, v.data());
    EXPECT_TRUE(log.Contains("CGLchunk::Create ChunkSize=258 SzeneSize=51200 ChunksNeed=198\n"));
    EXPECT_TRUE(log.Contains("CGLchunk::Create InnertCalcTime="));

    const auto& r = chunks.GetRecords();
    ASSERT_EQ(r.size(), 4u);
    const int rows[4] = {259, 259, 254, 254};
    const int cols[4] = {259, 254, 259, 254};
    const int starts[4][2] = {{0, 0}, {0, 258}, {258, 0}, {258, 258}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(r[k].row, starts[k][0]);
        EXPECT_EQ(r[k].col, starts[k][1]);
        EXPECT_EQ(r[k].rows, rows[k]);
        EXPECT_EQ(r[k].cols, cols[k]);
    }
    // boxes from the first and last vertex; heights over the chunk
    EXPECT_FLOAT_EQ(r[3].minX, 2.0f * 100.0f);
    EXPECT_FLOAT_EQ(r[3].maxX, 255.0f * 100.0f);
    EXPECT_FLOAT_EQ(r[0].maxY, 2.0f * 100.0f);
    EXPECT_FLOAT_EQ(r[0].minZ, 0.0f);
    EXPECT_FLOAT_EQ(r[0].maxZ, 516.0f);
    EXPECT_FLOAT_EQ(r[3].minZ, 516.0f);
    EXPECT_FLOAT_EQ(r[3].maxZ, 1022.0f);
    EXPECT_FLOAT_EQ(r[0].centre.z, 258.0f);
    EXPECT_FLOAT_EQ(chunks.GetMinHeight(), 0.0f);
    EXPECT_FLOAT_EQ(chunks.GetMaxHeight(), 1022.0f);

    // level 0 covers every cell of the grid; the row and column that
    // neighbouring chunks share are drawn by both
    std::multiset<uint32_t> cellsSeen;
    const auto& idx = chunks.GetIndexList();
    for (const auto& rec : r) {
        EXPECT_EQ(rec.count[0] % 6, 0);
        for (int k = rec.first[0]; k < rec.first[0] + rec.count[0]; k += 6) {
            EXPECT_EQ(idx[k + 1], idx[k] + 512u);   // R below P
            EXPECT_EQ(idx[k + 2], idx[k] + 1u);     // Q beside P
            EXPECT_EQ(idx[k + 4], idx[k] + 513u);   // S
            cellsSeen.insert(idx[k]);
        }
    }
    EXPECT_EQ(std::set<uint32_t>(cellsSeen.begin(), cellsSeen.end()).size(), 511u * 511u);
    EXPECT_EQ(cellsSeen.count(258u * 512u + 10u), 2u);
    EXPECT_EQ(cellsSeen.count(10u * 512u + 10u), 1u);
    for (uint32_t i : idx)
        ASSERT_LT(i, 512u * 512u);

    // step 32 in a chunk of 259 rows: quads start at 0, 32, ..., 256 where the
    // step stays inside the whole grid (so 9 x 9 in the first chunk)
    EXPECT_EQ(r[0].count[5], 9 * 9 * 6);
    // the last chunk (rows 258..511): starts 0..192, whose step ends below 512
    EXPECT_EQ(r[3].count[5], 7 * 7 * 6);
    for (int level = 1; level < 6; ++level)
        EXPECT_LT(r[0].count[level], r[0].count[level - 1]);
}

TEST(TerrainChunks, LevelDistances)
{
    const auto v = Grid(300, 20);
    CGLchunk chunks;
    chunks.BuildRecords(300, 20, 100.0f, v.data());
    EXPECT_EQ(chunks.GetRecords().size(), 2u);
    EXPECT_EQ(chunks.GetSceneSize(), 30000);
    const int want[6] = {25800, 51600, 77400, 103200, 129000, 154800};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(chunks.GetLevelDistances()[k], want[k]);
    struct Case {
        float d;
        int level;
    } cases[] = {{0.0f, 0}, {25800.0f, 0}, {25800.5f, 1}, {51600.0f, 1}, {130000.0f, 5}, {154800.0f, 5}, {1e9f, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(chunks.LevelForDistance(c.d), c.level) << c.d;

    // a grid smaller than a chunk is one chunk; no vertices gives none
    const auto small = Grid(5, 4);
    chunks.BuildRecords(5, 4, 50.0f, small.data());
    ASSERT_EQ(chunks.GetRecords().size(), 1u);
    EXPECT_EQ(chunks.GetRecords()[0].count[0], 4 * 3 * 6);
    EXPECT_EQ(chunks.GetRecords()[0].count[1], 2 * 1 * 6);
    EXPECT_EQ(chunks.GetRecords()[0].count[2], 0);
    chunks.BuildRecords(5, 4, 50.0f, nullptr);
    EXPECT_TRUE(chunks.GetRecords().empty());
}

TEST(TerrainChunks, GroundTextureAnisotropy)
{
    struct Case {
        float max;
        const char* renderer;
        float expected;
    } cases[] = {
        {16.0f, "Mesa Intel(R) UHD Graphics 620", 8.0f},
        {16.0f, "llvmpipe (LLVM 15.0.6, 256 bits)", 1.0f},
        {16.0f, "softpipe", 1.0f},
        {0.0f, nullptr, 1.0f}, // no anisotropic filtering reported
        {1.0f, "some card", 1.0f},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CGLchunk::GroundAnisotropy(c.max, c.renderer), c.expected) << (c.renderer ? c.renderer : "null");
}
