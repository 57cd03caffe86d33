#include "engine/models/GLlight.h"

#include "engine/gl/GLcontext.h"
#include "engine/gl/GLfont.h"
#include "engine/gl/GLprimitives.h"
#include "platform/GL.h"

#include <cmath>
#include <cstdio>

int g_BoundBox = 0;

void CGLlight::Init(int number, int spot, float cutoff, float exponent, float attenuation, const CVec3& position,
                    const CVec3& direction, const CVec3& colour)
{
    m_number = number;
    m_spot = spot;
    m_cutoff = cutoff;
    m_exponent = exponent;
    m_attenuation = attenuation;
    m_position[0] = position.x;
    m_position[1] = position.y;
    m_position[2] = position.z;
    m_position[3] = float(spot);
    m_direction[0] = direction.x;
    m_direction[1] = direction.y;
    m_direction[2] = direction.z;
    m_colour[0] = colour.x;
    m_colour[1] = colour.y;
    m_colour[2] = colour.z;
    m_colour[3] = 1.0f;
    Apply(nullptr, nullptr);
}

void CGLlight::Apply(CGLview*, CGLfont* font)
{
    const GLenum light = GLenum(GL_LIGHT0 + m_number);
    glEnable(light);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, m_spot);
    glLightfv(light, GL_AMBIENT, m_colour);
    glLightfv(light, GL_DIFFUSE, m_colour);
    glLightfv(light, GL_SPECULAR, m_colour);
    glLightfv(light, GL_POSITION, m_position);
    if (m_spot) {
        glLightfv(light, GL_SPOT_DIRECTION, m_direction);
        glLightf(light, GL_SPOT_CUTOFF, m_cutoff);
        glLighti(light, GL_SPOT_EXPONENT, GLint(m_exponent));
    }
    glLightf(light, GL_CONSTANT_ATTENUATION, m_attenuation);

    if (!font || !g_BoundBox)
        return;
    glDisable(GL_LIGHTING);
    const CVec3 position(m_position[0], m_position[1], m_position[2]);
    const CVec3 direction(m_direction[0], m_direction[1], m_direction[2]);
    float m = position.Distance(direction) * 0.01f;
    // the label offset is the marker size cut to a whole number
    float o = std::isfinite(m) && m < 2.0e9f ? float(int(m)) : m;
    char text[256];
    glColor3f(1, 1, 0);
    GLDrawCube(direction, m);
    std::snprintf(text, sizeof(text), "Ldir %s (%d) Dir(%0.1f,%0.1f,%0.1f)", m_name.c_str(), m_number, direction.x,
                  direction.y, direction.z);
    font->Draw(direction + CVec3(o, o, o), text, false);
    GLDrawCube(position, m);
    std::snprintf(text, sizeof(text), "Light %s (%d) Pos(%0.1f,%0.1f,%0.1f)", m_name.c_str(), m_number, position.x,
                  position.y, position.z);
    font->Draw(position + CVec3(o, o, o), text, false);
    GLDrawLine(position, direction, CVec3(1.0f, 1.0f, 1.0f));
    glColor3f(1, 1, 1);
    glEnable(GL_LIGHTING);
}

void CGLlight::Disable()
{
    if (GLContextIsCurrent())
        glDisable(GLenum(GL_LIGHT0 + m_number));
}

int CGLlight::FindFreeSlot()
{
    GLint count = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &count);
    for (int i = 0; i < count; ++i) {
        GLboolean on = GL_FALSE;
        glGetBooleanv(GLenum(GL_LIGHT0 + i), &on);
        if (!on)
            return i;
    }
    return -1;
}
