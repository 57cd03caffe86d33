#include "app/shell/RenderLoop.h"

#include "app/panel/PanelRules.h"
#include "app/script/ScriptStop.h"
#include "app/shell/SettingsText.h"
#include "app/shell/ShellState.h"
#include "engine/models/GLlight.h"
#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "foundation/math/NumberClamp.h"
#include "platform/Clock.h"

#include <cstdint>

namespace {
constexpr double kBytesPerGB = 1073741824.0;
unsigned TruncatedMs(double ms) { return unsigned(uint64_t(ms)); }
} // namespace

CRenderLoop::CRenderLoop(CShellState& state, IRenderScene& scene, IItemStore* store, IRenderHost& host,
                         CInputState& input)
    : m_state(state), m_scene(scene), m_store(store), m_host(host), m_input(input)
{
    m_now = m_optionStamp = m_captureStamp = input.Now();
}

void CRenderLoop::Run()
{
    if (Start()) {
        m_state.running = true;
        while (!m_state.stopRequest)
            Pass();
        m_state.running = false;
    }
    Shutdown();
}

bool CRenderLoop::Start()
{
    const double startGB = CVersions::GetWorkingSetSize() / kBytesPerGB;
    m_now = m_input.Now();
    m_state.lastPassMs = m_now;  // the window counts the loading's time from here, as a pass
    m_loading = true;
    const double start = m_now;
    if (!m_host.InitGL())
        return CVersions::Print(false, "CGLAppDlg::RenderThread InitGL failed\n");
    m_glUp = true;
    m_scene.Resize(m_state.clientWidth, m_state.clientHeight);
    if (!m_scene.Create())
        return CVersions::Print(false, "CGLAppDlg::RenderThread CGLscene::Create failed\n");
    CVersions::Print(true, "Memory usement = %0.1f GB Total load time = %d\r\n",
                     CVersions::GetWorkingSetSize() / kBytesPerGB - startGB, int(m_input.Now() - start));
    m_state.lastPassMs = m_input.Now();
    m_loading = false;
    if (!m_state.stopRequest)
        m_host.PostShowPanel();
    // a resize made while the scene loaded is applied on the first pass
    m_state.resizeCounter = 1;
    return true;
}

void CRenderLoop::PendingWork()
{
    const int request = m_state.viewRequest.exchange(-1);
    const int view = request < 0 ? -1 : request & ~CShellState::kCopyPose;
    if (request >= 0 && (request & CShellState::kCopyPose))
        m_scene.CopyPoseToView0();
    int counter = m_state.resizeCounter.load();
    if (counter <= 0 && view < 0)
        return;
    if (view >= 0)
        m_scene.SelectView(view);
    m_scene.Resize(m_state.clientWidth, m_state.clientHeight);
    ++m_state.resizesApplied;
    // the GUI thread may have set a new count meanwhile: take one off whatever is there
    while (counter > 0 && !m_state.resizeCounter.compare_exchange_weak(counter, counter - 1)) {
    }
}

void CRenderLoop::Pass()
{
    PendingWork();
    m_scene.RenderFrame(TruncatedMs(m_now));
    if (m_passes & 2u)
        m_now = m_input.Expire();
    if (m_now - m_optionStamp > kOptionPollMs) {
        m_optionStamp = m_now;
        g_BoundBox = ClampToInt(m_input.GetValue("gBoundBox"));
        if (m_store && m_store->HasChanged())
            ApplySettings();
        if (m_state.editorRequest.exchange(false))
            m_scene.ToggleScriptEditors(m_state.fullScreen);
        m_scene.PollScripts();
    }
    if (m_now - m_captureStamp > kCapturePollMs) {
        m_captureStamp = m_now;
        ReleaseIdleCapture();
    }
    ++m_passes;
    m_state.lastPassMs = m_input.Now();
}

void CRenderLoop::ApplySettings()
{
    auto number = [this](const char* page, const char* name) { return shell::TextToInt(m_store->Lookup(page, name)); };
    // sliders: held to the range the page shows; a missing value keeps the current one
    int fps = 0, speed = 0;
    if (PanelSliderValue("Options", "framerate", m_store->Lookup("Options", "framerate"), fps))
        m_scene.SetFrameRate(fps);
    m_host.SetVSync(number("Options", "vsync") != 0);
    m_input.SetEditMode(number("Tracks", "TrackOn") == 0);
    m_scene.SetWireframe(number("Options", "wireframe") != 0);
    const bool fullScreen = number("Options", "fullscreen") != 0;
    if (fullScreen != m_state.fullScreen) {
        m_state.fullScreen = fullScreen;
        m_host.PostFullScreen(fullScreen);
    }
    if (PanelSliderValue("Trains", "Speed", m_store->Lookup("Trains", "Speed"), speed))
        m_scene.SetSpeedFactor(float(speed) * 0.01f);
}

void CRenderLoop::ReleaseIdleCapture()
{
    if (m_now - m_input.GetLastInputTime() <= kCaptureIdleMs || !m_input.IsCaptured())
        return;
    int dx = 0, dy = 0;
    m_input.GetMouseDelta(dx, dy);
    if (m_input.GetButton() != 0 || m_input.GetStrafe() != 0 || m_input.GetForward() != 0 || dx != 0 || dy != 0 ||
        m_input.GetWheel() != 0)
        return;
    m_input.SetCaptured(false);
    m_host.PostEndInputCapture();
}

bool CRenderLoop::CaptureStalled(double nowMs) const
{
    const double quiet = nowMs - m_state.lastPassMs;
    if (quiet > kHungMs)
        return true;
    if (quiet <= kStalledMs)
        return false;
    if (m_loading)
        return true;
    const ScriptCall call = CurrentScriptCallInfo();
    return call.sequence != 0 && double(platform::NowMs() - call.startMs) > kStalledMs;
}

void CRenderLoop::Shutdown()
{
    if (m_glUp) {
        // the scene saves its views, track sets and radar settings on every road out
        m_scene.Free();
        m_host.ReleaseGL();
        m_glUp = false;
    }
    m_state.running = false;
    m_host.ThreadEnded();
}
