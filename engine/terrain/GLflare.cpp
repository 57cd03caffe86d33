#include "engine/terrain/GLflare.h"

#include "engine/gl/GLview.h"
#include "foundation/math/Tables.h"
#include "platform/GL.h"

#include <algorithm>

const CGLflare::Ring CGLflare::kRingTable[CGLflare::kRings] = {
    {0.7f, 0.2f, 1.0f, 1.0f, 1.0f},   {0.6f, 0.3f, 1.0f, 0.6f, 0.6f},  {0.4f, 0.4f, 1.0f, 1.0f, 1.0f},
    {0.3f, 0.6f, 0.8f, 0.8f, 0.6f},   {0.2f, 0.5f, 1.0f, 1.0f, 1.0f},  {-0.1f, 0.4f, 0.6f, 1.0f, 0.6f},
    {-0.2f, 0.3f, 1.0f, 1.0f, 1.0f},  {-0.4f, 0.2f, 0.6f, 0.8f, 0.8f}, {-0.6f, 0.4f, 1.0f, 1.0f, 1.0f},
    {-0.7f, 0.5f, 0.6f, 0.6f, 1.0f},  {-0.8f, 0.6f, 1.0f, 1.0f, 1.0f}, {-0.9f, 0.5f, 0.8f, 0.6f, 0.8f},
    {-1.2f, 0.3f, 1.0f, 1.0f, 1.0f},
};

bool CGLflare::Setup(float size, float distance, const CVec3& worldPosition)
{
    m_size = size;
    m_distance = distance;
    m_world = worldPosition;
    return true;
}

float CGLflare::EdgeFade(float sx, float sy, int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0.0f;
    auto axis = [](float s, int extent) {
        const float t = 2.0f * s / float(extent);
        const float n = t - 1.0f;
        if (n < -0.85f)
            return t * 6.6666665f;
        if (n > 0.85f)
            return (1.0f - n) * 6.6666665f;
        return 1.0f;
    };
    const float f = std::min(axis(sx, width), axis(sy, height));
    return std::max(0.0f, std::min(1.0f, f));
}

float CGLflare::Radius(float size, int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0.0f;
    const float area = float(3.141592653589793 / 4.0 * double(size) * double(size));
    return std::min(0.25f, area / float(width * height) * 75.0f);
}

float CGLflare::TestVisible(CGLview* view)
{
    if (!view)
        return 0.0f;
    if (!view->CubeInFrustum(m_world, m_size * m_distance)) {
        m_visible = false;
        return 0.0f;
    }
    view->Project(m_screen, m_world);
    const int* vp = view->GetViewport();
    if (!(m_screen.x >= 0.0f) || !(m_screen.y >= 0.0f) || !(m_screen.x < float(vp[2])) ||
        !(m_screen.y < float(vp[3]))) {
        m_visible = false;
        return 0.0f;
    }
    const int x = int(m_screen.x);
    const int y = int(m_screen.y);
    GLfloat depth = 1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    m_visible = DepthVisible(m_screen.z, depth);
    return depth + 0.0001f;
}

void CGLflare::Draw(CGLview* view)
{
    if (!m_visible || !view)
        return;
    const int* vp = view->GetViewport();
    const int w = vp[2];
    const int h = vp[3];
    if (w <= 0 || h <= 0)
        return;
    const float X = 2.0f * m_screen.x / float(w) - 1.0f;
    const float Y = 2.0f * m_screen.y / float(h) - 1.0f;
    const float Z = 2.0f * m_screen.z - 1.0f;
    const float f = EdgeFade(m_screen.x, m_screen.y, w, h);
    const float o = Radius(m_size, w, h);
    constexpr float kPi = 3.14159265358979f;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);

    // glare streak
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(0.9f, 1.0f, 0.9f, 0.8f * o * f);
    glVertex3f(X, Y, Z);
    glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
    glVertex3f(X + 3.0f * o, Y, Z);
    glVertex3f(X, Y + 0.12f * o, Z);
    glVertex3f(X - 3.0f * o, Y, Z);
    glVertex3f(X, Y - 0.12f * o, Z);
    glVertex3f(X + 3.0f * o, Y, Z);
    glEnd();

    // six-pointed star
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(1.0f, 1.0f, 1.0f, 0.3f * o * f);
    glVertex3f(X, Y, Z);
    glColor4f(1.0f, 1.0f, 0.5f, 0.0f);
    for (int i = 0; i <= 12; ++i) {
        const float a = float(i) * kPi / 6.0f;
        const float r = (i % 2 == 0) ? 2.0f * o : o;
        glVertex3f(X + SinRad(a) * r, Y + CosRad(a) * r, Z);
    }
    glEnd();

    // rings along the axis through the screen centre
    for (const Ring& ring : kRingTable) {
        const float cx = ring.position * X;
        const float cy = ring.position * Y;
        const float r = o * ring.radius;
        glBegin(GL_TRIANGLE_FAN);
        glColor4f(1.0f, 1.0f, 1.0f, 0.5f * o * f);
        glVertex3f(cx, cy, Z);
        glColor4f(ring.red, ring.green, ring.blue, 0.04f * f);
        for (int i = 0; i <= 16; ++i) {
            const float a = float(i) * kPi / 8.0f;
            glVertex3f(cx + r * SinRad(a), cy + r * CosRad(a), Z);
        }
        glEnd();
    }

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}
