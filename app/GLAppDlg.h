#pragma once
#include "platform/Event.h"
#include "platform/GLWindow.h"

#include <atomic>
#include <thread>

// The main window: an OpenGL window whose frames a render thread draws.
class CGLAppDlg {
public:
    CGLAppDlg();
    ~CGLAppDlg();

    // Shows the window and runs the event loop until it closes.
    int DoModal();
    bool IsRunning() const { return m_bRunning.load(); }

private:
    bool OnEvent(QEvent* e);
    void Close();
    void RenderThread();

    platform::GLWindow m_window;
    std::thread m_renderThread;
    std::atomic<bool> m_bRunning{false};
    std::atomic<int> m_clientWidth{0};
    std::atomic<int> m_clientHeight{0};
    platform::EventPtr m_sigThread;
    bool m_closing = false;
};
