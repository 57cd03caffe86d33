#pragma once
// 3DS fixtures written by lib3ds itself, in the order given (lib3ds's own insert
// functions would sort them by name), into a fresh temporary folder.
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fixture {

struct Material {
    std::string name;
    std::array<float, 3> ambient{0.2f, 0.2f, 0.2f};
    std::array<float, 3> diffuse{0.8f, 0.8f, 0.8f};
    std::array<float, 3> specular{0.5f, 0.5f, 0.5f};
    float shininess = 0.3f;
    float shinStrength = 0.5f;
    float transparency = 0.0f;
    bool twoSided = false;
    std::string texture;
};
inline Material Mat(const std::string& name, const std::string& texture = "", float transparency = 0)
{
    Material m;
    m.name = name;
    m.texture = texture;
    m.transparency = transparency;
    return m;
}

struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<unsigned, 3>> faces;
    std::vector<std::string> faceMaterial; // per face, "" for none; may be shorter
    std::vector<std::array<float, 2>> texels;
    std::array<float, 2> tile{0, 0}; // written when not both 0
};

struct Light {
    std::string name;
    std::array<float, 3> position{0, 0, 100};
    std::array<float, 3> color{1, 1, 1};
    bool spot = false;
    std::array<float, 3> target{0, 0, 0};
    float hotspot = 30, falloff = 45;
    float innerRange = 10, outerRange = 100;
};

// A mesh of n vertices on a line-free grid with triangles (i, i+1, i+2).
inline Mesh Strip(const std::string& name, int vertices, int faces, float x0 = 0, float z0 = 0)
{
    Mesh m;
    m.name = name;
    for (int i = 0; i < vertices; ++i)
        m.points.push_back({x0 + float(i % 10) * 10.0f, float(i / 10) * 10.0f + float(i % 3), z0 + float(i % 2) * 5.0f});
    for (int i = 0; i < faces; ++i)
        m.faces.push_back({unsigned(i % (vertices - 2)), unsigned(i % (vertices - 2) + 1), unsigned(i % (vertices - 2) + 2)});
    return m;
}

inline bool Write(const std::string& path, const std::vector<Material>& materials, const std::vector<Mesh>& meshes,
                  const std::vector<Light>& lights = {})
{
    Lib3dsFile* f = lib3ds_file_new();
    if (!f)
        return false;
    Lib3dsMaterial** mt = &f->materials;
    for (const Material& m : materials) {
        Lib3dsMaterial* p = lib3ds_material_new();
        std::strncpy(p->name, m.name.c_str(), 63);
        for (int k = 0; k < 3; ++k) {
            p->ambient[k] = m.ambient[k];
            p->diffuse[k] = m.diffuse[k];
            p->specular[k] = m.specular[k];
        }
        p->shininess = m.shininess;
        p->shin_strength = m.shinStrength;
        p->transparency = m.transparency;
        p->two_sided = m.twoSided;
        std::strncpy(p->texture1_map.name, m.texture.c_str(), 63);
        *mt = p;
        mt = &p->next;
    }
    Lib3dsMesh** ms = &f->meshes;
    for (const Mesh& m : meshes) {
        Lib3dsMesh* p = lib3ds_mesh_new(m.name.c_str());
        lib3ds_mesh_new_point_list(p, Lib3dsDword(m.points.size()));
        for (size_t i = 0; i < m.points.size(); ++i)
            for (int k = 0; k < 3; ++k)
                p->pointL[i].pos[k] = m.points[i][k];
        if (!m.texels.empty()) {
            lib3ds_mesh_new_texel_list(p, Lib3dsDword(m.texels.size()));
            for (size_t i = 0; i < m.texels.size(); ++i) {
                p->texelL[i][0] = m.texels[i][0];
                p->texelL[i][1] = m.texels[i][1];
            }
        }
        if (m.tile[0] != 0 || m.tile[1] != 0) {
            p->map_data.maptype = LIB3DS_MAP_PLANAR;
            p->map_data.tile[0] = m.tile[0];
            p->map_data.tile[1] = m.tile[1];
        }
        lib3ds_mesh_new_face_list(p, Lib3dsDword(m.faces.size()));
        for (size_t i = 0; i < m.faces.size(); ++i) {
            for (int k = 0; k < 3; ++k)
                p->faceL[i].points[k] = Lib3dsWord(m.faces[i][k]);
            if (i < m.faceMaterial.size())
                std::strncpy(p->faceL[i].material, m.faceMaterial[i].c_str(), 63);
        }
        *ms = p;
        ms = &p->next;
    }
    Lib3dsLight** ls = &f->lights;
    for (const Light& l : lights) {
        Lib3dsLight* p = lib3ds_light_new(l.name.c_str());
        for (int k = 0; k < 3; ++k) {
            p->position[k] = l.position[k];
            p->color[k] = l.color[k];
            p->spot[k] = l.target[k];
        }
        p->spot_light = l.spot;
        p->hot_spot = l.hotspot;
        p->fall_off = l.falloff;
        p->inner_range = l.innerRange;
        p->outer_range = l.outerRange;
        p->multiplier = 1;
        *ls = p;
        ls = &p->next;
    }
    bool ok = lib3ds_file_save(f, path.c_str());
    lib3ds_file_free(f);
    return ok;
}

// A fresh folder under /tmp, removed with the object.
class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/qm_model_XXXXXX";
        const char* p = mkdtemp(tmpl);
        m_path = p ? p : "/tmp";
    }
    ~TempDir()
    {
        std::error_code ec;
        if (m_path != "/tmp")
            std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace fixture
