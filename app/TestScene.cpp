#include "app/TestScene.h"
#include "engine/gl/GLprimitives.h"
#include "foundation/core/InputState.h"
#include "platform/Paths.h"

#include <cstdio>

namespace {
constexpr float kGridHalf = 5000.0f;
constexpr float kGridStep = 250.0f;
constexpr int kIndicesPerBox = 36;
} // namespace

void CTestScene::AddBox(const CVec3& lo, const CVec3& hi, const CVec3& colour)
{
    Box box;
    box.min = lo;
    box.max = hi;
    box.firstIndex = int(m_indices.size());
    // Six faces, each with its own four corners so the normals stay flat.
    struct Face {
        CVec3 normal;
        float shade;
        CVec3 c[4];
    };
    const Face faces[6] = {
        {CVec3(0, 0, 1), 1.0f, {CVec3(lo.x, lo.y, hi.z), CVec3(hi.x, lo.y, hi.z), CVec3(hi.x, hi.y, hi.z), CVec3(lo.x, hi.y, hi.z)}},
        {CVec3(0, 0, -1), 0.4f, {CVec3(lo.x, hi.y, lo.z), CVec3(hi.x, hi.y, lo.z), CVec3(hi.x, lo.y, lo.z), CVec3(lo.x, lo.y, lo.z)}},
        {CVec3(1, 0, 0), 0.8f, {CVec3(hi.x, lo.y, lo.z), CVec3(hi.x, hi.y, lo.z), CVec3(hi.x, hi.y, hi.z), CVec3(hi.x, lo.y, hi.z)}},
        {CVec3(-1, 0, 0), 0.6f, {CVec3(lo.x, hi.y, lo.z), CVec3(lo.x, lo.y, lo.z), CVec3(lo.x, lo.y, hi.z), CVec3(lo.x, hi.y, hi.z)}},
        {CVec3(0, 1, 0), 0.7f, {CVec3(hi.x, hi.y, lo.z), CVec3(lo.x, hi.y, lo.z), CVec3(lo.x, hi.y, hi.z), CVec3(hi.x, hi.y, hi.z)}},
        {CVec3(0, -1, 0), 0.9f, {CVec3(lo.x, lo.y, lo.z), CVec3(hi.x, lo.y, lo.z), CVec3(hi.x, lo.y, hi.z), CVec3(lo.x, lo.y, hi.z)}},
    };
    for (const Face& f : faces) {
        const unsigned base = unsigned(m_vertices.size());
        for (const CVec3& c : f.c) {
            m_vertices.push_back(c);
            m_normals.push_back(f.normal);
            m_colours.push_back(colour * f.shade);
        }
        for (unsigned k : {0u, 1u, 2u, 0u, 2u, 3u})
            m_indices.push_back(base + k);
    }
    m_boxes.push_back(box);
}

bool CTestScene::Create()
{
    m_font.Create("Arial", 700, 18, false, false);

    m_camera.Setup(0, 24.0f, CVec3(0.0f, -2200.0f, 900.0f), CVec3(72.0f, 0.0f, 0.0f));
    m_camera.SetBounds(CVec3(1.0e5f, 1.0e5f, 1.0e5f), CVec3(-1.0e5f, -1.0e5f, 30.0f));
    m_camera.SetClipPlanes(6.0f, 1600000.0f);
    m_trackView.Setup(1, 24.0f, CVec3(0.0f, 0.0f, 1000.0f), CVec3(90.0f, 0.0f, 0.0f));
    m_trackView.SetClipPlanes(6.0f, 1600000.0f);
    m_chaseView.Setup(2, 24.0f, CVec3(-3000.0f, -6000.0f, 2500.0f), CVec3(70.0f, 0.0f, 0.0f));
    m_chaseView.SetBounds(CVec3(1.0e5f, 1.0e5f, 1.0e5f), CVec3(-1.0e5f, -1.0e5f, 30.0f));
    m_chaseView.SetClipPlanes(6.0f, 1600000.0f);
    // A sun for the lit track meshes; the models' own lights take the next slots.
    const float sunDiffuse[4] = {0.75f, 0.75f, 0.7f, 1.0f}, sunSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, sunDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, sunSpecular);
    glEnable(GL_LIGHT0);
    LoadTrackSets();

    m_vertices.clear();
    m_normals.clear();
    m_colours.clear();
    m_indices.clear();
    m_boxes.clear();
    AddBox(CVec3(-150, -150, 0), CVec3(150, 150, 300), CVec3(0.85f, 0.25f, 0.2f));
    AddBox(CVec3(600, 400, 0), CVec3(900, 1000, 200), CVec3(0.2f, 0.6f, 0.9f));
    AddBox(CVec3(-1200, 800, 0), CVec3(-700, 1100, 600), CVec3(0.95f, 0.8f, 0.2f));
    AddBox(CVec3(-500, -900, 0), CVec3(-300, -700, 120), CVec3(0.3f, 0.85f, 0.35f));
    AddBox(CVec3(1500, -1600, 0), CVec3(2100, -1200, 450), CVec3(0.7f, 0.35f, 0.85f));
    // Run in the data folder (where the terrain's shaders are): the terrain (cache in
    // "Terrain", generated on the first run) with its radar, a sun at its far corner,
    // and the camera looking towards it.
    m_hasTerrain = false;
    if (m_terrainEnabled && platform::FileExists(platform::ResolvePath("Shader\\TestFs2Reduced.vert"))) {
        m_terrain.GetRadar().LoadSettings();
        m_hasTerrain = m_terrain.Create(1024, 1024);
        const float extent = float(m_terrain.GetWidth()) * m_terrain.GetCellSize();
        m_flare.Setup(150.0f, extent, CVec3(extent, extent, extent / 3.0f));
        LayTracksOnTerrain();
        // behind the station, looking past it towards the sun
        const CVec3 eye(-1900.0f, -2800.0f, 0.0f);
        m_camera.SetPosition(CVec3(eye.x, eye.y, m_terrain.GetHeightAt(eye) + 900.0f));
        m_camera.SetRotation(CVec3(75.0f, 0.0f, -45.0f));
    }
    LoadModels();
    m_created = m_boxVbo.Create(m_vertices.data(), m_normals.data(), m_colours.data(), nullptr, m_indices.data(),
                                false, true, int(m_vertices.size()), int(m_indices.size()));
    return m_created;
}

