#include "app/shell/RawInputDecoder.h"
#include "app/shell/ShellState.h"
#include "app/shell/WindowInput.h"
#include "foundation/core/InputState.h"
#include "log_capture.h"

#include <gtest/gtest.h>

using platform::RawInputPacket;
using shell::WindowAction;

namespace {

double g_now = 1000.0;
double FakeNow() { return g_now; }

// A key event as the window passes it on: the held keys first, then the key rules.
WindowAction Key(int vk, bool down, shell::HeldModifiers& held, CInputState& input, CShellState& state)
{
    held.OnKey(vk, down, input);
    return down ? shell::OnKeyDown(vk, held, input, state) : shell::OnKeyUp(vk, held, input);
}

struct ShellInput : ::testing::Test {
    ShellInput() : input((g_now = 1000.0, &FakeNow)) {}
    WindowAction Press(int vk, bool down = true) { return Key(vk, down, held, input, state); }
    CInputState input;
    CShellState state;
    shell::HeldModifiers held;
};

} // namespace

TEST_F(ShellInput, KeyMap)
{
    struct Case {
        int vk;
        int modifier, strafe, forward, key, view;
        WindowAction action;
    };
    const Case cases[] = {
        {8, 8, 0, 0, 0, 0, WindowAction::None},     {16, 4, 0, 0, 0, 0, WindowAction::None},
        {17, 8, 0, 0, 0, 0, WindowAction::None},    {27, 0, 0, 0, 0, 0, WindowAction::Close},
        {32, 0, 0, 0, 0, 0, WindowAction::TogglePanel},
        {37, 0, -1, 0, 0, 0, WindowAction::None},   {'A', 0, -1, 0, 0, 0, WindowAction::None},
        {39, 0, 1, 0, 0, 0, WindowAction::None},    {'D', 0, 1, 0, 0, 0, WindowAction::None},
        {38, 0, 0, 1, 0, 0, WindowAction::None},    {'W', 0, 0, 1, 0, 0, WindowAction::None},
        {40, 0, 0, -1, 0, 0, WindowAction::None},   {'S', 0, 0, -1, 0, 0, WindowAction::None},
        {46, 46, 0, 0, 0, 0, WindowAction::None},   {'O', 0, 0, 0, 79, 0, WindowAction::None},
        {113, 0, 0, 0, 0, 1, WindowAction::None},   {121, 0, 0, 0, 0, 9, WindowAction::None},
        {13, 0, 0, 0, 0, 0, WindowAction::None},    {'Q', 0, 0, 0, 0, 0, WindowAction::None},
    };
    for (const auto& c : cases) {
        CInputState in(&FakeNow);
        CShellState st;
        shell::HeldModifiers keys;
        st.viewRequest = -1;
        EXPECT_EQ(Key(c.vk, true, keys, in, st), c.action) << c.vk;
        EXPECT_EQ(in.GetModifier(), c.modifier) << c.vk;
        EXPECT_EQ(in.GetStrafe(), c.strafe) << c.vk;
        EXPECT_EQ(in.GetForward(), c.forward) << c.vk;
        EXPECT_EQ(in.GetKey(), c.key) << c.vk;
        EXPECT_EQ(st.viewRequest, c.view == 0 ? -1 : c.view) << c.vk;
        EXPECT_FALSE(st.editorRequest) << c.vk;
    }
}

TEST_F(ShellInput, FunctionKeysPostRequests)
{
    state.viewRequest = -1;
    Press(112);  // F1: copy the pose, then view 0
    EXPECT_EQ(state.viewRequest, CShellState::kCopyPose | 0);
    Press(122);  // F11
    EXPECT_TRUE(state.editorRequest);
    EXPECT_EQ(state.viewRequest, CShellState::kCopyPose | 0);
}

TEST_F(ShellInput, BackspaceIsToldApartFromCtrl)
{
    Press(8);
    EXPECT_EQ(input.GetModifier(), 8);
    EXPECT_TRUE(input.IsBackspace());
    Press(8, false);
    EXPECT_EQ(input.GetModifier(), 0);
    EXPECT_FALSE(input.IsBackspace());

    Press(17);
    EXPECT_EQ(input.GetModifier(), 8);
    EXPECT_FALSE(input.IsBackspace());
    Press(8);  // Backspace with Ctrl held: the modifier is Backspace's
    EXPECT_TRUE(input.IsBackspace());
    Press(8, false);  // and Ctrl's again
    EXPECT_EQ(input.GetModifier(), 8);
    EXPECT_FALSE(input.IsBackspace());
}

