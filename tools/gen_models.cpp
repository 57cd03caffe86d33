// Writes the program's own 3DS models and their BMP textures into <data>/Models:
// a locomotive, a goods wagon, a tank wagon, a station building and two trees.
// Models stand on z = 0 with their middle on the origin and run along +x (the
// direction the track follower turns them to). usage: gen_models <data folder>
#include "engine/models/Lib3dsWriter.h"

#include <lib3ds/mesh.h>

#include <QColor>
#include <QImage>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using V3 = std::array<float, 3>;
using V2 = std::array<float, 2>;
constexpr float kPi = 3.14159265358979f;

using Material = l3ds::write::Material;
using Light = l3ds::write::Light;

// One mesh of one material; every face keeps its own corners where flat shading is
// wanted, so the averaged vertex normals stay those of the face.
struct Mesh : l3ds::write::Mesh {
    std::string material;

    unsigned Point(V3 p, V2 t)
    {
        points.push_back(p);
        texels.push_back(t);
        return unsigned(points.size() - 1);
    }
    // corners counter-clockwise seen from the outside
    void Quad(V3 a, V3 b, V3 c, V3 d, float us = 1, float vs = 1)
    {
        unsigned i = Point(a, {0, 0}), j = Point(b, {us, 0}), k = Point(c, {us, vs}), l = Point(d, {0, vs});
        faces.push_back({i, j, k});
        faces.push_back({i, k, l});
    }
    void Triangle(V3 a, V3 b, V3 c)
    {
        unsigned i = Point(a, {0, 0}), j = Point(b, {1, 0}), k = Point(c, {0.5f, 1});
        faces.push_back({i, j, k});
    }
    // axis-aligned box; texture repeats once per `tile` units
    void Box(V3 lo, V3 hi, float tile = 0, bool bottom = true)
    {
        float sx = hi[0] - lo[0], sy = hi[1] - lo[1], sz = hi[2] - lo[2];
        auto t = [&](float len) { return tile > 0 ? len / tile : 1.0f; };
        Quad({lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]}, {hi[0], lo[1], hi[2]}, {lo[0], lo[1], hi[2]}, t(sx), t(sz)); // -y
        Quad({hi[0], hi[1], lo[2]}, {lo[0], hi[1], lo[2]}, {lo[0], hi[1], hi[2]}, {hi[0], hi[1], hi[2]}, t(sx), t(sz)); // +y
        Quad({hi[0], lo[1], lo[2]}, {hi[0], hi[1], lo[2]}, {hi[0], hi[1], hi[2]}, {hi[0], lo[1], hi[2]}, t(sy), t(sz)); // +x
        Quad({lo[0], hi[1], lo[2]}, {lo[0], lo[1], lo[2]}, {lo[0], lo[1], hi[2]}, {lo[0], hi[1], hi[2]}, t(sy), t(sz)); // -x
        Quad({lo[0], lo[1], hi[2]}, {hi[0], lo[1], hi[2]}, {hi[0], hi[1], hi[2]}, {lo[0], hi[1], hi[2]}, t(sx), t(sy)); // +z
        if (bottom)
            Quad({lo[0], hi[1], lo[2]}, {hi[0], hi[1], lo[2]}, {hi[0], lo[1], lo[2]}, {lo[0], lo[1], lo[2]}, t(sx), t(sy));
    }
    // cylinder along one axis (0 x, 1 y, 2 z) from `base` for `length`; smooth side, flat caps
    void Cylinder(int axis, V3 base, float radius, float length, int segments, bool caps = true, float vTiles = 1)
    {
        int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
        auto at = [&](float ang, float along) {
            V3 p = base;
            p[axis] += along;
            p[a1] += radius * std::cos(ang);
            p[a2] += radius * std::sin(ang);
            return p;
        };
        unsigned first = unsigned(points.size());
        for (int i = 0; i <= segments; ++i) {
            float ang = 2 * kPi * float(i) / float(segments);
            Point(at(ang, 0), {float(i) / float(segments), 0});
            Point(at(ang, length), {float(i) / float(segments), vTiles});
        }
        for (int i = 0; i < segments; ++i) {
            unsigned b0 = first + 2 * unsigned(i), t0 = b0 + 1, b1 = b0 + 2, t1 = b0 + 3;
            faces.push_back({b0, b1, t1});
            faces.push_back({b0, t1, t0});
        }
        if (!caps)
            return;
        for (int end = 0; end < 2; ++end) {
            V3 c = base;
            c[axis] += end ? length : 0;
            unsigned centre = Point(c, {0.5f, 0.5f});
            unsigned ring = unsigned(points.size());
            for (int i = 0; i < segments; ++i) {
                float ang = 2 * kPi * float(i) / float(segments);
                Point(at(ang, end ? length : 0), {0.5f + 0.5f * std::cos(ang), 0.5f + 0.5f * std::sin(ang)});
            }
            for (int i = 0; i < segments; ++i) {
                unsigned p = ring + unsigned(i), q = ring + unsigned((i + 1) % segments);
                if (end)
                    faces.push_back({centre, p, q});
                else
                    faces.push_back({centre, q, p});
            }
        }
    }
    // cone standing on z
    void Cone(V3 base, float radius, float height, int segments)
    {
        for (int i = 0; i < segments; ++i) {
            float a0 = 2 * kPi * float(i) / float(segments), a1 = 2 * kPi * float(i + 1) / float(segments);
            V3 p{base[0] + radius * std::cos(a0), base[1] + radius * std::sin(a0), base[2]};
            V3 q{base[0] + radius * std::cos(a1), base[1] + radius * std::sin(a1), base[2]};
            Triangle(p, q, {base[0], base[1], base[2] + height});
        }
        unsigned centre = Point(base, {0.5f, 0.5f});
        for (int i = 0; i < segments; ++i) {
            float a0 = 2 * kPi * float(i) / float(segments), a1 = 2 * kPi * float(i + 1) / float(segments);
            unsigned p = Point({base[0] + radius * std::cos(a0), base[1] + radius * std::sin(a0), base[2]}, {0, 0});
            unsigned q = Point({base[0] + radius * std::cos(a1), base[1] + radius * std::sin(a1), base[2]}, {1, 0});
            faces.push_back({centre, q, p});
        }
    }
};

