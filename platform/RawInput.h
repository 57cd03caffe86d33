#pragma once
#include <cstdint>

namespace platform {

// One raw-input packet, filled from the window system's pointer and key events
// while input is captured. The numbers are those of the Windows raw-input records.
struct RawInputPacket {
    enum Type : uint32_t { kMouse = 0, kKeyboard = 1 };
    // mouse button flags
    enum : uint16_t {
        kLeftDown = 0x1, kLeftUp = 0x2, kRightDown = 0x4, kRightUp = 0x8,
        kMiddleDown = 0x10, kMiddleUp = 0x20, kWheel = 0x400,
    };
    // keyboard messages
    enum : uint32_t { kKeyDown = 256, kKeyUp = 257 };
    // Packets of this size or more are refused.
    static constexpr uint32_t kMaxBytes = 1024;

    uint32_t type = kMouse;
    uint32_t size = sizeof(RawInputPacket);  // as reported by the device
    // mouse
    uint16_t buttonFlags = 0;
    int16_t wheelDelta = 0;
    int32_t lastX = 0, lastY = 0;  // relative movement
    // keyboard
    uint16_t vkey = 0;
    uint32_t message = 0;

    static RawInputPacket Mouse(uint16_t flags, int32_t dx = 0, int32_t dy = 0, int16_t wheel = 0)
    {
        RawInputPacket p;
        p.buttonFlags = flags;
        p.lastX = dx;
        p.lastY = dy;
        p.wheelDelta = wheel;
        return p;
    }
    static RawInputPacket Key(uint16_t vkey, bool down)
    {
        RawInputPacket p;
        p.type = kKeyboard;
        p.vkey = vkey;
        p.message = down ? kKeyDown : kKeyUp;
        return p;
    }
};

} // namespace platform
