#include "engine/models/Lib3dsAdapter.h"

#include "foundation/core/Versions.h"

#include <lib3ds/chunk.h>
#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <bitset>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

namespace l3ds {
namespace {

constexpr size_t kHeader = 6;
constexpr size_t kMaxName = 63; // lib3ds keeps names in 64 bytes with the terminator

// True for a chunk identifier lib3ds has a name for.
bool KnownChunk(uint16_t id)
{
    static const std::bitset<65536> known = [] {
        std::bitset<65536> ids;
        for (unsigned i = 0; i < 65536; ++i)
            ids[i] = std::strcmp(lib3ds_chunk_name(Lib3dsWord(i)), "***UNKNOWN***") != 0;
        return ids;
    }();
    return known[id];
}

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct Chunk {
    uint16_t id;
    size_t begin; // header
    size_t data;  // first byte after the header
    size_t end;   // one past the chunk
    size_t Size() const { return end - data; }
};

// Appends chunks with their sizes filled in when they are closed.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : m_out(out) {}
    void Begin(uint16_t id)
    {
        m_open.push_back(m_out.size());
        Word(id);
        Dword(0);
    }
    void End()
    {
        size_t start = m_open.back();
        m_open.pop_back();
        uint32_t size = uint32_t(m_out.size() - start);
        for (int i = 0; i < 4; ++i)
            m_out[start + 2 + i] = uint8_t(size >> (8 * i));
    }
    void Word(uint16_t v)
    {
        m_out.push_back(uint8_t(v));
        m_out.push_back(uint8_t(v >> 8));
    }
    void Dword(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_out.push_back(uint8_t(v >> (8 * i)));
    }
    void Bytes(const uint8_t* p, size_t n) { m_out.insert(m_out.end(), p, p + n); }
    void String(const std::string& s) { Bytes(reinterpret_cast<const uint8_t*>(s.c_str()), s.size() + 1); }
    void Empty(uint16_t id)
    {
        Begin(id);
        End();
    }
    void Raw(uint16_t id, const uint8_t* p, size_t n)
    {
        Begin(id);
        Bytes(p, n);
        End();
    }

private:
    std::vector<uint8_t>& m_out;
    std::vector<size_t> m_open;
};

class Checker {
public:
    Checker(const uint8_t* data, size_t size, CheckedCopy& out, std::string* why, const std::string& fileName)
        : d(data), n(size), m_copy(out), w(out.bytes), m_why(why),
          m_source(fileName.empty() ? std::string() : fileName + ": ")
    {
    }

    bool Run()
    {
        if (n < kHeader)
            return Fail("file shorter than a chunk header", 0);
        uint16_t id = U16(d);
        uint32_t size = U32(d + 2);
        if (id != LIB3DS_M3DMAGIC && id != LIB3DS_MLIBMAGIC && id != LIB3DS_CMAGIC && id != LIB3DS_MDATA) {
            char text[64];
            std::snprintf(text, sizeof(text), "not a 3DS file (first chunk 0x%04X)", id);
            return Fail(text, 0);
        }
        if (size < kHeader)
            return Fail("chunk size below 6", 0);
        if (size > n) {
            char text[96];
            std::snprintf(text, sizeof(text), "file cut short (%" PRIu32 " bytes announced, %zu present)", size, n);
            return Fail(text, 0);
        }
        Chunk root{id, 0, kHeader, size};
        w.Begin(LIB3DS_M3DMAGIC);
        w.Begin(LIB3DS_MDATA);
        bool ok = id == LIB3DS_MDATA ? Mdata(root) : Children(root.data, root.end, [&](const Chunk& c) {
            return c.id == LIB3DS_MDATA ? Mdata(c) : true;
        });
        w.End();
        w.End();
        // damaged identifiers make chunks of no known kind, which are skipped: say so
        // when nothing is left to draw
        if (ok && m_copy.meshOrder.empty() && m_unknownAt > 0)
            CVersions::Print(false,
                             "Lib3dsAdapter::CheckChunks %sno mesh read; chunk 0x%04X at offset %zu is of no known "
                             "kind\n",
                             m_source.c_str(), m_unknownId, m_unknownAt);
        return ok;
    }

private:
    bool Fail(const char* what, size_t at)
    {
        if (m_why) {
            char text[256];
            std::snprintf(text, sizeof(text), "%s at offset %zu", what, at);
            *m_why = text;
        }
        return false;
    }

