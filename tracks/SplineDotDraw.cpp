// Drawing of a track set: lit meshes with level of detail outside edit mode, the
// editing picture (dots, curves, live stroke, cursor marker) in edit mode.
#include "tracks/SplineDot.h"

#include "platform/GL.h"

#include <cmath>
#include <cstdio>

#include "engine/gl/GLcamera.h"
#include "engine/gl/GLfont.h"
#include "engine/models/GLlight.h"
#include "engine/gl/GLprimitives.h"
#include "foundation/core/Versions.h"
#include "foundation/math/Spline.h"

namespace {

const CVec3 kRed(1.0f, 0.0f, 0.0f);
const CVec3 kGreen(0.0f, 1.0f, 0.0f);
const CVec3 kYellow(1.0f, 1.0f, 0.0f);
const CVec3 kBendBlue(0.2f, 0.6f, 1.0f);

constexpr float kDotCube = 192.0f;     // half size of a dot's frustum cube
constexpr float kDotRadius = 16.0f;
constexpr int kDotSlices = 12;
constexpr float kMarkerLift = 5.0f;
constexpr float kTriangleDrop = 10.0f; // stroke triangles sit under the dots
constexpr float kTrackEndHeight = 600.0f;

bool BoxVisible(const CGLcamera* view, const CTrackMesh& m)
{
    return view->BoxInFrustum(m.m_BoxMin.x, m.m_BoxMin.y, m.m_BoxMin.z, m.m_BoxMax.x, m.m_BoxMax.y, m.m_BoxMax.z);
}

void SetColour(const CVec3& c, float alpha) { glColor4f(c.x, c.y, c.z, alpha); }

CVec3 Lowered(const CVec3& p) { return p - CVec3(0.0f, 0.0f, kTriangleDrop); }

void DrawDots(const CGLcamera* view, const TrackHost& host, const CVec3& picked)
{
    for (size_t i = 0; i < host.dots.size(); ++i) {
        const CVec3& p = host.dots[i];
        if (!view->CubeInFrustum(p, kDotCube))
            continue;
        const CVec3 c = CSplineDot::DotColour(host, i, picked);
        glColor3f(c.x, c.y, c.z);
        GLDrawSphere(p, kDotRadius, kDotSlices, true);
    }
}

} // namespace

CVec3 CSplineDot::DotColour(const TrackHost& host, size_t i, const CVec3& pickedDot)
{
    const std::vector<CVec3>& d = host.dots;
    if (pickedDot != 0.0f && i < d.size() && d[i] == pickedDot)
        return kGreen;
    if (d.size() >= 3 && i > 0 && i + 1 < d.size() && Spline::IsBend(d[i - 1], d[i], d[i + 1]))
        return kBendBlue;
    return kRed;
}

int CSplineDot::Render(CGLcamera* view, CGLfont* font, bool editMode)
{
    view->UpdateFrustum();

    if (!editMode) {
        glEnable(GL_LIGHTING);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
        glColor3f(1.0f, 1.0f, 0.0f);
        int drawn = 0;
        for (TrackHost& host : m_Hosts) {
            std::vector<CVec3>().swap(host.curveCache); // kept only while editing
            if (!BoxVisible(view, host.mesh))
                continue;
            host.mesh.Draw(view);
            if (g_BoundBox)
                host.mesh.DrawLabel(view, font, drawn, GetHostCount());
            ++drawn;
        }
        glColor3f(1.0f, 1.0f, 1.0f);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_LIGHTING);
        return drawn;
    }

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3f(1.0f, 1.0f, 0.0f);
    glLineWidth(4.0f);

    const bool hasDots = !m_LiveDots.empty();
    const float d = hasDots ? m_LiveDots.front().Distance(m_Cursor) : 0.0f;
    const CVec3 marker = m_Cursor + CVec3(0.0f, 0.0f, kMarkerLift);

    size_t held = kHeldUnknown;
    for (TrackHost& host : m_Hosts) {
        DrawDots(view, host, m_PickedDot);
        RenderSplineLines(view, host, held);
    }
    RenderLiveDots(view, false);
    RenderLiveTrack();

    const bool far = d > kMaxStroke && hasDots;
    const bool bent = std::fabs(m_BendAngle) > kBendOn || m_Bent != 0;
    RenderEditCursor(view, font, int(m_LiveDots.size()), far, bent, hasDots, marker);
    if (d > kMaxStroke)
        RenderTrackEnd(font, int(m_LiveDots.size()), far);

    glLineWidth(1.0f);
    glDisable(GL_BLEND);
    return 0;
}

