#include "platform/LogSink.h"

#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace platform {
namespace {

std::mutex g_mutex;
std::function<void(std::string_view)> g_observer;
std::string g_path = "quillmont.log";
int g_fd = -1;
bool g_openFailed = false;

void WriteAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w <= 0)
            return;
        p += w;
        n -= size_t(w);
    }
}

} // namespace

void LogWrite(std::string_view line)
{
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    text.push_back('\n');

    std::lock_guard lock(g_mutex);
    if (g_observer)
        g_observer(line);
    WriteAll(2, text.data(), text.size());
    if (g_fd < 0 && !g_openFailed) {
        g_fd = ::open(g_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        g_openFailed = g_fd < 0;
    }
    if (g_fd >= 0)
        WriteAll(g_fd, text.data(), text.size());
}

void SetLogObserver(std::function<void(std::string_view)> observer)
{
    std::lock_guard lock(g_mutex);
    g_observer = std::move(observer);
}

void SetLogFile(const std::string& path)
{
    std::lock_guard lock(g_mutex);
    if (g_fd >= 0)
        ::close(g_fd);
    g_fd = -1;
    g_openFailed = false;
    g_path = path;
}

} // namespace platform
