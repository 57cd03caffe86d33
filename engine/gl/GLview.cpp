#include "engine/gl/GLview.h"
#include "engine/gl/GLcontext.h"
#include "platform/GL.h"

#include <cmath>

namespace {
// Matrices read back from GL by the projection and picking calls.
thread_local double g_modelView[16];
thread_local double g_projection[16];
thread_local int g_glViewport[4];

void ReadGLMatrices()
{
    glGetDoublev(GL_PROJECTION_MATRIX, g_projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, g_modelView);
}

// out = a * b, column-major doubles.
void MulD(const double a[16], const double b[16], double out[16])
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            out[4 * c + r] = a[r] * b[4 * c] + a[4 + r] * b[4 * c + 1] + a[8 + r] * b[4 * c + 2] + a[12 + r] * b[4 * c + 3];
}

bool InvertD(const double m[16], double out[16])
{
    double inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0)
        return false;
    for (int i = 0; i < 16; ++i)
        out[i] = inv[i] / det;
    return true;
}
} // namespace

CGLview::CGLview() = default;

void CGLview::SetPerspective(float zNear, float zFar, int width, int height, int y)
{
    // A zero or negative size would put inf/NaN into the matrix.
    if (width < 1 || height < 1)
        return;
    if (zNear == m_near && zFar == m_far && width == m_viewport[2] && height == m_viewport[3])
        return;
    m_far = zFar;
    m_near = zNear;
    m_width = width;
    m_height = height;

    const float k = kTanHalfFov;
    float* m = m_projection.GetMatrix();
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = 0.5f / (zNear * k) * 2.0f * zNear;
    m[5] = 0.5f / (zNear * k * float(height) / float(width)) * 2.0f * zNear;
    m[10] = -(zFar + zNear) / (zFar - zNear);
    m[11] = -1.0f;
    m[14] = -(2.0f * zNear * zFar) / (zFar - zNear);

    m_viewport[0] = 0;
    m_viewport[1] = 0;
    m_viewport[2] = width;
    m_viewport[3] = height;
    if (GLContextIsCurrent())
        glViewport(0, y, width, height);
}

void CGLview::SetClipPlanes(float zNear, float zFar) { SetPerspective(zNear, zFar, m_width, m_height, 0); }

void CGLview::SetViewport(int width, int height) { SetPerspective(m_near, m_far, width, height, 0); }

void CGLview::Ortho2D() const { glOrtho(0, m_width, m_height, 0, 0, 1); }

void CGLview::SetProjectionMode() const { glMatrixMode(GL_PROJECTION); }

void CGLview::SetModelViewMode() const { glMatrixMode(GL_MODELVIEW); }

void CGLview::UpdateFrustum()
{
    float* c = m_combined.GetMatrix();
    CGLtransform::Multiply4(m_modelView.GetMatrix(), m_projection.GetMatrix(), c);
    auto row = [c](int r, float out[4]) {
        out[0] = c[r];
        out[1] = c[4 + r];
        out[2] = c[8 + r];
        out[3] = c[12 + r];
    };
    float r0[4], r1[4], r2[4], r3[4];
    row(0, r0);
    row(1, r1);
    row(2, r2);
    row(3, r3);
    for (int i = 0; i < 4; ++i) {
        m_planes[kRight][i] = r3[i] - r0[i];
        m_planes[kLeft][i] = r3[i] + r0[i];
        m_planes[kBottom][i] = r3[i] + r1[i];
        m_planes[kTop][i] = r3[i] - r1[i];
        m_planes[kFar][i] = r3[i] - r2[i];
        m_planes[kNear][i] = r3[i] + r2[i];
    }
    for (auto& p : m_planes) {
        const float len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (float& v : p)
            v /= len;
    }
}

bool CGLview::PointInFrustum(const CVec3& p) const
{
    for (int i = 0; i < 6; ++i)
        if (!(PlaneDistance(i, p.x, p.y, p.z) > 0.0f))
            return false;
    return true;
}

bool CGLview::SphereInFrustum(const CVec3& c, float radius) const
{
    for (int i = 0; i < 6; ++i)
        if (PlaneDistance(i, c.x, c.y, c.z) <= -radius)
            return false;
    return true;
}

int CGLview::ClassifySphere(const CVec3& c, float radius) const
{
    bool inside = true;
    for (int i = 0; i < 6; ++i) {
        const float d = PlaneDistance(i, c.x, c.y, c.z);
        if (d < -radius)
            return 0;
        if (!(d > radius))
            inside = false;
    }
    return inside ? 2 : 1;
}

bool CGLview::SegmentInFrustum(const CVec3& a, const CVec3& b) const { return PointInFrustum(a) || PointInFrustum(b); }

bool CGLview::CornersInFrustum(const float corners[8][3]) const
{
    for (int i = 0; i < 6; ++i) {
        bool any = false;
        for (int k = 0; k < 8 && !any; ++k)
            any = PlaneDistance(i, corners[k][0], corners[k][1], corners[k][2]) > 0.0f;
        if (!any)
            return false;
    }
    return true;
}

bool CGLview::CubeInFrustum(const CVec3& c, float half) const
{
    return BoxInFrustum(c.x - half, c.y - half, c.z - half, c.x + half, c.y + half, c.z + half);
}

