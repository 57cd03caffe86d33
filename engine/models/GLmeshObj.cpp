#include "engine/models/GLmeshObj.h"

#include "engine/gl/GLcamera.h"
#include "engine/gl/GLfont.h"
#include "engine/gl/GLprimitives.h"
#include "engine/gl/GLview.h"
#include "engine/models/Lib3dsAdapter.h"
#include "engine/models/TextureList.h"
#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "platform/Clock.h"
#include "platform/GL.h"
#include "platform/Paths.h"


#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <deque>
#include <new>

namespace {

CVec3 Vec(const float v[3]) { return CVec3(v[0], v[1], v[2]); }

// The box corners times the scale, lowest and highest per axis (a negative scale
// swaps them).
void ScaledBox(const float lo[3], const float hi[3], float scale, CVec3& boxMin, CVec3& boxMax)
{
    CVec3 a = Vec(lo) * scale, b = Vec(hi) * scale;
    boxMin = CVec3(std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z));
    boxMax = CVec3(std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z));
}

std::string NameOf(const std::string& path)
{
    std::string file = platform::FileNamePart(path);
    size_t dot = file.find_last_of('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

} // namespace

CGLmeshObj::CGLmeshObj()
    : m_boxMax(-FLT_MAX, -FLT_MAX, -FLT_MAX), m_boxMin(FLT_MAX, FLT_MAX, FLT_MAX)
{
}

CGLmeshObj::~CGLmeshObj() = default;

// ---------------------------------------------------------------- I/O record

long CGLmeshObj::IoSeek(void* file, long offset, int origin)
{
    int whence = origin == LIB3DS_SEEK_CUR ? SEEK_CUR : origin == LIB3DS_SEEK_END ? SEEK_END : SEEK_SET;
    return std::fseek(static_cast<std::FILE*>(file), offset, whence);
}

long CGLmeshObj::IoTell(void* file) { return std::ftell(static_cast<std::FILE*>(file)); }

size_t CGLmeshObj::IoRead(void* file, void* buffer, size_t size)
{
    return std::fread(buffer, 1, size, static_cast<std::FILE*>(file));
}

size_t CGLmeshObj::IoWrite(void* file, const void* buffer, size_t size)
{
    return std::fwrite(buffer, 1, size, static_cast<std::FILE*>(file));
}

// ---------------------------------------------------------------- loading

int CGLmeshObj::LoadRecords(const std::string& path, float scale, const CVec3& position, int id, bool collision,
                            bool pictures)
{
    if (!m_meshRecords.empty() || !m_lightRecords.empty() || !m_materialRecords.empty())
        FreeLoaded();
    m_meshCount = 0;
    m_boxMax = CVec3(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    m_boxMin = CVec3(FLT_MAX, FLT_MAX, FLT_MAX);
    m_position = position;
    m_name = NameOf(path);
    m_path = path;

    l3ds::File* file = l3ds::FileNew();
    if (!file)
        return CVersions::Print(false, "CGLmeshObj::Load::lib3ds_file_new ERROR\n");
    std::vector<uint8_t> bytes;
    std::string why;
    if (!platform::ReadWholeFile(platform::ResolvePath(path), bytes, l3ds::kMaxFileSize, &why)) {
        l3ds::FileFree(file);
        return CVersions::Print(false, "CGLmeshObj::Load::fopen ERROR %s: %s\n", path.c_str(), why.c_str());
    }
    if (l3ds::ReadBytes(*file, bytes.data(), bytes.size(), &why, path) != l3ds::ReadResult::Ok) {
        l3ds::FileFree(file);
        return CVersions::Print(false, "CGLmeshObj::Load::lib3ds_file_read ERROR %s: %s\n", path.c_str(),
                                why.c_str());
    }
    m_collision = collision ? 1 : 0;
    m_id = id;

    LoadLights(*file, scale, position);
    LoadMaterials(*file, pictures);
    LoadMeshes(*file, scale, pictures);
    l3ds::FileFree(file);
    if (m_meshCount == 0)
        FreeLoaded(); // a model without meshes keeps nothing, its lights included
    return m_meshCount;
}

int CGLmeshObj::Load(const std::string& path, float scale, const CVec3& position, int id, bool collision,
                     bool pictures)
{
    if (LoadRecords(path, scale, position, id, collision, pictures) == 0)
        return 0;
    CreateLights();
    CreateMeshes(pictures);
    return m_meshCount;
}

void CGLmeshObj::LoadLights(const l3ds::File& file, float scale, const CVec3& position)
{
    for (const l3ds::Light& l : file.lights) {
        auto r = std::make_unique<CGLlightData>();
        r->spot = l.spot_light;
        r->cutoff = l.hotspot;
        r->exponent = l.falloff;
        r->attenuation = l.inner_range;
        r->lightNumber = int(m_lightRecords.size());
        r->name = l.name;
        r->position = Vec(l.position) * scale;
        r->target = Vec(l.target) * scale;
        r->colour = Vec(l.color);
        r->objectPosition = position * scale;
        m_lightRecords.push_back(std::move(r));
    }
}

void CGLmeshObj::CreateLights()
{
    for (auto& r : m_lightRecords) {
        r->cutoff = 90.0f;
        r->exponent = 10.0f;
        r->colour *= 0.5f;
        r->attenuation *= 1.2f;
        // a constant attenuation of 0 would divide the light by zero
        if (!(r->attenuation > 0.0f))
            r->attenuation = 1.0f;
        int slot = CGLlight::FindFreeSlot();
        r->lightNumber = slot >= 0 ? slot : 7;
        auto light = std::make_unique<CGLlight>();
        light->Init(r->lightNumber, r->spot ? 1 : 0, 90.0f, 10.0f, r->attenuation, r->position, r->target,
                    r->colour);
        m_lights.push_back(std::move(light));
    }
}

void CGLmeshObj::LoadMaterials(const l3ds::File& file, bool pictures)
{
    for (size_t i = 0; i < file.materials.size(); ++i) {
        const l3ds::Material& m = file.materials[i];
        auto r = std::make_unique<CGLmaterialData>();
        if (pictures && !m.texture1_map.name.empty())
            r->textureFile = CGLtexMaterial::ConfineTextureName(m.texture1_map.name);
        r->name = m.name;
        r->ambient = Vec(m.ambient);
        r->diffuse = Vec(m.diffuse);
        r->specular = Vec(m.specular);
        r->index = int(i);
        r->textureName = -1;
        r->shininess = m.shin_strength;
        r->intensity = m.shininess;
        r->alpha = m.transparency;
        r->twoSided = m.two_sided ? 1 : 0;
        m_materialRecords.push_back(std::move(r));
    }
}

void CGLmeshObj::LoadMeshes(const l3ds::File& file, float scale, bool)
{
    const int materialCount = int(file.materials.size());
    try {
        for (const l3ds::Mesh& m : file.meshes) {
            if (m.faces.empty() || m.vertices.empty())
                continue;
            auto r = std::make_unique<CGLmeshData>();
            r->name = m.name;
            r->vertexCount = m.nvertices();
            r->faceCount = m.nfaces();
            const size_t nv = size_t(r->vertexCount), nf = size_t(r->faceCount);
            r->vertices.resize(nv);
            for (size_t v = 0; v < nv; ++v)
                r->vertices[v] = CVec3(m.vertices[v][0], m.vertices[v][1], m.vertices[v][2]) * scale;

            // face indices; every corner of a face with a material takes its ambient colour
            r->faceIndices.resize(3 * nf);
            r->colours.assign(nv, CVec3());
            for (size_t f = 0; f < nf; ++f) {
                const l3ds::Face& face = m.faces[f];
                for (int k = 0; k < 3; ++k)
                    r->faceIndices[3 * f + size_t(k)] = face.index[k];
                if (face.material >= 0 && face.material < materialCount) {
                    const float* a = file.materials[size_t(face.material)].ambient;
                    for (int k = 0; k < 3; ++k)
                        r->colours[face.index[k]] = Vec(a);
                }
            }

            r->materialIndex = m.faces[0].material;
            const bool hasMaterial = r->materialIndex >= 0 && r->materialIndex < materialCount;
            r->texCoords.assign(2 * nv, 0.0f);
            if (hasMaterial && !m.texcos.empty()) {
                const float su = m.map_tile[0] != 0 ? m.map_tile[0] : 1.0f;
                const float sv = m.map_tile[1] != 0 ? m.map_tile[1] : 1.0f;
                for (size_t v = 0; v < nv; ++v) {
                    r->texCoords[2 * v] = m.texcos[v][0] * su;
                    r->texCoords[2 * v + 1] = (1.0f - m.texcos[v][1]) * sv;
                }
            }

            // face normals, and vertex normals summed from the faces (one per vertex)
            r->faceNormals.resize(nf);
            r->vertexNormals.assign(nv, CVec3());
            for (size_t f = 0; f < nf; ++f) {
                const int* c = &r->faceIndices[3 * f];
                const CVec3& v0 = r->vertices[size_t(c[0])];
                CVec3 n;
                n.Cross(r->vertices[size_t(c[1])] - v0, r->vertices[size_t(c[2])] - v0);
                if (n.Length() > 0.0f) // a face without area keeps a zero normal
                    n.Normalize();
                r->faceNormals[f] = n;
                for (int k = 0; k < 3; ++k)
                    r->vertexNormals[size_t(c[k])] += n;
            }
            for (CVec3& n : r->vertexNormals)
                if (n.Length() > 0.0f)
                    n.Normalize();

            float lo[3], hi[3];
            l3ds::MeshBoundingBox(m, lo, hi);
            ScaledBox(lo, hi, scale, r->boxMin, r->boxMax);
            r->size = (r->boxMax - r->boxMin).Length();
            r->centre = (r->boxMin + r->boxMax) * 0.5f;
            r->material = hasMaterial ? m_materialRecords[size_t(r->materialIndex)].get() : nullptr;
            ComputeBoxOutline(r.get());

            m_boxMax.Max(r->boxMax);
            m_boxMin.Min(r->boxMin);
            ++m_meshCount;
            m_meshRecords.push_back(std::move(r));
        }
    } catch (const std::bad_alloc&) {
        // what was made so far remains
    }
    m_centre = (m_boxMin + m_boxMax) * 0.5f;
    m_size = (m_boxMax - m_boxMin).Length();
}

std::vector<int> CGLmeshObj::DrawOrder(const std::vector<std::unique_ptr<CGLmeshData>>& records)
{
    std::deque<int> order;
    for (size_t i = 0; i < records.size(); ++i) {
        const CGLmaterialData* m = records[i]->material;
        if (m && m->alpha > 0)
            order.push_back(int(i));
        else
            order.push_front(int(i));
    }
    return {order.begin(), order.end()};
}

void CGLmeshObj::CreateMeshes(bool pictures)
{
    std::vector<std::unique_ptr<CGLmesh>> made(m_meshRecords.size());
    for (size_t i = 0; i < m_meshRecords.size(); ++i) {
        CGLmeshData* r = m_meshRecords[i].get();
        auto mesh = std::make_unique<CGLmesh>();
        mesh->Create(r);
        mesh->Upload(r->vertices.data(), r->vertexNormals.data(), r->colours.data(), r->texCoords.data(),
                     reinterpret_cast<const unsigned*>(r->faceIndices.data()), pictures, !pictures, r->vertexCount,
                     3 * r->faceCount);
        made[i] = std::move(mesh);
    }
    for (int i : DrawOrder(m_meshRecords))
        m_meshes.push_back(std::move(made[size_t(i)]));
}

void CGLmeshObj::ComputeBoxOutline(CGLmeshData* r)
{
    const float D = r->size;
    // half the diagonal cut to a whole number
    float h = D * 0.5f;
    if (std::isfinite(h) && std::fabs(h) < 2.0e9f)
        h = float(int(h));
    const CVec3 base = r->centre - CVec3(h, h, h);
    const CVec3 corner[8] = {CVec3(0, 0, 0), CVec3(0, D, 0), CVec3(D, D, 0), CVec3(D, 0, 0),
                             CVec3(D, 0, D), CVec3(D, D, D), CVec3(0, D, D), CVec3(0, 0, D)};
    const CVec3 pairs[8] = {CVec3(0, 0, 0), CVec3(D, 0, 0), CVec3(0, 0, D), CVec3(D, 0, D),
                            CVec3(0, D, 0), CVec3(0, D, D), CVec3(D, D, 0), CVec3(D, D, D)};
    for (int i = 0; i < 8; ++i) {
        r->outline[i] = base + corner[i];
        r->outline[8 + i] = base + pairs[i];
    }
    for (CVec3& p : r->outline)
        p.Clamp(r->boxMax, r->boxMin);
}

// ---------------------------------------------------------------- placement

void CGLmeshObj::SetPosRot(const CVec3& position, const CVec3& rotation)
{
    m_position = position;
    m_rotation = rotation;
}

// ---------------------------------------------------------------- drawing

void CGLmeshObj::ToggleSelection(CGLmeshData& r, unsigned now)
{
    if (r.selectedTime == 0) {
        if (r.deselectedTime == 0 || now - r.deselectedTime > 150) {
            r.selectedTime = now;
            r.deselectedTime = 0;
        }
    } else if (now - r.selectedTime > 150) {
        r.deselectedTime = now;
        r.selectedTime = 0;
    }
}

namespace {

bool InBox(const CVec3& p, const CGLmeshData& r)
{
    return p.x >= r.boxMin.x && p.x <= r.boxMax.x && p.y >= r.boxMin.y && p.y <= r.boxMax.y && p.z >= r.boxMin.z &&
           p.z <= r.boxMax.z;
}

GLPoint Cursor()
{
    GLPoint p;
    g_InputState.GetMousePos(p.x, p.y);
    return p;
}

} // namespace

CGLmeshData* CGLmeshObj::PickMesh(CGLview* view, CGLmeshData* record)
{
    if (!view || !record)
        return nullptr;
    CVec3 p;
    view->Pick(p, Cursor());
    return InBox(p, *record) && record->centre.Distance(p) < 2000.0f ? record : nullptr;
}

void CGLmeshObj::Render(CGLcamera* view, CGLfont* font, int* drawnMeshes, int* collisions)
{
    if (!view)
        return;
    m_transform.UpdateFrameTime();
    m_transform.LoadIdentity();
    m_transform.SetPlacement(m_position, m_centre, m_rotation);
    const float* object = m_transform.GetMatrix();

    CGLtransform& modelView = view->GetModelView();
    modelView.PushMatrix();
    modelView.Multiply(object);
    view->UpdateFrustum();
    modelView.LoadToGL();

    for (auto& light : m_lights)
        light->Apply(view, font);

    if (view->BoxInFrustum(m_boxMin.x, m_boxMin.y, m_boxMin.z, m_boxMax.x, m_boxMax.y, m_boxMax.z)) {
        const bool click = g_InputState.GetButton() == 1 && !g_InputState.IsOverlayHit() &&
                           !g_InputState.IsEditMode() && !g_InputState.IsCaptured();
        const CVec3 camera = *view->GetPosition();
        for (auto& mesh : m_meshes) {
            CGLmeshData& r = *mesh->GetRecord();
            if (!view->SphereInFrustum(r.centre, 0.5f * r.size))
                continue;
            CVec3 c;
            CGLtransform::TransformPointWith(c, object, r.centre);
            const float d = c.Distance(camera);
            mesh->Draw(d);
            if (drawnMeshes)
                ++*drawnMeshes;
            if (m_collision) {
                if (d < 0.5f * r.size) {
                    int n = view->Collide(m_position, object, r.faceIndices.data(), r.vertices.data(),
                                          r.faceNormals.data(), r.faceCount);
                    if (collisions)
                        *collisions += n;
                }
                if (click) {
                    CVec3 p;
                    view->Pick(p, Cursor());
                    if (InBox(p, r) && r.centre.Distance(p) < 2000.0f)
                        ToggleSelection(r, platform::TickCount());
                }
                if (r.selectedTime != 0) {
                    glColor3f(0.85f, 0.85f, 0.0f);
                    glLineWidth(2.0f);
                    GLDrawBoxCorners(r.outline);
                    glLineWidth(1.0f);
                    if (font)
                        font->Draw(r.centre, r.name.c_str(), true);
                    glColor3f(1, 1, 1);
                }
            } else if (g_BoundBox) {
                glColor3f(0.85f, 0.0f, 0.0f);
                glLineWidth(1.0f);
                GLDrawBox(m_boxMin.x, m_boxMin.y, m_boxMin.z, m_boxMax.x, m_boxMax.y, m_boxMax.z);
                glColor3f(1, 1, 1);
            }
        }
    }
    modelView.PopMatrix();
}

// ---------------------------------------------------------------- clearing

void CGLmeshObj::FreeMeshRecord(std::unique_ptr<CGLmeshData>& record) { record.reset(); }

void CGLmeshObj::FreeMaterialRecord(std::unique_ptr<CGLmaterialData>& record) { record.reset(); }

void CGLmeshObj::FreeLoaded()
{
    for (auto& mesh : m_meshes)
        mesh->Free();
    m_meshes.clear();
    for (auto& light : m_lights)
        light->Disable();
    m_lights.clear();
    for (auto& r : m_meshRecords)
        FreeMeshRecord(r);
    m_meshRecords.clear();
    for (auto& r : m_materialRecords)
        FreeMaterialRecord(r);
    m_materialRecords.clear();
    m_lightRecords.clear();
}

void CGLmeshObj::Clear()
{
    FreeLoaded();
    g_TextureList.Clear();
}
