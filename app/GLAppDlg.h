#pragma once
#include "app/scene/GLscene.h"
#include "engine/gl/GLcontext.h"
#include "platform/Event.h"
#include "platform/GLWindow.h"

#include <atomic>
#include <thread>

// The main window: an OpenGL window whose frames a render thread draws.
class QKeyEvent;

class CGLAppDlg {
public:
    CGLAppDlg();
    ~CGLAppDlg();

    // Shows the window and runs the event loop until it closes.
    int DoModal();
    bool IsRunning() const { return m_bRunning.load(); }

private:
    bool OnEvent(QEvent* e);
    bool OnKey(QKeyEvent* e, bool down);
    void Close();
    void RenderThread();

    CGLcontext m_glContext; // fills the trig tables; used on the render thread
    CGLscene m_scene;       // render thread only
    platform::GLWindow m_window;
    std::thread m_renderThread;
    std::atomic<bool> m_bRunning{false};
    std::atomic<int> m_clientWidth{0};
    std::atomic<int> m_clientHeight{0};
    std::atomic<int> m_viewRequest{-1}; // F1..F10 as 0..9, taken by the render thread
    platform::EventPtr m_sigThread;
    bool m_closing = false;
    int m_lastMouseX = 0;
    int m_lastMouseY = 0;
};
