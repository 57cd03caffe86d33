// The frame of the scene: gate, camera, terrain, tracks, radar and editing,
// models, overlay, swap.
#include "app/scene/GLscene.h"
#include "engine/gl/GLcontext.h"
#include "engine/gl/GLprimitives.h"
#include "engine/models/GLmaterial.h"
#include "foundation/core/InputState.h"
#include "foundation/math/NumberClamp.h"
#include "platform/GL.h"

#include <cmath>
#include <cstdio>
#include <vector>

void CGLscene::RenderFrame(unsigned nowMs)
{
    if (!m_created || !m_gate.Pass(m_timer.GetSeconds()))
        return;
    CGLcamera* view = m_view;
    m_collisions = 0;
    m_meshesDrawn = 0;
    m_terrainDrawn = 0;
    m_hostsDrawn = 0;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, m_wireframe ? GL_LINE : GL_FILL);
    // ten views share one context: load the current one's projection
    view->SetProjectionMode();
    view->GetProjection().LoadToGL();
    view->SetModelViewMode();

    MoveCamera(view);
    view->UpdateFrustum();
    Render(view, &m_terrainDrawn);

    const float sun[4] = {0.4f, -0.3f, 0.85f, 0.0f}; // world direction, set under the view matrix
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    m_hostsDrawn = m_trackSets.Render(view, &GetFont(), g_InputState.IsEditMode());
    m_flare.TestVisible(view);

    if (nowMs - m_last10ms > 10u) {
        m_last10ms = nowMs;
        const bool radarTook = GetRadar().Update(view);
        FeedStep(view, radarTook);
    }

    RenderModels(view);
    view->GetModelView().LoadIdentity();
    view->GetModelView().LoadToGL();
    DrawStatus(view);
    CGLcontext::SwapBuffers();
    RaiseOnImage();

    m_frameRate = m_timer.GetSmoothRate();
    m_timer.Tick();
    ++m_frames;
}

void CGLscene::MoveCamera(CGLcamera* view)
{
    const int ride = m_trackSets.GetRideCount();
    if (view->GetIndex() == 1 && ride > 0) {
        if (m_trackCamSet < 0 || m_trackCamSet >= ride)
            m_trackCamSet = 0;
        CSplineDot& set = m_trackSets.GetSet(m_trackCamSet);
        if (m_trackCam.GetNextTrackCam(view, set, set.m_Name.c_str()))
            m_trackCamSet = (m_trackCamSet + 1) % ride;
        view->Update();
        return;
    }
    view->UpdateFromInput(false);
    FollowGround(view, &m_collisions);
}

void CGLscene::EditTracks(CGLcamera* view) { FeedStep(view, false); }

void CGLscene::FeedStep(CGLcamera* view, bool radarTookInput)
{
    TrackEditState state;
    state.editMode = g_InputState.IsEditMode();
    state.captured = g_InputState.IsCaptured();
    state.radarTookInput = radarTookInput;
    m_feed.Step(m_trackSets.GetEdited(), ReadEditInput(), state, *view->GetPosition(),
                [this, view](int x, int y, CVec3& p) { return PickGround(view, x, y, p); }, m_lookup);
}

TrackEditInput CGLscene::ReadEditInput()
{
    TrackEditInput in;
    g_InputState.GetMousePos(in.x, in.y);
    in.button = g_InputState.GetButton();
    in.modifier = g_InputState.GetModifier(in.backspace);
    in.key = g_InputState.GetKey();
    return in;
}

bool CGLscene::PickGround(CGLcamera* view, int x, int y, CVec3& point)
{
    GLPoint mouse;
    mouse.x = x;
    mouse.y = y;
    if (!view->PickOnPlane(point, mouse, 75.0))
        return false; // a ray parallel to the plane
    point.z += GetHeightAt(point);
    return true;
}

std::string CGLscene::GetStatusText() const
{
    const CGLcamera& view = *m_view;
    const CVec3& r = *view.GetRotation();
    const CVec3& p = *view.GetPosition();
    char text[512];
    std::snprintf(text, sizeof(text),
                  "FPS [%0.0f] ROT(%4.2f,%4.2f,%0.2f) POS(%4.2f,%0.2f,%4.2f) OBJ(%4d/%4d) LOD(%4d/%4d) TRK(%4d/%4d) "
                  "COL(%d)  SPEED(%0d)",
                  double(m_frameRate), double(r.x), double(r.y), double(r.z), double(p.x), double(p.y), double(p.z),
                  m_models.GetMeshesLoaded(), m_meshesDrawn, m_chunkCount, m_terrainDrawn,
                  m_trackSets.GetHostsLoaded(), m_hostsDrawn, m_collisions, ClampToInt(view.GetSpeed()));
    return text;
}

void CGLscene::DrawStatus(CGLcamera* view)
{
    view->SetProjectionMode();
    glPushMatrix();
    glLoadIdentity();
    view->Ortho2D();
    // the overlay is drawn filled in a wireframe frame; the next frame sets lines again
    if (m_wireframe)
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glLineWidth(2.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    const CVec3 bar(0.3f, 0.45f, 0.75f);
    CGLmaterial material(bar, bar, bar, 0.0f, 0.0f, 0.0f, 0.0f);
    material.Apply(false, 0.0f);
    glColor3f(bar.x, bar.y, bar.z);
    GLDrawQuadNormals(CVec3(1128, 10, 0), CVec3(1128, 40, 0), CVec3(10, 40, 0), CVec3(10, 10, 0));
    glColor3f(1.0f, 1.0f, 1.0f);
    material.Unapply();
    glLineWidth(1.0f);

    GetFont().Draw(CVec3(30.0f, 30.0f, 0.0f), GetStatusText().c_str(), true);
    GetRadar().Draw(view, &GetFont());
    if (g_InputState.IsEditMode())
        DrawEditFrame(view);

    // the flare is drawn in device coordinates
    view->SetProjectionMode();
    glLoadIdentity();
    view->SetModelViewMode();
    view->GetModelView().LoadIdentity();
    view->GetModelView().LoadToGL();
    m_flare.Draw(view);

    view->SetProjectionMode();
    glPopMatrix();
    view->SetModelViewMode();
}

void CGLscene::DrawEditFrame(CGLcamera* view)
{
    const float W = float(view->GetWidth()), H = float(view->GetHeight());
    glColor4f(1.0f, 0.0f, 0.0f, 0.75f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x0FFF);
    glLineWidth(5.0f);
    glBegin(GL_LINES);
    for (float y : {0.0f, 5.0f, H, H - 5.0f}) {
        glVertex2f(0.0f, y);
        glVertex2f(W, y);
    }
    for (float x : {0.0f, 5.0f, W, W - 5.0f}) {
        glVertex2f(x, 0.0f);
        glVertex2f(x, H);
    }
    glEnd();
    glDisable(GL_BLEND);
    glLineWidth(1.0f);
    glDisable(GL_LINE_STIPPLE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void CGLscene::ReadScreen(const char* /*fileName*/)
{
    const int w = m_view->GetWidth(), h = m_view->GetHeight();
    std::vector<unsigned char> pixels(size_t(w) * size_t(h) * 4);
    glReadPixels(0, 0, w, h, GL_BGR, GL_UNSIGNED_BYTE, pixels.data());
}
