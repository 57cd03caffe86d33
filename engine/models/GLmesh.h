#pragma once
// One mesh of a 3DS model: its arrays in buffer objects, its material applied around
// the draw, and the distance rule that thins or hides it.
#include "engine/models/GLmaterial.h"
#include "engine/gl/GLvbo.h"
#include "foundation/math/Vec3.h"

#include <memory>

struct CGLmeshData;

class CGLmesh {
public:
    CGLmesh() = default;
    ~CGLmesh();
    CGLmesh(const CGLmesh&) = delete;
    CGLmesh& operator=(const CGLmesh&) = delete;

    // Keeps the record and makes its material (with its texture); false, with a log
    // line, when the material cannot be made.
    bool Create(CGLmeshData* record);
    bool Upload(const CVec3* vertices, const CVec3* normals, const CVec3* colours, const float* texCoords,
                const unsigned* indices, bool texturesOn, bool coloursOn, int vertexCount, int indexCount);
    // Draws the faces the distance rule allows at this distance from the camera.
    void Draw(float distance);
    void Free();
    bool SetFog(CVec3 colour, float level, float density, float start, float end);
    // Further ways of drawing: client arrays, immediate mode, the normals alone.
    void DrawArrays(int faces);
    void DrawImmediate();
    void DrawNormals();

    // The distance rule: how many of `faces` faces a mesh of box diagonal `diagonal`
    // draws at `distance` (all within 16 diagonals, thinned beyond, at least 16 or
    // 5 %), 0 when it is hidden (beyond 60 diagonals).
    static int FacesToDraw(float distance, float diagonal, int faces);

    CGLmeshData* GetRecord() const { return m_record; }
    CGLtexMaterial* GetMaterial() const { return m_material.get(); }
    const CGLvbo& GetBuffers() const { return m_vbo; }

private:
    CGLvbo m_vbo;
    CGLmeshData* m_record = nullptr;
    std::unique_ptr<CGLtexMaterial> m_material;
};
