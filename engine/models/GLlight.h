#pragma once
// One fixed-function OpenGL light taken from a 3DS model.
#include "foundation/math/Vec3.h"

#include <string>

class CGLview;
class CGLfont;

// The process-wide bounding-box switch (the integer copy of the script global
// "gBoundBox"); non-zero turns on the debug boxes and markers.
extern int g_BoundBox;

class CGLlight {
public:
    CGLlight() = default;
    ~CGLlight() = default;

    // Stores the values (position w = the spot flag) and switches the light on.
    void Init(int number, int spot, float cutoff, float exponent, float attenuation, const CVec3& position,
              const CVec3& direction, const CVec3& colour);
    // Sets the light in OpenGL (its position goes through the current model-view);
    // with a font and the bounding-box switch on, also draws its markers.
    void Apply(CGLview* view, CGLfont* font);
    // Switches the light's slot off.
    void Disable();
    // The first light slot that is off, -1 when all are on.
    static int FindFreeSlot();

    int GetNumber() const { return m_number; }
    int IsSpot() const { return m_spot; }
    const float* GetPosition() const { return m_position; }
    const float* GetDirection() const { return m_direction; }
    const float* GetColour() const { return m_colour; }
    float GetCutoff() const { return m_cutoff; }
    float GetExponent() const { return m_exponent; }
    float GetAttenuation() const { return m_attenuation; }

private:
    float m_position[4] = {0, 0, 0, 0};
    float m_direction[3] = {0, 0, 0};
    float m_colour[4] = {0, 0, 0, 1};
    float m_cutoff = 180.0f;
    float m_exponent = 90.0f;
    float m_attenuation = 1.0f;
    std::string m_name;
    int m_number = 0;
    int m_spot = 0;
};
