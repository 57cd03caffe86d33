#include "engine/gl/GLtransform.h"
#include "platform/GL.h"

#include "foundation/math/Tables.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Columns of the standard right-handed rotations.
void BuildRx(float a, float r[3][4])
{
    const float s = SinDeg(a), c = CosDeg(a);
    const float m[3][4] = {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}};
    std::memcpy(r, m, sizeof(m));
}

void BuildRy(float a, float r[3][4])
{
    const float s = SinDeg(a), c = CosDeg(a);
    const float m[3][4] = {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}};
    std::memcpy(r, m, sizeof(m));
}

void BuildRz(float a, float r[3][4])
{
    const float s = SinDeg(a), c = CosDeg(a);
    const float m[3][4] = {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}};
    std::memcpy(r, m, sizeof(m));
}

} // namespace

CGLtransform::CGLtransform()
{
    m_lastTime = m_clock.GetSeconds();
    std::memcpy(m_matrix, kIdentity, sizeof(m_matrix));
    std::memset(m_stack, 0, sizeof(m_stack));
}

void CGLtransform::LoadIdentity() { std::memcpy(m_matrix, kIdentity, sizeof(m_matrix)); }

const float* CGLtransform::GetIdentity() { return kIdentity; }

void CGLtransform::LoadToGL() const { glLoadMatrixf(m_matrix); }

void CGLtransform::ReadFromGL(bool projection)
{
    glGetFloatv(projection ? GL_PROJECTION_MATRIX : GL_MODELVIEW_MATRIX, m_matrix);
}

void CGLtransform::PushMatrix()
{
    std::memcpy(m_stack[m_depth], m_matrix, sizeof(m_matrix));
    if (m_depth < kStackSize - 1)
        ++m_depth;
}

void CGLtransform::PopMatrix()
{
    if (m_depth > 0)
        --m_depth;
    std::memcpy(m_matrix, m_stack[m_depth], sizeof(m_matrix));
}

double CGLtransform::UpdateFrameTime()
{
    const double now = m_clock.GetSeconds();
    m_frameTime = (now - m_lastTime) * 1000.0;
    m_lastTime = now;
    return now;
}

std::string CGLtransform::Dump()
{
    const float* m = m_matrix;
    char text[512];
    std::snprintf(text, sizeof(text),
                  "0:%.3f  1:%.3f  2:%.3f  3:%.3f 4:%.3f 5:%.3f 6:%.3f 7:%.3f 8:%.3f 9:%.3f 10:%.3f 11:%.3f "
                  "12:%.3f 13:%.3f 14:%.3f 15:%.3f",
                  m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14],
                  m[15]);
    m_name = text;
    return m_name;
}

void CGLtransform::Rotate(const CVec3& angles)
{
    RotateX(angles.x);
    RotateY(angles.y);
    RotateZ(angles.z);
}

void CGLtransform::RotateX(float a)
{
    float r[3][4];
    BuildRx(a, r);
    MultRotation(r);
}

void CGLtransform::RotateY(float a)
{
    float r[3][4];
    BuildRy(a, r);
    MultRotation(r);
}

void CGLtransform::RotateZ(float a)
{
    float r[3][4];
    BuildRz(a, r);
    MultRotation(r);
}

void CGLtransform::MultRotation(const float r[3][4])
{
    float out[3][3];
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            out[c][row] = m_matrix[row] * r[c][0] + m_matrix[4 + row] * r[c][1] + m_matrix[8 + row] * r[c][2];
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            m_matrix[4 * c + row] = out[c][row];
}

void CGLtransform::Translate(const CVec3& v) { TranslateXYZ(v.x, v.y, v.z); }

void CGLtransform::TranslateXYZ(float x, float y, float z)
{
    for (int row = 0; row < 4; ++row)
        m_matrix[12 + row] += m_matrix[row] * x + m_matrix[4 + row] * y + m_matrix[8 + row] * z;
}

void CGLtransform::RotateTranslate(const CVec3& angles, const CVec3& v)
{
    Rotate(angles);
    Translate(v);
}

void CGLtransform::SetPlacement(const CVec3& p, const CVec3& q, const CVec3& angles)
{
    // R = Rx * Ry * Rz
    float r[3][4];
    CGLtransform rot;
    rot.Rotate(angles);
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row)
            r[c][row] = rot.m_matrix[4 * c + row];
        r[c][3] = 0;
    }
    float m3[3][3]; // old 3x3, column-major
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            m3[c][row] = m_matrix[4 * c + row];
    const float t[3] = {m_matrix[12], m_matrix[13], m_matrix[14]};
    MultRotation(r);
    const float pq[3] = {p.x + q.x, p.y + q.y, p.z + q.z};
    const float qv[3] = {q.x, q.y, q.z};
    for (int row = 0; row < 3; ++row) {
        float a = 0, b = 0;
        for (int k = 0; k < 3; ++k) {
            a += m3[k][row] * pq[k];
            b += m_matrix[4 * k + row] * qv[k];
        }
        m_matrix[12 + row] = t[row] + a - b;
    }
}

void CGLtransform::Multiply(const float o[16])
{
    float out[16];
    MultMatrix(m_matrix, o, out);
    std::memcpy(m_matrix, out, sizeof(out));
}

void CGLtransform::Multiply4(const float a[16], const float b[16], float out[16])
{
    float r[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[4 * i + j] = a[4 * i + 0] * b[0 + j] + a[4 * i + 1] * b[4 + j] + a[4 * i + 2] * b[8 + j] +
                           a[4 * i + 3] * b[12 + j];
    std::memcpy(out, r, sizeof(r));
}

void CGLtransform::MultMatrix(const float a[16], const float b[16], float out[16])
{
    float r[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[4 * i + j] = a[0 + j] * b[4 * i + 0] + a[4 + j] * b[4 * i + 1] + a[8 + j] * b[4 * i + 2] +
                           a[12 + j] * b[4 * i + 3];
    std::memcpy(out, r, sizeof(r));
}

bool CGLtransform::Invert(const float m[16], float out[16])
{
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];

    const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0f)
        return false;
    const float invDet = 1.0f / det;
    for (int i = 0; i < 16; ++i)
        out[i] = inv[i] * invDet;
    return true;
}

const float* CGLtransform::GetInverse() const
{
    thread_local float inverse[16];
    return Invert(m_matrix, inverse) ? inverse : nullptr;
}

CVec3& CGLtransform::TransformPoint(CVec3& dst, const CVec3& src) const
{
    return TransformPointWith(dst, m_matrix, src);
}

CVec3& CGLtransform::TransformPointWith(CVec3& out, const float m[16], const CVec3& p)
{
    const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const float z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    out = CVec3(x, y, z);
    return out;
}

void CGLtransform::TransformPointBy(const float matrix[16], const CVec3& p, CVec3& out)
{
    TransformPointWith(out, matrix, p);
}

CVec3& CGLtransform::AnglesFromAxes(CVec3& out, const CVec3& x, const CVec3& y, const CVec3& z)
{
    const float kRadToDeg = 57.29578f;
    float s = -z.x;
    if (s > 1.0f)
        s = 1.0f;
    if (s < -1.0f)
        s = -1.0f;
    float ax = std::asin(s), ay, az;
    if (std::fabs(s) < 0.999999f) {
        ay = std::atan2(z.y, z.z);
        az = std::atan2(y.x, x.x);
    } else {
        ay = std::atan2(-y.z, y.y);
        az = 0.0f;
    }
    out = CVec3(ax * kRadToDeg, ay * kRadToDeg, az * kRadToDeg);
    return out;
}
