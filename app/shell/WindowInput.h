#pragma once

class CInputState;
struct CShellState;

// The main window's key, mouse and cursor rules on the input controller and the
// shell's request fields. Keys are virtual-key codes.
namespace shell {

// What the window itself must do after a rule ran.
enum class WindowAction {
    None,
    Close,           // destroy the window without saving its placement
    TogglePanel,     // show the panel when hidden, else hide it
    MoveCursor,      // four-way move cursor
    ArrowCursor,     // arrow cursor
    BeginCapture,    // start raw input capture
    StartRadarDrag,  // move cursor, grab the mouse, confine it to the client area
};

WindowAction OnKeyDown(int vk, CInputState& input, CShellState& state);
WindowAction OnKeyUp(int vk, CInputState& input);

// Left button down: button event 1; the radar drag with Shift over the overlay.
// `runDefault` is false in edit mode, where the default handling is skipped.
WindowAction OnLeftButtonDown(bool shiftHeld, CInputState& input, bool& runDefault);
// Mouse moved to (x, y) in client coordinates at `nowMs`: a left drag starts capture
// more than 10 ms after the last input when no overlay, edit mode or capture is on.
WindowAction OnMouseMove(int x, int y, double nowMs, CInputState& input);
// Wheel: +1 away from the user, -1 towards; no vertical movement is no step.
void OnWheel(int delta, CInputState& input);

// The modifier is the code of the key pressed last. Shift and Ctrl do not
// auto-repeat, and the first repeat of Backspace or Delete comes after the
// modifier's life: the window keeps the modifier alive while the key pressed last
// is a modifier key and is still held (Refresh runs more often than that life).
class HeldModifiers {
public:
    // Every key press (auto-repeated ones too) and every real release; keeps the
    // input's real Shift state.
    void OnKey(int vk, bool down, CInputState& input);
    // Sets the modifier of the key pressed last again while it is held; true when it did.
    bool Refresh(CInputState& input) const;
    // The window lost the keyboard: the releases will not come.
    void Release(CInputState& input);

private:
    int m_last = 0;  // the key pressed last
    bool m_lastHeld = false;
};

// The cursor over the client area (the window system draws the frame's own).
enum class CursorChoice {
    Default,  // the window's default cursor
    Hidden,   // edit mode: the scene marks the pointer itself
    SizeAll,  // four-way move over the radar with Shift or Ctrl
};
CursorChoice ChooseClientCursor(bool overlayHit, int modifier, bool editMode);

} // namespace shell
