#include "app/shell/WindowInput.h"

#include "app/shell/ShellState.h"
#include "foundation/core/InputState.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <iterator>

namespace shell {
namespace vk = platform::vk;

namespace {
constexpr int kKeyO = 'O';
constexpr double kDragCaptureDelayMs = 10.0;

WindowAction CursorForModifierKey(CInputState& input)
{
    return input.IsOverlayHit() ? WindowAction::MoveCursor : WindowAction::None;
}

bool IsModifierKey(int key)
{
    return key == vk::kBack || key == vk::kShift || key == vk::kControl || key == vk::kDelete;
}
} // namespace

WindowAction OnKeyDown(int key, const HeldModifiers& held, CInputState& input, CShellState& state)
{
    if (key >= vk::kF1 + 1 && key <= vk::kF1 + 9) {  // F2..F10
        state.viewRequest = key - vk::kF1;
        return WindowAction::None;
    }
    if (IsModifierKey(key)) {
        if (held.IsRepeat())
            return WindowAction::None;  // the refresh keeps the modifier
        held.Apply(input);
        return key == vk::kShift || key == vk::kControl ? CursorForModifierKey(input) : WindowAction::None;
    }
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
    case kKeyO:
        if (!held.IsRepeat())  // one key event per press
            input.SetKey(kKeyO);
        break;
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

WindowAction OnKeyUp(int key, const HeldModifiers& held, CInputState& input)
{
    switch (key) {
    case vk::kBack:
    case vk::kControl:
    case vk::kDelete:
        // 0, or what the keys still held give; unchanged when the key let go did
        // not give the modifier
        held.Apply(input);
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
    if (key < 0 || key >= kKeys) {
        m_repeat = false;
        return;
    }
    m_repeat = down && m_down[key];
    m_down[key] = down;
    if (!down) {
        if (key == m_editKey)
            m_editKey = 0;
        return;
    }
    if (m_repeat)
        return;
    if (key == vk::kBack || key == vk::kDelete)
        m_editKey = key;
    else if (key == vk::kShift || key == vk::kControl)
        m_ctrlLast = key == vk::kControl;
}

int HeldModifiers::Modifier(bool& backspace) const
{
    backspace = m_editKey == vk::kBack;
    if (m_editKey != 0)
        return backspace ? CInputState::kModBackOrCtrl : CInputState::kModDelete;
    if (IsDown(vk::kBack) || IsDown(vk::kDelete))
        return 0;  // one whose code another press took over
    const bool ctrl = IsDown(vk::kControl), shift = IsDown(vk::kShift);
    if (ctrl && (m_ctrlLast || !shift))
        return CInputState::kModBackOrCtrl;
    return shift ? CInputState::kModShift : 0;
}

void HeldModifiers::Apply(CInputState& input) const
{
    bool backspace = false;
    const int modifier = Modifier(backspace);
    input.SetModifier(modifier, backspace);
}

bool HeldModifiers::Refresh(CInputState& input) const
{
    bool backspace = false;
    const int modifier = Modifier(backspace);
    if (modifier == 0)
        return false;
    input.SetModifier(modifier, backspace);
    return true;
}

void HeldModifiers::Release(CInputState& input)
{
    std::fill(std::begin(m_down), std::end(m_down), false);
    m_editKey = 0;
    m_repeat = false;
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
