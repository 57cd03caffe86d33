#include "engine/terrain/GLcloud.h"

#include "platform/GL.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
const CVec3 kUnitNormal(1.0f, 1.0f, 1.0f);
} // namespace

void CGLcloud::Clear()
{
    m_lists.clear();
    m_points.clear();
}

void CGLcloud::AddRow(int base, int n, float ax, float ay, float az, const CVec3& origin, const CVec3* depth,
                      const CVec3* colours)
{
    for (int j = 1; j <= n - 2; ++j) {
        const CVec3& d = depth[base + j - 1];
        if (!(d.z > 0.0f))
            continue;
        CVec3 p(d.x, 0.0f, d.z);
        p.Rotate(ax, ay, az);
        m_points.push_back({p + origin, colours[base + j], kUnitNormal});
    }
}

void CGLcloud::BuildRing(int n, int rows, float radius, float ax, float ay, float az, const CVec3& centre,
                         const CVec3* depth, const CVec3* colours)
{
    Clear();
    // rows/2 + i * ((rows/2 - 1) / 360) stays below rows for every i up to 359
    const bool usable = depth && colours && n >= 3 && rows >= 1;
    for (int i = 0; usable && i < 360; ++i) {
        const double a = i * (kPi / 180.0);
        const CVec3 origin = centre + CVec3(float(radius * std::cos(a)), float(radius * std::sin(a)), 0.0f);
        const int half = rows / 2;
        const int base = n * (half + i * ((half - 1) / 360));
        AddRow(base, n, ax, ay, float(i) + az, origin, depth, colours);
    }
    m_lists.push_back(m_points);
}

void CGLcloud::AddSlice(float angle, int n, int rows, float p, float q, float ax, float ay, float az,
                        const CVec3& centre, const CVec3* depth, const CVec3* colours)
{
    const float a = std::fmod(angle, 360.0f);
    if (a == 0.0f)
        m_lists.clear();
    m_points.clear();
    const double rad = a * (kPi / 180.0);
    const float k = (p - q) * 2.0f;
    const CVec3 origin = centre + CVec3(float(k * std::cos(rad)), float(k * std::sin(rad)), 0.0f);
    m_points.push_back({origin, kUnitNormal, kUnitNormal});
    // the slice reads row rows/2 + 64, which must lie inside the samples
    if (depth && colours && n >= 3 && rows / 2 + 64 < rows)
        AddRow(n * (rows / 2 + 64), n, ax, ay, a + az, origin, depth, colours);
    m_lists.push_back(m_points);
}

void CGLcloud::Draw() const
{
    if (m_lists.empty())
        return;
    glPointSize(5.0f);
    glBegin(GL_POINTS);
    for (const auto& list : m_lists)
        for (const auto& pt : list) {
            // colour and normal apply from the next vertex on
            glVertex3f(pt.position.x * 0.5f, pt.position.y * 0.5f, pt.position.z * 0.5f);
            glColor3f(pt.color.x, pt.color.y, pt.color.z);
            glNormal3f(pt.normal.x, pt.normal.y, pt.normal.z);
        }
    glEnd();
    glPointSize(1.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
}

double PolygonArea2D(const double* x, const double* y, int count)
{
    if (count <= 0 || !x || !y)
        return 0.0;
    double sum = 0.0;
    int prev = count - 1;
    for (int cur = 0; cur < count; ++cur) {
        sum += (x[prev] + x[cur]) * (y[prev] - y[cur]);
        prev = cur;
    }
    return 0.5 * std::fabs(sum);
}
