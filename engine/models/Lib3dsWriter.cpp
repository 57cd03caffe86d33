#include "engine/models/Lib3dsWriter.h"

#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <cstdio>

namespace l3ds::write {

bool Write(const std::string& path, const std::vector<Material>& materials, const std::vector<Mesh>& meshes,
           const std::vector<Light>& lights)
{
    Lib3dsFile* f = lib3ds_file_new();
    if (!f)
        return false;
    Lib3dsMaterial** mt = &f->materials;
    for (const Material& m : materials) {
        Lib3dsMaterial* p = lib3ds_material_new();
        std::snprintf(p->name, sizeof(p->name), "%s", m.name.c_str());
        for (int k = 0; k < 3; ++k) {
            p->ambient[k] = m.ambient[k];
            p->diffuse[k] = m.diffuse[k];
            p->specular[k] = m.specular[k];
        }
        p->shininess = m.shininess;
        p->shin_strength = m.shinStrength;
        p->transparency = m.transparency;
        p->two_sided = m.twoSided;
        std::snprintf(p->texture1_map.name, sizeof(p->texture1_map.name), "%s", m.texture.c_str());
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
            p->faceL[i].flags = m.faceFlags;
            p->faceL[i].smoothing = m.smoothing;
            if (i < m.faceMaterial.size())
                std::snprintf(p->faceL[i].material, sizeof(p->faceL[i].material), "%s", m.faceMaterial[i].c_str());
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
    const bool ok = lib3ds_file_save(f, path.c_str());
    lib3ds_file_free(f);
    return ok;
}

} // namespace l3ds::write
