// The game-pad reader: packets kept and handed on, bad sizes ignored, a missing
// or vanishing device harmless. A FIFO stands in for /dev/input/js0.
#include "app/script/JoyPadInput.h"
#include "script_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Seen {
    std::atomic<int> calls{0};
    std::atomic<size_t> size{0};
};

void Count(const uint8_t*, size_t size, void* user, CJoyPadInput*)
{
    auto* seen = static_cast<Seen*>(user);
    seen->size = size;
    ++seen->calls;
}

std::vector<uint8_t> Packet(const CJoyPadInput& pad)
{
    std::vector<uint8_t> out(CJoyPadInput::kPacketMax);
    out.resize(pad.GetPacket(out.data(), out.size()));
    return out;
}

template <class Pred>
bool WaitFor(Pred pred)
{
    for (int i = 0; i < 300 && !pred(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pred();
}

TEST(JoyPadInput, CallbackOnlyWithBothSetAndBadSizesKeepThePreviousPacket)
{
    CJoyPadInput pad("/nonexistent/js0");  // no device: silent
    Seen seen;
    const std::vector<uint8_t> a = {1, 2, 3, 4, 5, 6, 7, 8}, b = {9, 9, 9};
    pad.OnPacket(a.data(), a.size());  // no callback: read and dropped
    EXPECT_EQ(Packet(pad), a);
    pad.SetCallback(Count, nullptr);  // callback without user data: not called
    pad.OnPacket(b.data(), b.size());
    EXPECT_EQ(seen.calls, 0);
    EXPECT_EQ(Packet(pad), b);
    pad.SetCallback(nullptr, &seen);  // user data without callback: not called
    pad.OnPacket(a.data(), a.size());
    EXPECT_EQ(seen.calls, 0);
    pad.SetCallback(Count, &seen);
    pad.OnPacket(b.data(), b.size());
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.size, 3u);

    const std::vector<uint8_t> big(CJoyPadInput::kPacketMax, 0x55);
    pad.OnPacket(big.data(), 0);
    pad.OnPacket(big.data(), big.size());
    pad.OnPacket(big.data(), big.size() + 100);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(Packet(pad), b);
    EXPECT_EQ(pad.GetPacketCount(), 4u);
    pad.OnPacket(big.data(), big.size() - 1);  // the largest packet taken
    EXPECT_EQ(Packet(pad).size(), CJoyPadInput::kPacketMax - 1);
}

TEST(JoyPadInput, ReadsTheDeviceAndSurvivesItGoingAway)
{
    scripttest::WorkDir dir;
    const std::string fifo = dir.Path() + "/js0";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CJoyPadInput pad(fifo);
    Seen seen;
    pad.SetCallback(Count, &seen);
    for (int round = 0; round < 2; ++round) {  // the second after the "device" went away
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const uint8_t event[8] = {0x10, 0, 0, 0, 0xff, 0x7f, 2, uint8_t(round)};  // one joystick event
        ASSERT_EQ(::write(fd, event, sizeof(event)), 8);
        ASSERT_TRUE(WaitFor([&] { return seen.calls == round + 1; })) << round;
        EXPECT_EQ(Packet(pad), std::vector<uint8_t>(event, event + 8));
        const std::vector<uint8_t> big(CJoyPadInput::kPacketMax, 0x55);
        ASSERT_EQ(::write(fd, big.data(), big.size()), ssize_t(big.size()));
        ::close(fd);  // device gone: the reader waits for it to come back
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(seen.calls, round + 1);
        EXPECT_EQ(Packet(pad)[7], round);
    }
}

// The report accessors read fixed offsets of the last packet, little-endian;
// what lies beyond the packet reads as 0 (a joystick record has 8 bytes).
TEST(JoyPadInput, ReportAccessorsReadTheirOffsetsAndZeroBeyondThePacket)
{
    CJoyPadInput pad("/nonexistent/js0");
    std::vector<uint8_t> report(16);
    for (size_t i = 0; i < report.size(); ++i)
        report[i] = uint8_t(0x10 + i);
    pad.OnPacket(report.data(), report.size());
    uint8_t a = 0, b = 0;
    EXPECT_EQ(pad.GetWord10(), 0x1b1a);
    EXPECT_EQ(pad.GetByte12(), 0x1c);
    EXPECT_EQ(pad.GetByte10(), 0x1a);
    EXPECT_EQ(pad.GetByte10Again(), 0x1a);
    pad.GetBytes6And8(a, b);
    EXPECT_EQ(a, 0x16);
    EXPECT_EQ(b, 0x18);
    pad.GetBytes2And4(a, b);
    EXPECT_EQ(a, 0x12);
    EXPECT_EQ(b, 0x14);

    const std::vector<uint8_t> record = {1, 2, 3, 4, 5, 6, 7, 8};  // time, value, type, number
    pad.OnPacket(record.data(), record.size());
    EXPECT_EQ(pad.GetWord10(), 0);
    EXPECT_EQ(pad.GetByte12(), 0);
    EXPECT_EQ(pad.GetByte10(), 0);
    EXPECT_EQ(pad.GetByte10Again(), 0);
    pad.GetBytes6And8(a, b);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 0) << "offset 8 is past the record";
    pad.GetBytes2And4(a, b);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 5);
    const std::vector<uint8_t> shortPacket = {9, 9, 9};
    pad.OnPacket(shortPacket.data(), shortPacket.size());
    pad.GetBytes2And4(a, b);
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 0);
}

TEST(JoyPadInput, EndsPromptlyWithoutAnyDevice)
{
    const auto start = std::chrono::steady_clock::now();
    {
        CJoyPadInput scan;  // whatever /dev/input holds here
        CJoyPadInput missing("/nonexistent/js0");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
}

} // namespace
