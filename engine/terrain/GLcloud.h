#pragma once
#include "foundation/math/Vec3.h"

#include <vector>

// One coloured point of the cloud.
struct CGLcloudPoint {
    CVec3 position;
    CVec3 color;
    CVec3 normal;
};

using CGLcloudList = std::vector<CGLcloudPoint>;

// Coloured 3D points built from rows of depth samples taken around a centre,
// kept as lists and drawn as large GL points.
class CGLcloud {
public:
    CGLcloud() = default;
    ~CGLcloud() = default;

    void Clear();
    bool HasLists() const { return !m_lists.empty(); }

    // A full turn of points (one per whole degree and sample) from the middle rows
    // of n x rows depth samples and colours; appends them as one list.
    void BuildRing(int n, int rows, float radius, float ax, float ay, float az, const CVec3& centre,
                   const CVec3* depth, const CVec3* colours);
    // The points of one angle (degrees) with a marker point on the circle; appends one list.
    void AddSlice(float angle, int n, int rows, float p, float q, float ax, float ay, float az, const CVec3& centre,
                  const CVec3* depth, const CVec3* colours);
    void Draw() const;

    const CGLcloudList& GetPoints() const { return m_points; }
    const std::vector<CGLcloudList>& GetLists() const { return m_lists; }

private:
    void AddRow(int base, int n, float ax, float ay, float az, const CVec3& origin, const CVec3* depth,
                const CVec3* colours);

    CGLcloudList m_points;
    std::vector<CGLcloudList> m_lists;
};

// Area of the closed polygon through the points (shoelace formula); 0 for count <= 0.
double PolygonArea2D(const double* x, const double* y, int count);