    // Calls f for each child chunk in [from, end); every child must fit.
    template <class F> bool Children(size_t from, size_t end, F&& f)
    {
        size_t pos = from;
        while (pos < end) {
            if (end - pos < kHeader)
                return Fail("chunk header cut short", pos);
            uint32_t size = U32(d + pos + 2);
            if (size < kHeader)
                return Fail("chunk size below 6", pos);
            if (size > end - pos)
                return Fail("chunk runs past its parent", pos);
            Chunk c{U16(d + pos), pos, pos + kHeader, pos + size};
            if (m_unknownAt == 0 && !KnownChunk(c.id)) {
                m_unknownId = c.id;
                m_unknownAt = pos;
            }
            if (!f(c))
                return false;
            pos += size;
        }
        return true;
    }

    bool Need(const Chunk& c, size_t bytes)
    {
        if (c.Size() >= bytes)
            return true;
        char text[64];
        std::snprintf(text, sizeof(text), "chunk 0x%04X too short", c.id);
        return Fail(text, c.begin);
    }

    // A terminated name of at most 63 characters starting at pos (inside [pos, end)).
    bool Name(size_t& pos, size_t end, std::string& out)
    {
        const uint8_t* p = d + pos;
        const void* zero = std::memchr(p, 0, end - pos);
        if (!zero)
            return Fail("name without terminator", pos);
        size_t len = size_t(static_cast<const uint8_t*>(zero) - p);
        if (len > kMaxName)
            return Fail("name longer than 63 characters", pos);
        out.assign(reinterpret_cast<const char*>(p), len);
        pos += len + 1;
        return true;
    }

    bool Mdata(const Chunk& m)
    {
        return Children(m.data, m.end, [&](const Chunk& c) {
            if (c.id == LIB3DS_MAT_ENTRY)
                return Material(c);
            if (c.id == LIB3DS_NAMED_OBJECT)
                return NamedObject(c);
            return true;
        });
    }

    bool Colour(const Chunk& c, Writer& out)
    {
        out.Begin(c.id);
        bool ok = Children(c.data, c.end, [&](const Chunk& s) {
            size_t bytes = 0;
            if (s.id == LIB3DS_COLOR_F || s.id == LIB3DS_LIN_COLOR_F)
                bytes = 12;
            else if (s.id == LIB3DS_COLOR_24 || s.id == LIB3DS_LIN_COLOR_24)
                bytes = 3;
            else
                return true;
            if (!Need(s, bytes))
                return false;
            out.Raw(s.id, d + s.data, bytes);
            return true;
        });
        out.End();
        return ok;
    }

    bool Percentage(const Chunk& c, Writer& out)
    {
        out.Begin(c.id);
        bool ok = Children(c.data, c.end, [&](const Chunk& s) {
            if (s.id != LIB3DS_INT_PERCENTAGE)
                return true;
            if (!Need(s, 2))
                return false;
            out.Raw(s.id, d + s.data, 2);
            return true;
        });
        out.End();
        return ok;
    }

    bool TextureMap(const Chunk& c, Writer& out)
    {
        out.Begin(c.id);
        bool ok = Children(c.data, c.end, [&](const Chunk& s) {
            if (s.id != LIB3DS_MAT_MAPNAME)
                return true;
            size_t pos = s.data;
            std::string name;
            if (!Name(pos, s.end, name))
                return false;
            out.Begin(s.id);
            out.String(name);
            out.End();
            return true;
        });
        out.End();
        return ok;
    }

