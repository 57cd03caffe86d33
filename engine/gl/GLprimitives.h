#pragma once
// Immediate-mode drawing helpers for markers, outlines and debug views (render
// thread). World coordinates; the current colour unless a colour is given; no
// normals unless stated.
#include "platform/GL.h"

#include "foundation/math/Vec3.h"

#include <vector>

// n latitude bands of n + 1 vertex pairs (quad strips when filled, else lines).
void GLDrawSphere(const CVec3& centre, float radius, int bands, bool filled);
// Polygon of n points on the circle in the plane of the centre.
void GLDrawDisc(const CVec3& centre, float radius, int segments);
// Triangle strip between the circles of radius b (first) and a.
void GLDrawRing(const CVec3& centre, float radiusA, float radiusB, int segments);
// Two lines through the centre along x and y.
void GLDrawCross(const CVec3& centre, float halfWidth, float halfHeight);
// Quad with texture coordinates (s, 0), (s, s), (0, s), (0, 0) on texture unit 0.
void GLDrawTexturedQuad(GLuint texture, const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3,
                        float scale);
void GLDrawQuad(const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3);
// Each corner is also passed as its own normal.
void GLDrawQuadNormals(const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3);
// The quad's corners moved by the offset.
void GLDrawQuadOffset(CQuad quad, const CVec3& offset);
// Polygon when filled, else a line loop.
void GLDrawPolygon(const CVec3& c0, const CVec3& c1, const CVec3& c2, const CVec3& c3, bool filled);
// Quad in the plane z = 0 centred on the origin: (+-w*s, +-h*s).
void GLDrawRect(float width, float height, float scale);
// Wire cube of the given edge centred on the point.
void GLDrawCube(CVec3 centre, float edge);
// Wire box of two corners.
void GLDrawBox(float x0, float y0, float z0, float x1, float y1, float z1);
// Points 0..7 as one line loop, points 8..15 as four segments.
void GLDrawBoxCorners(const CVec3 points[16]);
void GLDrawLine(const CVec3& a, const CVec3& b, const CVec3& colour);
// Nothing for fewer than 2 points.
void GLDrawLineStrip(const CVec3* points, int count, const CVec3& colour);
inline void GLDrawLineStrip(const std::vector<CVec3>& points, const CVec3& colour)
{
    GLDrawLineStrip(points.data(), int(points.size()), colour);
}
// Nothing for fewer than 3 points.
void GLDrawLineLoop(const CVec3* points, int count, const CVec3& colour);
inline void GLDrawLineLoop(const std::vector<CVec3>& points, const CVec3& colour)
{
    GLDrawLineLoop(points.data(), int(points.size()), colour);
}
// One triangle with the normal (0, 0, 1).
void GLDrawTriangle(const CVec3& a, const CVec3& b, const CVec3& c);
