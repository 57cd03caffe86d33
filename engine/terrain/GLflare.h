#pragma once
#include "foundation/math/Vec3.h"

class CGLview;

// A sun glare with a lens flare: a glare streak, a six-pointed star and
// thirteen rings along the line from the sun through the screen centre.
class CGLflare {
public:
    struct Ring {
        float position; // along the axis: 1 at the sun, 0 at the centre
        float radius;
        float red, green, blue;
    };
    static constexpr int kRings = 13;
    static const Ring kRingTable[kRings];

    CGLflare() = default;
    ~CGLflare() = default;

    bool Setup(float size, float distance, const CVec3& worldPosition);
    // Projects the sun and compares its depth with the depth buffer; returns
    // the depth read there plus 0.0001 (0 when not tested).
    float TestVisible(CGLview* view);
    void Draw(CGLview* view);

    // Fade towards the screen edges: 1 inside, falling linearly to 0 over the
    // outer 15 % on each side.
    static float EdgeFade(float sx, float sy, int width, int height);
    // Flare radius in normalised device units, capped at 0.25.
    static float Radius(float size, int width, int height);
    // The sun counts as visible when it is not behind what the depth buffer holds.
    static bool DepthVisible(float projected, float stored) { return projected <= stored + 0.0001f || stored == 1.0f; }

    bool IsVisible() const { return m_visible; }
    const CVec3& GetScreenPosition() const { return m_screen; }
    const CVec3& GetWorldPosition() const { return m_world; }
    float GetSize() const { return m_size; }
    float GetDistance() const { return m_distance; }
    // For drawing at a known screen position (tests, overlays).
    void SetScreenPosition(const CVec3& p, bool visible)
    {
        m_screen = p;
        m_visible = visible;
    }

private:
    CVec3 m_screen;
    CVec3 m_world;
    bool m_visible = false;
    float m_size = 0.0f;
    float m_distance = 0.0f;
};