bool CGLview::BoxInFrustum(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) const
{
    const float corners[8][3] = {{minX, minY, minZ}, {maxX, minY, minZ}, {minX, maxY, minZ}, {maxX, maxY, minZ},
                                 {minX, minY, maxZ}, {maxX, minY, maxZ}, {minX, maxY, maxZ}, {maxX, maxY, maxZ}};
    return CornersInFrustum(corners);
}

CVec3& CGLview::Project(CVec3& out, const CVec3& world) const
{
    ReadGLMatrices();
    double wx = 0, wy = 0, wz = 0;
    gluProject(world.x, world.y, world.z, g_modelView, g_projection, m_viewport, &wx, &wy, &wz);
    out = CVec3(float(wx), float(wy), float(wz));
    return out;
}

bool CGLview::ProjectD(double x, double y, double z, const double mv[16], const double proj[16], const int vp[4],
                       double* winX, double* winY, double* winZ)
{
    double eye[4], clip[4];
    const double in[4] = {x, y, z, 1.0};
    for (int r = 0; r < 4; ++r)
        eye[r] = mv[r] * in[0] + mv[4 + r] * in[1] + mv[8 + r] * in[2] + mv[12 + r] * in[3];
    for (int r = 0; r < 4; ++r)
        clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] + proj[12 + r] * eye[3];
    if (clip[3] == 0.0)
        return false;
    const double nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
    *winX = (nx + 1.0) * vp[2] / 2.0 + vp[0];
    *winY = (ny + 1.0) * vp[3] / 2.0 + vp[1];
    *winZ = (nz + 1.0) / 2.0;
    return true;
}

bool CGLview::UnProjectD(double winX, double winY, double winZ, const double mv[16], const double proj[16],
                         const int vp[4], double* x, double* y, double* z)
{
    double pm[16], inv[16];
    MulD(proj, mv, pm);
    if (!InvertD(pm, inv) || vp[2] == 0 || vp[3] == 0)
        return false;
    const double in[4] = {(winX - vp[0]) / vp[2] * 2.0 - 1.0, (winY - vp[1]) / vp[3] * 2.0 - 1.0, winZ * 2.0 - 1.0,
                          1.0};
    double out[4];
    for (int r = 0; r < 4; ++r)
        out[r] = inv[r] * in[0] + inv[4 + r] * in[1] + inv[8 + r] * in[2] + inv[12 + r] * in[3];
    if (out[3] == 0.0)
        return false;
    *x = out[0] / out[3];
    *y = out[1] / out[3];
    *z = out[2] / out[3];
    return true;
}

CVec3& CGLview::Pick(CVec3& out, const GLPoint& mouse) const
{
    ReadGLMatrices();
    glGetIntegerv(GL_VIEWPORT, g_glViewport);
    const float winX = float(mouse.x);
    const float winY = float(g_glViewport[3]) - float(mouse.y);
    float depth = 0.0f;
    glReadPixels(int(winX), int(winY), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    double x = 0, y = 0, z = 0;
    gluUnProject(winX, winY, depth, g_modelView, g_projection, g_glViewport, &x, &y, &z);
    out = CVec3(float(x), float(y), float(z));
    return out;
}

bool CGLview::PickOnPlane(CVec3& out, const GLPoint& mouse, double z) const
{
    ReadGLMatrices();
    glGetIntegerv(GL_VIEWPORT, g_glViewport);
    return PickOnPlaneD(mouse, z, g_modelView, g_projection, g_glViewport, out);
}

bool CGLview::PickOnPlaneD(const GLPoint& mouse, double z, const double modelView[16], const double projection[16],
                           const int viewport[4], CVec3& out)
{
    const double winX = mouse.x;
    const double winY = double(viewport[3]) - double(mouse.y);
    double p0[3] = {0, 0, 0}, p1[3] = {0, 0, 0};
    if (!UnProjectD(winX, winY, 0.0, modelView, projection, viewport, &p0[0], &p0[1], &p0[2]) ||
        !UnProjectD(winX, winY, 1.0, modelView, projection, viewport, &p1[0], &p1[1], &p1[2]))
        return false;
    return LineOnPlane(p0, p1, z, out);
}

bool CGLview::LineOnPlane(const double p0[3], const double p1[3], double z, CVec3& out)
{
    const double dz = p1[2] - p0[2];
    if (dz == 0.0 || !std::isfinite(dz))
        return false;
    const double t = (z - p0[2]) / dz;
    // a ray above the horizon meets the plane only behind the eye
    if (!(t >= 0.0))
        return false;
    const double x = p0[0] + (p1[0] - p0[0]) * t;
    const double y = p0[1] + (p1[1] - p0[1]) * t;
    // a nearly level ray can still land beyond what a float holds
    if (!std::isfinite(float(x)) || !std::isfinite(float(y)) || !std::isfinite(float(z)))
        return false;
    out = CVec3(float(x), float(y), float(z));
    return true;
}

void CGLview::DrawFrustum(const CVec3& point, float length) const
{
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glBegin(GL_LINES);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const auto& p : m_planes)
        glVertex3f(point.x + length * p[0], point.y + length * p[1], point.z + length * p[2]);
    glEnd();
    glColor4fv(colour);
}

void CGLview::GetViewportRect(int* x, int* y, int* w, int* h) const
{
    *x = 0;
    *y = 0;
    *w = m_width;
    *h = m_height;
}

void CGLview::GetViewportSize(int* w, int* h) const
{
    *w = m_width;
    *h = m_height;
}
