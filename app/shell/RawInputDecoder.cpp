#include "app/shell/RawInputDecoder.h"

#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "platform/VirtualKeys.h"

namespace vk = platform::vk;
using Packet = platform::RawInputPacket;

namespace {
int DirectionBit(int key)
{
    switch (key) {
    case vk::kUp:
    case 'W': return 0;
    case vk::kDown:
    case 'S': return 1;
    case vk::kLeft:
    case 'A': return 2;
    case vk::kRight:
    case 'D': return 3;
    default: return -1;
    }
}
} // namespace

CRawInputDecoder::Result CRawInputDecoder::Handle(const Packet& p, CInputState& input)
{
    if (p.size >= Packet::kMaxBytes) {
        CVersions::Print(false, "CGLAppDlg::HandleRawInput Fatal InpHidAbort Size=%d\n", int(p.size));
        return Result::Refused;
    }

    if (p.type == Packet::kKeyboard) {
        if (p.vkey == vk::kEscape)
            return Result::Close;
        if (const int bit = DirectionBit(p.vkey); bit >= 0) {
            if (p.message == Packet::kKeyDown)
                m_directions |= uint8_t(1u << bit);
            else
                m_directions &= uint8_t(~(1u << bit));
        }
    } else if (p.type == Packet::kMouse) {
        if (p.buttonFlags & Packet::kLeftUp)
            input.SetButton(CInputState::kButtonNone);
        else if (p.buttonFlags & Packet::kLeftDown)
            input.SetButton(CInputState::kButtonLeftDown);
        else if (p.buttonFlags & Packet::kMiddleUp)
            input.SetButton(CInputState::kButtonNone);
        if (p.lastX != m_lastX || p.lastY != m_lastY) {
            m_lastX = p.lastX;
            m_lastY = p.lastY;
            input.SetMouseDelta(p.lastX, p.lastY);
        }
        if ((p.buttonFlags & Packet::kWheel) && p.wheelDelta != 0)
            input.SetWheel(p.wheelDelta > 0 ? 1 : -1);
    }
    input.SetStrafe(((m_directions >> 3) & 1) - ((m_directions >> 2) & 1));
    input.SetForward((m_directions & 1) - ((m_directions >> 1) & 1));
    return Result::Handled;
}

void CRawInputDecoder::Reset(int forward, int strafe)
{
    m_lastX = m_lastY = 0;
    m_directions = uint8_t((forward > 0 ? 1 : 0) | (forward < 0 ? 2 : 0) | (strafe < 0 ? 4 : 0) | (strafe > 0 ? 8 : 0));
}
