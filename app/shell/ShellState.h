#pragma once
#include <atomic>

// The main window's fields that the render thread reads and writes back. The GUI
// thread posts requests here; the render thread takes them with an exchange, so a
// request made while another is being served is never lost.
struct CShellState {
    // Set by the render thread while its loop runs.
    std::atomic<bool> running{false};
    // Set by the GUI thread on every road to shutdown; the render thread stops at the
    // end of its current step (also when it is still creating the scene).
    std::atomic<bool> stopRequest{false};
    std::atomic<bool> fullScreen{false};
    // F11: toggle the script editors.
    std::atomic<bool> editorRequest{false};
    // Render-loop passes that must still apply the client size.
    std::atomic<int> resizeCounter{10};
    // View 0..9 to select; -1 none. F1 adds kCopyPose: copy the current view's pose
    // into view 0 before selecting it (only the render thread touches views). One
    // word, so a pass sees the copy and its view together.
    std::atomic<int> viewRequest{0};
    static constexpr int kCopyPose = 0x100;
    // The GL surface's size in pixels, kept by the GUI thread.
    std::atomic<int> clientWidth{0};
    std::atomic<int> clientHeight{0};
    // The input clock's time at the end of the render loop's last pass: the GUI
    // thread ends a capture itself when the loop stands.
    std::atomic<double> lastPassMs{0.0};
    // Resizes applied by the render loop.
    std::atomic<int> resizesApplied{0};
};
