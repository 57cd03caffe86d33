#pragma once
#include "platform/RawInput.h"

#include <cstdint>

class CInputState;

// Turns the raw packets of captured input into the input controller's state. Under
// capture only Esc and the eight direction keys act; the mouse gives the left and
// middle button releases, the left press, the movement and the wheel.
class CRawInputDecoder {
public:
    enum class Result { Handled, Close, Refused };

    Result Handle(const platform::RawInputPacket& packet, CInputState& input);
    // A new capture: forget the last movement, and take the direction keys as the
    // axes show them now (keys held when the capture began keep acting; keys
    // released before it do not).
    void Reset(int forward, int strafe);

private:
    int32_t m_lastX = 0, m_lastY = 0;
    uint8_t m_directions = 0;  // bit 0 up/W, 1 down/S, 2 left/A, 3 right/D
};
