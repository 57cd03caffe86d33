// The lib3ds adapter on files written by lib3ds here: file order, face materials,
// texture coordinates, bad faces, malformed input.
#include "engine/models/Lib3dsAdapter.h"
#include "model_fixture.h"
#include "log_capture.h"

#include <lib3ds/chunk.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <limits>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ReadFile(const std::string& path, l3ds::File& file)
{
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (!fp)
        return false;
    l3ds::Io io;
    io.self = fp;
    io.read_func = [](void* self, void* buffer, size_t size) { return std::fread(buffer, 1, size, (std::FILE*)self); };
    io.error_func = [](void* self) { return std::ferror((std::FILE*)self) != 0; };
    bool ok = l3ds::FileRead(&file, &io);
    std::fclose(fp);
    return ok;
}

std::vector<std::string> Names(const auto& list)
{
    std::vector<std::string> out;
    for (const auto& r : list)
        out.push_back(r.name);
    return out;
}

TEST(ModelAdapter, RecordsKeepFileOrder)
{
    fixture::TempDir dir;
    std::vector<fixture::Material> mats{fixture::Mat("Zinc"), fixture::Mat("Apple"), fixture::Mat("Mango")};
    fixture::Mesh dupA = fixture::Strip("dup", 4, 2);
    fixture::Mesh dupB = fixture::Strip("dup", 7, 3);
    std::vector<fixture::Mesh> meshes{fixture::Strip("zeta", 5, 3), dupA, fixture::Strip("alpha", 6, 4), dupB};
    std::vector<fixture::Light> lights{{.name = "Sun"}, {.name = "Lamp"}, {.name = "Beacon"}};
    ASSERT_TRUE(fixture::Write(dir.File("order.3ds"), mats, meshes, lights));

    l3ds::File file;
    ASSERT_TRUE(ReadFile(dir.File("order.3ds"), file));
    EXPECT_EQ(Names(file.materials), (std::vector<std::string>{"Zinc", "Apple", "Mango"}));
    EXPECT_EQ(Names(file.meshes), (std::vector<std::string>{"zeta", "dup", "alpha", "dup"}));
    EXPECT_EQ(Names(file.lights), (std::vector<std::string>{"Sun", "Lamp", "Beacon"}));
    // equal names keep their own order too
    EXPECT_EQ(file.meshes[1].nvertices(), 4);
    EXPECT_EQ(file.meshes[3].nvertices(), 7);
    EXPECT_EQ(file.meshes[0].nfaces(), 3);
}

TEST(ModelAdapter, FaceMaterialsResolveToFileIndices)
{
    fixture::TempDir dir;
    std::vector<fixture::Material> mats{fixture::Mat("Zinc"), fixture::Mat("Apple"), fixture::Mat("Zinc")};
    fixture::Mesh m = fixture::Strip("box", 8, 5);
    m.faceMaterial = {"Apple", "", "Zinc", "Nowhere", "Apple"};
    ASSERT_TRUE(fixture::Write(dir.File("mat.3ds"), mats, {m}));

    l3ds::File file;
    ASSERT_TRUE(ReadFile(dir.File("mat.3ds"), file));
    ASSERT_EQ(file.meshes.size(), 1u);
    std::vector<int> got;
    for (const auto& f : file.meshes[0].faces)
        got.push_back(f.material);
    // the first of two equal names wins; none and unknown give -1
    EXPECT_EQ(got, (std::vector<int>{1, -1, 0, -1, 1}));
}

