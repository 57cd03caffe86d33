#include "platform/Paths.h"

#include "platform/AtomicFile.h"
#include "platform/FileRights.h"
#include "platform/LogSink.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string ExecutableFolder()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return WorkingFolder();
    std::string exe(buf, size_t(n));
    auto slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

std::string WorkingFolder()
{
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof(buf)))
        return ".";
    return buf;
}

std::string NormalizeSeparators(const std::string& path)
{
    std::string p = path;
    // a drive letter ("C:") has no meaning here
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':')
        p.erase(0, 2);
    std::string out;
    out.reserve(p.size());
    for (char c : p) {
        if (c == '\\')
            c = '/';
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    return out;
}

std::string FileNamePart(const std::string& path)
{
    auto pos = path.find_last_of("/\\:");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string FolderPart(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& rel)
{
    if (folder.empty())
        return rel;
    if (folder.back() == '/' || folder.back() == '\\')
        return folder + rel;
    return folder + "/" + rel;
}

static bool PathExists(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

static bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string ResolvePath(const std::string& path)
{
    std::string norm = NormalizeSeparators(path);
    if (norm.empty() || PathExists(norm))
        return norm;
    // walk the components, matching each without regard to case
    std::string current = norm[0] == '/' ? "/" : "";
    size_t start = norm[0] == '/' ? 1 : 0;
    while (start <= norm.size()) {
        size_t end = norm.find('/', start);
        if (end == std::string::npos)
            end = norm.size();
        std::string comp = norm.substr(start, end - start);
        if (!comp.empty()) {
            std::string candidate = current.empty() ? comp : JoinPath(current, comp);
            if (comp != "." && comp != ".." && !PathExists(candidate)) {
                std::string folder = current.empty() ? "." : current;
                for (const auto& e : ListDirectory(folder))
                    if (EqualNoCase(e.name, comp)) {
                        candidate = current.empty() ? e.name : JoinPath(current, e.name);
                        break;
                    }
                if (!PathExists(candidate))
                    return norm;  // nothing matches: keep the path as written
            }
            current = candidate;
        }
        start = end + 1;
    }
    return current.empty() ? norm : current;
}

std::string ResolvePathForWriting(const std::string& path)
{
    const std::string norm = NormalizeSeparators(path);
    const size_t slash = norm.rfind('/');
    if (slash == std::string::npos || PathExists(norm))
        return ResolvePath(norm);
    const std::string folder = slash == 0 ? "/" : ResolvePath(norm.substr(0, slash));
    return JoinPath(folder, norm.substr(slash + 1));
}

std::vector<DirEntry> ListDirectory(const std::string& folder)
{
    std::vector<DirEntry> out;
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return out;
    while (dirent* e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        DirEntry entry;
        entry.name = e->d_name;
        struct stat st;
        if (::stat(JoinPath(folder.empty() ? "." : folder, entry.name).c_str(), &st) == 0) {
            entry.isDirectory = S_ISDIR(st.st_mode);
            entry.size = uint64_t(st.st_size);
        }
        out.push_back(std::move(entry));
    }
    closedir(d);
    std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return out;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool NameExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool DirectoryExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectories(const std::string& path)
{
    std::string p = NormalizeSeparators(path);
    if (p.empty())
        return false;
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (DirectoryExists(part))
                continue;
            if (::mkdir(part.c_str(), 0755) == 0)
                GiveFolderToFolderOwner(part);
            else if (errno != EEXIST)
                return false;
        }
    }
    return DirectoryExists(p);
}

int64_t FileModTime(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return int64_t(st.st_mtime);
}

int64_t FileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return int64_t(st.st_size);
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    if (size > 0 && !data)
        return false;
    AtomicFileStream file;
    return file.Open(path) && file.Write(data, size) && file.Commit();
}

namespace {

// One refusal: to the caller's text when it wants one, else one log line.
void Refuse(const std::string& path, const std::string& reason, std::string* why, bool quietUnlessAsked = false)
{
    if (why)
        *why = reason;
    else if (!quietUnlessAsked)
        LogWrite(reason + ", not read: " + path + "\n");
}

} // namespace

int OpenRegularFile(const std::string& path, uint64_t maxSize, std::string* why)
{
    // The kind is looked at before opening: opening a device runs its driver, and
    // a FIFO could block (O_NONBLOCK covers what is swapped in after the look).
    auto failed = [&] {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        Refuse(path, missing ? std::string("not found") : std::string("cannot open: ") + std::strerror(errno), why,
               missing);
        return -1;
    };
    struct stat named;
    if (::stat(path.c_str(), &named) != 0)
        return failed();
    if (!S_ISREG(named.st_mode)) {
        Refuse(path, S_ISDIR(named.st_mode) ? "a folder, not a file" : "not a regular file", why);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed();
    // what was opened must be what was looked at
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != named.st_dev || st.st_ino != named.st_ino) {
        ::close(fd);
        Refuse(path, S_ISREG(st.st_mode) ? "replaced while it was opened" : "not a regular file", why);
        return -1;
    }
    if (uint64_t(st.st_size) > maxSize) {
        ::close(fd);
        Refuse(path,
               "too large (" + std::to_string(uint64_t(st.st_size)) + " bytes, at most " + std::to_string(maxSize) +
                   ")",
               why);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxSize, std::string* why)
{
    out.clear();
    const int fd = OpenRegularFile(path, maxSize, why);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        out.reserve(size_t(st.st_size));
    uint8_t buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof(buf));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Refuse(path, std::string("read error: ") + std::strerror(errno), why);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        // a file that grows while it is read is still held to the cap
        if (out.size() + size_t(n) > maxSize) {
            Refuse(path, "grew past its size cap while read", why);
            ok = false;
            break;
        }
        out.insert(out.end(), buf, buf + n);
    }
    ::close(fd);
    if (!ok)
        out.clear();
    return ok;
}

} // namespace platform
