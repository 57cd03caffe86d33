#include "engine/gl/GLprimitives.h"

#include "foundation/math/Tables.h"

namespace {
constexpr float kPi = 3.14159265358979f;

inline void Vertex(const CVec3& v) { glVertex3f(v.x, v.y, v.z); }
} // namespace

void GLDrawSphere(const CVec3& c, float r, int n, bool filled)
{
    if (n <= 0)
        return;
    for (int i = 0; i < n; ++i) {
        const float phi0 = (float(i) / float(n) - 0.5f) * kPi;
        const float phi1 = (float(i + 1) / float(n) - 0.5f) * kPi;
        const float c0 = CosRad(phi0), s0 = SinRad(phi0), c1 = CosRad(phi1), s1 = SinRad(phi1);
        glBegin(filled ? GL_QUAD_STRIP : GL_LINES);
        for (int j = 0; j <= n; ++j) {
            const float lambda = float(j) * (2.0f * kPi / float(n));
            const float cl = CosRad(lambda), sl = SinRad(lambda);
            glVertex3f(c.x + r * cl * c0, c.y + r * sl * c0, c.z + r * s0);
            glVertex3f(c.x + r * cl * c1, c.y + r * sl * c1, c.z + r * s1);
        }
        glEnd();
    }
}

void GLDrawDisc(const CVec3& c, float r, int n)
{
    if (n <= 0)
        return;
    glBegin(GL_POLYGON);
    for (int i = 0; i < n; ++i) {
        const float a = float(i) * 2.0f * kPi / float(n);
        glVertex3f(c.x + r * CosRad(a), c.y + r * SinRad(a), c.z);
    }
    glEnd();
}

void GLDrawRing(const CVec3& c, float ra, float rb, int n)
{
    if (n <= 0)
        return;
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= n; ++i) {
        const float a = float(i) * 2.0f * kPi / float(n);
        const float ca = CosRad(a), sa = SinRad(a);
        glVertex3f(c.x + rb * ca, c.y + rb * sa, c.z);
        glVertex3f(c.x + ra * ca, c.y + ra * sa, c.z);
    }
    glEnd();
}

void GLDrawCross(const CVec3& c, float w, float h)
{
    glBegin(GL_LINES);
    glVertex3f(c.x - w, c.y, c.z);
    glVertex3f(c.x + w, c.y, c.z);
    glVertex3f(c.x, c.y - h, c.z);
    glVertex3f(c.x, c.y + h, c.z);
    glEnd();
}

void GLDrawTexturedQuad(GLuint texture, const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3, float s)
{
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(s, 0);
    Vertex(c0);
    glTexCoord2f(s, s);
    Vertex(c1);
    glTexCoord2f(0, s);
    Vertex(c2);
    glTexCoord2f(0, 0);
    Vertex(c3);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void GLDrawQuad(const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3)
{
    glBegin(GL_QUADS);
    Vertex(c0);
    Vertex(c1);
    Vertex(c2);
    Vertex(c3);
    glEnd();
}

void GLDrawQuadNormals(const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3)
{
    glBegin(GL_QUADS);
    for (const CVec3* c : {&c0, &c1, &c2, &c3}) {
        Vertex(*c);
        glNormal3fv(&c->x);
    }
    glEnd();
}

void GLDrawQuadOffset(CQuad quad, const CVec3& offset)
{
    quad.Translate(offset);
    GLDrawQuad(quad.p[0], quad.p[1], quad.p[2], quad.p[3]);
}

void GLDrawPolygon(const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3, bool filled)
{
    glBegin(filled ? GL_POLYGON : GL_LINE_LOOP);
    Vertex(c0);
    Vertex(c1);
    Vertex(c2);
    Vertex(c3);
    glEnd();
}

void GLDrawRect(float w, float h, float s)
{
    glBegin(GL_QUADS);
    glVertex3f(-w * s, -h * s, 0);
    glVertex3f(w * s, -h * s, 0);
    glVertex3f(w * s, h * s, 0);
    glVertex3f(-w * s, h * s, 0);
    glEnd();
}

void GLDrawCube(CVec3 centre, float e)
{
    const float x = centre.x - e / 2, y = centre.y - e / 2, z = centre.z - e / 2;
    glBegin(GL_LINE_LOOP);
    glVertex3f(x, y, z);
    glVertex3f(x, y + e, z);
    glVertex3f(x + e, y + e, z);
    glVertex3f(x + e, y, z);
    glVertex3f(x + e, y, z + e);
    glVertex3f(x + e, y + e, z + e);
    glVertex3f(x, y + e, z + e);
    glVertex3f(x, y, z + e);
    glEnd();
    glBegin(GL_LINES);
    glVertex3f(x, y, z);
    glVertex3f(x + e, y, z);
    glVertex3f(x, y, z + e);
    glVertex3f(x + e, y, z + e);
    glVertex3f(x, y + e, z);
    glVertex3f(x, y + e, z + e);
    glVertex3f(x + e, y + e, z);
    glVertex3f(x + e, y + e, z + e);
    glEnd();
}

void GLDrawBox(float x0, float y0, float z0, float x1, float y1, float z1)
{
    for (float z : {z0, z1}) {
        glBegin(GL_LINE_LOOP);
        glVertex3f(x0, y0, z);
        glVertex3f(x0, y1, z);
        glVertex3f(x1, y1, z);
        glVertex3f(x1, y0, z);
        glEnd();
    }
    glBegin(GL_LINES);
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
    for (const auto& c : corners) {
        glVertex3f(c[0], c[1], z0);
        glVertex3f(c[0], c[1], z1);
    }
    glEnd();
}

void GLDrawBoxCorners(const CVec3 p[16])
{
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < 8; ++i)
        Vertex(p[i]);
    glEnd();
    glBegin(GL_LINES);
    for (int i = 8; i < 16; ++i)
        Vertex(p[i]);
    glEnd();
}

void GLDrawLine(const CVec3& a, const CVec3& b, const CVec3& colour)
{
    glColor3f(colour.x, colour.y, colour.z);
    glBegin(GL_LINES);
    Vertex(a);
    Vertex(b);
    glEnd();
}

void GLDrawLineStrip(const CVec3* points, int count, const CVec3& colour)
{
    if (!points || count < 2)
        return;
    glColor3f(colour.x, colour.y, colour.z);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < count; ++i)
        Vertex(points[i]);
    glEnd();
}

void GLDrawLineLoop(const CVec3* points, int count, const CVec3& colour)
{
    if (!points || count < 3)
        return;
    glColor3f(colour.x, colour.y, colour.z);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < count; ++i)
        Vertex(points[i]);
    glEnd();
}

void GLDrawTriangle(const CVec3& a, const CVec3& b, const CVec3& c)
{
    glBegin(GL_TRIANGLES);
    for (const CVec3* v : {&a, &b, &c}) {
        glNormal3f(0, 0, 1);
        Vertex(*v);
    }
    glEnd();
}
