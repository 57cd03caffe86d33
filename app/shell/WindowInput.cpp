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
} // namespace

WindowAction OnKeyDown(int key, CInputState& input, CShellState& state)
{
    if (key >= vk::kF1 + 1 && key <= vk::kF1 + 9) {  // F2..F10
        state.viewRequest = key - vk::kF1;
        return WindowAction::None;
    }
    switch (key) {
    case vk::kBack:
        input.SetModifier(CInputState::kModBackOrCtrl);
        input.SetBackspace(true);
        return WindowAction::None;
    case vk::kShift:
        input.SetModifier(CInputState::kModShift);
        return CursorForModifierKey(input);
    case vk::kControl:
        input.SetModifier(CInputState::kModBackOrCtrl);
        return CursorForModifierKey(input);
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
    case vk::kDelete: input.SetModifier(CInputState::kModDelete); break;
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

CursorChoice ChooseClientCursor(bool overlayHit, int modifier, bool editMode)
{
    if (overlayHit)
        return modifier == CInputState::kModShift || modifier == CInputState::kModBackOrCtrl ? CursorChoice::SizeAll
                                                                                              : CursorChoice::Default;
    return editMode ? CursorChoice::Hidden : CursorChoice::Default;
}

} // namespace shell