Mesh NewMesh(const std::string& name, const std::string& material)
{
    Mesh m;
    m.name = name;
    m.material = material;
    return m;
}

// A lamp as the models carry it; the loader uses inner range x 1.2 as the constant
// attenuation.
Light Lamp(Light l)
{
    l.innerRange = 0.8f;
    l.outerRange = 5000;
    return l;
}

struct Model {
    std::vector<Material> materials;
    std::vector<Mesh> meshes;
    std::vector<Light> lights;
};

// The models' specular defaults; the texture is named as the model names it.
Material Shiny(const std::string& name)
{
    Material m;
    m.name = name;
    m.specular = {0.6f, 0.6f, 0.6f};
    m.shininess = 0.3f;    // specular exponent share
    m.shinStrength = 0.4f; // specular strength
    return m;
}

Material Coloured(const std::string& name, V3 rgb)
{
    Material m = Shiny(name);
    m.ambient = {rgb[0] * 0.6f, rgb[1] * 0.6f, rgb[2] * 0.6f};
    m.diffuse = rgb;
    return m;
}

Material Textured(const std::string& name, const std::string& texture, V3 ambient)
{
    Material m = Shiny(name);
    m.ambient = ambient;
    m.diffuse = {0.95f, 0.95f, 0.95f};
    m.texture = texture;
    return m;
}

