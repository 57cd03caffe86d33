#include "platform/AtomicFile.h"

#include "platform/FileRights.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

#include <atomic>
#include <cctype>
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
NewNameStep g_renameStep, g_linkStep;

constexpr size_t kMarkLength = sizeof(kTempMark) - 1;
constexpr size_t kRandomDigits = 8;  // lowercase hexadecimal

// The longest file name the folder's file system takes.
size_t NameLimit(const std::string& folder)
{
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? size_t(limit) : size_t(NAME_MAX);
}

// Temporary names are "<name>.qmtmp-<pid>-<random>"; the process id tells
// whether the save that made one may still be running. Where the name would pass
// the file system's limit, <name> is cut short (at a character boundary).
std::string DefaultTempName(const std::string& target)
{
    static std::atomic<uint32_t> counter{0};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%s%ld-%08x", kTempMark, long(::getpid()),
                  unsigned(std::random_device{}() ^ (counter++ * 0x9e3779b9u)));
    const size_t suffixLength = std::strlen(suffix);
    const auto slash = target.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t keep = target.size() - nameStart;
    const size_t limit = NameLimit(FolderPart(target));
    if (keep + suffixLength > limit) {
        keep = limit > suffixLength + 1 ? limit - suffixLength : 1;
        while (keep > 1 && (uint8_t(target[nameStart + keep]) & 0xc0) == 0x80)
            --keep;  // not inside a UTF-8 sequence
    }
    return target.substr(0, nameStart + keep) + suffix;
}

// The step a test set in place of a system call, if any.
NewNameStep StandIn(const NewNameStep& step)
{
    std::lock_guard<std::mutex> guard(g_nameLock);
    return step;
}

// 0 or the errno, as the steps return them.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (const NewNameStep step = StandIn(g_renameStep))
        return step(from, to);
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int HardLink(const std::string& from, const std::string& to)
{
    if (const NewNameStep step = StandIn(g_linkStep))
        return step(from, to);
    return ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
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

// Creates a new file at `path` (exclusively, never through a link), the folder
// owner's when made as root; -1 with errno set when it cannot.
int CreateNew(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0)
        GiveToFolderOwner(fd, path);
    return fd;
}

// Creates a new temporary file beside `target`; -1 with errno set when none
// could be made.
int CreateTempBeside(const std::string& target, std::string& temp)
{
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempName(target, attempt);
        fd = CreateNew(temp);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    return fd;
}

// Writes all the bytes; 0, or the errno of the write that failed.
int WriteAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    for (size_t left = size; left > 0;) {
        const ssize_t n = ::write(fd, p, left);
        if (n > 0) {
            p += n;
            left -= size_t(n);
        } else if (n == 0 || errno != EINTR) {
            return n == 0 ? EIO : errno;
        }
    }
    return 0;
}

// Writes all the bytes, syncs and closes; 0, or the errno of the step that failed.
int WriteSyncClose(int fd, const void* data, size_t size)
{
    int err = WriteAll(fd, data, size);
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    return err;
}

// Writes the bytes at a name that is free (never over anything, never through a
// link), removing the file again when a step fails; 0 or the errno.
int WriteAtNewName(const std::string& path, const void* data, size_t size)
{
    const int fd = CreateNew(path);
    if (fd < 0)
        return errno;
    const int err = WriteSyncClose(fd, data, size);
    if (err != 0)
        ::unlink(path.c_str());
    return err;
}

