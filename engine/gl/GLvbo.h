#pragma once
#include "platform/GL.h"

#include "foundation/math/Vec3.h"

// The GL buffer objects of one indexed triangle mesh: positions, normals, texture
// coordinates, colours (3 floats each, texture coordinates 2) and 32-bit indices.
// A name of kNone means no buffer. Create, Reset and Draw run on the render
// thread; the destructor touches no GL (the owner resets the set there first).
// With a shader the arrays are also fed as generic attributes 0 position,
// 1 normal, 2 texture coordinate, 3 colour.
class CGLvbo {
public:
    static constexpr GLuint kNone = GLuint(-1);

    CGLvbo() = default;
    ~CGLvbo() = default;
    CGLvbo(const CGLvbo&) = delete;
    CGLvbo& operator=(const CGLvbo&) = delete;
    CGLvbo(CGLvbo&& other) noexcept;
    // Deletes the buffers held here (render thread), then takes the other's.
    CGLvbo& operator=(CGLvbo&& other) noexcept;

    // Deletes the buffers held (when a context is current) and forgets them.
    void Reset();
    // Uploads the given arrays (null ones get no buffer; the index buffer is made
    // always, without contents when indices is null). Buffers held before are
    // deleted. The two flags are accepted and ignored. False for negative counts.
    bool Create(const CVec3* vertices, const CVec3* normals, const CVec3* colours, const float* texCoords,
                const unsigned* indices, bool texturesOn, bool coloursOn, int vertexCount, int indexCount);
    // Draws indexCount indices from firstIndex as triangles (the range is cut to
    // the index buffer). Texture coordinates and colours are used when asked for
    // and present; nothing is drawn without vertex or index buffer.
    void Draw(bool shader, bool texCoords, bool colours, int firstIndex, int indexCount) const;
    // Replaces the contents of the existing buffers from offset 0.
    bool Update(const CVec3* normals, const CVec3* colours, const CVec3* vertices, const float* texCoords,
                int vertexCount, bool texCoordsOn, bool coloursOn);
    // Disables the four client arrays and unbinds both buffer targets.
    static void DisableArrays();

    GLuint GetVertices() const { return m_vertices; }
    GLuint GetNormals() const { return m_normals; }
    GLuint GetTexCoords() const { return m_texCoords; }
    GLuint GetColours() const { return m_colours; }
    GLuint GetIndices() const { return m_indices; }
    bool IsCreated() const { return m_indices != kNone; }
    int GetIndexCount() const { return m_indexCount; }

private:
    void Forget();

    GLuint m_vertices = kNone;
    GLuint m_normals = kNone;
    GLuint m_texCoords = kNone;
    GLuint m_colours = kNone;
    GLuint m_indices = kNone;
    int m_indexCount = 0;
};