// Every face of a mesh takes its material, all edges visible, one smoothing group.
bool WriteModel(const std::string& path, const Model& model)
{
    std::vector<l3ds::write::Mesh> meshes;
    for (const Mesh& m : model.meshes) {
        l3ds::write::Mesh out = m;
        out.faceMaterial.assign(out.faces.size(), m.material);
        out.tile = {1.0f, 1.0f};
        out.faceFlags = LIB3DS_FACE_FLAG_VIS_AB | LIB3DS_FACE_FLAG_VIS_BC | LIB3DS_FACE_FLAG_VIS_AC;
        out.smoothing = 1;
        meshes.push_back(std::move(out));
    }
    return l3ds::write::Write(path, model.materials, meshes, model.lights);
}

// --- textures: small procedural pictures, deterministic ---

unsigned Hash(unsigned x, unsigned y, unsigned seed)
{
    unsigned h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

int Noise(int x, int y, unsigned seed, int amount) { return int(Hash(unsigned(x), unsigned(y), seed) % unsigned(2 * amount + 1)) - amount; }

QColor Vary(QColor c, int d)
{
    auto cl = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    return QColor(cl(c.red() + d), cl(c.green() + d), cl(c.blue() + d));
}

bool SaveBmp(const QImage& image, const std::string& path) { return image.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(path), "BMP"); }

QImage LocoTexture()
{
    QImage img(128, 128, QImage::Format_RGB888);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            QColor c(150, 20, 18); // boiler red
            if ((y / 16) % 4 == 3)
                c = QColor(210, 170, 40); // brass bands
            if ((x % 32) == 16 && (y % 8) == 4)
                c = QColor(60, 10, 10); // rivets
            img.setPixelColor(x, y, Vary(c, Noise(x, y, 1, 8)));
        }
    return img;
}

QImage WoodTexture()
{
    QImage img(128, 128, QImage::Format_RGB888);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            int plank = y / 16;
            QColor c = plank % 2 ? QColor(120, 78, 40) : QColor(138, 92, 50);
            if (y % 16 == 0)
                c = QColor(50, 32, 18); // joints
            int grain = int(6 * std::sin(float(x) * 0.15f + float(plank) * 1.7f));
            img.setPixelColor(x, y, Vary(c, grain + Noise(x, y, 2, 6)));
        }
    return img;
}

QImage BrickTexture()
{
    QImage img(128, 128, QImage::Format_RGB888);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            int row = y / 16;
            int xo = (x + (row % 2) * 16) % 32;
            QColor c(170, 70, 45);
            if (y % 16 < 2 || xo < 2)
                c = QColor(200, 195, 180); // mortar
            img.setPixelColor(x, y, Vary(c, Noise(x / 2, y / 2, 3, 12)));
        }
    return img;
}

