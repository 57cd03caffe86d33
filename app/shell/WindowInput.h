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

class HeldModifiers;

// A key press (auto-repeated ones too) and a real release, after `held` saw it.
WindowAction OnKeyDown(int vk, const HeldModifiers& held, CInputState& input, CShellState& state);
WindowAction OnKeyUp(int vk, const HeldModifiers& held, CInputState& input);

// Left button down: button event 1; the radar drag with Shift over the overlay.
// `runDefault` is false in edit mode, where the default handling is skipped.
WindowAction OnLeftButtonDown(bool shiftHeld, CInputState& input, bool& runDefault);
// Mouse moved to (x, y) in client coordinates at `nowMs`: a left drag starts capture
// more than 10 ms after the last input when no overlay, edit mode or capture is on.
WindowAction OnMouseMove(int x, int y, double nowMs, CInputState& input);
// Wheel: +1 away from the user, -1 towards; no vertical movement is no step.
void OnWheel(int delta, CInputState& input);

// The keys held and the modifier they give. A Backspace or Delete gives its code
// from its press to its release, unless a later press of the other one takes over
// (it does not get the code back then). While neither is held, a held Shift or
// Ctrl gives its code, the one pressed last of the two. Other keys never change
// the modifier.
// Auto-repeats are not presses: each press of Backspace, Delete or 'O' reaches the
// input once. The modifier lives 100 ms: Refresh keeps it while its key is held.
class HeldModifiers {
public:
    // Every key press (auto-repeated ones too) and every real release; keeps the
    // input's real Shift state.
    void OnKey(int vk, bool down, CInputState& input);
    // The press seen last was an auto-repeat of a held key.
    bool IsRepeat() const { return m_repeat; }
    // Writes the modifier the held keys give, 0 when none.
    void Apply(CInputState& input) const;
    // Writes it again while a key giving one is held; true when it did.
    bool Refresh(CInputState& input) const;
    // The window lost the keyboard: the releases will not come.
    void Release(CInputState& input);

private:
    bool IsDown(int vk) const { return vk >= 0 && vk < kKeys && m_down[vk]; }
    int Modifier(bool& backspace) const;

    static constexpr int kKeys = 256;
    bool m_down[kKeys] = {};
    int m_editKey = 0;        // the Backspace or Delete giving its code, 0 when none
    bool m_ctrlLast = false;  // Ctrl pressed after Shift
    bool m_repeat = false;
};

// The cursor over the client area (the window system draws the frame's own).
enum class CursorChoice {
    Default,  // the window's default cursor
    Hidden,   // edit mode: the scene marks the pointer itself
    SizeAll,  // four-way move over the radar with Shift or Ctrl
};
CursorChoice ChooseClientCursor(bool overlayHit, int modifier, bool editMode);

} // namespace shell
