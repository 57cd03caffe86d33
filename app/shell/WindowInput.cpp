#include "app/shell/WindowInput.h"

#include "app/shell/ShellState.h"
#include "foundation/core/InputState.h"
#include "platform/VirtualKeys.h"

namespace shell {
namespace vk = platform::vk;

namespace {
constexpr int kKeyO = 'O';
constexpr double kDragCaptureDelayMs = 10.0;

WindowAction CursorForModifierKey(CInputState& input)
{
    return input.IsOverlayHit() ? WindowAction::MoveCursor : WindowAction::None;
}

// Backspace, Shift, Ctrl and Delete set the modifier; false for other keys.
bool SetModifierOf(int key, CInputState& input)
{
    switch (key) {
    case vk::kBack:
        input.SetModifier(CInputState::kModBackOrCtrl);
        input.SetBackspace(true);
        return true;
    case vk::kShift: input.SetModifier(CInputState::kModShift); return true;
    case vk::kControl: input.SetModifier(CInputState::kModBackOrCtrl); return true;
    case vk::kDelete: input.SetModifier(CInputState::kModDelete); return true;
    default: return false;
    }
}
} // namespace

WindowAction OnKeyDown(int key, CInputState& input, CShellState& state)
{
    if (key >= vk::kF1 + 1 && key <= vk::kF1 + 9) {  // F2..F10
        state.viewRequest = key - vk::kF1;
        return WindowAction::None;
    }
    if (SetModifierOf(key, input))
        return key == vk::kShift || key == vk::kControl ? CursorForModifierKey(input) : WindowAction::None;
    switch (key) {
    case vk::kEscape: return WindowAction::Close;
    case vk::kSpace: return WindowAction::TogglePanel;
    case vk::kLeft:
    case 'A': input.SetStrafe(-1); break;
    case vk::kRight:
    case 'D': input.SetStrafe(1); break;
    case vk::kUp:
    case 'W': input.SetForward(1); break;
    case vk::kDown:
    case 'S': input.SetForward(-1); break;
    case kKeyO: input.SetKey(kKeyO); break;
    case vk::kF1:
        // the render thread copies the pose before it selects view 0
        state.viewRequest = CShellState::kCopyPose | 0;
        break;
    case vk::kF1 + 10:  // F11
        state.editorRequest = true;
        break;
    default: break;
    }
    return WindowAction::None;
}

WindowAction OnKeyUp(int key, CInputState& input)
{
    switch (key) {
    case vk::kBack:
    case vk::kControl:
    case vk::kDelete:
        input.SetModifier(0);
        return WindowAction::None;
    case vk::kShift: return WindowAction::ArrowCursor;  // the modifier expires by itself
    case vk::kLeft:
    case vk::kRight:
    case 'A':
    case 'D': input.SetStrafe(0); break;
    case vk::kUp:
    case vk::kDown:
    case 'W':
    case 'S': input.SetForward(0); break;
    default: break;
    }
    return WindowAction::None;
}

WindowAction OnLeftButtonDown(bool shiftHeld, CInputState& input, bool& runDefault)
{
    input.SetButton(CInputState::kButtonLeftDown);
    runDefault = !input.IsEditMode();
    if (!runDefault)
        return WindowAction::None;
    if (input.IsOverlayHit() && shiftHeld)
        return WindowAction::StartRadarDrag;
    return WindowAction::None;
}

WindowAction OnMouseMove(int x, int y, double nowMs, CInputState& input)
{
    input.SetMousePos(x, y);
    if (input.GetButton() == CInputState::kButtonLeftDown && !input.IsOverlayHit() && !input.IsCaptured() &&
        !input.IsEditMode() && nowMs - input.GetLastInputTime() > kDragCaptureDelayMs)
        return WindowAction::BeginCapture;
    return WindowAction::None;
}

void OnWheel(int delta, CInputState& input)
{
    if (delta != 0)  // a sideways scroll or the end of a touchpad scroll
        input.SetWheel(delta > 0 ? 1 : -1);
}

void HeldModifiers::OnKey(int key, bool down, CInputState& input)
{
    if (key == vk::kShift)
        input.SetShiftHeld(down);
    if (down) {
        m_last = key;
        m_lastHeld = true;
    } else if (key == m_last) {
        m_lastHeld = false;
    }
}

bool HeldModifiers::Refresh(CInputState& input) const { return m_lastHeld && SetModifierOf(m_last, input); }

void HeldModifiers::Release(CInputState& input)
{
    m_last = 0;
    m_lastHeld = false;
    input.SetShiftHeld(false);
}

CursorChoice ChooseClientCursor(bool overlayHit, int modifier, bool editMode)
{
    if (overlayHit)
        return modifier == CInputState::kModShift || modifier == CInputState::kModBackOrCtrl ? CursorChoice::SizeAll
                                                                                              : CursorChoice::Default;
    return editMode ? CursorChoice::Hidden : CursorChoice::Default;
}

} // namespace shell