QImage LeafTexture(QColor base, unsigned seed)
{
    QImage img(64, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixelColor(x, y, Vary(base, Noise(x / 2, y / 2, seed, 30)));
    return img;
}

// --- the models ---

void Wheels(Mesh& m, float length, float halfWidth, int axles, float radius)
{
    for (int i = 0; i < axles; ++i) {
        float x = -length / 2 + length * (float(i) + 0.5f) / float(axles);
        m.Cylinder(1, {x, -halfWidth, radius}, radius, 4, 16);
        m.Cylinder(1, {x, halfWidth - 4, radius}, radius, 4, 16);
    }
}

Model Locomotive()
{
    Model m;
    m.materials = {Textured("LocoPaint", "Models\\LOCO.BMP", {0.35f, 0.1f, 0.1f}),
                   Coloured("CabGreen", {0.12f, 0.38f, 0.16f}), Coloured("IronBlack", {0.12f, 0.12f, 0.13f}),
                   Coloured("Brass", {0.85f, 0.65f, 0.2f})};
    Material glass = Coloured("CabGlass", {0.6f, 0.8f, 0.95f});
    glass.transparency = 0.5f;
    m.materials.push_back(glass);

    Mesh boiler = NewMesh("Boiler", "LocoPaint");
    boiler.Cylinder(0, {-40, 0, 48}, 20, 110, 20, true, 2);
    Mesh cab = NewMesh("Cab", "CabGreen");
    cab.Box({-80, -22, 26}, {-40, 22, 64}, 0, false);
    cab.Box({-84, -24, 64}, {-36, 24, 68}); // roof
    Mesh frame = NewMesh("Frame", "IronBlack");
    frame.Box({-80, -18, 14}, {76, 18, 28});
    frame.Cylinder(2, {52, 0, 66}, 6, 20, 12); // chimney
    frame.Box({76, -22, 10}, {80, 22, 22});     // buffer beam
    Mesh wheels = NewMesh("Wheels", "IronBlack");
    Wheels(wheels, 150, 22, 3, 14);
    Mesh trim = NewMesh("Trim", "Brass");
    trim.Cylinder(2, {20, 0, 66}, 7, 8, 12); // dome
    trim.Cylinder(0, {70, 0, 48}, 5, 4, 12); // headlamp
    Mesh windows = NewMesh("Windows", "CabGlass");
    windows.Quad({-40.5f, -16, 40}, {-40.5f, 16, 40}, {-40.5f, 16, 60}, {-40.5f, -16, 60});
    windows.Quad({-70, -22.5f, 40}, {-50, -22.5f, 40}, {-50, -22.5f, 60}, {-70, -22.5f, 60});
    windows.Quad({-50, 22.5f, 40}, {-70, 22.5f, 40}, {-70, 22.5f, 60}, {-50, 22.5f, 60});
    m.meshes = {boiler, cab, frame, wheels, trim, windows};
    // head lamp: the loader passes the target as the spot direction
    m.lights.push_back(Lamp({.name = "HeadLamp", .position = {76, 0, 48}, .color = {1.0f, 0.95f, 0.8f}, .spot = true,
                             .target = {1000, 0, -60}}));
    return m;
}

Model GoodsWagon()
{
    Model m;
    // the file on disk is "WagonWood.bmp": found by its first eight characters
    m.materials = {Textured("Planks", "Models\\WAGONWOO.BMP", {0.3f, 0.22f, 0.15f}),
                   Coloured("RoofGrey", {0.45f, 0.46f, 0.48f}), Coloured("IronBlack", {0.12f, 0.12f, 0.13f})};
    Mesh body = NewMesh("Body", "Planks");
    body.Box({-65, -22, 26}, {65, 22, 70}, 40);
    Mesh roof = NewMesh("Roof", "RoofGrey");
    roof.Box({-67, -24, 70}, {67, 24, 75});
    Mesh frame = NewMesh("Frame", "IronBlack");
    frame.Box({-70, -18, 14}, {70, 18, 26});
    Wheels(frame, 110, 22, 2, 12);
    m.meshes = {body, roof, frame};
    return m;
}

Model TankWagon()
{
    Model m;
    m.materials = {Coloured("TankSilver", {0.75f, 0.76f, 0.78f}), Coloured("IronBlack", {0.12f, 0.12f, 0.13f}),
                   Coloured("HatchYellow", {0.9f, 0.75f, 0.1f})};
    m.materials[0].shinStrength = 0.9f;
    Mesh tank = NewMesh("Tank", "TankSilver");
    tank.Cylinder(0, {-60, 0, 48}, 21, 120, 24);
    Mesh frame = NewMesh("Frame", "IronBlack");
    frame.Box({-70, -18, 14}, {70, 18, 27});
    Wheels(frame, 110, 22, 2, 12);
    Mesh hatch = NewMesh("Hatch", "HatchYellow");
    hatch.Cylinder(2, {0, 0, 66}, 8, 8, 12);
    m.meshes = {tank, frame, hatch};
    return m;
}

Model Station()
{
    Model m;
    m.materials = {Textured("Brick", "Models\\BRICK.BMP", {0.3f, 0.15f, 0.1f}),
                   Coloured("RoofTiles", {0.55f, 0.18f, 0.12f}), Coloured("Platform", {0.6f, 0.6f, 0.58f})};
    Material glass = Coloured("Glass", {0.55f, 0.75f, 0.9f});
    glass.transparency = 0.5f;
    m.materials.push_back(glass);

    Mesh walls = NewMesh("Walls", "Brick");
    walls.Box({-180, 20, 0}, {180, 140, 110}, 60, false);
    Mesh roof = NewMesh("Roof", "RoofTiles");
    // gable roof along x
    roof.Quad({-190, 10, 110}, {190, 10, 110}, {190, 80, 170}, {-190, 80, 170});
    roof.Quad({190, 150, 110}, {-190, 150, 110}, {-190, 80, 170}, {190, 80, 170});
    roof.Triangle({-180, 20, 110}, {-180, 80, 170}, {-180, 140, 110});
    roof.Triangle({180, 140, 110}, {180, 80, 170}, {180, 20, 110});
    Mesh platform = NewMesh("Platform", "Platform");
    platform.Box({-220, -40, 0}, {220, 20, 12});
    Mesh windows = NewMesh("Windows", "Glass");
    for (int i = 0; i < 4; ++i) {
        float x = -150 + float(i) * 90;
        windows.Quad({x, 19.5f, 40}, {x + 40, 19.5f, 40}, {x + 40, 19.5f, 90}, {x, 19.5f, 90});
    }
    m.meshes = {walls, roof, platform, windows};
    // a lamp high above: without a spot it shines from its direction onto everything
    m.lights.push_back(Lamp({.name = "StationLamp", .position = {300, -400, 900}, .color = {1.0f, 1.0f, 0.95f}}));
    return m;
}

Model Tree(const std::string& texture, float height, float radius)
{
    Model m;
    m.materials = {Coloured("Bark", {0.35f, 0.24f, 0.14f}), Textured("Leaves", texture, {0.1f, 0.25f, 0.1f})};
    Mesh trunk = NewMesh("Trunk", "Bark");
    trunk.Cylinder(2, {0, 0, 0}, radius * 0.18f, height * 0.4f, 10);
    Mesh crown = NewMesh("Crown", "Leaves");
    crown.Cone({0, 0, height * 0.3f}, radius, height * 0.45f, 16);
    crown.Cone({0, 0, height * 0.55f}, radius * 0.75f, height * 0.45f, 16);
    m.meshes = {trunk, crown};
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_models <data folder>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/Models";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    struct Item {
        const char* file;
        Model model;
    } models[] = {
        {"Locomotive.3ds", Locomotive()},
        {"GoodsWagon.3ds", GoodsWagon()},
        {"TankWagon.3ds", TankWagon()},
        {"Station.3ds", Station()},
        {"Tree.3ds", Tree("Models\\TREE.BMP", 220, 60)},
        {"BigTree.3ds", Tree("Models\\BIGTREE.BMP", 360, 95)},
    };
    bool ok = true;
    for (const Item& item : models)
        if (!WriteModel(dir + "/" + item.file, item.model)) {
            std::fprintf(stderr, "gen_models: cannot write %s/%s\n", dir.c_str(), item.file);
            ok = false;
        }
    struct Picture {
        const char* file;
        QImage image;
    } pictures[] = {
        {"LOCO.BMP", LocoTexture()},
        {"WagonWood.bmp", WoodTexture()},
        {"BRICK.BMP", BrickTexture()},
        {"TREE.BMP", LeafTexture(QColor(70, 140, 60), 4)},
        {"BIGTREE.BMP", LeafTexture(QColor(35, 90, 40), 5)},
    };
    for (const Picture& p : pictures)
        if (!SaveBmp(p.image, dir + "/" + p.file)) {
            std::fprintf(stderr, "gen_models: cannot write %s/%s\n", dir.c_str(), p.file);
            ok = false;
        }
    return ok ? 0 : 1;
}