    bool Material(const Chunk& m)
    {
        std::string name;
        std::vector<uint8_t> body;
        Writer out(body);
        bool ok = Children(m.data, m.end, [&](const Chunk& c) {
            switch (c.id) {
            case LIB3DS_MAT_NAME: {
                size_t pos = c.data;
                return Name(pos, c.end, name);
            }
            case LIB3DS_MAT_AMBIENT:
            case LIB3DS_MAT_DIFFUSE:
            case LIB3DS_MAT_SPECULAR:
                return Colour(c, out);
            case LIB3DS_MAT_SHININESS:
            case LIB3DS_MAT_SHIN2PCT:
            case LIB3DS_MAT_TRANSPARENCY:
                return Percentage(c, out);
            case LIB3DS_MAT_TWO_SIDE:
                out.Empty(c.id);
                return true;
            case LIB3DS_MAT_TEXMAP:
                return TextureMap(c, out);
            default:
                return true;
            }
        });
        if (!ok)
            return false;
        w.Begin(LIB3DS_MAT_ENTRY);
        w.Begin(LIB3DS_MAT_NAME);
        w.String(name);
        w.End();
        w.Bytes(body.data(), body.size());
        w.End();
        m_copy.materialOrder.push_back(name);
        return true;
    }

    // True when every vertex is sound; otherwise `copy` holds the vertices with each
    // unsound one replaced by the first sound one (or the origin) and `bad` marks them.
    static bool SanitisePoints(const uint8_t* points, unsigned count, std::vector<uint8_t>& copy,
                               std::vector<bool>& bad)
    {
        auto sound = [](const uint8_t* p) {
            for (int k = 0; k < 3; ++k) {
                float v;
                std::memcpy(&v, p + 4 * k, 4);
                if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate)
                    return false;
            }
            return true;
        };
        const uint8_t* good = nullptr;
        bool all = true;
        for (unsigned i = 0; i < count; ++i) {
            if (sound(points + 12 * size_t(i))) {
                if (!good)
                    good = points + 12 * size_t(i);
            } else {
                all = false;
            }
        }
        if (all)
            return true;
        copy.assign(points, points + 12 * size_t(count));
        bad.assign(count, false);
        for (unsigned i = 0; i < count; ++i) {
            uint8_t* p = copy.data() + 12 * size_t(i);
            if (sound(p))
                continue;
            bad[i] = true;
            if (good)
                std::memcpy(p, good, 12);
            else
                std::memset(p, 0, 12);
        }
        return false;
    }

    struct Group {
        std::string name;
        std::vector<uint16_t> faces;
    };

