#include "engine/terrain/GLterrain.h"
#include "foundation/image/ImageFilters.h"
#include "log_capture.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string TempFolder() { return NewTempFolder("terrain"); }

const char* const kCacheFiles[] = {"Color.ter", "Norm.ter",   "FaceNorm.ter", "Vert.ter",
                                   "TVert.ter", "Indice.ter", "TerrVar.ter"};

int64_t FileBytes(const fs::path& p)
{
    std::error_code ec;
    const auto n = fs::file_size(p, ec);
    return ec ? -1 : int64_t(n);
}

// A terrain of w x h with its grid laid out and every height set by `height(i, j)`.
void MakeGrid(CGLterrain& t, int w, int h, float (*height)(int, int))
{
    t.SetGrid(w, h);
    ASSERT_TRUE(t.AllocArrays());
    t.BuildGrid();
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            t.GetVertices()[int64_t(i) * w + j].z = height(i, j);
}

} // namespace

TEST(TerrainData, GeneratedHeightsFollowReference)
{
    // values of an independent double-precision computation of the 1024 x 1024 terrain
    // (only the noise's lattice coordinates rounded to float, as its interface passes them)
    CGLterrain t;
    t.SetGrid(1024, 1024);
    ASSERT_TRUE(t.AllocArrays());
    t.BuildGrid();
    t.GenerateHeights();
    const CVec3* v = t.GetVertices();
    const int64_t n = t.GetVertexCount();
    EXPECT_EQ(t.GetMinHeight(), 0.0f);
    EXPECT_NEAR(t.GetMaxHeight(), 2212.012990, 2e-3);
    EXPECT_NEAR(v[512 * 1024 + 512].z, 565.126521, 2e-3); // the vertex at (0, 0)
    EXPECT_FLOAT_EQ(v[512 * 1024 + 512].x, 0.0f);
    EXPECT_FLOAT_EQ(v[0].x, -51200.0f);
    EXPECT_FLOAT_EQ(v[n - 1].y, 51100.0f);

    // the lowest vertex lies at 0.1; values below 36 were flattened by 0.022,
    // so no height falls between the lowlands and the hills
    const float rawMin = -45.378932f;
    const float lowTop = 36.0f * 0.022f * 10.0f - rawMin + 0.1f;
    const float hillFoot = 360.0f - rawMin + 0.1f;
    float lowest = 1e30f;
    int64_t inGap = 0;
    for (int64_t k = 0; k < n; ++k) {
        lowest = std::min(lowest, v[k].z);
        if (v[k].z > lowTop + 0.01f && v[k].z < hillFoot - 0.01f)
            ++inGap;
    }
    EXPECT_NEAR(lowest, 0.1f, 1e-4);
    EXPECT_EQ(inGap, 0);

    // five smoothing passes, as the build runs them
    SmoothHeightGridThreaded(5, 1024, 1024, t.GetVertices());
    struct Case {
        float x, y;
        double expected;
    } cases[] = {
        {0.0f, 0.0f, 327.378877},        // vertex (512, 512)
        {-51200.0f, -51200.0f, 901.707798}, // the first vertices are left alone
        {-51100.0f, -51100.0f, 943.571142},
        {-700.0f, 300.0f, 46.202161},
        {38800.0f, -41200.0f, 668.458363},
        {51100.0f, 51100.0f, 28.471587},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(t.GetHeightAt(CVec3(c.x, c.y, 0.0f)), c.expected, 2e-3) << c.x << "," << c.y;
}

TEST(TerrainData, GetHeightAtTable)
{
    CGLterrain t;
    // 3 x 3 heights 10 * i + j: bilinear inside, edges read their own heights
    MakeGrid(t, 3, 3, [](int i, int j) { return float(10 * i + j); });
    struct Case {
        float x, y, expected;
    } cases[] = {
        {0.0f, 0.0f, 11.0f},      // the middle vertex (grid index 1, 1)
        {-100.0f, -100.0f, 0.0f}, // first vertex
        {-50.0f, -100.0f, 0.5f},
        {-50.0f, -50.0f, 5.5f},
        {25.0f, 75.0f, 18.75f},
        {100.0f, 100.0f, 22.0f},  // exactly on the far corner
        {100.0f, 0.0f, 12.0f},    // far column
        {0.0f, 100.0f, 21.0f},    // far row
        {100.1f, 0.0f, 0.0f},     // outside: the minimum height
        {0.0f, -100.5f, 0.0f},
        {NAN, 0.0f, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(t.GetHeightAt(CVec3(c.x, c.y, 0.0f)), c.expected, 1e-4) << c.x << "," << c.y;

    // a 2 x 2 terrain has one cell and six indices
    CGLterrain two;
    MakeGrid(two, 2, 2, [](int i, int j) { return float(i * 4 + j * 2); });
    EXPECT_EQ(two.GetGridIndexCount(), 6);
    const uint32_t want[6] = {0, 2, 1, 2, 3, 1};
    EXPECT_EQ(std::memcmp(two.GetIndices(), want, sizeof want), 0);
    for (int64_t k = 6; k < two.GetIndexCount(); ++k)
        EXPECT_EQ(two.GetIndices()[k], 0u); // entries past the cells are zeroed
    EXPECT_NEAR(two.GetHeightAt(CVec3(-50.0f, -50.0f, 0.0f)), 3.0f, 1e-5);

    // odd widths: x = 0 is the vertex in column W / 2
    CGLterrain odd;
    MakeGrid(odd, 5, 3, [](int i, int j) { return float(j + 100 * i); });
    EXPECT_NEAR(odd.GetHeightAt(CVec3(0.0f, 0.0f, 0.0f)), 102.0f, 1e-4);
    EXPECT_NEAR(odd.GetHeightAt(CVec3(200.0f, -100.0f, 0.0f)), 4.0f, 1e-4);

    CGLterrain empty;
    EXPECT_EQ(empty.GetHeightAt(CVec3(0.0f, 0.0f, 0.0f)), 0.0f);
}

TEST(TerrainData, NormalsOnFlatAndSlopedGround)
{
    CGLterrain flat;
    MakeGrid(flat, 5, 4, [](int, int) { return 0.1f; });
    flat.ComputeNormals(true);
    flat.ComputeFaceNormals();
    for (int64_t k = 0; k < flat.GetVertexCount(); ++k) {
        EXPECT_EQ(flat.GetNormals()[k], CVec3(0.0f, 0.0f, -1.0f)) << k; // smooth normals point down
        if (k == flat.GetVertexCount() - 1)
            EXPECT_EQ(flat.GetFaceNormals()[k], CVec3(0.0f, 0.0f, 0.0f)); // the far corner keeps zero
        else
            EXPECT_EQ(flat.GetFaceNormals()[k], CVec3(0.0f, 0.0f, 1.0f)) << k;
    }

    // a plane rising along x: z = x (45 degrees)
    CGLterrain slope;
    MakeGrid(slope, 4, 4, [](int, int j) { return 100.0f * float(j); });
    slope.ComputeNormals(true);
    slope.ComputeFaceNormals();
    const float h = std::sqrt(0.5f);
    for (int64_t k = 0; k < 15; ++k) {
        const CVec3& f = slope.GetFaceNormals()[k];
        EXPECT_NEAR(f.x, -h, 1e-6);
        EXPECT_NEAR(f.y, 0.0f, 1e-6);
        EXPECT_NEAR(f.z, h, 1e-6);
        const CVec3& s = slope.GetNormals()[k];
        EXPECT_NEAR(s.x, h, 1e-6);
        EXPECT_NEAR(s.z, -h, 1e-6);
    }
}

TEST(TerrainData, SmoothNormalsAddTrianglesInCellOrder)
{
    // the normals gathered per vertex equal a row-by-row pass adding each
    // cell's two triangle normals to its corners, bit for bit
    const int W = 7, H = 5;
    CGLterrain t;
    t.SetGrid(W, H);
    ASSERT_TRUE(t.AllocArrays());
    t.BuildGrid();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-300.0f, 900.0f);
    CVec3* v = t.GetVertices();
    for (int k = 0; k < W * H; ++k)
        v[k].z = dist(rng);
    t.ComputeNormals(true);

    std::vector<CVec3> ref(W * H);
    for (int i = 0; i < H - 1; ++i)
        for (int j = 0; j < W - 1; ++j) {
            const int p = i * W + j, q = p + 1, r = p + W, s = r + 1;
            CVec3 n1, n2;
            n1.Cross(v[r] - v[p], v[q] - v[p]);
            ref[p] += n1;
            ref[r] += n1;
            ref[q] += n1;
            n2.Cross(v[r] - v[q], v[s] - v[q]);
            ref[q] += n2;
            ref[r] += n2;
            ref[s] += n2;
        }
    for (int k = 0; k < W * H; ++k) {
        const float len = ref[k].Length();
        const CVec3 want(ref[k].x / len, ref[k].y / len, ref[k].z / len);
        EXPECT_EQ(t.GetNormals()[k], want) << k;
    }
}

TEST(TerrainData, TexCoordsSpanTheMap)
{
    CGLterrain t;
    MakeGrid(t, 5, 3, [](int, int) { return 1.0f; });
    t.ComputeTexCoords();
    const float* uv = t.GetTexCoords();
    EXPECT_FLOAT_EQ(uv[0], 0.0f);
    EXPECT_FLOAT_EQ(uv[1], 1.0f);
    EXPECT_FLOAT_EQ(uv[2 * 4], 1.0f);
    EXPECT_FLOAT_EQ(uv[2 * 7], 0.5f);
    EXPECT_FLOAT_EQ(uv[2 * 7 + 1], 0.5f);
    EXPECT_FLOAT_EQ(uv[2 * 14 + 1], 0.0f);
}

TEST(TerrainData, GroundPushOnFlatGround)
{
    CGLterrain t;
    MakeGrid(t, 32, 32, [](int, int) { return 0.1f; });
    t.ComputeFaceNormals();
    CVec3 out;
    t.GroundPush(out, CVec3(0.0f, 0.0f, 20.0f), 24.0f);
    EXPECT_GT(out.z, 0.0f);
    EXPECT_NEAR(out.x, 0.0f, 1e-3);
    EXPECT_NEAR(out.y, 0.0f, 1e-3);
    // only vertices within 2 cells + radius count: from 500 units up there is none
    t.GroundPush(out, CVec3(0.0f, 0.0f, 500.0f), 24.0f);
    EXPECT_EQ(out, CVec3(0.0f, 0.0f, 0.0f));
    // one vertex right below at distance d pushes (c - d) * 0.1 per vertex in reach
    t.GroundPush(out, CVec3(0.0f, 0.0f, 223.0f), 24.0f);
    EXPECT_NEAR(out.z, (224.0f - 222.9f) * 0.1f, 1e-3);
    // the far corner has no face normal and never pushes: at the corner only its
    // neighbours count (reach 201: two at 100, one at 141.4, two at 200)
    t.GroundPush(out, CVec3(1500.0f, 1500.0f, 0.1f), 1.0f);
    EXPECT_NEAR(out.z, 0.1f * (2 * 101.0f + (201.0f - std::sqrt(20000.0f)) + 2 * 1.0f), 1e-3);
    t.GroundPush(out, CVec3(1e30f, -1e30f, 0.0f), 24.0f);
    EXPECT_EQ(out, CVec3(0.0f, 0.0f, 0.0f));
}

class TerrainCache : public ::testing::Test {
protected:
    void SetUp() override { m_folder = TempFolder() + "/Terrain"; }
    void TearDown() override { fs::remove_all(fs::path(m_folder).parent_path()); }

    bool BuildIn(CGLterrain& t, int w, int h)
    {
        t.SetCacheFolder(m_folder);
        return t.Build(w, h);
    }
    void ExpectAllFiles(int w, int h)
    {
        const int64_t n = int64_t(w) * h;
        const int64_t sizes[] = {12 * n, 12 * n, 12 * n, 12 * n, 8 * n, 24 * n, 8};
        for (int f = 0; f < 7; ++f)
            EXPECT_EQ(FileBytes(fs::path(m_folder) / kCacheFiles[f]), sizes[f]) << kCacheFiles[f];
    }
    std::string m_folder;
};

TEST_F(TerrainCache, RoundTripReadsWhatWasWritten)
{
    CGLterrain a;
    ASSERT_TRUE(BuildIn(a, 40, 24));
    EXPECT_FALSE(a.WasLoaded());
    ExpectAllFiles(40, 24);
    EXPECT_EQ(a.GetMinHeight(), 0.0f);

    CGLterrain b;
    ASSERT_TRUE(BuildIn(b, 40, 24));
    EXPECT_TRUE(b.WasLoaded());
    const int64_t n = a.GetVertexCount();
    EXPECT_EQ(std::memcmp(a.GetVertices(), b.GetVertices(), size_t(12 * n)), 0);
    EXPECT_EQ(std::memcmp(a.GetColors(), b.GetColors(), size_t(12 * n)), 0);
    EXPECT_EQ(std::memcmp(a.GetNormals(), b.GetNormals(), size_t(12 * n)), 0);
    EXPECT_EQ(std::memcmp(a.GetFaceNormals(), b.GetFaceNormals(), size_t(12 * n)), 0);
    EXPECT_EQ(std::memcmp(a.GetTexCoords(), b.GetTexCoords(), size_t(8 * n)), 0);
    EXPECT_EQ(std::memcmp(a.GetIndices(), b.GetIndices(), size_t(24 * n)), 0);
    EXPECT_EQ(a.GetMaxHeight(), b.GetMaxHeight());
    EXPECT_EQ(b.GetHeightAt(CVec3(0.0f, 0.0f, 0.0f)), a.GetHeightAt(CVec3(0.0f, 0.0f, 0.0f)));

    // the raw layout: little-endian floats without a header
    FILE* f = std::fopen((fs::path(m_folder) / "TerrVar.ter").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    float vars[2];
    ASSERT_EQ(std::fread(vars, 4, 2, f), 2u);
    std::fclose(f);
    EXPECT_EQ(vars[0], a.GetMaxHeight());
    EXPECT_EQ(vars[1], 0.0f);
}

// Overwrites one 32-bit word of a cache file (a negative offset counts from its end).
void Poke(const std::string& folder, const char* name, long offset, uint32_t word)
{
    FILE* f = std::fopen((fs::path(folder) / name).c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, offset, offset < 0 ? SEEK_END : SEEK_SET);
    std::fwrite(&word, 4, 1, f);
    std::fclose(f);
}

TEST_F(TerrainCache, UnfitCacheIsBuiltAnew)
{
    CGLterrain a;
    ASSERT_TRUE(BuildIn(a, 40, 24));
    const std::vector<CVec3> want(a.GetVertices(), a.GetVertices() + a.GetVertexCount());
    const fs::path vert = fs::path(m_folder) / "Vert.ter";

    struct Damage {
        const char* what;
        void (*apply)(const std::string& folder);
    } damages[] = {
        {"truncated", [](const std::string& d) { fs::resize_file(fs::path(d) / "Norm.ter", 100); }},
        {"oversized", [](const std::string& d) { fs::resize_file(fs::path(d) / "TVert.ter", 40 * 24 * 8 + 1); }},
        {"only colours left",
         [](const std::string& d) {
             for (const char* name : kCacheFiles)
                 if (std::string(name) != "Color.ter")
                     fs::remove(fs::path(d) / name);
         }},
        {"garbage of the right size",
         [](const std::string& d) {
             std::vector<uint8_t> junk(40 * 24 * 12);
             std::mt19937 rng(3);
             for (auto& b : junk)
                 b = uint8_t(rng());
             FILE* f = std::fopen((fs::path(d) / "FaceNorm.ter").c_str(), "wb");
             std::fwrite(junk.data(), 1, junk.size(), f);
             std::fclose(f);
             f = std::fopen((fs::path(d) / "Vert.ter").c_str(), "wb");
             std::fwrite(junk.data(), 1, junk.size(), f);
             std::fclose(f);
         }},
        {"index out of range",
         [](const std::string& d) {
             FILE* f = std::fopen((fs::path(d) / "Indice.ter").c_str(), "r+b");
             const uint32_t bad = 40 * 24;
             std::fwrite(&bad, 4, 1, f);
             std::fclose(f);
         }},
        // single bad words where the checks take them in vectors and one by one
        {"last index out of range", [](const std::string& d) { Poke(d, "Indice.ter", -4, uint32_t(-1)); }},
        {"a colour not a number", [](const std::string& d) { Poke(d, "Color.ter", 4 * 1001, 0x7fc00000u); }},
        {"an infinite height range", [](const std::string& d) { Poke(d, "TerrVar.ter", 0, 0x7f800000u); }},
        // sound values, but not the ones the manifest was written with: what a save
        // cut short between two files leaves
        {"a file of another save", [](const std::string& d) { Poke(d, "Color.ter", 4 * 5, 0x3E800000u); }},
        {"no manifest", [](const std::string& d) { fs::remove(fs::path(d) / "cache.sum"); }},
        {"a manifest of another grid",
         [](const std::string& d) {
             FILE* f = std::fopen((fs::path(d) / "cache.sum").c_str(), "r+b");
             std::fputs("grid 41", f);
             std::fclose(f);
         }},
    };
    for (const auto& d : damages) {
        d.apply(m_folder);
        LogCapture log;
        CGLterrain b;
        ASSERT_TRUE(BuildIn(b, 40, 24)) << d.what;
        EXPECT_FALSE(b.WasLoaded()) << d.what;
        EXPECT_EQ(std::memcmp(b.GetVertices(), want.data(), want.size() * 12), 0) << d.what;
        ExpectAllFiles(40, 24); // written again
        if (std::string(d.what) != "only colours left") {
            EXPECT_TRUE(log.Contains("CGLterrain::LoadFiles")) << d.what;
        }
        CGLterrain c;
        ASSERT_TRUE(BuildIn(c, 40, 24));
        EXPECT_TRUE(c.WasLoaded()) << d.what;
    }

    // a cache of another shape with the same vertex count
    CGLterrain other;
    ASSERT_TRUE(BuildIn(other, 24, 40));
    EXPECT_FALSE(other.WasLoaded());
    EXPECT_FLOAT_EQ(other.GetVertices()[0].x, -1200.0f);
    EXPECT_FLOAT_EQ(other.GetVertices()[0].y, -2000.0f);
}

// A FIFO at a cache file's name is neither read nor replaced: the terrain is
// built anew, and the save names the file it refuses to replace.
TEST_F(TerrainCache, FifoForACacheFileIsBuiltAroundAndKept)
{
    CGLterrain a;
    ASSERT_TRUE(BuildIn(a, 40, 24));
    const fs::path fifo = fs::path(m_folder) / "Vert.ter";
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    for (int run = 0; run < 2; ++run) {
        LogCapture log;
        CGLterrain b;
        ASSERT_TRUE(BuildIn(b, 40, 24));
        EXPECT_FALSE(b.WasLoaded());
        EXPECT_EQ(std::memcmp(b.GetVertices(), a.GetVertices(), size_t(40 * 24) * 12), 0);
        EXPECT_TRUE(log.Contains("CGLterrain::LoadFiles"));
        EXPECT_TRUE(log.Contains("not written: " + fifo.string()));
        EXPECT_TRUE(fs::is_fifo(fifo));
    }
}

// What is at a name, links not followed: kind, mode, inode, size, a link's text.
std::string NodeAt(const fs::path& p)
{
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0)
        return "nothing";
    std::string id = std::to_string(st.st_mode) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size);
    if (S_ISLNK(st.st_mode))
        id += " -> " + fs::read_symlink(p).string();
    return id;
}

// A rebuild replaces the checksum file only where the writer would: a regular
// file it may write, or the one a link leads to (the link kept). Anything else
// at the name is left as it is, no cache file is written, and one line names it.
TEST_F(TerrainCache, ChecksumFileIsReplacedOnlyWhereTheWriterWould)
{
    const bool haveDevice = [] {
        const std::string probe = TempFolder() + "/null";
        const bool made = ::mknod(probe.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0;
        fs::remove_all(fs::path(probe).parent_path());
        return made;
    }();
    using Make = std::function<void(const fs::path& sum, const fs::path& beside)>;
    const struct {
        const char* what;
        Make make;
        bool replaced;
    } cases[] = {
        {"a regular file", [](const fs::path&, const fs::path&) {}, true},
        {"a link to a regular file",
         [](const fs::path& sum, const fs::path& beside) {
             fs::rename(sum, beside / "kept.sum");
             fs::create_symlink(beside / "kept.sum", sum);
         },
         true},
        {"a fifo", [](const fs::path& sum, const fs::path&) { fs::remove(sum), ::mkfifo(sum.c_str(), 0644); }, false},
        {"a link to a fifo",
         [](const fs::path& sum, const fs::path& beside) {
             ::mkfifo((beside / "fifo").c_str(), 0644);
             fs::remove(sum), fs::create_symlink(beside / "fifo", sum);
         },
         false},
        {"a device",
         [](const fs::path& sum, const fs::path&) {
             fs::remove(sum), ::mknod(sum.c_str(), S_IFCHR | 0644, makedev(1, 3));
         },
         false},
        {"a link to a device",
         [](const fs::path& sum, const fs::path& beside) {
             ::mknod((beside / "null").c_str(), S_IFCHR | 0644, makedev(1, 3));
             fs::remove(sum), fs::create_symlink(beside / "null", sum);
         },
         false},
        {"a dangling link",
         [](const fs::path& sum, const fs::path& beside) { fs::remove(sum), fs::create_symlink(beside / "gone", sum); },
         false},
        {"a folder", [](const fs::path& sum, const fs::path&) { fs::remove(sum), fs::create_directory(sum); }, false},
        {"a read-only file",
         [](const fs::path& sum, const fs::path&) { fs::permissions(sum, fs::perms::owner_read | fs::perms::group_read); },
         false},
    };
    for (const auto& c : cases) {
        if (std::string(c.what).find("device") != std::string::npos && !haveDevice)
            continue; // mknod refused here
        fs::remove_all(fs::path(m_folder).parent_path());
        CGLterrain a;
        ASSERT_TRUE(BuildIn(a, 40, 24)) << c.what;
        const fs::path sum = fs::path(m_folder) / "cache.sum";
        const fs::path beside = fs::path(m_folder).parent_path();
        Poke(m_folder, "Color.ter", 4 * 5, 0x3E800000u); // the next build rebuilds
        c.make(sum, beside);
        const std::string sumBefore = NodeAt(sum);
        std::string filesBefore;
        for (const char* name : kCacheFiles)
            filesBefore += NodeAt(fs::path(m_folder) / name) + "\n";

        LogCapture log;
        CGLterrain b;
        ASSERT_TRUE(BuildIn(b, 40, 24)) << c.what;
        EXPECT_FALSE(b.WasLoaded()) << c.what;
        std::string filesAfter;
        for (const char* name : kCacheFiles)
            filesAfter += NodeAt(fs::path(m_folder) / name) + "\n";
        std::vector<std::string> saveLines;
        for (const std::string& l : log.Lines())
            if (l.find("CGLterrain::SaveFiles") != std::string::npos)
                saveLines.push_back(l);
        CGLterrain again;
        ASSERT_TRUE(BuildIn(again, 40, 24)) << c.what;
        if (c.replaced) {
            EXPECT_TRUE(saveLines.empty()) << c.what;
            EXPECT_NE(filesAfter, filesBefore) << c.what;
            EXPECT_TRUE(again.WasLoaded()) << c.what;
            if (fs::is_symlink(sum)) {
                EXPECT_EQ(NodeAt(sum), sumBefore) << "the link is kept";
            } else {
                EXPECT_EQ(std::string(c.what), "a regular file") << "the link is gone";
            }
        } else {
            EXPECT_EQ(NodeAt(sum), sumBefore) << c.what;
            EXPECT_EQ(filesAfter, filesBefore) << c.what << ": the cache was written";
            EXPECT_EQ(saveLines.size(), 1u) << c.what;
            if (!saveLines.empty()) {
                EXPECT_NE(saveLines[0].find(sum.string()), std::string::npos) << saveLines[0];
            }
            EXPECT_FALSE(again.WasLoaded()) << c.what;
        }
    }
    fs::remove_all(fs::path(m_folder).parent_path());
}

TEST_F(TerrainCache, ValuesNoGeneratorMakesAreRefusedByTheirCheck)
{
    // finite values, written with a manifest that matches them: only the range
    // checks can refuse them
    const struct {
        const char* file;
        long offset;
        uint32_t word;
    } damages[] = {
        {"Color.ter", 4 * 7, 0xC0A00000u},  // -5
        {"Norm.ter", 4 * 2, 0x7F61B1E6u},   // 3e38
        {"Vert.ter", 4 * 2, 0x7149F2CAu},   // 1e30
    };
    for (const auto& d : damages) {
        CGLterrain a;
        ASSERT_TRUE(BuildIn(a, 40, 24));
        Poke(m_folder, d.file, d.offset, d.word);
        CGLterrain sealer;
        sealer.SetCacheFolder(m_folder);
        sealer.SetGrid(40, 24);
        ASSERT_TRUE(sealer.SealCacheFiles());
        LogCapture log;
        CGLterrain b;
        ASSERT_TRUE(BuildIn(b, 40, 24)) << d.file;
        EXPECT_FALSE(b.WasLoaded()) << d.file;
        EXPECT_TRUE(log.Contains(std::string(d.file) + " does not fit this terrain")) << d.file;
    }
    // the sealing itself leaves a sound cache loadable
    CGLterrain sealer;
    sealer.SetCacheFolder(m_folder);
    sealer.SetGrid(40, 24);
    ASSERT_TRUE(sealer.SealCacheFiles());
    CGLterrain c;
    ASSERT_TRUE(BuildIn(c, 40, 24));
    EXPECT_TRUE(c.WasLoaded());
}

TEST_F(TerrainCache, IndicesMustBeTheGridsTriangles)
{
    // refused by the index check itself (not only by the manifest's checksums)
    struct Damage {
        const char* what;
        void (*apply)(const std::string& folder);
    } damages[] = {
        {"all zero",
         [](const std::string& d) {
             const std::vector<uint8_t> zero(fs::file_size(fs::path(d) / "Indice.ter"), 0);
             FILE* f = std::fopen((fs::path(d) / "Indice.ter").c_str(), "wb");
             std::fwrite(zero.data(), 1, zero.size(), f);
             std::fclose(f);
         }},
        {"a triangle with two equal corners", [](const std::string& d) { Poke(d, "Indice.ter", 4 * 1, 0); }},
        {"a word past the grid's triangles", [](const std::string& d) { Poke(d, "Indice.ter", -8, 5); }},
    };
    for (const auto& d : damages) {
        CGLterrain a;
        ASSERT_TRUE(BuildIn(a, 40, 24));
        d.apply(m_folder);
        LogCapture log;
        CGLterrain b;
        ASSERT_TRUE(BuildIn(b, 40, 24)) << d.what;
        EXPECT_FALSE(b.WasLoaded()) << d.what;
        EXPECT_TRUE(log.Contains("Indice.ter does not fit this terrain")) << d.what;
    }
}

TEST_F(TerrainCache, UnwritableFolderStillBuilds)
{
    // the cache folder's place is taken by a file: nothing can be written
    fs::create_directories(fs::path(m_folder).parent_path());
    FILE* f = std::fopen(m_folder.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    LogCapture log;
    CGLterrain t;
    ASSERT_TRUE(BuildIn(t, 8, 8));
    EXPECT_FALSE(t.WasLoaded());
    EXPECT_TRUE(log.Contains("CGLterrain::SaveFiles cannot write"));
    EXPECT_FALSE(t.SaveFiles());
}

TEST(TerrainData, BadSizesAreRefused)
{
    LogCapture log;
    CGLterrain t;
    t.SetCacheFolder(TempFolder());
    EXPECT_FALSE(t.Build(1, 100));
    EXPECT_FALSE(t.Build(100, 70000));
    EXPECT_TRUE(log.Contains("CGLterrain::Create Bad size 1x100"));
    EXPECT_EQ(t.GetVertexCount(), 0);
    EXPECT_EQ(t.GetVertices(), nullptr);
}