TEST(ModelAdapter, TexelsFewerThanPointsPadWithZero)
{
    fixture::TempDir dir;
    fixture::Mesh a = fixture::Strip("a", 5, 3);
    a.texels = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}};
    a.tile = {2.0f, 3.0f};
    fixture::Mesh b = fixture::Strip("b", 4, 2);
    ASSERT_TRUE(fixture::Write(dir.File("tex.3ds"), {}, {a, b}));

    l3ds::File file;
    ASSERT_TRUE(ReadFile(dir.File("tex.3ds"), file));
    const auto& t = file.meshes[0].texcos;
    ASSERT_EQ(t.size(), 5u);
    EXPECT_FLOAT_EQ(t[2][0], 0.5f);
    EXPECT_FLOAT_EQ(t[2][1], 0.6f);
    EXPECT_EQ(t[3], (std::array<float, 2>{0, 0}));
    EXPECT_EQ(t[4], (std::array<float, 2>{0, 0}));
    EXPECT_FLOAT_EQ(file.meshes[0].map_tile[0], 2.0f);
    EXPECT_FLOAT_EQ(file.meshes[0].map_tile[1], 3.0f);
    EXPECT_TRUE(file.meshes[1].texcos.empty());
    EXPECT_EQ(file.meshes[1].map_tile[0], 0.0f);
}

TEST(ModelAdapter, MaterialAndLightFields)
{
    fixture::TempDir dir;
    fixture::Material glass{.name = "Glass", .ambient = {0.1f, 0.2f, 0.3f}, .shininess = 0.4f, .shinStrength = 0.25f,
                            .transparency = 0.5f, .twoSided = true, .texture = "WINDOW.BMP"};
    fixture::Light spot{.name = "Head", .position = {10, 20, 30}, .color = {1, 0.5f, 0.25f}, .spot = true,
                        .target = {10, 200, 0}, .hotspot = 20, .falloff = 40, .innerRange = 50};
    fixture::Light omni{.name = "Omni", .position = {-5, 0, 60}};
    ASSERT_TRUE(fixture::Write(dir.File("f.3ds"), {glass}, {fixture::Strip("m", 3, 1)}, {spot, omni}));

    l3ds::File file;
    ASSERT_TRUE(ReadFile(dir.File("f.3ds"), file));
    const auto& m = file.materials[0];
    EXPECT_NEAR(m.ambient[2], 0.3f, 0.5f / 255); // colours are stored as bytes
    EXPECT_NEAR(m.shininess, 0.4f, 0.006f); // percentages are stored as whole numbers
    EXPECT_NEAR(m.shin_strength, 0.25f, 0.006f);
    EXPECT_NEAR(m.transparency, 0.5f, 0.006f);
    EXPECT_TRUE(m.two_sided);
    EXPECT_EQ(m.texture1_map.name, "WINDOW.BMP");

    const auto& s = file.lights[0];
    EXPECT_TRUE(s.spot_light);
    EXPECT_EQ(s.target[1], 200.0f);
    EXPECT_EQ(s.position[2], 30.0f);
    EXPECT_EQ(s.color[1], 0.5f);
    EXPECT_EQ(s.hotspot, 20.0f);
    EXPECT_EQ(s.falloff, 40.0f);
    EXPECT_EQ(s.inner_range, 50.0f);
    EXPECT_FALSE(file.lights[1].spot_light);
}

TEST(ModelAdapter, FacesWithBadIndicesAreDroppedWithTheirGroupsRenumbered)
{
    fixture::TempDir dir;
    fixture::Mesh m;
    m.name = "bad";
    m.points = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0}};
    m.faces = {{0, 1, 2}, {0, 1, 99}, {1, 3, 2}, {4, 0, 1}};
    m.faceMaterial = {"A", "B", "B", "A"};
    ASSERT_TRUE(fixture::Write(dir.File("bad.3ds"), {fixture::Mat("A"), fixture::Mat("B")}, {m}));

    LogCapture log;
    l3ds::File file;
    ASSERT_TRUE(ReadFile(dir.File("bad.3ds"), file));
    const auto& faces = file.meshes[0].faces;
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[1].index[0], 1);
    EXPECT_EQ(faces[1].index[1], 3);
    EXPECT_EQ(faces[0].material, 0);
    EXPECT_EQ(faces[1].material, 1);
    EXPECT_TRUE(log.Contains("mesh bad: 2 of 4 faces index past its 4 vertices (first 1), dropped"));
}

