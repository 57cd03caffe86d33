#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// A hidden game-pad reader: a thread reads the Linux joystick interface
// (/dev/input/js*) and keeps the last packet (the bytes of one read). A packet
// is handed to the callback only when both a callback and user data are set.
// No device, no permission, or a device that goes away is silent: the reader
// looks for a device again every second.
class CJoyPadInput {
public:
    using PacketCallback = void (*)(const uint8_t* packet, size_t size, void* user, CJoyPadInput* pad);
    static constexpr size_t kPacketMax = 1024;  // packets of this size or more are ignored

    // Reads the first joystick device that opens (/dev/input/js0, js1, ...).
    CJoyPadInput();
    // Reads this one device path only (a FIFO or file stands in for a device in tests).
    explicit CJoyPadInput(std::string devicePath);
    ~CJoyPadInput();
    CJoyPadInput(const CJoyPadInput&) = delete;
    CJoyPadInput& operator=(const CJoyPadInput&) = delete;

    // Called on the reader thread.
    void SetCallback(PacketCallback callback, void* user);
    // One packet as read: size 0 or kPacketMax and more is ignored, the buffer keeps the
    // previous packet; otherwise the packet replaces the buffer and goes to the callback.
    void OnPacket(const uint8_t* data, size_t size);
    // Copies the last packet (up to max bytes); returns its size (0 before the first).
    size_t GetPacket(uint8_t* out, size_t max) const;
    // The report accessors: fixed offsets of the last packet, little-endian;
    // a byte past the packet's size reads as 0.
    uint16_t GetWord10() const;
    uint8_t GetByte12() const;
    uint8_t GetByte10() const;
    uint8_t GetByte10Again() const;
    void GetBytes6And8(uint8_t& at6, uint8_t& at8) const;
    void GetBytes2And4(uint8_t& at2, uint8_t& at4) const;
    // Packets taken into the buffer so far.
    uint64_t GetPacketCount() const;

private:
    uint8_t ByteAt(size_t offset) const;  // caller holds m_mutex
    void Run();
    int OpenDevice() const;
    bool WaitForStop(int timeoutMs);

    std::string m_devicePath;  // empty: scan /dev/input
    mutable std::mutex m_mutex;
    PacketCallback m_callback = nullptr;
    void* m_user = nullptr;
    uint8_t m_packet[kPacketMax] = {};
    size_t m_packetSize = 0;
    uint64_t m_packetCount = 0;
    int m_wakeFd = -1;  // eventfd that ends the reader
    std::thread m_thread;
};
