#include "app/script/JoyPadInput.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
constexpr int kRetryMs = 1000;  // looking for a device again
}

CJoyPadInput::CJoyPadInput() : CJoyPadInput(std::string())
{
}

CJoyPadInput::CJoyPadInput(std::string devicePath) : m_devicePath(std::move(devicePath))
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd >= 0)
        m_thread = std::thread([this] { Run(); });
}

CJoyPadInput::~CJoyPadInput()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof(one));
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void CJoyPadInput::SetCallback(PacketCallback callback, void* user)
{
    std::lock_guard lock(m_mutex);
    m_callback = callback;
    m_user = user;
}

void CJoyPadInput::OnPacket(const uint8_t* data, size_t size)
{
    if (!data || size == 0 || size >= kPacketMax)
        return;
    PacketCallback callback;
    void* user;
    uint8_t copy[kPacketMax];
    {
        std::lock_guard lock(m_mutex);
        std::memset(m_packet, 0, sizeof(m_packet));
        std::memcpy(m_packet, data, size);
        m_packetSize = size;
        ++m_packetCount;
        callback = m_callback;
        user = m_user;
        std::memcpy(copy, m_packet, size);
    }
    // outside the lock, so the callback may read the packet again
    if (callback && user)
        callback(copy, size, user, this);
}

size_t CJoyPadInput::GetPacket(uint8_t* out, size_t max) const
{
    std::lock_guard lock(m_mutex);
    if (out)
        std::memcpy(out, m_packet, std::min(max, m_packetSize));
    return m_packetSize;
}

uint8_t CJoyPadInput::ByteAt(size_t offset) const
{
    return offset < m_packetSize ? m_packet[offset] : 0;
}

uint16_t CJoyPadInput::GetWord10() const
{
    std::lock_guard lock(m_mutex);
    return uint16_t(ByteAt(10) | ByteAt(11) << 8);
}

uint8_t CJoyPadInput::GetByte12() const
{
    std::lock_guard lock(m_mutex);
    return ByteAt(12);
}

uint8_t CJoyPadInput::GetByte10() const
{
    std::lock_guard lock(m_mutex);
    return ByteAt(10);
}

uint8_t CJoyPadInput::GetByte10Again() const { return GetByte10(); }

void CJoyPadInput::GetBytes6And8(uint8_t& at6, uint8_t& at8) const
{
    std::lock_guard lock(m_mutex);
    at6 = ByteAt(6);
    at8 = ByteAt(8);
}

void CJoyPadInput::GetBytes2And4(uint8_t& at2, uint8_t& at4) const
{
    std::lock_guard lock(m_mutex);
    at2 = ByteAt(2);
    at4 = ByteAt(4);
}

uint64_t CJoyPadInput::GetPacketCount() const
{
    std::lock_guard lock(m_mutex);
    return m_packetCount;
}

int CJoyPadInput::OpenDevice() const
{
    if (!m_devicePath.empty())
        return ::open(m_devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    for (const platform::DirEntry& e : platform::ListDirectory("/dev/input")) {
        if (e.isDirectory || e.name.rfind("js", 0) != 0)
            continue;
        const int fd = ::open(("/dev/input/" + e.name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

bool CJoyPadInput::WaitForStop(int timeoutMs)
{
    pollfd p{m_wakeFd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

void CJoyPadInput::Run()
{
    // Reads larger than a packet may be, so an oversized one is seen as such.
    uint8_t buffer[2 * kPacketMax];
    for (;;) {
        const int fd = OpenDevice();
        if (fd < 0) {
            if (WaitForStop(kRetryMs))
                return;
            continue;
        }
        bool stop = false;
        for (;;) {
            pollfd p[2] = {{m_wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
            const int n = ::poll(p, 2, -1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 || (p[0].revents & POLLIN)) {
                stop = true;
                break;
            }
            if (p[1].revents & POLLIN) {
                const ssize_t got = ::read(fd, buffer, sizeof(buffer));
                if (got > 0) {
                    OnPacket(buffer, size_t(got));
                    continue;
                }
                if (got < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                break;  // end of file or a read error: the device went away
            }
            if (p[1].revents & (POLLHUP | POLLERR | POLLNVAL))
                break;
        }
        ::close(fd);
        if (stop || WaitForStop(kRetryMs))
            return;
    }
}