void CTestScene::Resize(int width, int height)
{
    for (CGLcamera* view : {&m_camera, &m_trackView, &m_chaseView})
        view->SetViewport(width, height);
}

void CTestScene::SetView(int index)
{
    CGLcamera* views[] = {&m_camera, &m_trackView, &m_chaseView};
    if (index >= 0 && index < 3) {
        if (index == 1 && m_viewIndex != 1)
            m_trackCam.Resume();
        m_viewIndex = index;
        m_view = views[index];
    }
}

void CTestScene::RenderFrame()
{
    if (!m_created)
        return;
    glClearColor(0.35f, 0.55f, 0.8f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    m_view->SetProjectionMode();
    m_view->GetProjection().LoadToGL();
    m_view->SetModelViewMode();
    m_view->GetModelView().LoadIdentity();
    MoveView();
    m_view->UpdateFrustum();

    if (m_hasTerrain) {
        int collisions = 0, chunks = 0;
        if (m_viewIndex != 1) // the track camera is not pushed by the ground
            m_terrain.FollowGround(m_view, &collisions);
        m_terrain.Render(m_view, &chunks);
    } else {
        // the flat test ground with its markers
        DrawGrid();
        DrawAxes();
        DrawBoxes();
    }
    DrawTracks();
    DrawModels();
    if (m_hasTerrain)
        m_flare.TestVisible(m_view); // after everything that can hide the sun
    DrawOverlay();
}

void CTestScene::DrawGrid() const
{
    glColor3f(0.25f, 0.3f, 0.25f);
    glBegin(GL_QUADS);
    glVertex3f(-kGridHalf, -kGridHalf, -1.0f);
    glVertex3f(kGridHalf, -kGridHalf, -1.0f);
    glVertex3f(kGridHalf, kGridHalf, -1.0f);
    glVertex3f(-kGridHalf, kGridHalf, -1.0f);
    glEnd();
    glColor3f(0.75f, 0.8f, 0.75f);
    glBegin(GL_LINES);
    for (float v = -kGridHalf; v <= kGridHalf; v += kGridStep) {
        glVertex3f(v, -kGridHalf, 0.0f);
        glVertex3f(v, kGridHalf, 0.0f);
        glVertex3f(-kGridHalf, v, 0.0f);
        glVertex3f(kGridHalf, v, 0.0f);
    }
    glEnd();
}

void CTestScene::DrawAxes() const
{
    glLineWidth(3.0f);
    GLDrawLine(CVec3(0, 0, 1), CVec3(1000, 0, 1), CVec3(1, 0, 0));
    GLDrawLine(CVec3(0, 0, 1), CVec3(0, 1000, 1), CVec3(0, 1, 0));
    GLDrawLine(CVec3(0, 0, 0), CVec3(0, 0, 1000), CVec3(0, 0, 1));
    glLineWidth(1.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    GLDrawSphere(CVec3(0.0f, 0.0f, 1000.0f), 40.0f, 12, true);
}

void CTestScene::DrawBoxes()
{
    m_boxesDrawn = 0;
    for (const Box& b : m_boxes) {
        if (!m_view->BoxInFrustum(b.min.x, b.min.y, b.min.z, b.max.x, b.max.y, b.max.z))
            continue;
        m_boxVbo.Draw(false, false, true, b.firstIndex, kIndicesPerBox);
        glColor3f(0.05f, 0.05f, 0.05f);
        GLDrawBox(b.min.x, b.min.y, b.min.z, b.max.x, b.max.y, b.max.z);
        ++m_boxesDrawn;
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    m_font.Draw(CVec3(0.0f, 0.0f, 320.0f), "Box 0", false);
}

void CTestScene::LoadModels()
{
    struct Placed {
        const char* file;
        CVec3 position;
    };
    const Placed placed[] = {
        {"Models\\Station.3ds", CVec3(0, -900, 0)},      {"Models\\Tree.3ds", CVec3(-700, -1050, 0)},
        {"Models\\BigTree.3ds", CVec3(450, -700, 0)},    {"Models\\GoodsWagon.3ds", CVec3(-110, -1040, 0)},
        {"Models\\Locomotive.3ds", CVec3(40, -1040, 0)}, {"Models\\TankWagon.3ds", CVec3(-260, -1040, 0)},
    };
    for (const Placed& p : placed) {
        auto model = std::make_unique<CGLmeshObj>();
        CVec3 position = p.position;
        if (m_hasTerrain)
            position.z = m_terrain.GetHeightAt(position);
        if (model->Load(p.file, 1.0f, position, int(m_models.size()), false, true) > 0)
            m_models.push_back(std::move(model));
    }
}

void CTestScene::DrawModels()
{
    m_meshesDrawn = 0;
    int collisions = 0;
    for (auto& model : m_models) {
        if (model->GetId() == 4 && !m_trackSets.empty()) {
            CSplineDot& set = *m_trackSets[size_t(m_followSet)];
            if (m_follower.Advance(model.get(), set, set.m_Name.c_str()))
                m_followSet = (m_followSet + 1) % int(m_trackSets.size());
        }
        model->Render(m_view, &m_font, &m_meshesDrawn, &collisions);
    }
    m_view->GetModelView().LoadToGL(); // a model leaves its own matrix loaded
}

CGLmeshObj* CTestScene::FindModel(int id)
{
    for (auto& model : m_models)
        if (model->GetId() == id)
            return model.get();
    return nullptr;
}

void CTestScene::LoadTrackSets()
{
    m_trackSets.clear();
    for (const platform::DirEntry& e : platform::ListDirectory(platform::ResolvePath("User"))) {
        if (!e.isDirectory || m_trackSets.size() >= 50)
            continue;
        auto set = std::make_unique<CSplineDot>();
        if (set->LoadTrack(e.name) > 0)
            m_trackSets.push_back(std::move(set));
    }
}

void CTestScene::LayTracksOnTerrain()
{
    // The sample sets were laid on flat ground: keep their clearance over the terrain.
    for (auto& set : m_trackSets)
        for (TrackHost& host : set->m_Hosts) {
            for (CVec3& dot : host.dots)
                dot.z += m_terrain.GetHeightAt(dot);
            CSplineDotUtil::BuildHostMesh(host);
            host.dirty = 0;
        }
}

void CTestScene::MoveView()
{
    if (m_viewIndex == 1 && !m_trackSets.empty()) {
        CSplineDot& set = *m_trackSets[size_t(m_trackCamSet)];
        if (m_trackCam.GetNextTrackCam(m_view, set, set.m_Name.c_str()))
            m_trackCamSet = (m_trackCamSet + 1) % int(m_trackSets.size());
        m_view->Update();
        return;
    }
    if (m_viewIndex == 2) {
        if (CGLmeshObj* model = FindModel(4))
            m_follower.ChaseCamera(m_view, model);
    }
    m_view->UpdateFromInput(false);
}

void CTestScene::DrawTracks()
{
    const float sun[4] = {0.4f, -0.3f, 0.85f, 0.0f}; // world direction, set under the view matrix
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    m_tracksDrawn = 0;
    for (size_t k = 0; k < m_trackSets.size(); ++k)
        m_tracksDrawn += m_trackSets[k]->Render(m_view, &m_font, k == 0 && g_InputState.IsEditMode());
}

void CTestScene::DrawOverlay()
{
    m_view->SetProjectionMode();
    glPushMatrix();
    glLoadIdentity();
    m_view->Ortho2D();
    m_view->SetModelViewMode();
    glLoadIdentity();

    const CVec3& p = *m_view->GetPosition();
    const CVec3& r = *m_view->GetRotation();
    char text[256];
    std::snprintf(text, sizeof(text), "ROT(%4.2f,%4.2f,%0.2f) POS(%4.2f,%0.2f,%4.2f) BOX(%d/%d) SPEED(%d) VIEW(%d) TRK(%d)", r.x,
                  r.y, r.z, p.x, p.y, p.z, m_boxesDrawn, int(m_boxes.size()), int(m_view->GetSpeed()),
                  m_viewIndex + 1, m_tracksDrawn);
    glColor3f(1.0f, 1.0f, 1.0f);
    m_font.Draw(CVec3(30.0f, 30.0f, 0.0f), text, true);
    if (m_hasTerrain) {
        m_terrain.GetRadar().Update(m_view);
        m_terrain.GetRadar().Draw(m_view, &m_font);
        // the flare is drawn in device coordinates
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        m_flare.Draw(m_view);
    }

    m_view->SetProjectionMode();
    glPopMatrix();
    m_view->SetModelViewMode();
}

void CTestScene::Free()
{
    if (m_hasTerrain)
        m_terrain.GetRadar().SaveSettings();
    m_terrain.Free();
    m_hasTerrain = false;
    for (auto& model : m_models)
        model->Clear();
    m_models.clear();
    m_boxVbo.Reset();
    m_font.Delete();
    m_created = false;
}