    bool Mesh(const std::string& name, const Chunk& m)
    {
        const uint8_t* points = nullptr;
        unsigned npoints = 0;
        const uint8_t* texels = nullptr;
        unsigned ntexels = 0;
        const uint8_t* matrix = nullptr;
        const uint8_t* mapInfo = nullptr;
        const uint8_t* faces = nullptr;
        unsigned nfaces = 0;
        bool haveFaces = false;
        std::vector<Group> groups;

        bool ok = Children(m.data, m.end, [&](const Chunk& c) {
            switch (c.id) {
            case LIB3DS_POINT_ARRAY:
                if (!Need(c, 2) || !Need(c, 2 + 12 * size_t(U16(d + c.data))))
                    return false;
                npoints = U16(d + c.data);
                points = d + c.data + 2;
                return true;
            case LIB3DS_TEX_VERTS:
                if (!Need(c, 2) || !Need(c, 2 + 8 * size_t(U16(d + c.data))))
                    return false;
                ntexels = U16(d + c.data);
                texels = d + c.data + 2;
                return true;
            case LIB3DS_MESH_MATRIX:
                if (!Need(c, 48))
                    return false;
                matrix = d + c.data;
                return true;
            case LIB3DS_MESH_TEXTURE_INFO:
                // map type (word), then the 21 floats lib3ds reads
                if (!Need(c, 2 + 84))
                    return false;
                mapInfo = d + c.data + 2;
                return true;
            case LIB3DS_FACE_ARRAY: {
                if (!Need(c, 2) || !Need(c, 2 + 8 * size_t(U16(d + c.data))))
                    return false;
                haveFaces = true;
                nfaces = U16(d + c.data);
                faces = d + c.data + 2;
                groups.clear();
                return Children(c.data + 2 + 8 * size_t(nfaces), c.end, [&](const Chunk& s) {
                    if (s.id != LIB3DS_MSH_MAT_GROUP)
                        return true;
                    Group g;
                    size_t pos = s.data;
                    if (!Name(pos, s.end, g.name))
                        return false;
                    if (s.end - pos < 2)
                        return Fail("material group cut short", s.begin);
                    size_t count = U16(d + pos);
                    pos += 2;
                    if (s.end - pos < 2 * count)
                        return Fail("material group cut short", s.begin);
                    g.faces.reserve(count);
                    for (size_t i = 0; i < count; ++i)
                        g.faces.push_back(U16(d + pos + 2 * i));
                    groups.push_back(std::move(g));
                    return true;
                });
            }
            default:
                return true;
            }
        });
        if (!ok)
            return false;

        // Faces whose corners lie past the vertex list are dropped; the material groups
        // are renumbered to the faces that stay.
        // Vertices that are not finite or lie absurdly far away are replaced by a sound
        // one (so boxes stay finite) and the faces using them are dropped too.
        std::vector<uint8_t> pointCopy;
        std::vector<bool> badPoint;
        if (!SanitisePoints(points, npoints, pointCopy, badPoint))
            points = pointCopy.data();
        std::vector<int> newIndex(nfaces, -1);
        int kept = 0;
        int firstBad = -1;
        int pastEnd = 0;
        for (unsigned i = 0; i < nfaces; ++i) {
            const uint8_t* f = faces + 8 * size_t(i);
            const unsigned a = U16(f), b = U16(f + 2), c = U16(f + 4);
            if (a >= npoints || b >= npoints || c >= npoints) {
                ++pastEnd;
                if (firstBad < 0)
                    firstBad = int(i);
            } else if (badPoint.empty() || (!badPoint[a] && !badPoint[b] && !badPoint[c])) {
                newIndex[i] = kept++;
            }
        }
        const int dropped = int(nfaces) - kept;
        m_copy.droppedFaces += dropped;
        if (pastEnd > 0)
            CVersions::Print(false,
                             "Lib3dsAdapter::CheckChunks %smesh %s: %d of %u faces index past its %u vertices "
                             "(first %d), dropped\n",
                             m_source.c_str(), name.c_str(), pastEnd, nfaces, npoints, firstBad);
        if (dropped > pastEnd)
            CVersions::Print(false,
                             "Lib3dsAdapter::CheckChunks %smesh %s: %d of %u faces use non-finite or out-of-range "
                             "vertices, dropped\n",
                             m_source.c_str(), name.c_str(), dropped - pastEnd, nfaces);

        w.Begin(LIB3DS_NAMED_OBJECT);
        w.String(name);
        w.Begin(LIB3DS_N_TRI_OBJECT);
        if (npoints) {
            w.Begin(LIB3DS_POINT_ARRAY);
            w.Word(uint16_t(npoints));
            w.Bytes(points, 12 * size_t(npoints));
            w.End();
        }
        if (ntexels) {
            w.Begin(LIB3DS_TEX_VERTS);
            w.Word(uint16_t(ntexels));
            w.Bytes(texels, 8 * size_t(ntexels));
            w.End();
        }
        if (matrix)
            w.Raw(LIB3DS_MESH_MATRIX, matrix, 48);
        if (mapInfo)
            w.Raw(LIB3DS_MESH_TEXTURE_INFO, mapInfo, 84);
        if (haveFaces) {
            w.Begin(LIB3DS_FACE_ARRAY);
            w.Word(uint16_t(kept));
            for (unsigned i = 0; i < nfaces; ++i)
                if (newIndex[i] >= 0)
                    w.Bytes(faces + 8 * size_t(i), 8);
            if (kept > 0) {
                for (const Group& g : groups) {
                    std::vector<uint16_t> idx;
                    for (uint16_t f : g.faces)
                        if (f < nfaces && newIndex[f] >= 0)
                            idx.push_back(uint16_t(newIndex[f]));
                    if (idx.empty())
                        continue;
                    w.Begin(LIB3DS_MSH_MAT_GROUP);
                    w.String(g.name);
                    w.Word(uint16_t(idx.size()));
                    for (uint16_t f : idx)
                        w.Word(f);
                    w.End();
                }
            }
            w.End();
        }
        w.End();
        w.End();
        m_copy.meshOrder.push_back(name);
        return true;
    }

