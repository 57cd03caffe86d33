#include "engine/gl/GLvbo.h"
#include "gl_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Four triangles, one in the lower-left half of each quadrant of [-1, 1]^2,
// listed in the order: lower left, lower right, upper left, upper right.
struct QuadrantMesh {
    std::vector<CVec3> vertices, normals, colours;
    std::vector<unsigned> indices;
    QuadrantMesh()
    {
        const float origins[4][2] = {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}};
        for (const auto& o : origins) {
            const unsigned base = unsigned(vertices.size());
            vertices.push_back(CVec3(o[0], o[1], 0.0f));
            vertices.push_back(CVec3(o[0] + 1.0f, o[1], 0.0f));
            vertices.push_back(CVec3(o[0], o[1] + 1.0f, 0.0f));
            for (unsigned k = 0; k < 3; ++k) {
                normals.push_back(CVec3(0.0f, 0.0f, 1.0f));
                colours.push_back(CVec3(1.0f, 1.0f, 1.0f));
                indices.push_back(base + k);
            }
        }
    }
};

// Lit pixel near the lower-left corner of quadrant q (0..3) of a w x h image
// (the image's top row first).
bool QuadrantLit(const QImage& img, int q)
{
    const int w = img.width(), h = img.height();
    const int x = (q % 2) * w / 2 + w / 8;
    const int yFromBottom = (q / 2) * h / 2 + h / 8;
    return qRed(img.pixel(x, h - 1 - yFromBottom)) > 128;
}

void ResetMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

} // namespace

TEST(EngineVbo, IndexRangeDrawsOnlyItsTriangles)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(32, 32));
    QuadrantMesh mesh;
    CGLvbo vbo;
    ASSERT_TRUE(vbo.Create(mesh.vertices.data(), mesh.normals.data(), mesh.colours.data(), nullptr,
                           mesh.indices.data(), false, true, int(mesh.vertices.size()), int(mesh.indices.size())));
    EXPECT_EQ(vbo.GetTexCoords(), CGLvbo::kNone);
    EXPECT_NE(vbo.GetColours(), CGLvbo::kNone);

    struct Case {
        int first, count;
        bool lit[4];
    };
    const Case cases[] = {
        {3, 6, {false, true, true, false}},  // second and third triangles
        {0, 12, {true, true, true, true}},
        {9, 3, {false, false, false, true}},
        {6, 100, {false, false, true, true}}, // range cut at the end of the buffer
        {12, 3, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        ResetMatrices();
        glColor3f(0, 0, 0); // only the colour array can light the pixels
        vbo.Draw(false, false, true, c.first, c.count);
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        const QImage img = gl.Grab();
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(QuadrantLit(img, q), c.lit[q]) << "first " << c.first << " count " << c.count << " quadrant " << q;
    }
    // The draw leaves no array enabled and no buffer bound.
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    GLint bound = -1;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    vbo.Reset();
}

TEST(EngineVbo, RebuildingDeletesTheOldBuffers)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(8, 8));
    QuadrantMesh mesh;
    CGLvbo vbo;
    std::vector<GLuint> old;
    for (int i = 0; i < 100; ++i) {
        if (vbo.IsCreated())
            for (GLuint n : {vbo.GetVertices(), vbo.GetNormals(), vbo.GetColours(), vbo.GetIndices()})
                old.push_back(n);
        vbo.Create(mesh.vertices.data(), mesh.normals.data(), mesh.colours.data(), nullptr, mesh.indices.data(),
                   false, false, int(mesh.vertices.size()), int(mesh.indices.size()));
    }
    ASSERT_EQ(old.size(), 99u * 4u);
    int alive = 0;
    for (GLuint n : old)
        alive += glIsBuffer(n) ? 1 : 0;
    EXPECT_EQ(alive, 0);
    EXPECT_TRUE(glIsBuffer(vbo.GetVertices()));

    // Moving hands the names over; resetting the new owner deletes them.
    CGLvbo moved(std::move(vbo));
    EXPECT_FALSE(vbo.IsCreated());
    EXPECT_EQ(vbo.GetVertices(), CGLvbo::kNone);
    const GLuint name = moved.GetVertices();
    EXPECT_TRUE(glIsBuffer(name));
    moved.Reset();
    EXPECT_FALSE(glIsBuffer(name));
    EXPECT_EQ(moved.GetIndices(), CGLvbo::kNone);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(EngineVbo, MissingBuffersAreSkippedWhenDrawing)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(32, 32));
    QuadrantMesh mesh;
    CGLvbo vbo;
    // No normals and no colours: the vertex array alone draws in the current colour.
    vbo.Create(mesh.vertices.data(), nullptr, nullptr, nullptr, mesh.indices.data(), false, false,
               int(mesh.vertices.size()), int(mesh.indices.size()));
    EXPECT_EQ(vbo.GetNormals(), CGLvbo::kNone);
    ResetMatrices();
    glColor3f(1, 1, 1);
    vbo.Draw(false, true, true, 0, 3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(QuadrantLit(gl.Grab(), 0));
    EXPECT_FALSE(QuadrantLit(gl.Grab(), 1));

    // Never created: nothing happens.
    CGLvbo empty;
    empty.Draw(false, false, false, 0, 3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    vbo.Reset();
}
