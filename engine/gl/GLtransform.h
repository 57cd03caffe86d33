#pragma once
#include "foundation/core/FrameTimer.h"
#include "foundation/math/Vec3.h"

#include <string>

// Placement of an engine object: a position, a name, a frame clock and one 4x4
// float matrix (OpenGL column-major: row r, column c at index 4c + r) with a
// small matrix stack. Products post-multiply, as glMultMatrixf does.
class CGLtransform {
public:
    static constexpr int kStackSize = 10;

    CGLtransform();
    ~CGLtransform() = default;

    void LoadIdentity();
    float* GetMatrix() { return m_matrix; }
    const float* GetMatrix() const { return m_matrix; }
    static const float* GetIdentity();

    // glLoadMatrixf into the current matrix mode.
    void LoadToGL() const;
    // Reads GL_PROJECTION_MATRIX (flag set) or GL_MODELVIEW_MATRIX into the matrix.
    void ReadFromGL(bool projection);

    // Ten entries; a push at depth 9 overwrites entry 9, a pop at depth 0 reloads entry 0.
    void PushMatrix();
    void PopMatrix();
    int GetDepth() const { return m_depth; }

    // Seconds now; the frame time becomes the milliseconds since the last call.
    double UpdateFrameTime();
    double GetFrameTime() const { return m_frameTime; }
    void SetFrameTime(double ms) { m_frameTime = ms; }

    // The 16 values formatted into the name, which is returned.
    std::string Dump();
    const std::string& GetName() const { return m_name; }

    CVec3& GetPosition() { return m_position; }
    const CVec3& GetPosition() const { return m_position; }
    void SetPosition(const CVec3& p) { m_position = p; }

    // M = M * Rx(angles.x) * Ry(angles.y) * Rz(angles.z), degrees through the tables.
    void Rotate(const CVec3& angles);
    void RotateX(float a);
    void RotateY(float a);
    void RotateZ(float a);
    // Upper-left 3x3 part = M3 * R; R given as three columns of four floats
    // (the fourth float of each ignored).
    void MultRotation(const float r[3][4]);
    // M = M * T(v): a move in the object's local frame.
    void Translate(const CVec3& v);
    void TranslateXYZ(float x, float y, float z);
    void RotateTranslate(const CVec3& angles, const CVec3& v);
    // M = M * T(P + Q) * R * T(-Q): turns about the pivot Q, which lands at P + Q.
    void SetPlacement(const CVec3& position, const CVec3& pivot, const CVec3& angles);

    // M = M * O (all 16 elements).
    void Multiply(const float o[16]);
    // out[4i + j] = sum_k a[4i + k] * b[4k + j], that is out = B * A column-major.
    static void Multiply4(const float a[16], const float b[16], float out[16]);
    // out = A * B column-major.
    static void MultMatrix(const float a[16], const float b[16], float out[16]);
    // General inverse by cofactors; false (out untouched) when the determinant is 0.
    static bool Invert(const float in[16], float out[16]);
    // Inverse of M in a per-thread buffer; null when M is singular.
    const float* GetInverse() const;

    // dst = M3 * src + translation (no perspective division).
    CVec3& TransformPoint(CVec3& dst, const CVec3& src) const;
    static CVec3& TransformPointWith(CVec3& out, const float matrix[16], const CVec3& p);
    static void TransformPointBy(const float matrix[16], const CVec3& p, CVec3& out);
    // Euler angles in degrees from three axis vectors.
    static CVec3& AnglesFromAxes(CVec3& out, const CVec3& x, const CVec3& y, const CVec3& z);

private:
    CVec3 m_position;
    CFrameTimer m_clock;
    std::string m_name;
    double m_lastTime = 0.0;
    double m_frameTime = 1.0;
    float m_matrix[16];
    float m_stack[kStackSize][16];
    int m_depth = 0;
};