void CSplineDot::RenderSplineLines(CGLcamera* view, TrackHost& host, size_t& held)
{
    // a host refused for its size waits for an edit of it
    const int size = BuildDirtyHost(host, held);
    if (size >= 0) {
        CVersions::Print(true, " CSplineDot::RenderSplineLines Stage(1) Spline::Generate Sz=%d\r\n", size);
        host.mesh.Upload();
    }
    if (host.dots.size() <= 1 || !BoxVisible(view, host.mesh))
        return;
    if (host.curveCache.empty()) {
        Spline::Generate(host.curveCache, host.dots, 10, host.closed != 0);
        CVersions::Print(true, " CSplineDot::RenderSplineLines Stage(2) Spline::Generate Sz=%d\r\n",
                         int(host.curveCache.size()));
    }
    if (host.closed)
        GLDrawLineLoop(host.curveCache, kYellow);
    else
        GLDrawLineStrip(host.curveCache, kYellow);
}

void CSplineDot::RenderHostDots(CGLcamera* view)
{
    for (const TrackHost& host : m_Hosts)
        DrawDots(view, host, m_PickedDot);
}

void CSplineDot::RenderLiveDots(CGLcamera* view, bool green)
{
    const CVec3& c = green ? kGreen : kRed;
    for (const CVec3& p : m_LiveDots) {
        if (!view->CubeInFrustum(p, kDotCube))
            continue;
        glColor3f(c.x, c.y, c.z);
        GLDrawSphere(p, kDotRadius, kDotSlices, true);
    }
}

void CSplineDot::RenderLiveTrack()
{
    if (m_LiveDots.size() < 2)
        return;
    if (UpdateLiveCurve())
        CVersions::Print(true, "CSplineDot::RenderLiveTrack Spline::Generate Sz=%d\r\n", int(m_LiveCurve.size()));
    GLDrawLineStrip(m_LiveCurve, kYellow);
}

void CSplineDot::RenderEditCursor(CGLcamera* view, CGLfont* font, int liveDots, bool far, bool bent, bool hasDots,
                                  const CVec3& marker)
{
    (void)view;
    const CVec3& warning = far || bent ? kRed : kGreen;
    SetColour(warning, 0.3f);
    GLDrawRing(marker, 80.0f, 150.0f, 12);
    GLDrawSphere(marker, 19.2f, 12, true);

    glColor4f(1.0f, 1.0f, 1.0f, 0.75f);
    if ((hasDots || m_PickedHost != -1) && font) {
        char text[128];
        std::snprintf(text, sizeof text, "Hst=%d/%d Trk=%d Ang=%0.f", m_PickedHost + 1, GetHostCount(), liveDots,
                      double(m_BendAngle));
        font->Draw(m_Cursor + CVec3(300.0f, 300.0f, 300.0f), text, true);
    }

    const size_t n = m_LiveDots.size();
    const CVec3& lineColour = far || bent ? kRed : kYellow;
    if (liveDots >= 2 && n >= 2) {
        SetColour(warning, 0.3f);
        if (bent)
            GLDrawTriangle(Lowered(m_LiveDots[n - 1]), Lowered(m_LiveDots[n - 2]), marker);
        GLDrawLine(m_LiveDots[n - 1], m_Cursor, lineColour);
    } else if (liveDots == 1 && n == 1) {
        SetColour(warning, 0.3f);
        const CVec3& l = m_LiveDots[0];
        if (m_AnchorDot == 0.0f) {
            CVec3 u = m_Cursor - l;
            const float len = u.Length();
            u = len < 0.000001f ? CVec3(1.0f, 0.0f, 0.0f) : u * (1.0f / len);
            CVec3 s(-u.y, u.x, 0.0f);
            const float sl = s.Length();
            s = sl < 0.000001f ? CVec3(0.0f, 1.0f, 0.0f) : s * (1.0f / sl);
            const CVec3 m = l + u * 8.0f;
            GLDrawTriangle(marker, Lowered(m + s * 16.0f), Lowered(m - s * 16.0f));
        } else {
            GLDrawTriangle(marker, Lowered(m_AnchorDot), Lowered(l));
        }
        GLDrawLine(l, m_Cursor, lineColour);
    }
}

void CSplineDot::RenderTrackEnd(CGLfont* font, int liveDots, bool far)
{
    if (!far || liveDots < 1 || m_LiveDots.empty())
        return;
    const CVec3 p = m_LiveDots.back();
    SetColour(kRed, 0.3f);
    GLDrawSphere(p, kDotRadius, kDotSlices, true);
    const CVec3 top = p + CVec3(0.0f, 0.0f, kTrackEndHeight);
    GLDrawLine(p, top, kRed);
    if (font) {
        const float h = float(font->GetHeight());
        font->Draw(CVec3(p.x - 3.0f * h, p.y, top.z + h), "Track End", true);
    }
}