    bool Light(const std::string& name, const Chunk& l)
    {
        if (!Need(l, 12))
            return false;
        std::vector<uint8_t> body;
        Writer out(body);
        bool ok = Children(l.data + 12, l.end, [&](const Chunk& c) {
            switch (c.id) {
            case LIB3DS_COLOR_F:
                if (!Need(c, 12))
                    return false;
                out.Raw(c.id, d + c.data, 12);
                return true;
            case LIB3DS_DL_OFF:
                out.Empty(c.id);
                return true;
            case LIB3DS_DL_INNER_RANGE:
            case LIB3DS_DL_OUTER_RANGE:
            case LIB3DS_DL_MULTIPLIER:
                if (!Need(c, 4))
                    return false;
                out.Raw(c.id, d + c.data, 4);
                return true;
            case LIB3DS_DL_SPOTLIGHT:
                // target, hotspot, falloff; its sub-chunks are not read
                if (!Need(c, 20))
                    return false;
                out.Raw(c.id, d + c.data, 20);
                return true;
            default:
                return true;
            }
        });
        if (!ok)
            return false;
        w.Begin(LIB3DS_NAMED_OBJECT);
        w.String(name);
        w.Begin(LIB3DS_N_DIRECT_LIGHT);
        w.Bytes(d + l.data, 12);
        w.Bytes(body.data(), body.size());
        w.End();
        w.End();
        m_copy.lightOrder.push_back(name);
        return true;
    }

    bool NamedObject(const Chunk& o)
    {
        size_t pos = o.data;
        std::string name;
        if (!Name(pos, o.end, name))
            return false;
        return Children(pos, o.end, [&](const Chunk& c) {
            if (c.id == LIB3DS_N_TRI_OBJECT)
                return Mesh(name, c);
            if (c.id == LIB3DS_N_DIRECT_LIGHT)
                return Light(name, c);
            return true;
        });
    }

    const uint8_t* d;
    size_t n;
    CheckedCopy& m_copy;
    Writer w;
    std::string* m_why;
    std::string m_source;  // "<file>: " for the log lines, or nothing
    // the first chunk whose identifier lib3ds does not know (offset 0: none)
    uint16_t m_unknownId = 0;
    size_t m_unknownAt = 0;
};

// lib3ds reads the checked copy through these.
struct MemoryStream {
    const uint8_t* data;
    size_t size;
    size_t pos;
    bool failed;
};

Lib3dsBool MemError(void* self) { return static_cast<MemoryStream*>(self)->failed; }

long MemSeek(void* self, long offset, Lib3dsIoSeek origin)
{
    auto* s = static_cast<MemoryStream*>(self);
    long base = origin == LIB3DS_SEEK_SET ? 0 : origin == LIB3DS_SEEK_CUR ? long(s->pos) : long(s->size);
    long to = base + offset;
    if (to < 0 || size_t(to) > s->size) {
        s->failed = true;
        return -1;
    }
    s->pos = size_t(to);
    return 0;
}

long MemTell(void* self) { return long(static_cast<MemoryStream*>(self)->pos); }

size_t MemRead(void* self, void* buffer, size_t size)
{
    auto* s = static_cast<MemoryStream*>(self);
    size_t k = std::min(size, s->size - s->pos);
    std::memcpy(buffer, s->data + s->pos, k);
    s->pos += k;
    if (k < size)
        s->failed = true;
    return k;
}

size_t MemWrite(void*, const void*, size_t) { return 0; }

// Puts the records of a name-sorted list back into the file's order: each name takes the
// first record of that name not taken yet (lib3ds keeps equal names in file order).
template <class T>
bool FileOrder(T* list, const std::vector<std::string>& order, std::vector<T*>& out)
{
    // per name, its records in list order; each use takes the next one
    std::unordered_map<std::string, std::vector<T*>> byName;
    size_t total = 0;
    for (T* p = list; p; p = p->next, ++total)
        byName[p->name].push_back(p);
    if (total != order.size())
        return false;
    std::unordered_map<std::string, size_t> next;
    out.clear();
    out.reserve(total);
    for (const std::string& name : order) {
        auto it = byName.find(name);
        if (it == byName.end())
            return false;
        size_t& k = next[name];
        if (k >= it->second.size())
            return false;
        out.push_back(it->second[k++]);
    }
    return true;
}

