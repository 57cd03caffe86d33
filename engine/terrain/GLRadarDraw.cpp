#include "engine/terrain/GLRadar.h"

#include "engine/gl/GLcamera.h"
#include "engine/gl/GLfont.h"
#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "foundation/image/Dib.h"
#include "foundation/math/Tables.h"
#include "platform/Clock.h"
#include "platform/GL.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cmath>
#include <string>

void CGLRadar::DeleteTexture()
{
    if (m_texture != 0) {
        glDeleteTextures(1, &m_texture);
        m_texture = 0;
    }
}

bool CGLRadar::Create(int mapWidth, int mapHeight, int bitsPerPixel, const CVec3* colours, const CVec3* vertices,
                      float cellSize)
{
    Attach(mapWidth, mapHeight, bitsPerPixel, colours, vertices, cellSize);
    const uint32_t t0 = platform::TickCount();
    m_pictureBuilt = false;

    CDib picture;
    // a picture from an earlier run is used only when it fits this map exactly
    int w = 0, h = 0, bits = 0;
    if (picture.Load(m_picturePath.c_str()) && picture.GetBits())
        picture.GetDimension(&w, &h, &bits);
    if (!picture.GetBits() || w != mapWidth || h != mapHeight || bits != 24) {
        if (!colours || mapWidth < 1 || mapHeight < 1 || !picture.Create(mapWidth, mapHeight, 24)) {
            picture.Destroy();
            return false;
        }
        BuildPicture(picture.GetBits(), mapWidth, mapHeight, colours);
        const std::string path = platform::ResolvePath(m_picturePath);
        const auto slash = path.find_last_of('/');
        if (slash != std::string::npos && slash > 0)
            platform::CreateDirectories(path.substr(0, slash));
        if (!picture.Save(path.c_str(), nullptr))
            CVersions::Print(false, "CGLRadar::Create cannot write %s: the picture is built again at the next start\r\n",
                             path.c_str());
        m_pictureBuilt = true;
    }
    CVersions::Print(true, "CGLRadar::Create Map Time = %d\r\n", int(platform::TickCount() - t0));
    BuildOutline();
    Upload(picture.GetBits(), mapWidth, mapHeight);
    CVersions::Print(true, "CGLRadar::Create Map+Bind Time = %d\r\n", int(platform::TickCount() - t0));
    picture.Destroy();
    return true;
}

void CGLRadar::Upload(const uint8_t* pixels, int width, int height)
{
    if (m_texture == 0)
        glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // rows of 3 * width bytes, not padded
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    GLfloat maxAniso = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAniso);
    if (maxAniso > 0.0f)
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAniso * 0.5f);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    const GLfloat border[4] = {0.08f, 0.43f, 0.62f, 1.0f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glBindTexture(GL_TEXTURE_2D, 0);
}

bool CGLRadar::Update(CGLcamera* camera)
{
    int mx = 0, my = 0;
    g_InputState.GetMousePos(mx, my);
    const bool over = HitTest(mx, my);
    g_InputState.SetOverlayHit(over);
    if (!over)
        return false;
    const int modifier = g_InputState.GetModifier();
    const int wheel = g_InputState.GetWheel();
    if (wheel == 0) {
        switch (g_InputState.GetButton()) {
        case CInputState::kButtonLeftDown:
            if (g_InputState.IsShiftHeld())
                CentreOn(mx, my); // the button stays: Shift and the left button drag the minimap
            break;
        case CInputState::kButtonRightDown:
            SetRound(!m_circular);
            g_InputState.SetButton(CInputState::kButtonNone);
            break;
        case CInputState::kButtonLeftDouble:
            MapToWorld(camera, mx, my);
            g_InputState.SetButton(CInputState::kButtonNone);
            break;
        case CInputState::kButtonMiddleDown:
            m_locked = !m_locked;
            g_InputState.SetButton(CInputState::kButtonNone);
            break;
        default:
            break;
        }
    } else if (modifier == CInputState::kModBackOrCtrl) {
        ScaleStep(wheel, mx, my);
    } else {
        ZoomStep(wheel);
    }
    return true;
}

void CGLRadar::MapToWorld(CGLcamera* camera, int mx, int my)
{
    if (!camera)
        return;
    camera->SetPosition(MapToWorldPoint(*camera->GetPosition(), camera->GetRadius(), mx, my));
}

void CGLRadar::StencilCircle()
{
    glClear(GL_STENCIL_BUFFER_BIT);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 255);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glBegin(GL_TRIANGLE_FAN);
    glVertex3f(m_screenX + m_viewWidth * m_scale * 0.5f, m_screenY + m_viewHeight * m_scale * 0.5f, 0.0f);
    for (const auto& p : m_outline)
        glVertex3f(p.x, p.y, p.z);
    if (!m_outline.empty())
        glVertex3f(m_outline[0].x, m_outline[0].y, m_outline[0].z);
    glEnd();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilFunc(GL_EQUAL, 1, 255);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
}

