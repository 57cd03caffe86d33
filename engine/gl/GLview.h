#pragma once
#include "engine/gl/GLtransform.h"
#include "foundation/math/Vec3.h"

#include <utility>

// A mouse position in window pixels, origin at the top left.
struct GLPoint {
    int x = 0;
    int y = 0;
};

// One point of view: model-view and projection matrices, the viewport, the six
// frustum planes with culling tests, projection of world points and picking.
class CGLview {
public:
    // Plane order of the frustum.
    enum { kRight = 0, kLeft, kBottom, kTop, kFar, kNear };
    // Tangent of half the (fixed) horizontal field of view.
    static constexpr float kTanHalfFov = 0.7742661f;

    CGLview();
    ~CGLview() = default;

    // Writes the perspective matrix and sets the GL viewport (0, y, width, height)
    // when any of near, far and size changed since the last applied set-up.
    // Sizes below 1 are ignored.
    void SetPerspective(float zNear, float zFar, int width, int height, int y = 0);
    void SetClipPlanes(float zNear, float zFar);
    void SetViewport(int width, int height);
    // glOrtho(0, width, height, 0, 0, 1): window pixels, origin top left.
    void Ortho2D() const;
    void SetProjectionMode() const;
    void SetModelViewMode() const;

    // Planes from projection * model-view.
    void UpdateFrustum();
    bool PointInFrustum(const CVec3& p) const;
    bool SphereInFrustum(const CVec3& centre, float radius) const;
    // 0 outside, 1 crossing a plane, 2 fully inside.
    int ClassifySphere(const CVec3& centre, float radius) const;
    bool SegmentInFrustum(const CVec3& a, const CVec3& b) const;
    bool CubeInFrustum(const CVec3& centre, float half) const;
    bool BoxInFrustum(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) const;

    // Window x, y (from the bottom) and depth of a world point, from GL's matrices.
    CVec3& Project(CVec3& out, const CVec3& world) const;
    // The same projection in double precision from given matrices and viewport;
    // false when the clip w is 0.
    static bool ProjectD(double x, double y, double z, const double modelView[16], const double projection[16],
                         const int viewport[4], double* winX, double* winY, double* winZ);
    // The inverse: window x, y, depth to world; false when the matrix is singular
    // or the result's w is 0.
    static bool UnProjectD(double winX, double winY, double winZ, const double modelView[16],
                           const double projection[16], const int viewport[4], double* x, double* y, double* z);

    // The world point drawn under the mouse (reads the depth buffer).
    CVec3& Pick(CVec3& out, const GLPoint& mouse) const;
    // Where the mouse ray meets the horizontal plane at height z. False (out left
    // as it was) when the ray runs parallel to the plane, meets it behind the eye
    // (a ray above the horizon) or the point is not finite.
    [[nodiscard]] bool PickOnPlane(CVec3& out, const GLPoint& mouse, double z) const;
    // The same pick from given matrices and viewport instead of GL's.
    [[nodiscard]] static bool PickOnPlaneD(const GLPoint& mouse, double z, const double modelView[16],
                                           const double projection[16], const int viewport[4], CVec3& out);
    // The point at height z on the ray from p0 through p1, with the same rule: a
    // point before p0 (the near plane's point of the ray) is refused.
    [[nodiscard]] static bool LineOnPlane(const double p0[3], const double p1[3], double z, CVec3& out);
    // Debug drawing of the plane normals from a point.
    void DrawFrustum(const CVec3& point, float length) const;

    CGLtransform& GetModelView() { return m_modelView; }
    const CGLtransform& GetModelView() const { return m_modelView; }
    CGLtransform& GetProjection() { return m_projection; }
    const CGLtransform& GetProjection() const { return m_projection; }
    const CGLtransform& GetCombined() const { return m_combined; }
    const float* GetPlane(int i) const { return m_planes[i]; }
    int* GetViewport() { return m_viewport; }
    const int* GetViewport() const { return m_viewport; }
    std::pair<int, int> GetViewportPair() const { return {m_width, m_height}; }
    void GetViewportRect(int* x, int* y, int* w, int* h) const;
    void GetViewportSize(int* w, int* h) const;
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    float GetFar() const { return m_far; }
    float GetNear() const { return m_near; }

protected:
    CGLtransform m_modelView;
    float m_planes[6][4] = {};
    int m_viewport[4] = {0, 0, 0, 0};
    CGLtransform m_projection;
    CGLtransform m_combined;
    int m_width = 1;
    int m_height = 1;
    float m_far = 1500000.0f;
    float m_near = 1.0f;

private:
    float PlaneDistance(int plane, float x, float y, float z) const
    {
        const float* p = m_planes[plane];
        return p[0] * x + p[1] * y + p[2] * z + p[3];
    }
    bool CornersInFrustum(const float corners[8][3]) const;
};
