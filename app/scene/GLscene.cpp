#include "app/scene/GLscene.h"
#include "app/scene/SceneRules.h"
#include "app/panel/HtmlItemStore.h"
#include "app/script/LuaLock.h"
#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "foundation/math/NumberClamp.h"
#include "platform/Clock.h"
#include "platform/GL.h"
#include "platform/Paths.h"

namespace {
constexpr float kViewRadius = 24.0f;
constexpr float kNear = 6.0f;
constexpr float kFar = 1600000.0f;
} // namespace

CGLscene::CGLscene()
    : m_lookup([](const char* page, const char* name) { return g_HtmlItemStore.Lookup(page, name); }),
      m_last10ms(platform::TickCount())
{
}

CGLscene::~CGLscene() = default;

bool CGLscene::Create()
{
    if (!GetFont().Create("Arial", 700, 18, false, false))
        return CVersions::Print(false, "CGLscene::Create failed: font\r\n");
    DrawSplash();

    for (int i = 0; i < kViews; ++i) {
        m_views[i].Setup(i, kViewRadius, CVec3(0.0f, 0.0f, 1000.0f), CVec3(90.0f, 0.0f, 0.0f));
        m_views[i].LoadPose(i);
        m_views[i].SetClipPlanes(kNear, kFar);
    }
    m_viewsReady = true;

    m_scriptsHosted = true; // closed by Free whatever hosting did
    if (!HostSceneScripts(m_scripts, this))
        return CVersions::Print(false, "CGLscene::Create failed: a script state cannot be made\r\n");

    GetRadar().LoadSettings();
    m_radarReady = true;
    m_trackSets.Load();
    m_tracksReady = true;

    const int size = TerrainSizeFromScript(g_InputState.GetValue("gSceneSz"));
    if (!CGLterrain::Create(size, size))
        return CVersions::Print(false, "CGLscene::Create failed: terrain %d x %d\r\n", size, size);
    m_chunkCount = int(GetChunks().GetRecords().size());
    BoundViews();

    // A sun for the lit track meshes; the models' own lights take the next slots.
    const float sunDiffuse[4] = {0.75f, 0.75f, 0.7f, 1.0f}, sunSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, sunDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, sunSpecular);
    glEnable(GL_LIGHT0);

    const float extent = float(GetWidth()) * GetCellSize();
    m_flare.Setup(150.0f, extent, CVec3(extent, extent, extent / 3.0f));
    m_created = true;
    return true;
}

void CGLscene::BoundViews()
{
    const double c = GetCellSize();
    const int w = ClampToInt(c * GetWidth() * 0.5);
    const int h = ClampToInt(c * GetHeight() * 0.5);
    const int z = ClampToInt((double(GetMaxHeight()) + double(GetMinHeight())) * 0.25 * c);
    for (CGLcamera& view : m_views)
        view.SetBounds(CVec3(float(w), float(h), float(z)), CVec3(float(-w), float(-h), 1000.0f));
}

void CGLscene::Free()
{
    if (m_freed)
        return;
    m_freed = true;
    // before the scripts close: a finalizer that never returns costs no work
    SaveUserWork();
    if (m_scriptsHosted)
        CloseSceneScripts(m_scripts, kSceneScriptCount);
    m_models.Clear();
    GetFont().Delete();
    CGLterrain::Free();
    m_created = false;
}

bool CSaveOnce::Run(const std::function<void()>& save, std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_lock);
    if (m_begun)
        return m_ended.wait_for(lock, wait, [this] { return !m_running; });
    m_begun = m_running = true;
    lock.unlock();
    struct Ended {
        CSaveOnce& once;
        ~Ended()
        {
            std::lock_guard lock(once.m_lock);
            once.m_running = false;
            once.m_ended.notify_all();
        }
    } ended{*this};
    save();
    return true;
}

void CGLscene::SaveUserWork()
{
    const bool ended = m_workSave.Run([this] {
        // Only what was read is written back: a scene stopped early keeps the files.
        if (m_viewsReady) {
            platform::CreateDirectories(platform::ResolvePath("Camera"));
            for (int i = 0; i < kViews; ++i)
                m_views[i].SavePose(i);
        }
        if (m_tracksReady)
            m_trackSets.Save();
        if (m_radarReady)
            GetRadar().SaveSettings();
    }, std::chrono::milliseconds(kSaveWaitMs));
    if (!ended)
        CVersions::Print(false, "CGLscene::SaveUserWork the save begun on another thread did not end within %d s\r\n",
                         kSaveWaitMs / 1000);
}

void CGLscene::Resize(int width, int height)
{
    for (CGLcamera& view : m_views)
        view.SetViewport(width, height);
}

void CGLscene::SelectView(int index)
{
    if (unsigned(index) >= unsigned(kViews))
        return;
    if (index == 1 && m_view != &m_views[1])
        m_trackCam.Resume(); // the time away from the track view is not ridden at once
    m_view = &m_views[index];
}

void CGLscene::CopyPoseToView0()
{
    if (m_view->GetIndex() >= 3)
        return;
    m_views[0].SetPosition(*m_view->GetPosition());
    m_views[0].SetRotation(*m_view->GetRotation());
}

CGLcamera& CGLscene::GetView(int index)
{
    if (unsigned(index) < unsigned(kViews))
        return m_views[index];
    return *m_view;
}

void CGLscene::SetFrameRate(int fps)
{
    m_gate.SetFrameRate(fps); // 0 or below keeps the interval
}

void CGLscene::SetSpeedFactor(float factor)
{
    m_follower.SetSpeedFactor(factor);
    m_trackCam.SetSpeedFactor(factor);
}

void CGLscene::ToggleScriptEditors(bool topmost)
{
    for (int k = 0; k < kSceneScriptCount; ++k) {
        m_scripts[k].ToggleEditor(topmost);
        m_scripts[k].AttachDebugger(true);
    }
}

void CGLscene::PollScripts() { ::PollScripts(m_scripts, kSceneScriptCount); }

void CGLscene::RaiseOnImage()
{
    EnterLuaLock();
    for (int k = 0; k < kSceneScriptCount; ++k)
        m_scripts[k].OnImage(m_imageWidth, m_imageHeight, k);
    LeaveLuaLock();
}