TEST_F(ShellInput, KeyUpReleasesAxesAndLetsShiftExpire)
{
    Press('A');
    Press('W');
    Press(37, false);
    Press(40, false);
    EXPECT_EQ(input.GetStrafe(), 0);
    EXPECT_EQ(input.GetForward(), 0);

    input.SetOverlayHit(true);
    EXPECT_EQ(Press(16), WindowAction::MoveCursor);
    EXPECT_EQ(Press(16, false), WindowAction::ArrowCursor);
    EXPECT_EQ(input.GetModifier(), 4);
    g_now += 101;
    input.Expire();
    EXPECT_EQ(input.GetModifier(), 0);
}

TEST_F(ShellInput, HeldModifierFollowsTheHeldKeys)
{
    // after more than the modifier's life, with the window's refresh
    auto later = [&] {
        g_now += 101;
        input.Expire();
        held.Refresh(input);
        return input.GetModifier();
    };
    Press(16);  // Shift: kept, and the real Shift state is there
    EXPECT_EQ(later(), 4);
    EXPECT_TRUE(input.IsShiftHeld());
    Press('W');  // other keys do not end it
    Press(37);
    EXPECT_EQ(later(), 4);
    Press(17);  // Ctrl, pressed last of the two
    EXPECT_EQ(later(), 8);
    Press(16, false);  // Shift let go: Ctrl's stays
    EXPECT_EQ(input.GetModifier(), 8);
    EXPECT_FALSE(input.IsShiftHeld());
    Press(16);
    Press(17, false);  // Ctrl let go: Shift's
    EXPECT_EQ(later(), 4);

    Press(46);  // Delete: its code while held, Shift pressed again or not
    EXPECT_EQ(later(), 46);
    Press(16, false);
    Press(16);
    EXPECT_EQ(later(), 46);
    Press(8);  // Backspace takes over
    EXPECT_TRUE(input.IsBackspace());
    Press(8, false);  // Delete does not get it back, nor Shift while Delete is down
    EXPECT_EQ(input.GetModifier(), 0);
    EXPECT_EQ(later(), 0);
    Press(46, false);  // Shift's again
    EXPECT_EQ(later(), 4);

    Press(46);
    held.Release(input);  // the window lost the keyboard
    EXPECT_FALSE(input.IsShiftHeld());
    EXPECT_EQ(later(), 0);
}

TEST_F(ShellInput, AutoRepeatedOIsNoNewKey)
{
    Press('O');
    EXPECT_EQ(input.GetKey(), 79);
    g_now += 34;
    input.Expire();
    Press('O');  // X's auto-repeat
    EXPECT_EQ(input.GetKey(), 0);
    Press('O', false);
    Press('O');
    EXPECT_EQ(input.GetKey(), 79);
}

TEST_F(ShellInput, LeftDragStartsCaptureAfter10MsOnlyOnTheOpenView)
{
    bool runDefault = false;
    EXPECT_EQ(shell::OnLeftButtonDown(false, input, runDefault), WindowAction::None);
    EXPECT_TRUE(runDefault);
    EXPECT_EQ(shell::OnMouseMove(5, 6, g_now + 10, input), WindowAction::None);
    int x = 0, y = 0;
    input.GetMousePos(x, y);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 6);
    EXPECT_EQ(shell::OnMouseMove(5, 6, g_now + 11, input), WindowAction::BeginCapture);

    input.SetEditMode(true);
    EXPECT_EQ(shell::OnLeftButtonDown(true, input, runDefault), WindowAction::None);
    EXPECT_FALSE(runDefault);
    EXPECT_EQ(shell::OnMouseMove(5, 6, g_now + 50, input), WindowAction::None);
    input.SetEditMode(false);

    input.SetOverlayHit(true);
    EXPECT_EQ(shell::OnLeftButtonDown(false, input, runDefault), WindowAction::None);
    EXPECT_EQ(shell::OnMouseMove(5, 6, g_now + 50, input), WindowAction::None);
    EXPECT_EQ(shell::OnLeftButtonDown(true, input, runDefault), WindowAction::StartRadarDrag);
}

TEST(ShellCursor, ClientCursorTable)
{
    using shell::CursorChoice;
    EXPECT_EQ(shell::ChooseClientCursor(true, 4, false), CursorChoice::SizeAll);
    EXPECT_EQ(shell::ChooseClientCursor(true, 8, true), CursorChoice::SizeAll);
    EXPECT_EQ(shell::ChooseClientCursor(true, 46, true), CursorChoice::Default);
    EXPECT_EQ(shell::ChooseClientCursor(false, 4, true), CursorChoice::Hidden);
    EXPECT_EQ(shell::ChooseClientCursor(false, 8, false), CursorChoice::Default);
}