TEST(ModelAdapter, MalformedInputIsRefusedWithOneLine)
{
    fixture::TempDir dir;
    fixture::Mesh m = fixture::Strip("m", 20, 10);
    m.faceMaterial = {"Paint"};
    ASSERT_TRUE(fixture::Write(dir.File("ok.3ds"), {fixture::Mat("Paint", "P.BMP")}, {m},
                               {{.name = "L", .spot = true}}));
    const std::vector<uint8_t> good = ReadAll(dir.File("ok.3ds"));
    ASSERT_GT(good.size(), 200u);

    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
        return b;
    };
    // the first child of the root: the version chunk, 10 bytes at offset 6
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* fault;
    } cases[] = {
        {"empty", {}, "file shorter than a chunk header"},
        {"garbage", {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3, 4, 5, 6, 7, 8}, "not a 3DS file"},
        {"cut in half", std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)), "file cut short"},
        {"root size 3", patched(2, {3, 0, 0, 0}), "chunk size below 6"},
        {"child of size 0", patched(8, {0, 0, 0, 0}), "chunk size below 6"},
        {"child past parent", patched(8, {0xFF, 0xFF, 0, 0}), "chunk runs past its parent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        l3ds::File file;
        file.meshes.resize(1);
        EXPECT_FALSE(l3ds::FileReadMemory(&file, c.bytes.data(), c.bytes.size()));
        EXPECT_TRUE(file.meshes.empty() && file.materials.empty() && file.lights.empty());
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(log.Contains(std::string("Lib3dsAdapter::FileRead ") + c.fault)) << log.Lines()[0];
    }

    // every truncation of a good file is refused (lib3ds alone would loop, leak or overrun)
    for (size_t n = 0; n < good.size(); n += 7) {
        l3ds::File file;
        std::string why;
        EXPECT_EQ(l3ds::ReadBytes(file, good.data(), n, &why), l3ds::ReadResult::Rejected) << n;
    }
    l3ds::File file;
    EXPECT_EQ(l3ds::ReadBytes(file, good.data(), good.size(), nullptr), l3ds::ReadResult::Ok);
}

TEST(ModelAdapter, NamesLongerThanLib3dsKeepsAreRefused)
{
    // a hand-made file: root, data, one named object with an empty body
    auto file = [](size_t nameLength) {
        std::vector<uint8_t> b;
        auto word = [&](unsigned v) {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        };
        auto dword = [&](unsigned v) {
            word(v & 0xFFFF);
            word(v >> 16);
        };
        unsigned object = 6 + unsigned(nameLength) + 1;
        word(LIB3DS_M3DMAGIC);
        dword(6 + 6 + object);
        word(LIB3DS_MDATA);
        dword(6 + object);
        word(LIB3DS_NAMED_OBJECT);
        dword(object);
        b.insert(b.end(), nameLength, 'n');
        b.push_back(0);
        return b;
    };
    l3ds::File f;
    std::string why;
    std::vector<uint8_t> b = file(64);
    EXPECT_EQ(l3ds::ReadBytes(f, b.data(), b.size(), &why), l3ds::ReadResult::Rejected);
    EXPECT_NE(why.find("name longer than 63 characters"), std::string::npos) << why;
    b = file(63);
    EXPECT_EQ(l3ds::ReadBytes(f, b.data(), b.size(), &why), l3ds::ReadResult::Ok) << why;
}

TEST(ModelAdapter, BoundingBoxOfAMeshBelowZero)
{
    l3ds::Mesh m;
    m.vertices = {{-10, -20, -30}, {-1, -2, -3}};
    float lo[3], hi[3];
    l3ds::MeshBoundingBox(m, lo, hi);
    EXPECT_EQ(hi[0], -1.0f);
    EXPECT_EQ(hi[2], -3.0f);
    EXPECT_EQ(lo[1], -20.0f);
}

} // namespace