void Copy3(float dst[3], const float* src)
{
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
}

bool Convert(Lib3dsFile* lf, const CheckedCopy& copy, File& file)
{
    std::vector<Lib3dsMaterial*> materials;
    std::vector<Lib3dsMesh*> meshes;
    std::vector<Lib3dsLight*> lights;
    if (!FileOrder(lf->materials, copy.materialOrder, materials) || !FileOrder(lf->meshes, copy.meshOrder, meshes) ||
        !FileOrder(lf->lights, copy.lightOrder, lights))
        return false;

    std::unordered_map<std::string, int> materialIndex;
    file.materials.resize(materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        const Lib3dsMaterial* m = materials[i];
        Material& r = file.materials[i];
        r.name = m->name;
        Copy3(r.ambient, m->ambient);
        Copy3(r.diffuse, m->diffuse);
        Copy3(r.specular, m->specular);
        r.shininess = m->shininess;
        r.shin_strength = m->shin_strength;
        r.transparency = m->transparency;
        r.two_sided = m->two_sided != 0;
        r.texture1_map.name = m->texture1_map.name;
        materialIndex.emplace(r.name, int(i)); // the first of equal names
    }

    file.meshes.resize(meshes.size());
    for (size_t i = 0; i < meshes.size(); ++i) {
        const Lib3dsMesh* m = meshes[i];
        Mesh& r = file.meshes[i];
        r.name = m->name;
        r.vertices.resize(m->points);
        for (unsigned v = 0; v < m->points; ++v)
            r.vertices[v] = {m->pointL[v].pos[0], m->pointL[v].pos[1], m->pointL[v].pos[2]};
        if (m->texels > 0 && m->texelL) {
            r.texcos.assign(m->points, {0.0f, 0.0f});
            unsigned n = std::min(m->texels, m->points);
            for (unsigned v = 0; v < n; ++v)
                r.texcos[v] = {m->texelL[v][0], m->texelL[v][1]};
        }
        r.faces.resize(m->faces);
        for (unsigned f = 0; f < m->faces; ++f) {
            const Lib3dsFace& lf3 = m->faceL[f];
            Face& face = r.faces[f];
            for (int k = 0; k < 3; ++k)
                face.index[k] = lf3.points[k];
            face.material = -1;
            if (lf3.material[0]) {
                auto it = materialIndex.find(lf3.material);
                if (it != materialIndex.end())
                    face.material = it->second;
            }
        }
        r.map_tile[0] = m->map_data.tile[0];
        r.map_tile[1] = m->map_data.tile[1];
    }

    file.lights.resize(lights.size());
    for (size_t i = 0; i < lights.size(); ++i) {
        const Lib3dsLight* l = lights[i];
        Light& r = file.lights[i];
        r.name = l->name;
        r.spot_light = l->spot_light != 0;
        r.off = l->off != 0;
        Copy3(r.color, l->color);
        Copy3(r.position, l->position);
        Copy3(r.target, l->spot);
        r.inner_range = l->inner_range;
        r.outer_range = l->outer_range;
        r.multiplier = l->multiplier;
        r.hotspot = l->hot_spot;
        r.falloff = l->fall_off;
    }
    return true;
}

ReadResult ReadChecked(File& file, const CheckedCopy& copy)
{
    MemoryStream stream{copy.bytes.data(), copy.bytes.size(), 0, false};
    Lib3dsIo* io = lib3ds_io_new(&stream, MemError, MemSeek, MemTell, MemRead, MemWrite);
    if (!io)
        return ReadResult::LibraryFailed;
    Lib3dsFile* lf = lib3ds_file_new();
    if (!lf) {
        lib3ds_io_free(io);
        return ReadResult::LibraryFailed;
    }
    bool ok = lib3ds_file_read(lf, io) && !stream.failed && Convert(lf, copy, file);
    lib3ds_file_free(lf);
    lib3ds_io_free(io);
    return ok ? ReadResult::Ok : ReadResult::LibraryFailed;
}

} // namespace