TEST_F(ShellInput, RawMovementEqualToThePreviousIsDropped)
{
    CRawInputDecoder decoder;
    decoder.Handle(RawInputPacket::Mouse(0, 5, 3), input);
    int dx = 0, dy = 0;
    input.GetMouseDelta(dx, dy);
    EXPECT_EQ(dx, 5);
    input.SetMouseDelta(9, 9);  // the camera took it meanwhile
    decoder.Handle(RawInputPacket::Mouse(0, 5, 3), input);
    input.GetMouseDelta(dx, dy);
    EXPECT_EQ(dx, 9);
    decoder.Handle(RawInputPacket::Mouse(0, 6, 3), input);
    input.GetMouseDelta(dx, dy);
    EXPECT_EQ(dx, 6);
    EXPECT_EQ(dy, 3);
}

TEST_F(ShellInput, RawKeysOnlyEscAndDirectionsAct)
{
    CRawInputDecoder decoder;
    for (int key : {32, 79, 112, 113, 122, 8, 46, 16})
        EXPECT_EQ(decoder.Handle(RawInputPacket::Key(uint16_t(key), true), input), CRawInputDecoder::Result::Handled);
    EXPECT_EQ(input.GetKey(), 0);
    EXPECT_EQ(input.GetModifier(), 0);

    decoder.Handle(RawInputPacket::Key('W', true), input);
    decoder.Handle(RawInputPacket::Key('A', true), input);
    EXPECT_EQ(input.GetForward(), 1);
    EXPECT_EQ(input.GetStrafe(), -1);
    decoder.Handle(RawInputPacket::Key(39, true), input);  // right with left held
    EXPECT_EQ(input.GetStrafe(), 0);
    decoder.Handle(RawInputPacket::Key('A', false), input);
    EXPECT_EQ(input.GetStrafe(), 1);
    decoder.Handle(RawInputPacket::Key(40, true), input);
    EXPECT_EQ(input.GetForward(), 0);
    decoder.Handle(RawInputPacket::Key('W', false), input);
    EXPECT_EQ(input.GetForward(), -1);

    EXPECT_EQ(decoder.Handle(RawInputPacket::Key(27, true), input), CRawInputDecoder::Result::Close);
}

TEST_F(ShellInput, RawMouseButtonsAndWheel)
{
    CRawInputDecoder decoder;
    decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kLeftDown), input);
    EXPECT_EQ(input.GetButton(), 1);
    decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kLeftUp | RawInputPacket::kLeftDown), input);
    EXPECT_EQ(input.GetButton(), 0);
    input.SetButton(4);
    decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kMiddleDown), input);
    EXPECT_EQ(input.GetButton(), 4);
    decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kMiddleUp), input);
    EXPECT_EQ(input.GetButton(), 0);
    decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kWheel, 0, 0, 120), input);
    EXPECT_EQ(input.GetWheel(), 1);
    decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kWheel, 0, 0, -120), input);
    EXPECT_EQ(input.GetWheel(), -1);
}

TEST_F(ShellInput, WheelWithoutVerticalMovementIsNoStep)
{
    // a sideways scroll or the end of a touchpad scroll: no step, on either path
    struct Case {
        int delta, wheel;
    } cases[] = {{120, 1}, {1, 1}, {-1, -1}, {-120, -1}, {0, 0}};
    for (const Case& c : cases) {
        CInputState window(&FakeNow), captured(&FakeNow);
        shell::OnWheel(c.delta, window);
        EXPECT_EQ(window.GetWheel(), c.wheel) << c.delta;
        CRawInputDecoder decoder;
        decoder.Handle(RawInputPacket::Mouse(RawInputPacket::kWheel, 0, 0, int16_t(c.delta)), captured);
        EXPECT_EQ(captured.GetWheel(), c.wheel) << c.delta;
    }
}

TEST_F(ShellInput, OversizedRawPacketIsDroppedWithItsLogLine)
{
    LogCapture log;
    CRawInputDecoder decoder;
    auto packet = RawInputPacket::Key('W', true);
    packet.size = 1024;
    EXPECT_EQ(decoder.Handle(packet, input), CRawInputDecoder::Result::Refused);
    EXPECT_EQ(input.GetForward(), 0);
    EXPECT_TRUE(log.Contains("CGLAppDlg::HandleRawInput Fatal InpHidAbort Size=1024"));
    packet.size = 1023;
    decoder.Handle(packet, input);
    EXPECT_EQ(input.GetForward(), 1);
}

TEST_F(ShellInput, NewCaptureTakesTheHeldDirectionKeys)
{
    CRawInputDecoder decoder;
    decoder.Handle(RawInputPacket::Key('D', true), input);  // released while not captured: never seen
    decoder.Reset(1, 0);                                     // W held when the capture began
    decoder.Handle(RawInputPacket::Mouse(0, 3, 0), input);
    EXPECT_EQ(input.GetForward(), 1);
    EXPECT_EQ(input.GetStrafe(), 0);
    decoder.Handle(RawInputPacket::Key('W', false), input);
    EXPECT_EQ(input.GetForward(), 0);
}
