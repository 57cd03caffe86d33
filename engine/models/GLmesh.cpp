#include "engine/models/GLmesh.h"

#include "engine/models/GLmeshObj.h"
#include "foundation/core/Versions.h"
#include "platform/GL.h"

#include <algorithm>
#include <new>

CGLmesh::~CGLmesh() = default;

bool CGLmesh::Create(CGLmeshData* record)
{
    m_record = record;
    if (!record || !record->material || m_material)
        return true;
    m_material.reset(new (std::nothrow) CGLtexMaterial);
    if (!m_material || !m_material->Create(record->material, true)) {
        Free();
        return CVersions::Print(false, "CGLmesh::Create Index Out of Memory\r\n");
    }
    return true;
}

bool CGLmesh::Upload(const CVec3* vertices, const CVec3* normals, const CVec3* colours, const float* texCoords,
                     const unsigned* indices, bool texturesOn, bool coloursOn, int vertexCount, int indexCount)
{
    return m_vbo.Create(vertices, normals, colours, texCoords, indices, texturesOn, coloursOn, vertexCount,
                        indexCount);
}

int CGLmesh::FacesToDraw(float distance, float diagonal, int faces)
{
    const float d = distance, D = diagonal;
    if (d > 60.0f * D)
        return 0;
    float f = 1.0f;
    if (!(d <= 16.0f * D)) {
        float t = (d - 16.0f * D) * (0.022727273f / D);
        f = 1.0f / (4.0f * t * t + 1.0f);
        if (!(f > 0.05f))
            f = 0.05f;
    }
    return std::min(faces, std::max(int(float(faces) * f), 16));
}

void CGLmesh::Draw(float distance)
{
    if (!m_record)
        return;
    CGLmeshData& r = *m_record;
    if (distance > 60.0f * r.size) {
        r.selectedTime = 0;
        return;
    }
    const int n = FacesToDraw(distance, r.size, r.faceCount);
    const bool textured = m_material && m_material->HasTexture();
    if (m_material) {
        if (textured)
            m_material->BindTexture();
        m_material->Apply(false, 0);
    }
    glEnable(GL_LIGHTING);
    m_vbo.Draw(false, textured, !textured, 0, 3 * n);
    glDisable(GL_LIGHTING);
    if (m_material)
        m_material->Unapply();
    if (r.selectedTime != 0) {
        glLineWidth(1.2f);
        DrawNormals();
        glColor3f(1, 1, 1);
        glLineWidth(1.0f);
    }
}

void CGLmesh::Free()
{
    if (m_material) {
        m_material->FreeFog();
        m_material.reset();
    }
    m_vbo.Reset();
}

bool CGLmesh::SetFog(CVec3 colour, float level, float density, float start, float end)
{
    if (!m_record || !m_material)
        return false;
    return m_material->InitFog(m_record->vertices.data(), m_record->vertexCount, level, density, colour, start, end);
}

void CGLmesh::DrawArrays(int faces)
{
    if (!m_record)
        return;
    const CGLmeshData& r = *m_record;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (!r.vertexNormals.empty()) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, r.vertexNormals.data());
    }
    if (!r.colours.empty()) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, r.colours.data());
    }
    if (!r.texCoords.empty()) {
        glClientActiveTexture(GL_TEXTURE0);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, r.texCoords.data());
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, r.vertices.data());
    const bool fog = m_material && m_material->HasFog();
    if (fog)
        glEnable(GL_FOG);
    faces = std::min(faces, r.faceCount);
    if (faces > 0)
        glDrawElements(GL_TRIANGLES, 3 * faces, GL_UNSIGNED_INT, r.faceIndices.data());
    if (fog)
        glDisable(GL_FOG);
    CGLvbo::DisableArrays();
}

void CGLmesh::DrawImmediate()
{
    if (!m_record)
        return;
    const CGLmeshData& r = *m_record;
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < r.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            int v = r.faceIndices[size_t(3 * f + k)];
            if (!r.texCoords.empty())
                glTexCoord2f(r.texCoords[size_t(2 * v)], r.texCoords[size_t(2 * v + 1)]);
            glNormal3f(r.vertexNormals[size_t(v)].x, r.vertexNormals[size_t(v)].y, r.vertexNormals[size_t(v)].z);
            glVertex3f(r.vertices[size_t(v)].x, r.vertices[size_t(v)].y, r.vertices[size_t(v)].z);
            if (!r.colours.empty())
                glColor3f(r.colours[size_t(v)].x, r.colours[size_t(v)].y, r.colours[size_t(v)].z);
        }
    glEnd();
}

void CGLmesh::DrawNormals()
{
    if (!m_record)
        return;
    const CGLmeshData& r = *m_record;
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    for (int f = 0; f < r.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            size_t v = size_t(r.faceIndices[size_t(3 * f + k)]);
            const CVec3& p = r.vertices[v];
            CVec3 q = p + r.vertexNormals[v] * 10.0f;
            glVertex3f(p.x, p.y, p.z);
            glVertex3f(q.x, q.y, q.z);
        }
    glEnd();
}