// Makes a rename in the path's folder last (the folder's entry synced).
void SyncFolder(const std::string& path)
{
    const int dirFd = ::open(FolderPart(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// The process id of a name DefaultTempName makes, exactly: something, the mark,
// the id (decimal, no leading zero), '-' and the random digits at the end; 0 for
// any other name.
pid_t TempNamePid(const std::string& name)
{
    if (name.size() < 1 + kMarkLength + 2 + kRandomDigits)
        return 0;
    const size_t random = name.size() - kRandomDigits;
    for (size_t i = random; i < name.size(); ++i)
        if (!std::isdigit(uint8_t(name[i])) && (name[i] < 'a' || name[i] > 'f'))
            return 0;
    if (name[random - 1] != '-')
        return 0;
    const size_t end = random - 1;
    size_t start = end;
    while (start > 0 && std::isdigit(uint8_t(name[start - 1])))
        --start;
    if (start == end || end - start > 10 || name[start] == '0' || start < 1 + kMarkLength ||
        name.compare(start - kMarkLength, kMarkLength, kTempMark) != 0)
        return 0;
    const long long pid = std::stoll(name.substr(start, end - start));
    return pid <= INT_MAX ? pid_t(pid) : 0;
}

bool IsStaleTempName(const std::string& name)
{
    const pid_t pid = TempNamePid(name);
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
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

// A failed step of a save, with the system's reason (errno).
void LogFailure(const char* step, const std::string& path)
{
    LogRefusal(std::string(step) + " (" + std::strerror(errno) + ")", path);
}

// What a save to `path` replaces: the path itself when it is absent or a regular
// file, the file a link there leads to when that is a regular file; empty (and
// `why` set) for anything else.
std::string ResolveTarget(const std::string& path, std::string& why)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return path;  // absent (or its folder is: creating the temporary file says so)
        why = std::string("a name that cannot be used (") + std::strerror(errno) + ")";
        return {};
    }
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

// ResolveTarget, and the write check of a regular file there (its status in `old`,
// `replaces` set).
std::string SaveTarget(const std::string& path, std::string& why, struct stat& old, bool& replaces)
{
    const std::string target = ResolveTarget(path, why);
    if (target.empty())
        return {};
    replaces = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replaces && !(why = WriteRefusal(target, old.st_mode)).empty())
        return {};
    return target;
}

} // namespace

std::string SaveRefusal(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return {};  // nothing there to protect (creating the file says why it fails)
    std::string why;
    struct stat old;
    bool replaces = false;
    return SaveTarget(path, why, old, replaces).empty() ? why : std::string();
}

void SetNewNameSteps(NewNameStep rename, NewNameStep link)
{
    std::lock_guard<std::mutex> guard(g_nameLock);
    g_renameStep = std::move(rename);
    g_linkStep = std::move(link);
}

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
    struct stat old;
    bool replaces = false;
    const std::string target = SaveTarget(path, why, old, replaces);
    if (target.empty()) {
        LogRefusal(why, path);
        return false;
    }
    CleanFolderOnce(FolderPart(target));

    std::string temp;
    const int fd = CreateTempBeside(target, temp);
    if (fd < 0) {
        LogFailure("cannot create the temporary file beside it", path);
        return false;
    }
    if (replaces) {
        // the old file's owner and group where this process may set them, then
        // its permissions (a change of owner clears the set-id bits)
        struct stat made;
        if (::fstat(fd, &made) == 0 && (made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)::fchown(fd, uid_t(-1), old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    }
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
    if (m_fd < 0 || m_failed || (size > 0 && !data))
        return false;
    if (const int error = WriteAll(m_fd, data, size)) {
        errno = error;
        LogFailure("a write failed", m_path);
        errno = error;  // for the caller's own line
        m_failed = true;
        return false;
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
    // the first failure is logged (a failed write was, when it happened)
    bool ok = !m_failed;
    if (ok && ::fsync(m_fd) != 0) {
        LogFailure("cannot sync it to the disk", m_path);
        ok = false;
    }
    if (::close(m_fd) != 0 && ok) {
        LogFailure("cannot close it", m_path);
        ok = false;
    }
    m_fd = -1;
    if (ok) {
        // what the name holds now is what the rename replaces
        struct stat st;
        if (::lstat(m_target.c_str(), &st) == 0) {
            std::string why = KindRefusal(st.st_mode);
            if (why.empty())
                why = WriteRefusal(m_target, st.st_mode);
            if (!why.empty()) {
                LogRefusal(why, m_path);
                ok = false;
            }
        }
    }
    if (ok && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        LogFailure("cannot put it in place of the old file", m_path);
        ok = false;
    }
    if (!ok) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    SyncFolder(m_target);
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

bool WriteNewFile(const std::string& path, const void* data, size_t size, int* error)
{
    std::string temp;
    const int fd = CreateTempBeside(path, temp);
    if (fd < 0) {
        if (error)
            *error = errno;
        return false;
    }
    int err = WriteSyncClose(fd, data, size);
    bool renamed = false;
    if (err == 0) {
        err = RenameNoReplace(temp, path);
        renamed = err == 0;
        // a file system without the no-replace rename: a hard link never replaces either
        if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
            err = HardLink(temp, path);
            // nor hard links: the bytes go to the name itself, made new
            if (err == EPERM || err == ENOTSUP || err == ENOSYS || err == EINVAL)
                err = WriteAtNewName(path, data, size);
        }
    }
    if (!renamed)
        ::unlink(temp.c_str());
    if (err != 0) {
        if (error)
            *error = err;
        return false;
    }
    SyncFolder(path);
    return true;
}

} // namespace platform
