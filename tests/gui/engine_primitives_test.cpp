#include "engine/gl/GLprimitives.h"
#include "foundation/math/Tables.h"
#include "gl_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// What one drawing call emits, as GL's feedback buffer reports it (3D positions).
struct Feedback {
    int polygons = 0, lines = 0, points = 0;
    int polygonVertices = 0;
};

Feedback Capture(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    Feedback f;
    for (GLint i = 0; i < n;) {
        const auto token = GLint(buffer[size_t(i++)]);
        if (token == GL_POLYGON_TOKEN) {
            const auto count = GLint(buffer[size_t(i++)]);
            ++f.polygons;
            f.polygonVertices += count;
            i += count * 3;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            ++f.lines;
            i += 6;
        } else if (token == GL_POINT_TOKEN) {
            ++f.points;
            i += 3;
        } else {
            i += token == GL_PASS_THROUGH_TOKEN ? 1 : 3;
        }
    }
    return f;
}

class EnginePrimitives : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitTrigTables();
        ASSERT_TRUE(m_gl.Init(64, 64));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-100, 100, -100, 100, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
    }
    GLTestContext m_gl;
};

TEST_F(EnginePrimitives, ShapesEmitTheirVertices)
{
    const CVec3 o(0.0f, 0.0f, 0.0f);
    // As lines: 4 bands of 5 vertex pairs, each pair one segment.
    EXPECT_EQ(Capture([&] { GLDrawSphere(o, 50.0f, 4, false); }).lines, 4 * 5);
    // Filled: each band a strip of 4 quads = 8 triangles, less the ones that
    // collapse onto a pole (GL drops those).
    const int sphere = Capture([&] { GLDrawSphere(o, 50.0f, 4, true); }).polygons;
    EXPECT_LE(sphere, 4 * 8);
    EXPECT_GE(sphere, 4 * 8 - 8);
    EXPECT_EQ(Capture([&] { GLDrawDisc(o, 50.0f, 12); }).polygons, 12 - 2); // fanned into triangles
    EXPECT_EQ(Capture([&] { GLDrawRing(o, 40.0f, 50.0f, 8); }).polygons, 16);
    EXPECT_EQ(Capture([&] { GLDrawCross(o, 10.0f, 20.0f); }).lines, 2);
    EXPECT_EQ(Capture([&] { GLDrawCube(o, 40.0f); }).lines, 8 + 4);
    EXPECT_EQ(Capture([&] { GLDrawBox(-10, -10, -10, 10, 10, 10); }).lines, 4 + 4 + 4);
    CVec3 corners[16];
    EXPECT_EQ(Capture([&] { GLDrawBoxCorners(corners); }).lines, 8 + 4);
    EXPECT_EQ(Capture([&] { GLDrawTriangle(CVec3(0, 0, 0), CVec3(10, 0, 0), CVec3(0, 10, 0)); }).polygons, 1);
    EXPECT_EQ(Capture([] { GLDrawRect(10.0f, 20.0f, 2.0f); }).polygonVertices, 6); // two triangles
    const CVec3 a(0, 0, 0), b(10, 0, 0), c(10, 10, 0), d(0, 10, 0);
    EXPECT_EQ(Capture([&] { GLDrawPolygon(a, b, c, d, false); }).lines, 4);
    EXPECT_GE(Capture([&] { GLDrawQuadOffset(CQuad(a, b, c, d), CVec3(5, 5, 0)); }).polygons, 1);
}

TEST_F(EnginePrimitives, LineStripAndLoopNeedEnoughPoints)
{
    const CVec3 red(1, 0, 0);
    const std::vector<CVec3> one = {CVec3(0, 0, 0)};
    const std::vector<CVec3> two = {CVec3(0, 0, 0), CVec3(10, 0, 0)};
    const std::vector<CVec3> three = {CVec3(0, 0, 0), CVec3(10, 0, 0), CVec3(0, 10, 0)};
    glColor3f(0, 1, 0);
    EXPECT_EQ(Capture([&] { GLDrawLineStrip(one, red); }).lines, 0);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[1], 1.0f); // nothing drawn, colour untouched
    EXPECT_EQ(Capture([&] { GLDrawLineStrip(two, red); }).lines, 1);
    EXPECT_EQ(Capture([&] { GLDrawLineLoop(two, red); }).lines, 0);
    EXPECT_EQ(Capture([&] { GLDrawLineLoop(three, red); }).lines, 3);
    EXPECT_EQ(Capture([&] { GLDrawLine(CVec3(0, 0, 0), CVec3(1, 1, 1), red); }).lines, 1);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
}

TEST_F(EnginePrimitives, QuadNormalsAreTheCornersAndTrianglesFaceUp)
{
    GLDrawQuadNormals(CVec3(0, 0, 0), CVec3(1, 0, 0), CVec3(1, 1, 0), CVec3(0, 1, 3));
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(normal[0], 0.0f);
    EXPECT_EQ(normal[1], 1.0f);
    EXPECT_EQ(normal[2], 3.0f);
    GLDrawTriangle(CVec3(0, 0, 0), CVec3(1, 0, 0), CVec3(0, 1, 0));
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(normal[2], 1.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
