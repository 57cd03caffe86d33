#include "tracks/TrackMesh.h"

#include "platform/GL.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/gl/GLcamera.h"
#include "engine/gl/GLfont.h"
#include "engine/gl/GLprimitives.h"

namespace {

constexpr float kLodNear = 25000.0f;   // all indices up to here
constexpr double kLodFalloff = 3.2e-9; // per squared unit beyond it
constexpr double kLodMinFraction = 0.2;
constexpr int kLodMinIndices = 96;

} // namespace

int CTrackMesh::LodIndexCount(float distance, int n)
{
    if (!(distance > kLodNear))
        return n;
    const double over = double(distance) - double(kLodNear);
    const double f = 1.0 / (over * over * kLodFalloff + 1.0);
    int k = int(std::max(f, kLodMinFraction) * double(n));
    k = std::max(k, kLodMinIndices);
    return std::min(k, n);
}

void CTrackMesh::Draw(CGLcamera* view)
{
    if (m_Positions.empty())
        return;
    if (m_UploadPending)
        Upload();
    const float d = view->GetPosition()->Distance(BoxCentre());
    m_Vbo.Draw(false, false, true, 0, LodIndexCount(d, GetIndexCount()));
}

void CTrackMesh::DrawLabel(CGLcamera* view, CGLfont* font, int label, int hostCount)
{
    const CVec3 centre = BoxCentre();
    if (!LabelVisible(view->GetPosition()->Distance(centre)))
        return;
    glColor3f(0.85f, 0.85f, 0.85f);
    glLineWidth(1.0f);
    GLDrawBox(m_BoxMin.x, m_BoxMin.y, m_BoxMin.z, m_BoxMax.x, m_BoxMax.y, m_BoxMax.z);
    static std::string text; // one label buffer for all meshes (render thread)
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "Track(%d) %d//%d %d", m_Number, label, hostCount, GetIndexCount());
    text = buffer;
    if (font)
        font->Draw(centre, text.c_str(), true);
    glColor3f(1.0f, 1.0f, 1.0f);
}
