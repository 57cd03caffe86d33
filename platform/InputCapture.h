#pragma once

class QWindow;
class QPoint;

namespace platform {

// Pointer and keyboard capture of a top-level window: the pointer is grabbed and
// confined to the window and hidden, the keyboard grabbed, and pointer motion is
// turned into relative movement by putting the pointer back at the window's centre.
class InputCapture {
public:
    explicit InputCapture(QWindow& window) : m_window(window) {}
    InputCapture(const InputCapture&) = delete;
    InputCapture& operator=(const InputCapture&) = delete;
    ~InputCapture();

    // Saves the cursor position (screen coordinates) and takes the input.
    void Begin();
    // Gives the input back; the cursor returns to the saved position when that lies
    // inside the window, else to the window's centre, and is an arrow again.
    void End();
    bool IsActive() const { return m_active; }

    // The movement of a pointer event at `pos` (window coordinates) under capture;
    // false for no movement (the event of the pointer put back at the centre).
    bool Motion(const QPoint& pos, int& dx, int& dy);

private:
    QWindow& m_window;
    bool m_active = false;
    int m_savedX = 0, m_savedY = 0;
};

// Grabs the pointer for the window and keeps it inside its client area (on), or
// releases both (off). False when the window system refused.
bool ConfinePointer(QWindow& window, bool on);

} // namespace platform
