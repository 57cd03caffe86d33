#pragma once
#include "app/panel/HtmlItemStore.h"
#include "app/panel/web/HtmlSkinDlg.h"
#include "app/scene/GLscene.h"
#include "app/shell/RawInputDecoder.h"
#include "app/shell/RenderLoop.h"
#include "app/shell/ShellState.h"
#include "app/shell/WindowInput.h"
#include "engine/gl/GLcontext.h"
#include "platform/Event.h"
#include "platform/GLWindow.h"
#include "platform/InputCapture.h"

#include <QTimer>
#include <memory>
#include <thread>

class QEventLoop;
class QKeyEvent;
class QMouseEvent;

// The main window: its client area is the GL surface that the render thread draws.
// It turns keys, mouse and captured input into g_InputState and the request fields
// of CShellState, keeps its placement in the profile and owns the render thread.
class CGLAppDlg final : private IRenderHost {
public:
    CGLAppDlg();
    ~CGLAppDlg() override;
    CGLAppDlg(const CGLAppDlg&) = delete;
    CGLAppDlg& operator=(const CGLAppDlg&) = delete;

    // Sets the window up and runs it until it is destroyed. -1 when it could not start.
    int DoModal();
    // The close box: the editors close (asking to save), the placement is saved
    // (unless minimised), then the window is destroyed.
    void OnClose();
    // The editors close first (asking to save); then the render thread stops
    // (GUI events served meanwhile) and the window goes down. False when an
    // editor kept its text (unsaved, or its save failed): nothing of the
    // shutdown has started and the program stays open.
    bool DestroyWindow();

    // How long the shutdown waits for the render thread; past it, the program
    // ends without the thread once one script call has run on for a second more.
    static constexpr uint64_t kRenderThreadWaitMs = 10000;

    bool IsRunning() const { return m_state.running; }
    const CShellState& State() const { return m_state; }
    platform::GLWindow& Window() { return m_window; }

    // The main window's size in dialog units.
    static constexpr int kWidthDlu = 688;
    static constexpr int kHeightDlu = 445;

private:
    bool OnInitDialog();
    bool OnEvent(QEvent* e);
    void OnKey(QKeyEvent* e, bool down);
    void OnMouseButton(QMouseEvent* e, bool down);
    void OnMouseMove(QMouseEvent* e);
    void OnSizeOrMove();
    void Perform(shell::WindowAction action);
    void ApplyCursor();
    void RefreshHeldModifiers();
    void ReleaseStalledCapture();
    void BeginInputCapture();
    void EndInputCapture();
    void HandleRawInput(const platform::RawInputPacket& packet);
    void ApplyFullScreen(bool on);
    // The editors' close with their save questions; false when one kept its text.
    bool CloseEditors();
    // The shutdown itself, once the editors are closed.
    void Destroy();
    void StopRenderThread();
    // The render thread did not return from a script: saves what it has not,
    // logs the script and ends the process.
    [[noreturn]] void EndWithStuckScript(const std::string& script);
    void SavePlacement();
    void RestorePlacement();
    // Runs fn on the GUI thread unless the window is gone by then.
    void Post(std::function<void()> fn);

    // IRenderHost, on the render thread
    bool InitGL() override;
    void ReleaseGL() override;
    void SetVSync(bool on) override;
    void PostShowPanel() override;
    void PostFullScreen(bool on) override;
    void PostEndInputCapture() override;
    void ThreadEnded() override;

    CHtmlSkinDlg m_panel;    // owned by this window, beside its right edge
    CStoreAdapter<CHtmlItemStore> m_store{g_HtmlItemStore};
    CGLcontext m_glContext;  // fills the trig tables; used on the render thread
    CGLscene m_scene;        // render thread only
    CSceneAdapter<CGLscene> m_sceneDriver{m_scene};
    CShellState m_state;
    std::unique_ptr<CRenderLoop> m_loop;
    platform::GLWindow m_window;
    platform::InputCapture m_capture{m_window};
    CRawInputDecoder m_decoder;
    std::thread m_renderThread;
    platform::EventPtr m_sigThread;
    QEventLoop* m_modalLoop = nullptr;
    QTimer m_modifierTimer;
    shell::HeldModifiers m_heldModifiers;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    bool m_destroyed = false;
    bool m_closingEditors = false;
    bool m_radarDrag = false;
    bool m_fullScreenApplied = false;
    int m_cursorShape = -1;
};