namespace {

// A chunk: id, length (header included), payload.
void Chunk(std::vector<uint8_t>& out, uint16_t id, const std::vector<uint8_t>& payload)
{
    const uint32_t len = uint32_t(payload.size() + 6);
    out.insert(out.end(), {uint8_t(id), uint8_t(id >> 8), uint8_t(len), uint8_t(len >> 8), uint8_t(len >> 16),
                           uint8_t(len >> 24)});
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> Name(const std::string& name)
{
    std::vector<uint8_t> b(name.begin(), name.end());
    b.push_back(0);
    return b;
}

// A file of `count` empty meshes or materials.
std::vector<uint8_t> ManyRecords(int count, bool materials)
{
    std::vector<uint8_t> records;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> body;
        if (materials) {
            Chunk(body, LIB3DS_MAT_NAME, Name("m" + std::to_string(i)));
            Chunk(records, LIB3DS_MAT_ENTRY, body);
        } else {
            body = Name("o" + std::to_string(i));
            Chunk(body, LIB3DS_N_TRI_OBJECT, {});
            Chunk(records, LIB3DS_NAMED_OBJECT, body);
        }
    }
    std::vector<uint8_t> mdata, file;
    Chunk(mdata, LIB3DS_MDATA, records);
    Chunk(file, LIB3DS_M3DMAGIC, mdata);
    return file;
}

} // namespace

TEST(ModelAdapter, HugeRecordCountsAreRefusedQuicklyAndManyStillLoad)
{
    struct Case {
        int count;
        bool materials;
        bool loads;
    } cases[] = {{170000, false, false}, {170000, true, false}, {8000, false, true}, {8000, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + (c.materials ? " materials" : " meshes"));
        const auto bytes = ManyRecords(c.count, c.materials);
        LogCapture log;
        const auto t0 = std::chrono::steady_clock::now();
        l3ds::File file;
        std::string why;
        const auto result = l3ds::ReadBytes(file, bytes.data(), bytes.size(), &why);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
        if (c.loads) {
            ASSERT_EQ(result, l3ds::ReadResult::Ok) << why;
            const size_t n = c.materials ? file.materials.size() : file.meshes.size();
            ASSERT_EQ(n, size_t(c.count));
            const std::string last = (c.materials ? "m" : "o") + std::to_string(c.count - 1);
            EXPECT_EQ(c.materials ? file.materials.back().name : file.meshes.back().name, last) << "file order";
        } else {
            EXPECT_EQ(result, l3ds::ReadResult::Rejected);
            EXPECT_NE(why.find("170000"), std::string::npos) << why;
        }
    }
}

TEST(ModelAdapter, UnsoundVerticesDropTheirFacesAndBoxesStayFinite)
{
    fixture::TempDir dir;
    fixture::Mesh m;
    m.name = "odd";
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    m.points = {{0, 0, 0}, {10, 0, 0}, {0, 10, 5}, {nan, 1, 1}, {1, inf, 1}, {1, 1, FLT_MAX}, {-1e30f, 0, 0}};
    m.faces = {{0, 1, 2}, {0, 1, 3}, {4, 1, 2}, {0, 5, 2}, {6, 0, 1}, {2, 1, 0}};
    ASSERT_TRUE(fixture::Write(dir.File("odd.3ds"), {}, {m}));

    LogCapture log;
    l3ds::File file;
    ASSERT_TRUE(ReadFile(dir.File("odd.3ds"), file));
    const auto& mesh = file.meshes[0];
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(mesh.faces[1].index[0], 2);
    float lo[3], hi[3];
    l3ds::MeshBoundingBox(mesh, lo, hi);
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(std::isfinite(lo[k]) && std::isfinite(hi[k])) << k;
    EXPECT_EQ(lo[0], 0.0f);
    EXPECT_EQ(hi[0], 10.0f);
    EXPECT_EQ(hi[2], 5.0f);
    EXPECT_TRUE(log.Contains("mesh odd: 4 of 6 faces use non-finite or out-of-range vertices, dropped"));
}