bool CheckChunks(const uint8_t* data, size_t size, CheckedCopy& out, std::string* why, const std::string& fileName)
{
    out = CheckedCopy{};
    out.bytes.reserve(size);
    Checker checker(data, size, out, why, fileName);
    if (!checker.Run())
        return false;
    // lib3ds inserts each record by name in time growing with the list: a file with
    // a huge number of them would take minutes
    auto tooMany = [&](size_t count, const char* what) {
        if (count <= kMaxRecords)
            return false;
        if (why)
            *why = std::to_string(count) + " " + what + " (at most " + std::to_string(kMaxRecords) + ")";
        return true;
    };
    if (tooMany(out.materialOrder.size(), "materials") ||
        tooMany(out.meshOrder.size() + out.lightOrder.size(), "meshes and lights"))
        return false;
    return true;
}

ReadResult ReadBytes(File& file, const uint8_t* data, size_t size, std::string* why, const std::string& fileName)
{
    file = File{};
    try {
        CheckedCopy copy;
        if (size > kMaxFileSize) {
            if (why)
                *why = "file too large";
            return ReadResult::Rejected;
        }
        if (!CheckChunks(data, size, copy, why, fileName))
            return ReadResult::Rejected;
        ReadResult r = ReadChecked(file, copy);
        if (r != ReadResult::Ok) {
            file = File{};
            if (why)
                *why = "lib3ds could not read the checked copy";
        }
        return r;
    } catch (const std::bad_alloc&) {
        file = File{};
        if (why)
            *why = "out of memory";
        return ReadResult::Rejected;
    }
}

File* FileNew() { return new (std::nothrow) File; }

void FileFree(File* file) { delete file; }

bool FileReadMemory(File* file, const uint8_t* data, size_t size)
{
    if (!file)
        return false;
    std::string why;
    if (ReadBytes(*file, data, size, &why) == ReadResult::Ok)
        return true;
    return CVersions::Print(false, "Lib3dsAdapter::FileRead %s\n", why.c_str());
}

bool FileRead(File* file, Io* io)
{
    if (!file || !io || !io->read_func)
        return false;
    std::vector<uint8_t> bytes;
    try {
        // room for the rest of the stream when its size can be told
        if (io->seek_func && io->tell_func) {
            long at = io->tell_func(io->self);
            if (at >= 0 && io->seek_func(io->self, 0, LIB3DS_SEEK_END) == 0) {
                long end = io->tell_func(io->self);
                if (end > at && size_t(end - at) <= kMaxFileSize)
                    bytes.reserve(size_t(end - at));
                if (io->seek_func(io->self, at, LIB3DS_SEEK_SET) != 0)
                    return CVersions::Print(false, "Lib3dsAdapter::FileRead cannot seek back\n");
            }
        }
        uint8_t buffer[1 << 16];
        for (;;) {
            size_t k = io->read_func(io->self, buffer, sizeof(buffer));
            if (k == 0 || k > sizeof(buffer))
                break;
            if (bytes.size() + k > kMaxFileSize)
                return CVersions::Print(false, "Lib3dsAdapter::FileRead file larger than %zu bytes\n", kMaxFileSize);
            bytes.insert(bytes.end(), buffer, buffer + k);
        }
    } catch (const std::bad_alloc&) {
        return CVersions::Print(false, "Lib3dsAdapter::FileRead out of memory\n");
    }
    if (io->error_func && io->error_func(io->self))
        return CVersions::Print(false, "Lib3dsAdapter::FileRead read error\n");
    return FileReadMemory(file, bytes.data(), bytes.size());
}

void MeshBoundingBox(const Mesh& mesh, float bmin[3], float bmax[3])
{
    for (int k = 0; k < 3; ++k) {
        bmin[k] = FLT_MAX;
        bmax[k] = -FLT_MAX;
    }
    for (const auto& v : mesh.vertices)
        for (int k = 0; k < 3; ++k) {
            bmin[k] = std::min(bmin[k], v[k]);
            bmax[k] = std::max(bmax[k], v[k]);
        }
}

} // namespace l3ds