void CGLRadar::DrawClipped(CGLcamera* camera)
{
    if (m_circular)
        StencilCircle();
    DrawMap(camera);
    DrawCamera(camera);
    if (m_circular)
        glDisable(GL_STENCIL_TEST);
}

void CGLRadar::Draw(CGLcamera* camera, CGLfont* font)
{
    if (m_outline.empty())
        BuildOutline();
    DrawClipped(camera);
    if (m_mouseOver)
        DrawOutline();
    if (font) {
        static std::string text; // the zoom text, one for the process
        text = ZoomText();
        const CVec3 at(m_screenX + m_viewWidth * m_scale * 0.5f - float(font->GetTextWidth(int(text.size()))),
                       m_screenY + m_viewHeight * m_scale + float(font->GetHeight()), 0.0f);
        font->Draw(at, text.c_str(), true);
    }
}

void CGLRadar::DrawMap(CGLcamera* camera)
{
    if (m_mapWidth < 1 || m_mapHeight < 1 || !camera)
        return;
    const CVec3& cam = *camera->GetPosition();
    const float W = float(m_mapWidth);
    const float H = float(m_mapHeight);
    float uA = 0.0f, uB = 1.0f, vA = 0.0f, vB = 1.0f;
    if (!m_locked) {
        const float uc = (cam.x / m_cellSize + float(m_mapWidth / 2)) / W;
        const float vc = (cam.y / m_cellSize + float(m_mapHeight / 2)) / H;
        const float du = float(m_windowWidth) / W * m_zoom * 0.5f;
        const float dv = float(m_windowHeight) / H * m_zoom * 0.5f;
        uA = uc - du;
        uB = uc + du;
        vA = vc - dv;
        vB = vc + dv;
    }
    const float x0 = m_screenX, y0 = m_screenY;
    const float x1 = x0 + m_scale * m_viewWidth, y1 = y0 + m_scale * m_viewHeight;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glColor4f(0.5f, 0.5f, 0.5f, 0.75f);
    glBegin(GL_QUADS);
    glTexCoord2f(uA, vB);
    glVertex3f(x0, y0, 0.0f);
    glTexCoord2f(uB, vB);
    glVertex3f(x1, y0, 0.0f);
    glTexCoord2f(uB, vA);
    glVertex3f(x1, y1, 0.0f);
    glTexCoord2f(uA, vA);
    glVertex3f(x0, y1, 0.0f);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void CGLRadar::DrawCamera(CGLcamera* camera)
{
    if (!camera)
        return;
    const CVec3& cam = *camera->GetPosition();
    const float w = m_viewWidth * m_scale;
    const float h = m_viewHeight * m_scale;
    float cx = m_screenX + w * 0.5f;
    float cy = m_screenY + h * 0.5f;
    if (m_locked && m_mapWidth > 0 && m_mapHeight > 0) {
        cx = (cam.x / m_cellSize + float(m_mapWidth / 2)) / float(m_mapWidth) * w + m_screenX;
        cy = (1.0f - (cam.y / m_cellSize + float(m_mapHeight / 2)) / float(m_mapHeight)) * h + m_screenY;
        cx = std::min(m_screenX + w, std::max(m_screenX, cx));
        cy = std::min(m_screenY + h, std::max(m_screenY, cy));
    }
    double a = double(camera->GetRotation()->z) * 0.017453292519943295;
    a = std::fmod(a, 6.2831855);
    if (a < 0.0)
        a += 2.0 * 3.141592653589793;
    const float s = SinRad(float(a));
    const float k = CosRad(float(a));
    const float p[3][2] = {{cx - 20.0f * s, cy - 20.0f * k},
                           {cx + 10.0f * s - 10.0f * k, cy + 10.0f * k + 10.0f * s},
                           {cx + 10.0f * k + 10.0f * s, cy + 10.0f * k - 10.0f * s}};
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    for (const auto& q : p)
        glVertex3f(q[0], q[1], 0.0f);
    glEnd();
    glLineWidth(2.0f);
    glColor3f(0.6f, 0.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    for (const auto& q : p)
        glVertex3f(q[0], q[1], 0.0f);
    glEnd();
    glLineWidth(1.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
}

void CGLRadar::DrawOutline()
{
    glColor4f(1.0f, 0.0f, 0.0f, 0.95f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x0FFF);
    glLineWidth(5.0f);
    glBegin(GL_LINE_LOOP);
    if (m_circular) {
        for (const auto& p : m_outline)
            glVertex3f(p.x, p.y, 0.0f);
    } else {
        const float x1 = m_screenX + m_scale * m_viewWidth, y1 = m_screenY + m_scale * m_viewHeight;
        glVertex3f(m_screenX, m_screenY, 0.0f);
        glVertex3f(x1, m_screenY, 0.0f);
        glVertex3f(x1, y1, 0.0f);
        glVertex3f(m_screenX, y1, 0.0f);
    }
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_LINE_STIPPLE);
    glLineWidth(1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
