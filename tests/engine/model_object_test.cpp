// The model object's reading half (records, box, draw order), its distance rule,
// selection lock and texture look-up, on files written by lib3ds here.
#include "engine/models/GLmaterial.h"
#include "engine/models/GLmesh.h"
#include "engine/models/GLmeshObj.h"
#include "engine/models/TextureList.h"
#include "log_capture.h"
#include "model_fixture.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>

namespace {

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(ModelObject, RecordsFromAFile)
{
    fixture::TempDir dir;
    fixture::Mesh body;
    body.name = "Body";
    body.points = {{-10, -5, -8}, {10, -5, -8}, {10, 5, -8}, {-10, 5, -2}};
    body.faces = {{0, 1, 2}, {0, 2, 3}};
    body.faceMaterial = {"Paint", "Rust"};
    body.texels = {{0, 0}, {1, 0}, {1, 1}, {0.25f, 0.75f}};
    body.tile = {2, 3};
    fixture::Mesh plain = fixture::Strip("Plain", 6, 4, 100, 0);
    fixture::Light lamp;
    lamp.name = "Lamp";
    lamp.position = {1, 2, 3};
    lamp.target = {4, 5, 6};
    lamp.color = {1, 0.5f, 0};
    lamp.spot = true;
    lamp.hotspot = 33;
    lamp.innerRange = 7;
    fixture::Material rust = fixture::Mat("Rust");
    rust.ambient = {0.5f, 0.25f, 0.125f};
    ASSERT_TRUE(fixture::Write(dir.File("m.3ds"), {fixture::Mat("Paint", "PAINT.BMP"), rust}, {body, plain}, {lamp}));

    CGLmeshObj obj;
    ASSERT_EQ(obj.LoadRecords(dir.File("m.3ds"), 2.0f, CVec3(1, 2, 3), 4, true, true), 2);
    EXPECT_EQ(obj.GetName(), "m");
    EXPECT_EQ(obj.GetId(), 4);
    EXPECT_EQ(obj.GetCollision(), 1);

    const auto& meshes = obj.GetMeshRecords();
    const CGLmeshData& r = *meshes[0];
    EXPECT_EQ(r.name, "Body");
    EXPECT_EQ(r.materialIndex, 0);
    ASSERT_NE(r.material, nullptr);
    EXPECT_EQ(r.material->name, "Paint");
    EXPECT_EQ(r.material->textureFile, "PAINT.BMP");
    EXPECT_EQ(r.vertices[1], CVec3(20, -10, -16)); // times the scale
    // every corner of a face takes its material's ambient colour, the last face winning
    EXPECT_NEAR(r.colours[3].x, 0.5f, 1.0f / 255);
    EXPECT_NEAR(r.colours[0].y, 0.25f, 1.0f / 255);
    EXPECT_NEAR(r.colours[1].x, 0.2f, 1.0f / 255);
    // u = tu x su, v = (1 - tv) x sv
    EXPECT_FLOAT_EQ(r.texCoords[6], 0.25f * 2);
    EXPECT_FLOAT_EQ(r.texCoords[7], 0.25f * 3);
    // a box wholly below 0 keeps its own maximum there
    EXPECT_EQ(r.boxMax.z, -4.0f);
    EXPECT_EQ(r.boxMin.z, -16.0f);
    EXPECT_FLOAT_EQ(r.size, (r.boxMax - r.boxMin).Length());
    EXPECT_EQ(r.faceNormals[0], CVec3(0, 0, 1));

    // the second mesh has no material: no texture coordinates, no colours
    EXPECT_EQ(meshes[1]->material, nullptr);
    EXPECT_EQ(meshes[1]->texCoords, std::vector<float>(12, 0.0f));
    EXPECT_EQ(meshes[1]->colours[0], CVec3());

    // the object's box spans both meshes
    EXPECT_EQ(obj.GetBoxMin().x, -20.0f);
    EXPECT_EQ(obj.GetBoxMax().x, 300.0f);
    EXPECT_EQ(obj.GetCentre(), (obj.GetBoxMin() + obj.GetBoxMax()) * 0.5f);
    EXPECT_FLOAT_EQ(obj.GetSize(), (obj.GetBoxMax() - obj.GetBoxMin()).Length());

    const CGLlightData& l = *obj.GetLightRecords()[0];
    EXPECT_TRUE(l.spot);
    EXPECT_EQ(l.position, CVec3(2, 4, 6));
    EXPECT_EQ(l.target, CVec3(8, 10, 12));
    EXPECT_EQ(l.objectPosition, CVec3(2, 4, 6));
    EXPECT_EQ(l.cutoff, 33.0f);
    EXPECT_EQ(l.attenuation, 7.0f);

    // without pictures no texture name is kept
    CGLmeshObj bare;
    ASSERT_EQ(bare.LoadRecords(dir.File("m.3ds"), 1.0f, CVec3(), 0, false, false), 2);
    EXPECT_TRUE(bare.GetMaterialRecords()[0]->textureFile.empty());
}

TEST(ModelObject, OpaqueMeshesAreDrawnBeforeTransparentOnes)
{
    fixture::TempDir dir;
    auto mesh = [](const char* name, const char* material) {
        fixture::Mesh m = fixture::Strip(name, 4, 2);
        m.faceMaterial = {material, material};
        return m;
    };
    ASSERT_TRUE(fixture::Write(dir.File("t.3ds"), {fixture::Mat("Glass", "", 0.5f), fixture::Mat("Steel")},
                               {mesh("Window", "Glass"), mesh("Hull", "Steel"), mesh("Deck", ""),
                                mesh("Porthole", "Glass")}));
    CGLmeshObj obj;
    ASSERT_EQ(obj.LoadRecords(dir.File("t.3ds"), 1, CVec3(), 0, false, false), 4);
    std::vector<std::string> order;
    for (int i : CGLmeshObj::DrawOrder(obj.GetMeshRecords()))
        order.push_back(obj.GetMeshRecords()[size_t(i)]->name);
    EXPECT_EQ(order, (std::vector<std::string>{"Deck", "Hull", "Window", "Porthole"}));
}

TEST(ModelObject, VertexNormalsHaveOnePerVertex)
{
    // 100 vertices, 10 faces: normals sized by the faces would overflow
    fixture::TempDir dir;
    fixture::Mesh m = fixture::Strip("Sparse", 100, 10);
    m.faces.push_back({5, 5, 5}); // no area: a zero normal that spoils no neighbour
    ASSERT_TRUE(fixture::Write(dir.File("n.3ds"), {}, {m}));
    CGLmeshObj obj;
    ASSERT_EQ(obj.LoadRecords(dir.File("n.3ds"), 1, CVec3(), 0, false, false), 1);
    const CGLmeshData& r = *obj.GetMeshRecords()[0];
    ASSERT_EQ(r.vertexNormals.size(), 100u);
    EXPECT_EQ(r.faceNormals.back(), CVec3());
    for (int v = 0; v < 100; ++v) {
        float len = r.vertexNormals[size_t(v)].Length();
        EXPECT_TRUE(v < 12 ? std::fabs(len - 1) < 1e-5f : len == 0) << v << " " << len;
    }
}

TEST(ModelObject, UnreadableFilesKeepNothing)
{
    fixture::TempDir dir;
    fixture::Mesh empty;
    empty.name = "Nothing";
    fixture::Mesh noFaces = fixture::Strip("Points", 5, 0);
    fixture::Mesh ok = fixture::Strip("Ok", 5, 3);
    fixture::Light lamp;
    lamp.name = "Lamp";
    ASSERT_TRUE(fixture::Write(dir.File("skip.3ds"), {}, {empty, noFaces, ok}, {lamp}));
    ASSERT_TRUE(fixture::Write(dir.File("lights.3ds"), {}, {empty}, {lamp}));
    std::ofstream(dir.File("garbage.3ds")) << "MM this is not a model at all";
    {
        std::ifstream in(dir.File("skip.3ds"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(dir.File("cut.3ds"), std::ios::binary) << bytes.substr(0, bytes.size() - 9);
    }

    // meshes without faces or vertices are skipped and not counted
    CGLmeshObj skip;
    EXPECT_EQ(skip.LoadRecords(dir.File("skip.3ds"), 1, CVec3(), 0, false, false), 1);
    EXPECT_EQ(skip.GetMeshRecords()[0]->name, "Ok");

    struct Case {
        const char* file;
        const char* line;
    } cases[] = {
        {"missing.3ds", "CGLmeshObj::Load::fopen ERROR "},
        {"garbage.3ds", "CGLmeshObj::Load::lib3ds_file_read ERROR "},
        {"cut.3ds", "CGLmeshObj::Load::lib3ds_file_read ERROR "},
        {"lights.3ds", nullptr}, // read, but without a mesh nothing is kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        LogCapture log;
        CGLmeshObj obj;
        EXPECT_EQ(obj.LoadRecords(dir.File(c.file), 1, CVec3(), 0, false, false), 0);
        EXPECT_TRUE(obj.GetMeshRecords().empty() && obj.GetLightRecords().empty() &&
                    obj.GetMaterialRecords().empty());
        if (c.line) {
            EXPECT_TRUE(log.Contains(c.line)) << c.line;
            // one line for the fault, and it names the file
            EXPECT_TRUE(log.Contains(std::string(c.line) + dir.File(c.file)));
            EXPECT_EQ(log.Lines().size(), 1u);
        }
    }
}

// Offset of the first child chunk of the chunk at `at` with identifier id (npos if none);
// `skip` bytes of the chunk's own data come before its children.
size_t ChildChunk(const std::string& b, size_t at, uint16_t id, size_t skip = 0)
{
    auto u16 = [&](size_t i) { return unsigned(uint8_t(b[i])) | unsigned(uint8_t(b[i + 1])) << 8; };
    auto u32 = [&](size_t i) { return size_t(u16(i)) | size_t(u16(i + 2)) << 16; };
    const size_t end = at + u32(at + 2);
    for (size_t pos = at + 6 + skip; pos + 6 <= end && u32(pos + 2) >= 6; pos += u32(pos + 2))
        if (u16(pos) == id)
            return pos;
    return std::string::npos;
}

// Damaged chunk identifiers make a model without meshes: one line names the file.
// An intact file without meshes reads quietly.
TEST(ModelObject, DamagedChunkIdentifiersAreLoggedOnce)
{
    fixture::TempDir dir;
    fixture::Light lamp;
    lamp.name = "Lamp";
    ASSERT_TRUE(fixture::Write(dir.File("m.3ds"), {}, {fixture::Strip("Ok", 5, 3)}));
    ASSERT_TRUE(fixture::Write(dir.File("lights.3ds"), {}, {}, {lamp}));
    std::ifstream in(dir.File("m.3ds"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t mdata = ChildChunk(bytes, 0, 0x3D3D);
    ASSERT_NE(mdata, std::string::npos);
    const size_t object = ChildChunk(bytes, mdata, 0x4000);
    ASSERT_NE(object, std::string::npos);
    const size_t mesh = ChildChunk(bytes, object, 0x4100, bytes.find('\0', object + 6) + 1 - (object + 6));
    ASSERT_NE(mesh, std::string::npos);
    const struct {
        const char* file;
        size_t at;      // where the identifier is damaged
        const char* id; // what it becomes (lib3ds knows none of them)
    } cases[] = {{"mdata.3ds", mdata, "\x7D\x3D"}, {"object.3ds", object, "\x00\x48"}, {"mesh.3ds", mesh, "\x80\x41"}};
    for (const auto& c : cases) {
        std::string damaged = bytes;
        damaged.replace(c.at, 2, c.id, 2);
        std::ofstream(dir.File(c.file), std::ios::binary) << damaged;
    }
    for (const auto& [file, meshes, lines] : {std::tuple{"m.3ds", 1, 0}, std::tuple{"mdata.3ds", 0, 1},
                                              std::tuple{"object.3ds", 0, 1}, std::tuple{"mesh.3ds", 0, 1},
                                              std::tuple{"lights.3ds", 0, 0}}) {
        SCOPED_TRACE(file);
        LogCapture log;
        CGLmeshObj obj;
        EXPECT_EQ(obj.LoadRecords(dir.File(file), 1, CVec3(), 0, false, false), meshes);
        ASSERT_EQ(log.Lines().size(), size_t(lines));
        if (lines) {
            EXPECT_NE(log.Lines()[0].find(dir.File(file)), std::string::npos) << log.Lines()[0];
        }
    }
}

// The lines for faces dropped while loading name the file as well as the mesh.
TEST(ModelObject, DroppedFacesNameTheFile)
{
    fixture::TempDir dir;
    fixture::Mesh m;
    m.name = "Wagon";
    const float inf = std::numeric_limits<float>::infinity();
    m.points = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {inf, 0, 0}};
    m.faces = {{0, 1, 2}, {0, 1, 9}, {0, 1, 3}};
    ASSERT_TRUE(fixture::Write(dir.File("wagon.3ds"), {}, {m}));
    LogCapture log;
    CGLmeshObj obj;
    EXPECT_EQ(obj.LoadRecords(dir.File("wagon.3ds"), 1, CVec3(), 0, false, false), 1);
    const std::string file = dir.File("wagon.3ds");
    EXPECT_TRUE(log.Contains(file + ": mesh Wagon: 1 of 3 faces index past its 4 vertices"));
    EXPECT_TRUE(log.Contains(file + ": mesh Wagon: 1 of 3 faces use non-finite or out-of-range vertices"));
}

TEST(ModelObject, DistanceRule)
{
    const float D = 10;
    struct Case {
        float distance;
        int faces, drawn;
    } cases[] = {
        {0, 1000, 1000},         {16 * D, 1000, 1000}, // whole within 16 diagonals
        {38 * D, 1000, 500},                           // t = 0.5: half
        {59.9f * D, 1000, 200},                        // a fifth just before hiding
        {59.9f * D, 50, 16},                           // but at least 16 faces
        {50 * D, 10, 10},                              // small meshes stay whole
        {60 * D, 10, 10},       {60.01f * D, 10, 0},   // hidden beyond 60 diagonals
        {NAN, 1000, 50},                               // no distance: the 5 % floor
    };
    // (the factor 0.022727273 is 1/44 rounded up, so "half" may come out one short)
    for (const Case& c : cases)
        EXPECT_NEAR(CGLmesh::FacesToDraw(c.distance, D, c.faces), c.drawn, c.distance == 38 * D ? 1 : 0) << c.distance << " " << c.faces;
}

TEST(ModelObject, SelectionTogglesAtMostOncePer150ms)
{
    CGLmeshData r;
    struct Step {
        unsigned now;
        bool selected;
    } steps[] = {
        {1000, true},  // a click selects
        {1100, true},  // another within 150 ms does not deselect
        {1150, true},  // nor at exactly 150 ms
        {1151, false}, // after 150 ms it does
        {1250, false}, // not selected again within 150 ms of the deselection
        {1302, true},
    };
    for (const Step& s : steps) {
        CGLmeshObj::ToggleSelection(r, s.now);
        EXPECT_EQ(r.selectedTime != 0, s.selected) << s.now;
    }
    // the tick counter wraps
    CGLmeshData w;
    w.deselectedTime = 0xFFFFFFF0u;
    CGLmeshObj::ToggleSelection(w, 100);
    EXPECT_EQ(w.selectedTime, 0u);
    CGLmeshObj::ToggleSelection(w, 200);
    EXPECT_EQ(w.selectedTime, 200u);
}

TEST(ModelObject, TextureListMatchesWholeNamesWithoutCase)
{
    CTextureList list;
    list.Add("Models/BIGTREE.BMP", 5);
    EXPECT_EQ(list.Find("Models/TREE.BMP"), -1); // no longer found inside BIGTREE.BMP
    EXPECT_EQ(list.Find("models/bigtree.bmp"), 5);
    EXPECT_EQ(list.Find("Models/BIGTREE.BM"), -1);
    list.Add("Models/TREE.BMP", 6);
    EXPECT_EQ(list.Find("Models/Tree.bmp"), 6);
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(ModelObject, TextureFilesAreFoundInOrder)
{
    fixture::TempDir dir;
    const std::string d = dir.Path() + "/";
    Touch(d + "TREE.BMP");
    Touch(d + "WagonWood.bmp");
    Touch(d + "grassland.bmp");
    Touch(d + "LongNameTexture.BMP"); // listed only with a lower-case picture extension

    struct Case {
        std::string name, found;
    } cases[] = {
        {d + "TREE.BMP", d + "TREE.BMP"},
        {d + "tree.bmp", d + "TREE.BMP"},         // case-insensitive on disk
        {dir.Path() + "\\Tree.Bmp", d + "TREE.BMP"}, // either separator
        {d + "WAGONWOO.BMP", ""},                 // the prefix search looks in "Map", not here
        {d + "grass.bmp", ""},                     // fewer than 8: no prefix search
        {d + "LONGNAME.BMP", ""},
        {d + "BIGTREE.BMP", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CGLtexMaterial::ResolveTexture(c.name), c.found) << c.name;

    // the program's "Map" folder comes second
    const std::string map = platform::JoinPath(platform::ExecutableFolder(), "Map");
    const bool hadMap = platform::DirectoryExists(map);
    platform::CreateDirectories(map);
    const std::string inMap = map + "/qm_model_test_grass.bmp";
    Touch(inMap);
    EXPECT_EQ(CGLtexMaterial::ResolveTexture("Nowhere\\qm_model_test_grass.bmp"), inMap);
    // third, an 8.3 name is found in that "Map" folder by its first 8 characters,
    // and the record takes the found name
    const std::string longInMap = map + "/Qm_Model_Test_Long_Texture.bmp";
    Touch(longInMap);
    std::string renamed = "unchanged";
    EXPECT_EQ(CGLtexMaterial::ResolveTexture(d + "QM_MODEL.BMP", &renamed), longInMap);
    EXPECT_EQ(renamed, longInMap);
    renamed = "unchanged";
    EXPECT_EQ(CGLtexMaterial::ResolveTexture(d + "QM_MODEX.BMP", &renamed), "");
    EXPECT_EQ(renamed, "unchanged");
    std::remove(longInMap.c_str());
    std::remove(inMap.c_str());
    if (!hadMap)
        ::rmdir(map.c_str());

    // the prefix search rewrites the record's name
    CGLmaterialData r;
    r.textureFile = d + "WAGONWOO.BMP";
    EXPECT_TRUE(CGLtexMaterial::SearchTexture(&r));
    EXPECT_EQ(r.textureFile, d + "WagonWood.bmp");
}

} // namespace

TEST(ModelObject, TextureNamesFromAModelStayInsideTheSearchedFolders)
{
    struct Case {
        const char* name;
        const char* kept;
        bool logged;
    } cases[] = {
        {"TREE.BMP", "TREE.BMP", false},
        {"Maps\\TREE.BMP", "Maps\\TREE.BMP", false},
        {"..\\..\\etc\\secret.bmp", "secret.bmp", true},
        {"sub/../../x.jpg", "x.jpg", true},
        {"/etc/passwd", "passwd", true},
        {"C:\\Windows\\x.bmp", "x.bmp", true},
        {"C:x.bmp", "x.bmp", true},
        {"a..b.bmp", "a..b.bmp", false},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(CGLtexMaterial::ConfineTextureName(c.name), c.kept) << c.name;
        EXPECT_EQ(log.Lines().size(), c.logged ? 1u : 0u) << c.name;
    }
}
