#include "platform/LogSink.h"

#include "platform/FileRights.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
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

// Opens the log file: only a regular file at the name is taken, never what a
// link there leads to, and nothing that could block (a FIFO) or act on its
// opening (a device), nor a file that may not be written (see WriteRefusal). A
// new file made as root is its folder owner's. Returns the descriptor, or -1
// with the reason.
int OpenLogFile(const std::string& path, std::string& why)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        why = S_ISLNK(st.st_mode) ? "a link" : S_ISDIR(st.st_mode) ? "a folder" : "not a regular file";
        return -1;
    }
    const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags);
    bool made = false;
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0644);
        made = fd >= 0;
        if (fd < 0 && errno == EEXIST)
            fd = ::open(path.c_str(), flags);  // made meanwhile
    }
    if (fd < 0) {
        why = errno == ELOOP ? "a link" : errno == ENXIO ? "not a regular file" : std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = "not a regular file";
        return -1;
    }
    if (made) {
        GiveToFolderOwner(fd, path);
    } else if (!(why = WriteRefusal(path, st.st_mode)).empty()) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    return fd;
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
    if (g_fd < 0 && !g_openFailed) {
        std::string why;
        g_fd = OpenLogFile(g_path, why);
        g_openFailed = g_fd < 0;
        if (g_openFailed) {
            const std::string note = "log file " + g_path + " not used (" + why + "): the log goes to standard error only\n";
            WriteAll(2, note.data(), note.size());
        }
    }
    WriteAll(2, text.data(), text.size());
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
