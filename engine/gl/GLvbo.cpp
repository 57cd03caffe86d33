#include "engine/gl/GLvbo.h"
#include "engine/gl/GLcontext.h"

#include <utility>

namespace {

GLuint Upload(GLenum target, const void* data, size_t bytes)
{
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(target, name);
    glBufferData(target, GLsizeiptr(bytes), data, GL_STATIC_DRAW);
    return name;
}

void DeleteName(GLuint& name)
{
    if (name != CGLvbo::kNone && name != 0)
        glDeleteBuffers(1, &name);
    name = CGLvbo::kNone;
}

} // namespace

CGLvbo::CGLvbo(CGLvbo&& other) noexcept
    : m_vertices(std::exchange(other.m_vertices, kNone)), m_normals(std::exchange(other.m_normals, kNone)),
      m_texCoords(std::exchange(other.m_texCoords, kNone)), m_colours(std::exchange(other.m_colours, kNone)),
      m_indices(std::exchange(other.m_indices, kNone)), m_indexCount(std::exchange(other.m_indexCount, 0))
{
}

CGLvbo& CGLvbo::operator=(CGLvbo&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_vertices = std::exchange(other.m_vertices, kNone);
        m_normals = std::exchange(other.m_normals, kNone);
        m_texCoords = std::exchange(other.m_texCoords, kNone);
        m_colours = std::exchange(other.m_colours, kNone);
        m_indices = std::exchange(other.m_indices, kNone);
        m_indexCount = std::exchange(other.m_indexCount, 0);
    }
    return *this;
}

void CGLvbo::Forget()
{
    m_vertices = m_normals = m_texCoords = m_colours = m_indices = kNone;
    m_indexCount = 0;
}

void CGLvbo::Reset()
{
    if (GLContextIsCurrent()) {
        DeleteName(m_vertices);
        DeleteName(m_normals);
        DeleteName(m_texCoords);
        DeleteName(m_colours);
        DeleteName(m_indices);
    }
    Forget();
}

bool CGLvbo::Create(const CVec3* vertices, const CVec3* normals, const CVec3* colours, const float* texCoords,
                    const unsigned* indices, bool, bool, int vertexCount, int indexCount)
{
    Reset();
    if (vertexCount < 0 || indexCount < 0)
        return false;
    const size_t vec3Bytes = size_t(vertexCount) * 3 * sizeof(float);
    m_indices = Upload(GL_ELEMENT_ARRAY_BUFFER, indices, size_t(indexCount) * sizeof(unsigned));
    m_indexCount = indexCount;
    if (texCoords)
        m_texCoords = Upload(GL_ARRAY_BUFFER, texCoords, size_t(vertexCount) * 2 * sizeof(float));
    if (normals)
        m_normals = Upload(GL_ARRAY_BUFFER, normals, vec3Bytes);
    if (vertices)
        m_vertices = Upload(GL_ARRAY_BUFFER, vertices, vec3Bytes);
    if (colours)
        m_colours = Upload(GL_ARRAY_BUFFER, colours, vec3Bytes);
    return true;
}

void CGLvbo::Draw(bool shader, bool texCoords, bool colours, int firstIndex, int indexCount) const
{
    if (m_vertices == kNone || m_indices == kNone || firstIndex < 0 || firstIndex >= m_indexCount)
        return;
    if (indexCount > m_indexCount - firstIndex)
        indexCount = m_indexCount - firstIndex;
    if (indexCount <= 0)
        return;
    const bool useNormals = m_normals != kNone;
    const bool useTex = texCoords && m_texCoords != kNone;
    const bool useColours = colours && m_colours != kNone;

    glBindBuffer(GL_ARRAY_BUFFER, m_vertices);
    if (shader) {
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
        glEnableVertexAttribArray(0);
    }
    glVertexPointer(3, GL_FLOAT, 12, nullptr);
    glEnableClientState(GL_VERTEX_ARRAY);

    if (useNormals) {
        glBindBuffer(GL_ARRAY_BUFFER, m_normals);
        if (shader) {
            glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
            glEnableVertexAttribArray(1);
        }
        glNormalPointer(GL_FLOAT, 12, nullptr);
        glEnableClientState(GL_NORMAL_ARRAY);
    }
    if (useTex) {
        glActiveTexture(GL_TEXTURE0);
        glBindBuffer(GL_ARRAY_BUFFER, m_texCoords);
        if (shader) {
            glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 8, nullptr);
            glEnableVertexAttribArray(2);
        }
        glTexCoordPointer(2, GL_FLOAT, 8, nullptr);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (useColours) {
        glBindBuffer(GL_ARRAY_BUFFER, m_colours);
        if (shader) {
            glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
            glEnableVertexAttribArray(3);
        }
        glColorPointer(3, GL_FLOAT, 12, nullptr);
        glEnableClientState(GL_COLOR_ARRAY);
    }

    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indices);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(size_t(firstIndex) * sizeof(unsigned)));

    if (shader) {
        glDisableVertexAttribArray(0);
        if (useNormals)
            glDisableVertexAttribArray(1);
        if (useTex)
            glDisableVertexAttribArray(2);
        if (useColours)
            glDisableVertexAttribArray(3);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    if (useNormals)
        glDisableClientState(GL_NORMAL_ARRAY);
    if (useTex)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (useColours)
        glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

bool CGLvbo::Update(const CVec3* normals, const CVec3* colours, const CVec3* vertices, const float* texCoords,
                    int vertexCount, bool texCoordsOn, bool coloursOn)
{
    if (vertexCount < 0)
        return false;
    const GLsizeiptr vec3Bytes = GLsizeiptr(vertexCount) * 3 * GLsizeiptr(sizeof(float));
    if (texCoordsOn && texCoords && m_texCoords != kNone) {
        glBindBuffer(GL_ARRAY_BUFFER, m_texCoords);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexCount) * 2 * GLsizeiptr(sizeof(float)), texCoords);
    }
    if (coloursOn && colours && m_colours != kNone) {
        glBindBuffer(GL_ARRAY_BUFFER, m_colours);
        glColorPointer(3, GL_FLOAT, 0, nullptr);
        glBufferSubData(GL_ARRAY_BUFFER, 0, vec3Bytes, colours);
    }
    if (normals && m_normals != kNone) {
        glBindBuffer(GL_ARRAY_BUFFER, m_normals);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        glBufferSubData(GL_ARRAY_BUFFER, 0, vec3Bytes, normals);
    }
    if (vertices && m_vertices != kNone) {
        glBindBuffer(GL_ARRAY_BUFFER, m_vertices);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glBufferSubData(GL_ARRAY_BUFFER, 0, vec3Bytes, vertices);
    }
    if (texCoordsOn)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (coloursOn)
        glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return true;
}

void CGLvbo::DisableArrays()
{
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
