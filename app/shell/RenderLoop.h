#pragma once
#include <atomic>
#include <string>

class CInputState;
struct CShellState;

// What the render loop drives in the scene.
class IRenderScene {
public:
    virtual ~IRenderScene() = default;
    virtual bool Create() = 0;
    virtual void Resize(int width, int height) = 0;
    virtual void SelectView(int index) = 0;
    virtual void CopyPoseToView0() = 0;
    virtual void RenderFrame(unsigned nowMs) = 0;
    virtual void SetFrameRate(int fps) = 0;
    virtual void SetWireframe(bool on) = 0;
    virtual void SetSpeedFactor(float factor) = 0;
    virtual void ToggleScriptEditors(bool topmost) = 0;
    virtual void PollScripts() = 0;
    virtual void Free() = 0;
};

// Any scene with these operations.
template <class Scene>
class CSceneAdapter final : public IRenderScene {
public:
    explicit CSceneAdapter(Scene& scene) : m_scene(scene) {}
    bool Create() override { return m_scene.Create(); }
    void Resize(int width, int height) override { m_scene.Resize(width, height); }
    void SelectView(int index) override { m_scene.SelectView(index); }
    void CopyPoseToView0() override { m_scene.CopyPoseToView0(); }
    void RenderFrame(unsigned nowMs) override { m_scene.RenderFrame(nowMs); }
    void SetFrameRate(int fps) override { m_scene.SetFrameRate(fps); }
    void SetWireframe(bool on) override { m_scene.SetWireframe(on); }
    void SetSpeedFactor(float factor) override { m_scene.SetSpeedFactor(factor); }
    void ToggleScriptEditors(bool topmost) override { m_scene.ToggleScriptEditors(topmost); }
    void PollScripts() override { m_scene.PollScripts(); }
    void Free() override { m_scene.Free(); }

private:
    Scene& m_scene;
};

// The panel's settings as the loop reads them.
class IItemStore {
public:
    virtual ~IItemStore() = default;
    virtual std::string Lookup(const std::string& page, const std::string& name) = 0;
    virtual bool HasChanged() = 0;
};

template <class Store>
class CStoreAdapter final : public IItemStore {
public:
    explicit CStoreAdapter(Store& store) : m_store(store) {}
    std::string Lookup(const std::string& page, const std::string& name) override { return m_store.Lookup(page, name); }
    bool HasChanged() override { return m_store.HasChanged(); }

private:
    Store& m_store;
};

// The window side, called on the render thread. Window work is posted to the GUI
// thread; the loop never waits for it.
class IRenderHost {
public:
    virtual ~IRenderHost() = default;
    virtual bool InitGL() = 0;
    virtual void ReleaseGL() = 0;
    virtual void SetVSync(bool on) = 0;
    virtual void PostShowPanel() = 0;
    virtual void PostFullScreen(bool on) = 0;
    virtual void PostEndInputCapture() = 0;
    // The thread's last act: "SigThread".
    virtual void ThreadEnded() = 0;
};

// The render thread's body: start-up, one pass after another until the stop request,
// shutdown. Times are milliseconds of the input controller's clock.
class CRenderLoop {
public:
    // `store` may be null (no panel): the settings are then never applied.
    CRenderLoop(CShellState& state, IRenderScene& scene, IItemStore* store, IRenderHost& host, CInputState& input);

    // The whole thread: Start, Pass until stopped, Shutdown; always ends with ThreadEnded.
    void Run();

    // Start-up: GL, first resize, scene creation, the load-time line, the panel.
    // False when GL or the scene could not be set up.
    bool Start();
    void Pass();
    // Frees the scene (when GL came up), releases GL and signals the end.
    void Shutdown();

    // The window's timer (GUI thread): true when the window must end a capture
    // itself. The loop stopped (in one script call, a breakpoint among them, or
    // loading the scene) lets go after kStalledMs; a pass that is only slow keeps
    // the capture until no pass has ended for kHungMs.
    bool CaptureStalled(double nowMs) const;

    double Now() const { return m_now; }
    unsigned PassCount() const { return m_passes; }

    static constexpr double kOptionPollMs = 1000.0;
    static constexpr double kCapturePollMs = 100.0;
    static constexpr double kCaptureIdleMs = 250.0;
    // A stopped loop cannot end a capture: the window does after this long.
    static constexpr double kStalledMs = 250.0;
    // A pass that has not ended for this long may be hung in the driver.
    static constexpr double kHungMs = 2000.0;

private:
    void PendingWork();
    void ApplySettings();
    void ReleaseIdleCapture();

    CShellState& m_state;
    IRenderScene& m_scene;
    IItemStore* m_store;
    IRenderHost& m_host;
    CInputState& m_input;
    double m_now = 0;
    double m_optionStamp = 0;
    double m_captureStamp = 0;
    unsigned m_passes = 0;
    bool m_glUp = false;
    // Until Start has loaded the scene (and when it failed); read by the window.
    std::atomic<bool> m_loading{true};
};
