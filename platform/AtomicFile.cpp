#include "platform/AtomicFile.h"

#include "platform/LogSink.h"
#include "platform/Paths.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char kTempMark[] = ".qmtmp-";

std::mutex g_nameLock;
TempNameSource g_nameSource;

// Temporary names are "<name>.qmtmp-<pid>-<random>"; the process id tells
// whether the save that made one may still be running.
std::string DefaultTempName(const std::string& target)
{
    static std::atomic<uint32_t> counter{0};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%ld-%08x", long(::getpid()),
                  unsigned(std::random_device{}() ^ (counter++ * 0x9e3779b9u)));
    return target + kTempMark + suffix;
}

std::string TempName(const std::string& target, int attempt)
{
    {
        std::lock_guard<std::mutex> guard(g_nameLock);
        if (g_nameSource)
            return g_nameSource(target, attempt);
    }
    return DefaultTempName(target);
}

bool IsStaleTempName(const std::string& name)
{
    const auto mark = name.rfind(kTempMark);
    if (mark == std::string::npos || mark == 0)
        return false;
    const char* p = name.c_str() + mark + sizeof(kTempMark) - 1;
    char* end = nullptr;
    const long pid = std::strtol(p, &end, 10);
    if (end == p || *end != '-' || pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void CleanFolderOnce(const std::string& folder)
{
    static std::mutex lock;
    static std::set<std::string> done;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!done.insert(folder).second)
            return;
    }
    RemoveStaleTempFiles(folder);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Why a file of this kind is never replaced; empty for a regular file.
const char* KindRefusal(mode_t mode)
{
    if (S_ISREG(mode))
        return "";
    if (S_ISDIR(mode))
        return "a folder, not a file";
    if (S_ISLNK(mode))
        return "a link appeared at the name";
    return "not a regular file";
}

void LogRefusal(const std::string& reason, const std::string& path)
{
    LogWrite(reason + ", not written: " + path + "\n");
}

// What a save to `path` replaces: the path itself when it is absent or a regular
// file, the file a link there leads to when that is a regular file; empty (and
// `why` set) for anything else.
std::string ResolveTarget(const std::string& path, std::string& why)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return path;  // absent (or its folder is: creating the temporary file says so)
    if (!S_ISLNK(st.st_mode)) {
        why = KindRefusal(st.st_mode);
        return why.empty() ? path : std::string();
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        why = errno == ENOENT || errno == ENOTDIR ? "a link that leads nowhere"
              : errno == ELOOP                    ? "a link loop"
                                                  : std::string("a link that cannot be followed: ") + std::strerror(errno);
        return {};
    }
    if (::lstat(resolved, &st) != 0) {
        why = "a link that leads nowhere";
        return {};
    }
    why = KindRefusal(st.st_mode);
    if (!why.empty())
        why += " (behind a link)";
    return why.empty() ? std::string(resolved) : std::string();
}

} // namespace

void SetTempNameSource(TempNameSource source)
{
    std::lock_guard<std::mutex> guard(g_nameLock);
    g_nameSource = std::move(source);
}

int RemoveStaleTempFiles(const std::string& folder)
{
    int removed = 0;
    for (const auto& e : ListDirectory(folder))
        if (!e.isDirectory && IsStaleTempName(e.name) && ::unlink(JoinPath(folder, e.name).c_str()) == 0)
            ++removed;
    return removed;
}

AtomicFileStream::~AtomicFileStream()
{
    Discard();
}

bool AtomicFileStream::Open(const std::string& path)
{
    Discard();
    if (path.empty())
        return false;
    std::string why;
    const std::string target = ResolveTarget(path, why);
    if (target.empty()) {
        LogRefusal(why, path);
        return false;
    }
    CleanFolderOnce(FolderOf(target));

    int fd = -1;
    std::string temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempName(target, attempt);
        fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    // keep the old file's permissions where there is one
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    m_fd = fd;
    m_failed = false;
    m_path = path;
    m_target = target;
    m_temp = temp;
    return true;
}

bool AtomicFileStream::IsOpen() const
{
    return m_fd >= 0;
}

bool AtomicFileStream::Write(const void* data, size_t size)
{
    if (m_fd < 0 || (size > 0 && !data))
        return false;
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_failed = true;
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

int64_t AtomicFileStream::Seek(int64_t offset, int whence)
{
    if (m_fd < 0)
        return -1;
    return int64_t(::lseek(m_fd, off_t(offset), whence));
}

int64_t AtomicFileStream::Position() const
{
    if (m_fd < 0)
        return -1;
    return int64_t(::lseek(m_fd, 0, SEEK_CUR));
}

bool AtomicFileStream::Commit()
{
    if (m_fd < 0)
        return false;
    bool ok = !m_failed && ::fsync(m_fd) == 0;
    if (::close(m_fd) != 0)
        ok = false;
    m_fd = -1;
    if (ok) {
        // what the name holds now is what the rename replaces
        struct stat st;
        if (::lstat(m_target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            LogRefusal(KindRefusal(st.st_mode), m_path);
            ok = false;
        }
    }
    if (ok && ::rename(m_temp.c_str(), m_target.c_str()) != 0)
        ok = false;
    if (!ok) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    const int dirFd = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void AtomicFileStream::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

} // namespace platform

namespace platform {

bool WriteNewFile(const std::string& path, const void* data, size_t size, int* error)
{
    int fd = -1;
    std::string temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempName(path, attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        if (error)
            *error = errno;
        return false;
    }
    int err = 0;
    const char* p = static_cast<const char*>(data);
    for (size_t left = size; left > 0 && err == 0;) {
        const ssize_t n = ::write(fd, p, left);
        if (n > 0)
            p += n, left -= size_t(n);
        else if (n == 0 || errno != EINTR)
            err = n == 0 ? EIO : errno;
    }
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    bool renamed = false;
    if (err == 0) {
        renamed = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
        err = renamed ? 0 : errno;
        // a file system without the no-replace rename: a hard link never replaces either
        if (err == EINVAL || err == ENOSYS || err == ENOTSUP)
            err = ::link(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
    }
    if (!renamed)
        ::unlink(temp.c_str());
    if (err != 0) {
        if (error)
            *error = err;
        return false;
    }
    const int dirFd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace platform
